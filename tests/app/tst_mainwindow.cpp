#include "mainwindowuser.h"
#include "settingsstore.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
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

using namespace WindowUser;

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
        discard(window);
        QDir(root.filePath(QStringLiteral("doc"))).removeRecursively();
    }

    // A first start: no file, the Open dialog in the examples beside the
    // program's folder, every tool bar button with its picture and the
    // board selector at the bar's right end.
    void freshWindow()
    {
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("examples")));
        MainWindow &w = newWindow(true);
        QCOMPARE(seen(w), QStringLiteral("VESTRA |  | "));
        QString startFolder;
        TestSupport::whenModal<QFileDialog>([&startFolder](QFileDialog *dialog) {
            startFolder = dialog->directory().absolutePath();
            dialog->reject();
        });
        action(w, "actionSelect_Example_Project")->trigger();
        QCOMPARE(startFolder, QDir(root.path()).absolutePath() + "/examples");
        auto *bar = w.findChild<QToolBar *>(QStringLiteral("mainToolBar"));
        for (QAction *action : bar->actions()) {
            if (!action->isSeparator() && !qobject_cast<QWidgetAction *>(action))
                QVERIFY2(!action->icon().pixmap(48, 48).isNull(), qPrintable(action->text()));
        }
        const int right = boards(w)->mapTo(bar, QPoint(boards(w)->width() - 1, 0)).x();
        QVERIFY2(bar->width() - right < 30, qPrintable(QStringLiteral("%1 of %2").arg(right).arg(bar->width())));
    }

    // File > Examples lists the examples beside the program's folder and
    // opens the one chosen, after the question about unsaved edits.
    void examplesMenu()
    {
        const QString folder = root.filePath(QStringLiteral("examples/blink"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(TestSupport::writeFile(folder + "/Makefile", "all:\n"));
        QVERIFY(TestSupport::writeFile(folder + "/blink.c", "int blink;\n"));
        MainWindow &w = newWindow(true);
        auto *menu = w.findChild<QMenu *>(QStringLiteral("menuExamples"));
        QVERIFY(QMetaObject::invokeMethod(menu, "aboutToShow"));
        QStringList names;
        for (QAction *entry : menu->actions())
            names << entry->text();
        QCOMPARE(names, QStringList{"blink"});
        editor(w)->setPlainText(QStringLiteral("mine"));
        editor(w)->document()->setModified(true);
        const auto question = TestSupport::answer(QMessageBox::Discard);
        menu->actions().first()->trigger();
        QVERIFY(question->seen);
        QCOMPARE(editor(w)->toPlainText(), QStringLiteral("int blink;\n"));
        QDir(root.filePath(QStringLiteral("examples"))).removeRecursively();
    }

    // The numbers are as big as the text and stand on its baseline.
    void gutterFollowsEditorFont()
    {
        QSettings().setValue(QStringLiteral("EditorFontSize"), 20);
        MainWindow &w = newWindow(true);
        // Away from the first line, whose band would tint the digit.
        editor(w)->setPlainText(QStringLiteral("1\n\n"));
        editor(w)->moveCursor(QTextCursor::End);
        editor(w)->verticalScrollBar()->setValue(0);
        const auto children = editor(w)->findChildren<QWidget *>();
        const auto gutter = std::find_if(children.cbegin(), children.cend(),
                                         [](QWidget *child) { return dynamic_cast<LineNumberArea *>(child); });
        QVERIFY(gutter != children.cend());
        const int lineHeight = QFontMetrics(editor(w)->font()).height() + 4;
        const QPair<int, int> number = inkRows((*gutter)->grab().toImage(), lineHeight);
        const QPair<int, int> text = inkRows(editor(w)->viewport()->grab().toImage(), lineHeight);
        QVERIFY(text.first >= 0 && number.first >= 0);
        QVERIFY2(qAbs(number.first - text.first) <= 1 && qAbs(number.second - text.second) <= 1,
                 qPrintable(QStringLiteral("%1-%2 %3-%4").arg(number.first).arg(number.second).arg(text.first).arg(text.second)));
    }

    // Ctrl+F and Find show the field with the focus in it; Escape in the
    // field or the editor, or Find again, hide both widgets. Hiding must not
    // leave the focus where a letter changes the board.
    void searchFieldShowsAndHides()
    {
        MainWindow &w = newWindow(true);
        auto *searchField = w.findChild<QSearchField *>(QStringLiteral("searchField"));
        auto *caseSensitive = w.findChild<QCheckBox *>(QStringLiteral("caseSensitiveCheckBox"));
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        boards(w)->addItems({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        // 1: both shown, 0: both hidden, -1: one of each.
        const auto shown = [&]() {
            const bool field = searchField->isVisibleTo(&w);
            return field == caseSensitive->isVisibleTo(&w) ? int(field) : -1;
        };
        QVERIFY(!searchField->isVisible() && !caseSensitive->isVisible());
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        QTRY_COMPARE(shown(), 1);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(searchField));
        QTest::keyClick(searchField, Qt::Key_Escape);
        QTRY_COMPARE(shown(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(editor(w)));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B);
        QCOMPARE(boards(w)->currentIndex(), 0);

        action(w, "actionFind")->trigger();
        QTRY_COMPARE(shown(), 1);
        for (int escapes = 0; escapes < 2; ++escapes) {
            QTest::keyClick(editor(w), Qt::Key_Escape);
            QTRY_COMPARE(shown(), 0);
        }
        action(w, "actionFind")->trigger();
        action(w, "actionFind")->trigger();
        QTRY_COMPARE(shown(), 0);
    }

    // Return and the keypad Enter in the field search, the case box
    // counts; where a search lands is the text search's rule.
    void search()
    {
        MainWindow &w = newWindow();
        auto *searchField = w.findChild<QSearchField *>(QStringLiteral("searchField"));
        editor(w)->setPlainText(QStringLiteral("alpha Beta\nbeta gamma\nonce"));
        QTextCursor cursor = editor(w)->textCursor();
        cursor.setPosition(8);
        editor(w)->setTextCursor(cursor);
        action(w, "actionFind")->trigger();
        searchField->setText(QStringLiteral("Beta"));
        QTest::keyClick(searchField, Qt::Key_Return);
        QCOMPARE(editor(w)->textCursor().selectionStart(), 11);
        w.findChild<QCheckBox *>(QStringLiteral("caseSensitiveCheckBox"))->setChecked(true);
        QTest::keyClick(searchField, Qt::Key_Enter);
        QCOMPARE(editor(w)->textCursor().selectionStart(), 6);
        // Shift+Return and Shift+F3 go back; F3 on.
        searchField->setText(QStringLiteral("a"));
        QTest::keyClick(searchField, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(editor(w)->textCursor().selectionStart(), 4);
        action(w, "actionFind_Previous")->trigger();
        QCOMPARE(editor(w)->textCursor().selectionStart(), 0);
        action(w, "actionFind_Next")->trigger();
        QCOMPARE(editor(w)->textCursor().selectionStart(), 4);
        searchField->setText(QStringLiteral("delta"));
        QTest::keyClick(searchField, Qt::Key_Return);
        QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("'delta' not found"));
    }

    // The status bar shows where the cursor is and the board chosen; Go to
    // Line takes a line, or a line and column, brought into the text.
    void whereYouAre_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a line") << "2" << "Line 2, Column 1";
        QTest::newRow("a line and column") << "3:3" << "Line 3, Column 3";
        QTest::newRow("past the end") << "40:99" << "Line 3, Column 5";
        QTest::newRow("no number: the cursor stays") << "x" << "Line 1, Column 3";
    }

    void whereYouAre()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        MainWindow &w = newWindow();
        editor(w)->setPlainText(QStringLiteral("alpha\nbeta\nonce"));
        QTextCursor cursor = editor(w)->textCursor();
        cursor.setPosition(2);
        editor(w)->setTextCursor(cursor);
        boards(w)->addItems({QStringLiteral("TH100"), QStringLiteral("TH200")});
        boards(w)->setCurrentIndex(1);
        auto *position = w.findChild<QLabel *>(QStringLiteral("positionLabel"));
        QCOMPARE(position->text(), QStringLiteral("Line 1, Column 3"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("boardLabel"))->text(), QStringLiteral("Board: TH200"));
        bool asked = false;
        TestSupport::whenModal<QInputDialog>(
            [typed](QInputDialog *dialog) {
                dialog->setTextValue(typed);
                dialog->accept();
            },
            &asked);
        action(w, "actionGo_to_Line")->trigger();
        QVERIFY(asked);
        QCOMPARE(position->text(), shown);
    }

    void helpAndExamples_data()
    {
        QTest::addColumn<QString>("actionName");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("desktopOpens");
        QTest::addColumn<QString>("warning");
        const QString reference = "actionReference_Documentation";
        const QString guide = "actionCodeEditor_quick_start_guide";
        const QString examples = "actionGoTo_Examples_Folder";
        const QString sd001 = "doc/KVQ-VESTRA-SD001.pdf";
        const QString sd011 = "doc/KVQ-VESTRA-SD011.pdf";
        const QString none = "No application could open '%1'";
        QTest::newRow("reference") << QString(reference) << QString(sd001) << true << true << "";
        QTest::newRow("quick start") << QString(guide) << QString(sd011) << true << true << "";
        QTest::newRow("examples folder") << QString(examples) << "examples" << false << true << "";
        QTest::newRow("reference missing") << QString(reference) << QString(sd001) << false << true << "Missing Reference Documentation.|Cannot find the reference document '%1' !";
        // A desktop without a PDF viewer, or any file manager.
        QTest::newRow("reference, nothing opens it") << QString(reference) << QString(sd001) << true << false << QString(none);
        QTest::newRow("quick start, nothing opens it") << QString(guide) << QString(sd011) << true << false << QString(none);
        QTest::newRow("examples, nothing opens them") << QString(examples) << "examples" << false << false << QString(none);
    }

    void helpAndExamples()
    {
        QFETCH(QString, actionName);
        QFETCH(QString, target);
        QFETCH(bool, present);
        QFETCH(bool, desktopOpens);
        QFETCH(QString, warning);
        newWindow();
        const QString path = QDir::toNativeSeparators(QDir(root.path()).absolutePath() + '/' + target);
        if (present) {
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QVERIFY(TestSupport::writeFile(path, QByteArray()));
        }
        if (!desktopOpens)
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        const auto answered = TestSupport::answer(QMessageBox::Ok);
        window->findChild<QAction *>(actionName)->trigger();
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
        // What a start finds stored is applied from the start, the console's
        // font too (the sizes brought into range are the settings' own rule).
        QTest::newRow("stored at start") << int(QDialogButtonBox::NoButton) << "Courier New 14, 11, tab 8, /opt/my make/make";
        QTest::newRow("OK applies at once") << int(QDialogButtonBox::Ok) << "Courier New 16, 12, tab 2, gmake";
        QTest::newRow("Cancel applies nothing") << int(QDialogButtonBox::Cancel) << "Courier New 10, 9, tab 4, make";
    }

    void settingsApplied()
    {
        QFETCH(int, dialogButton);
        QFETCH(QString, applied);
        if (dialogButton == QDialogButtonBox::NoButton) {
            QSettings settings;
            settings.setValue(QStringLiteral("EditorFontSize"), 14);
            settings.setValue(QStringLiteral("EditorTabSize"), 8);
            settings.setValue(QStringLiteral("ConsoleFontSize"), 11);
            settings.setValue(QStringLiteral("MakePath"), QStringLiteral("/opt/my make/make"));
        }
        MainWindow &w = newWindow();
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
            action(w, "actionSettings")->trigger();
            QVERIFY(shown);
        }
        // The make tried shows in the console when none can be started, with
        // what it was given.
        QVERIFY(TestSupport::writeFile(root.filePath(QStringLiteral("demo.c")), "int x;\n"));
        w.loadSourceFile(root.filePath(QStringLiteral("demo.c")));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(root.filePath(QStringLiteral("empty-bin"))));
        action(w, "actionBuild")->trigger();
        qputenv("PATH", path);
        QTRY_VERIFY(settled(w) && console(w)->toPlainText().contains("Command executed: "));
        const QStringList lines = console(w)->toPlainText().split('\n');
        const QString make = lines.value(lines.size() - 3).section("Command executed: ", 1);
        QCOMPARE(lines.mid(lines.size() - 2), (QStringList{"Arguments: CARTRIX_BOARD=<Default> all ",
                                                           "Working directory: " + QDir(root.path()).absolutePath()}));

        const QFont font = editor(w)->font();
        const qreal space = QFontMetrics(font).horizontalAdvance(QLatin1Char(' '));
        QCOMPARE(QStringLiteral("%1 %2, %3, tab %4, %5").arg(font.family()).arg(font.pointSize())
                     .arg(console(w)->document()->defaultFont().pointSize())
                     .arg(editor(w)->tabStopDistance() / space).arg(make),
                 applied);
        QCOMPARE(console(w)->document()->defaultFont().family(), font.family());
    }

private:
    MainWindow &newWindow(bool shown = false)
    {
        window.reset(new MainWindow);
        if (shown) {
            window->show();
            if (!QTest::qWaitForWindowExposed(window.get()))
                qWarning("The window was not exposed");
        }
        return *window;
    }

    QTemporaryDir root;
    std::unique_ptr<MainWindow> window;
    UrlRecorder desktop;
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
