#include "mainwindowprobe.h"
#include "settingsstore.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QWidgetAction>

// Stands in for the desktop: records the documents and folders it is asked
// to open instead of starting a viewer.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

namespace {

// The first and last rows of the first text line in `image` with dark ink.
QPair<int, int> inkRows(const QImage &image, int lineHeight)
{
    QPair<int, int> rows{-1, -1};
    for (int y = 0; y < qMin(image.height(), lineHeight); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        if (std::any_of(line, line + image.width(), [](QRgb pixel) { return qGray(pixel) < 100; }))
            rows = {rows.first < 0 ? y : rows.first, y};
    }
    return rows;
}

} // namespace

// Text searched, case-sensitive, keys (r: Return, e: keypad Enter), the
// selection found or where the cursor is.
VESTRA_TEST_ROW(SearchRow, QString, bool, QString, QString)
// Action, target, present, whether the desktop opens it, the warning
// (empty: the desktop gets the target).
VESTRA_TEST_ROW(HelpRow, QString, QString, bool, bool, QString)

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        // The program looks for "examples" and "doc" beside its working folder.
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir::setCurrent(root.filePath(QStringLiteral("bin"))));
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
    }

    void init()
    {
        TestSupport::isolateSettings();
        desktop.opened.clear();
    }

    void cleanup()
    {
        discardWindow(window);
        QDir(root.filePath(QStringLiteral("doc"))).removeRecursively();
    }

    // A first start: no file, the examples beside the program's folder, every
    // tool bar button with its picture and the board selector at the bar's
    // right end.
    void freshWindow()
    {
        MainWindowProbe probe = newWindow(true);
        QCOMPARE(probe.seen(), QStringLiteral("VESTRA |  | "));
        QCOMPARE(QFileInfo(probe.basePath()).canonicalFilePath(), QFileInfo(root.path()).canonicalFilePath());
        QCOMPARE(probe.examplesPath(), probe.basePath() + QDir::separator() + "examples");
        QCOMPARE(probe.lastWorkingDirectory(), probe.examplesPath());
        QVERIFY(probe.currentFilePath().isEmpty() && !probe.fileLoaded());
        auto *bar = window->findChild<QToolBar *>(QStringLiteral("mainToolBar"));
        for (QAction *action : bar->actions()) {
            if (!action->isSeparator() && !qobject_cast<QWidgetAction *>(action))
                QVERIFY2(!action->icon().pixmap(48, 48).isNull(), qPrintable(action->text()));
        }
        const int right = probe.boards()->mapTo(bar, QPoint(probe.boards()->width() - 1, 0)).x();
        QVERIFY2(bar->width() - right < 30, qPrintable(QStringLiteral("%1 of %2").arg(right).arg(bar->width())));
    }

    // The numbers are as big as the text and stand on its baseline.
    void gutterFollowsEditorFont()
    {
        QSettings().setValue(QStringLiteral("EditorFontSize"), 20);
        MainWindowProbe probe = newWindow(true);
        // Away from the first line, whose band would tint the digit.
        probe.editor()->setPlainText(QStringLiteral("1\n\n"));
        probe.editor()->moveCursor(QTextCursor::End);
        probe.editor()->verticalScrollBar()->setValue(0);
        const auto children = probe.editor()->findChildren<QWidget *>();
        const auto gutter = std::find_if(children.cbegin(), children.cend(),
                                         [](QWidget *child) { return dynamic_cast<LineNumberArea *>(child); });
        QVERIFY(gutter != children.cend());
        const int lineHeight = QFontMetrics(probe.editor()->font()).height() + 4;
        const QPair<int, int> number = inkRows((*gutter)->grab().toImage(), lineHeight);
        const QPair<int, int> text = inkRows(probe.editor()->viewport()->grab().toImage(), lineHeight);
        QVERIFY(text.first >= 0 && number.first >= 0);
        QVERIFY2(qAbs(number.first - text.first) <= 1 && qAbs(number.second - text.second) <= 1,
                 qPrintable(QStringLiteral("%1-%2 %3-%4").arg(number.first).arg(number.second).arg(text.first).arg(text.second)));
    }

    // Ctrl+F and Find show the field with the focus in it; Escape in the
    // field or the editor, or Find again, hide both widgets. Hiding must not
    // leave the focus where a letter changes the board.
    void searchFieldShowsAndHides()
    {
        MainWindowProbe probe = newWindow(true);
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        probe.boards()->addItems({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        // 1: both shown, 0: both hidden, -1: one of each.
        const auto shown = [&probe]() {
            const bool field = probe.searchFieldAction()->isVisible();
            return field == probe.caseSensitiveAction()->isVisible() ? int(field) : -1;
        };
        QVERIFY(!probe.searchField()->isVisible() && !probe.caseSensitive()->isVisible());
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(shown(), 1);
        QTRY_VERIFY(probe.searchField()->isVisible() && probe.caseSensitive()->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(probe.searchField()));
        QTest::keyClick(probe.searchField(), Qt::Key_Escape);
        QCOMPARE(shown(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(probe.editor()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B);
        QCOMPARE(probe.boards()->currentIndex(), 0);

        probe.action("actionFind")->trigger();
        QCOMPARE(shown(), 1);
        for (int escapes = 0; escapes < 2; ++escapes) {
            QTest::keyClick(probe.editor(), Qt::Key_Escape);
            QCOMPARE(shown(), 0);
        }
        probe.action("actionFind")->trigger();
        probe.action("actionFind")->trigger();
        QCOMPARE(shown(), 0);
    }

    void search_data()
    {
        QTest::addColumn<SearchRow>("row");
        // Text "alpha Beta\nbeta gamma\nonce", cursor at 8 (inside "Beta").
        QTest::newRow("case-insensitive finds other case") << SearchRow{"Beta", false, "r", "11-15"};
        QTest::newRow("case-sensitive skips other case") << SearchRow{"Beta", true, "r", "6-10"};
        QTest::newRow("wraps to the first match") << SearchRow{"beta", false, "rr", "6-10"};
        QTest::newRow("only match found again and again") << SearchRow{"once", false, "rrr", "22-26"};
        QTest::newRow("keypad Enter searches too") << SearchRow{"gamma", false, "e", "16-21"};
        QTest::newRow("no match goes to the start") << SearchRow{"delta", false, "r", "at 0"};
        QTest::newRow("no match across a line break") << SearchRow{"Beta beta", false, "r", "at 0"};
        QTest::newRow("empty text leaves the cursor") << SearchRow{"", false, "r", "at 8"};
    }

    void search()
    {
        const auto [needle, caseSensitive, keys, found] = TestSupport::row<SearchRow>();
        MainWindowProbe probe = newWindow();
        probe.editor()->setPlainText(QStringLiteral("alpha Beta\nbeta gamma\nonce"));
        QTextCursor cursor = probe.editor()->textCursor();
        cursor.setPosition(8);
        probe.editor()->setTextCursor(cursor);
        probe.action("actionFind")->trigger();
        probe.searchField()->setText(needle);
        probe.caseSensitive()->setChecked(caseSensitive);
        for (const QChar key : keys)
            QTest::keyClick(probe.searchField(), key == QLatin1Char('e') ? Qt::Key_Enter : Qt::Key_Return);
        const QTextCursor result = probe.editor()->textCursor();
        QCOMPARE(result.hasSelection() ? QStringLiteral("%1-%2").arg(result.selectionStart()).arg(result.selectionEnd())
                                       : QStringLiteral("at %1").arg(result.position()),
                 found);
    }

    void helpAndExamples_data()
    {
        QTest::addColumn<HelpRow>("row");
        const QString reference = "actionReference_Documentation";
        const QString guide = "actionCodeEditor_quick_start_guide";
        const QString examples = "actionGoTo_Examples_Folder";
        const QString sd001 = "doc/KVQ-VESTRA-SD001.pdf";
        const QString sd011 = "doc/KVQ-VESTRA-SD011.pdf";
        const QString none = "No application could open '%1'";
        QTest::newRow("reference") << HelpRow{reference, sd001, true, true, ""};
        QTest::newRow("quick start") << HelpRow{guide, sd011, true, true, ""};
        QTest::newRow("examples folder") << HelpRow{examples, "examples", false, true, ""};
        QTest::newRow("reference missing") << HelpRow{reference, sd001, false, true,
            "Missing Reference Documentation.|Cannot find the reference document '%1' !"};
        // A desktop without a PDF viewer, or any file manager.
        QTest::newRow("reference, nothing opens it") << HelpRow{reference, sd001, true, false, none};
        QTest::newRow("quick start, nothing opens it") << HelpRow{guide, sd011, true, false, none};
        QTest::newRow("examples, nothing opens them") << HelpRow{examples, "examples", false, false, none};
    }

    void helpAndExamples()
    {
        const auto [action, target, present, desktopOpens, warning] = TestSupport::row<HelpRow>();
        MainWindowProbe probe = newWindow();
        const QString path = probe.basePath() + QDir::separator() + QDir::toNativeSeparators(target);
        if (present) {
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QVERIFY(TestSupport::writeFile(path, QByteArray()));
        }
        if (!desktopOpens)
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        const auto answered = TestSupport::answer(QMessageBox::Ok);
        window->findChild<QAction *>(action)->trigger();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
        const QString outcome = answered->seen ? answered->text + '|' + answered->informativeText
                                               : QStringLiteral("opened ") + QDir::toNativeSeparators(
                                                     desktop.opened.value(0).toLocalFile());
        QVERIFY2(warning.isEmpty() ? outcome == "opened " + path : outcome.contains(warning.arg(path)), qPrintable(outcome));
        QCOMPARE(desktop.opened.size(), int(warning.isEmpty()));
    }

    void settingsApplied_data()
    {
        QTest::addColumn<int>("dialogButton");
        QTest::addColumn<QString>("applied");
        // What a start finds stored is brought into range, the console's font
        // applied from the start.
        QTest::newRow("stored at start") << int(QDialogButtonBox::NoButton) << "Courier New 30, 8, tab 20, /opt/my make/make";
        QTest::newRow("OK applies at once") << int(QDialogButtonBox::Ok) << "Courier New 16, 12, tab 2, gmake";
        QTest::newRow("Cancel applies nothing") << int(QDialogButtonBox::Cancel) << "Courier New 10, 9, tab 4, make";
    }

    void settingsApplied()
    {
        QFETCH(int, dialogButton);
        QFETCH(QString, applied);
        if (dialogButton == QDialogButtonBox::NoButton) {
            QSettings settings;
            settings.setValue(QStringLiteral("EditorFontSize"), 100000);
            settings.setValue(QStringLiteral("EditorTabSize"), 2147483647);
            settings.setValue(QStringLiteral("ConsoleFontSize"), 1);
            settings.setValue(QStringLiteral("MakePath"), QStringLiteral("/opt/my make/make"));
        }
        MainWindowProbe probe = newWindow();
        if (dialogButton != QDialogButtonBox::NoButton) {
            bool shown = false;
            TestSupport::whenModal<QDialog>(
                [dialogButton](QDialog *dialog) {
                    dialog->findChild<QSpinBox *>(QStringLiteral("spinEditorFntSize"))->setValue(16);
                    dialog->findChild<QSpinBox *>(QStringLiteral("spinConsoleFntSize"))->setValue(12);
                    dialog->findChild<QSpinBox *>(QStringLiteral("spinEditorTabSize"))->setValue(2);
                    dialog->findChild<QLineEdit *>(QStringLiteral("textMakePath"))->setText(QStringLiteral("gmake"));
                    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::StandardButton(dialogButton))->click();
                },
                &shown);
            probe.action("actionSettings")->trigger();
            QVERIFY(shown);
        }
        const QFont editor = probe.editor()->font();
        const qreal space = QFontMetrics(editor).horizontalAdvance(QLatin1Char(' '));
        QCOMPARE(QStringLiteral("%1 %2, %3, tab %4, %5").arg(editor.family()).arg(editor.pointSize())
                     .arg(probe.console()->document()->defaultFont().pointSize())
                     .arg(probe.editor()->tabStopDistance() / space).arg(probe.makePath()),
                 applied);
        QCOMPARE(probe.console()->document()->defaultFont().family(), editor.family());
    }

private:
    MainWindowProbe newWindow(bool shown = false)
    {
        window.reset(new MainWindow);
        if (shown) {
            window->show();
            if (!QTest::qWaitForWindowExposed(window.get()))
                qWarning("The window was not exposed");
        }
        return MainWindowProbe(*window);
    }

    QTemporaryDir root;
    std::unique_ptr<MainWindow> window;
    UrlRecorder desktop;
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
