#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "testsupport.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>

#include "settingsstore.h"
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWidgetAction>

#include <memory>

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
// The lowest and highest dark rows of the first text line in `image`.
QPair<int, int> inkRows(const QImage &image, int lineHeight)
{
    int first = -1;
    int last = -1;
    for (int y = 0; y < qMin(image.height(), lineHeight); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 100) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}
} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        // The program looks for "examples" and "doc" beside its working folder.
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
        startDir = QDir::currentPath();
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
        TestSupport::dropPendingAnswers();
        if (window)
            window->findChild<VESTRACodeEditor *>()->document()->setModified(false);
        window.reset();
    }

    void startupDefaults()
    {
        window.reset(new MainWindow);
        MainWindowProbe probe(*window);
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA"));
        QCOMPARE(probe.editor()->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(probe.editor()->font().pointSize(), 10);
        QCOMPARE(probe.console()->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(probe.console()->font().pointSize(), 9);
        const int space = QFontMetrics(probe.editor()->font()).horizontalAdvance(QLatin1Char(' '));
        QCOMPARE(probe.editor()->tabStopDistance(), qreal(4 * space));

        const QString base = QFileInfo(root.path()).canonicalFilePath();
        QCOMPARE(QFileInfo(probe.basePath()).canonicalFilePath(), base);
        QCOMPARE(probe.examplesPath(), probe.basePath() + QDir::separator() + "examples");
        QCOMPARE(probe.lastWorkingDirectory(), probe.examplesPath());
        QVERIFY(probe.currentFilePath().isEmpty());
        QVERIFY(!probe.fileLoaded());
        QVERIFY(!probe.editor()->document()->isModified());
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Tarnwell Quorimat"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("VESTRA CodeEditor"));
    }

    // Every tool bar button shows its picture, and the board selector sits at
    // the bar's right end.
    void toolBar()
    {
        window.reset(new MainWindow);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto *bar = window->findChild<QToolBar *>(QStringLiteral("mainToolBar"));
        QVERIFY(bar);
        for (QAction *action : bar->actions()) {
            if (!action->isSeparator() && !qobject_cast<QWidgetAction *>(action))
                QVERIFY2(!action->icon().pixmap(48, 48).isNull(), qPrintable(action->text()));
        }
        MainWindowProbe probe(*window);
        const QRect comboInBar(probe.boards()->mapTo(bar, QPoint(0, 0)), probe.boards()->size());
        QVERIFY2(bar->width() - comboInBar.right() < 30,
                 qPrintable(QStringLiteral("%1 of %2").arg(comboInBar.right()).arg(bar->width())));
    }

    void storedSizesApplied_data()
    {
        QTest::addColumn<QVariant>("editorSize");
        QTest::addColumn<QVariant>("tabSize");
        QTest::addColumn<int>("expectedEditor");
        QTest::addColumn<int>("expectedTab");
        QTest::addColumn<int>("expectedConsole");
        QTest::newRow("chosen values") << QVariant(14) << QVariant(1) << 14 << 1 << 14;
        QTest::newRow("twenty space tab") << QVariant(9) << QVariant(20) << 9 << 20 << 9;
        QTest::newRow("zero falls back") << QVariant(0) << QVariant(0) << 10 << 4 << 9;
        QTest::newRow("text falls back") << QVariant("large") << QVariant("-") << 10 << 4 << 9;
        QTest::newRow("huge values are brought into range") << QVariant(100000) << QVariant(2147483647) << 30 << 20 << 30;
        QTest::newRow("tiny font is brought into range") << QVariant(1) << QVariant(21) << 8 << 20 << 8;
    }

    void storedSizesApplied()
    {
        QFETCH(QVariant, editorSize);
        QFETCH(QVariant, tabSize);
        QFETCH(int, expectedEditor);
        QFETCH(int, expectedTab);
        QFETCH(int, expectedConsole);
        {
            QSettings settings;
            settings.setValue(QStringLiteral("EditorFontSize"), editorSize);
            settings.setValue(QStringLiteral("EditorTabSize"), tabSize);
            settings.setValue(QStringLiteral("ConsoleFontSize"), editorSize);
            settings.setValue(QStringLiteral("MakePath"), QStringLiteral("/opt/my make/make"));
        }
        window.reset(new MainWindow);
        MainWindowProbe probe(*window);
        QCOMPARE(probe.editor()->font().pointSize(), expectedEditor);
        // What the console's text is laid out in, from the start.
        const QFont consoleFont = probe.console()->document()->defaultFont();
        QCOMPARE(consoleFont.family(), QStringLiteral("Courier New"));
        QCOMPARE(consoleFont.pointSize(), expectedConsole);
        const int space = QFontMetrics(probe.editor()->font()).horizontalAdvance(QLatin1Char(' '));
        QCOMPARE(probe.editor()->tabStopDistance(), qreal(expectedTab * space));
        QCOMPARE(probe.makePath(), QStringLiteral("/opt/my make/make"));
    }

    // The numbers are as big as the text and stand on its baseline.
    void gutterFollowsEditorFont()
    {
        QSettings().setValue(QStringLiteral("EditorFontSize"), 20);
        window.reset(new MainWindow);
        window->resize(600, 400);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        MainWindowProbe probe(*window);
        probe.editor()->setPlainText(QStringLiteral("1"));
        // Away from the first line, whose band would tint the digit.
        probe.editor()->appendPlainText(QStringLiteral("\n"));
        probe.editor()->moveCursor(QTextCursor::End);
        probe.editor()->verticalScrollBar()->setValue(0);
        QWidget *gutter = nullptr;
        for (QObject *child : probe.editor()->children()) {
            if (auto *area = dynamic_cast<LineNumberArea *>(child))
                gutter = area;
        }
        QVERIFY(gutter);
        const int lineHeight = QFontMetrics(probe.editor()->font()).height() + 4;
        const QPair<int, int> number = inkRows(gutter->grab().toImage(), lineHeight);
        const QPair<int, int> text = inkRows(probe.editor()->viewport()->grab().toImage(), lineHeight);
        QVERIFY(text.first >= 0 && number.first >= 0);
        QVERIFY2(qAbs(number.first - text.first) <= 1 && qAbs(number.second - text.second) <= 1,
                 qPrintable(QStringLiteral("number %1-%2, text %3-%4")
                                .arg(number.first).arg(number.second).arg(text.first).arg(text.second)));
    }

    // Hiding the field must not leave the focus where a letter changes the board.
    void escapeInSearchFieldFocusesEditor()
    {
        window.reset(new MainWindow);
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        MainWindowProbe probe(*window);
        probe.boards()->addItems({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        probe.action("actionFind")->trigger();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(probe.searchField()));
        QTest::keyClick(probe.searchField(), Qt::Key_Escape);
        QVERIFY(!probe.searchFieldAction()->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(probe.editor()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B);
        QCOMPARE(probe.boards()->currentIndex(), 0);
    }

    void desktopCannotOpen_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("target");
        QTest::newRow("reference") << "actionReference_Documentation" << "doc/KVQ-VESTRA-SD001.pdf";
        QTest::newRow("quick start") << "actionCodeEditor_quick_start_guide" << "doc/KVQ-VESTRA-SD011.pdf";
        QTest::newRow("examples folder") << "actionGoTo_Examples_Folder" << "examples";
    }

    void desktopCannotOpen()
    {
        QFETCH(QString, action);
        QFETCH(QString, target);
        const QString path = root.filePath(target);
        if (target.endsWith(QLatin1String(".pdf"))) {
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QFile pdf(path);
            QVERIFY(pdf.open(QIODevice::WriteOnly));
        }
        // Offscreen, nothing opens anything: a desktop without a PDF viewer.
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        window.reset(new MainWindow);
        bool warned = false;
        QString text;
        TestSupport::pressButton(QMessageBox::Ok, &warned, &text);
        window->findChild<QAction *>(action)->trigger();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
        QDir(root.filePath(QStringLiteral("doc"))).removeRecursively();
        QVERIFY(warned);
        QVERIFY2(text.contains(QStringLiteral("No application could open")), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(target)), qPrintable(text));
    }

    void findTogglesSearchWidgets()
    {
        window.reset(new MainWindow);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        MainWindowProbe probe(*window);
        QVERIFY(!probe.searchField()->isVisible());
        QVERIFY(!probe.caseSensitive()->isVisible());

        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(probe.searchFieldAction()->isVisible());
        QTRY_VERIFY(probe.searchField()->isVisible());
        QTRY_VERIFY(probe.caseSensitive()->isVisible());
        QTRY_VERIFY(probe.searchField()->hasFocus());

        QTest::keyClick(probe.searchField(), Qt::Key_Escape);
        QVERIFY(!probe.searchFieldAction()->isVisible());
        QVERIFY(!probe.caseSensitiveAction()->isVisible());

        probe.action("actionFind")->trigger();
        QVERIFY(probe.searchFieldAction()->isVisible());
        probe.action("actionFind")->trigger();
        QVERIFY(!probe.searchFieldAction()->isVisible());
    }

    void search_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("presses");
        QTest::addColumn<int>("start"); // -1: no selection expected
        QTest::addColumn<int>("end");

        // Text "alpha Beta\nbeta gamma\nonce", cursor at 8 (inside "Beta").
        QTest::newRow("case-insensitive finds other case") << "Beta" << false << int(Qt::Key_Return) << 1 << 11 << 15;
        QTest::newRow("case-sensitive skips other case") << "Beta" << true << int(Qt::Key_Return) << 1 << 6 << 10;
        QTest::newRow("wraps to the first match") << "beta" << false << int(Qt::Key_Return) << 2 << 6 << 10;
        QTest::newRow("only match found again and again") << "once" << false << int(Qt::Key_Return) << 3 << 22 << 26;
        QTest::newRow("keypad Enter searches too") << "gamma" << false << int(Qt::Key_Enter) << 1 << 16 << 21;
        QTest::newRow("no match goes to the start") << "delta" << false << int(Qt::Key_Return) << 1 << -1 << 0;
        QTest::newRow("no match across a line break") << "Beta beta" << false << int(Qt::Key_Return) << 1 << -1 << 0;
        QTest::newRow("empty text leaves the cursor") << "" << false << int(Qt::Key_Return) << 1 << -1 << 8;
    }

    void search()
    {
        QFETCH(QString, needle);
        QFETCH(bool, caseSensitive);
        QFETCH(int, key);
        QFETCH(int, presses);
        QFETCH(int, start);
        QFETCH(int, end);

        window.reset(new MainWindow);
        MainWindowProbe probe(*window);
        probe.editor()->setPlainText(QStringLiteral("alpha Beta\nbeta gamma\nonce"));
        QTextCursor cursor = probe.editor()->textCursor();
        cursor.setPosition(8);
        probe.editor()->setTextCursor(cursor);

        probe.action("actionFind")->trigger();
        probe.searchField()->setText(needle);
        probe.caseSensitive()->setChecked(caseSensitive);
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(probe.searchField(), Qt::Key(key));

        const QTextCursor result = probe.editor()->textCursor();
        if (start < 0) {
            QVERIFY(!result.hasSelection());
            QCOMPARE(result.position(), end);
        } else {
            QCOMPARE(result.selectionStart(), start);
            QCOMPARE(result.selectionEnd(), end);
        }
    }

    void escapeInEditorClosesSearch()
    {
        window.reset(new MainWindow);
        MainWindowProbe probe(*window);
        probe.action("actionFind")->trigger();
        QVERIFY(probe.searchFieldAction()->isVisible());
        QTest::keyClick(probe.editor(), Qt::Key_Escape);
        QVERIFY(!probe.searchFieldAction()->isVisible());
        QVERIFY(!probe.caseSensitiveAction()->isVisible());
        // Again with both already hidden: still nothing shown.
        QTest::keyClick(probe.editor(), Qt::Key_Escape);
        QVERIFY(!probe.searchFieldAction()->isVisible());
    }

    void helpDocuments_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("document");
        QTest::newRow("reference") << "actionReference_Documentation" << "KVQ-VESTRA-SD001.pdf";
        QTest::newRow("quick start") << "actionCodeEditor_quick_start_guide" << "KVQ-VESTRA-SD011.pdf";
    }

    void helpDocuments()
    {
        QFETCH(QString, action);
        QFETCH(QString, document);
        const QString docDir = root.filePath(QStringLiteral("doc"));
        QVERIFY(QDir().mkpath(docDir));
        QFile pdf(docDir + QLatin1Char('/') + document);
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.close();

        window.reset(new MainWindow);
        window->findChild<QAction *>(action)->trigger();
        QCOMPARE(desktop.opened.size(), 1);
        QCOMPARE(QFileInfo(desktop.opened.first().toLocalFile()).canonicalFilePath(),
                 QFileInfo(pdf).canonicalFilePath());
        QVERIFY(QDir(docDir).removeRecursively());
    }

    void missingDocumentWarning()
    {
        window.reset(new MainWindow);
        MainWindowProbe probe(*window);
        bool seen = false;
        QString text;
        QString informative;
        TestSupport::pressButton(QMessageBox::Ok, &seen, &text, &informative);
        probe.action("actionReference_Documentation")->trigger();
        QVERIFY(seen);
        QCOMPARE(text, QStringLiteral("Missing Reference Documentation."));
        const QString path = probe.basePath() + QDir::separator() + "doc" + QDir::separator()
                             + "KVQ-VESTRA-SD001.pdf";
        QCOMPARE(informative, QStringLiteral("Cannot find the reference document '%1' !").arg(path));
        QVERIFY(desktop.opened.isEmpty());
    }

    void examplesFolderOpens()
    {
        window.reset(new MainWindow);
        MainWindowProbe probe(*window);
        probe.action("actionGoTo_Examples_Folder")->trigger();
        QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(probe.examplesPath())});
    }

    void settingsAppliedOnOk_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("OK applies at once") << true;
        QTest::newRow("Cancel applies nothing") << false;
    }

    void settingsAppliedOnOk()
    {
        QFETCH(bool, accept);
        window.reset(new MainWindow);
        MainWindowProbe probe(*window);
        bool shown = false;
        TestSupport::whenModal<QDialog>(
            [accept](QDialog *dialog) {
                dialog->findChild<QSpinBox *>(QStringLiteral("spinEditorFntSize"))->setValue(16);
                dialog->findChild<QSpinBox *>(QStringLiteral("spinConsoleFntSize"))->setValue(12);
                dialog->findChild<QSpinBox *>(QStringLiteral("spinEditorTabSize"))->setValue(2);
                dialog->findChild<QLineEdit *>(QStringLiteral("textMakePath"))->setText(QStringLiteral("gmake"));
                auto *box = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
                box->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            },
            &shown);
        probe.action("actionSettings")->trigger();
        QVERIFY(shown);
        QCOMPARE(probe.editor()->font().pointSize(), accept ? 16 : 10);
        QCOMPARE(probe.console()->font().pointSize(), accept ? 12 : 9);
        const int space = QFontMetrics(probe.editor()->font()).horizontalAdvance(QLatin1Char(' '));
        QCOMPARE(probe.editor()->tabStopDistance(), qreal((accept ? 2 : 4) * space));
        QCOMPARE(probe.makePath(), accept ? QStringLiteral("gmake") : QString::fromLatin1(VestraSettings::DefaultMakePath));
    }

    void closesAtOnceWhenClean()
    {
        window.reset(new MainWindow);
        window->show();
        bool asked = false;
        TestSupport::pressButton(QMessageBox::Cancel, &asked);
        QVERIFY(window->close());
        QTest::qWait(50);
        QVERIFY(!asked);
    }

    void closeAsksWhenModified_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::newRow("cancel keeps the window") << int(QMessageBox::Cancel) << false;
        QTest::newRow("discard closes") << int(QMessageBox::Discard) << true;
    }

    void closeAsksWhenModified()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        window.reset(new MainWindow);
        window->show();
        MainWindowProbe probe(*window);
        QTest::keyClicks(probe.editor(), QStringLiteral("int x;"));
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA *"));

        bool asked = false;
        QString text;
        QString informative;
        TestSupport::pressButton(QMessageBox::StandardButton(answer), &asked, &text, &informative);
        QCOMPARE(window->close(), closes);
        QVERIFY(asked);
        QCOMPARE(text, QStringLiteral("The source file has been modified."));
        QCOMPARE(informative, QStringLiteral("Do you want to save your changes?"));
        QCOMPARE(window->isVisible(), !closes);
    }

private:
    QTemporaryDir root;
    QString startDir;
    std::unique_ptr<MainWindow> window;
    UrlRecorder desktop;
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
