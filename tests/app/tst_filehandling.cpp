#include "childprocess.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(bytes);
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList comboItems(QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QString storedString(const char *key)
{
    return QSettings().value(QLatin1String(key)).toString();
}

} // namespace

class tst_FileHandling : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::isolateSettings();
        dir.reset(new QTemporaryDir);
        QVERIFY(dir->isValid());
    }

    void cleanup()
    {
        TestSupport::dropPendingAnswers();
        if (window)
            window->findChild<VESTRACodeEditor *>()->document()->setModified(false);
        window.reset();
        dir.reset();
    }

    void projectNameAndTitle_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("project");
        QTest::newRow("one dot") << "blink.c" << "blink";
        QTest::newRow("several dots") << "blink.v2.test.c" << "blink";
        QTest::newRow("no dot") << "Blinky" << "Blinky";
        QTest::newRow("leading dot") << ".hidden.c" << "";
        QTest::newRow("blanks") << "my demo.cpp" << "my demo";
    }

    void projectNameAndTitle()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, project);
        const QString path = dir->filePath(fileName);
        writeBytes(path, "x\n");
        MainWindow &w = newWindow();
        w.loadSourceFile(path);
        MainWindowProbe probe(w);
        QCOMPARE(probe.projectName(), project);
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - ") + project);
        QCOMPARE(probe.currentFilePath(), path);
        QCOMPARE(probe.lastWorkingDirectory(), QFileInfo(dir->path()).absoluteFilePath());
    }

    void loadStoresKeysAndFillsBoards()
    {
        const QString path = makeExample(QStringLiteral("demo"), "#VCE_Board_Definitions: A; B C");
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        QVERIFY(probe.fileLoaded());
        QCOMPARE(storedString("LastLoadedFile"), path);
        QCOMPARE(storedString("LastWorkingDirectory"), QFileInfo(path).absolutePath());
        QCOMPARE(comboItems(probe.boards()), (QStringList{"A", "B C"}));
        QCOMPARE(probe.boards()->currentIndex(), 0);
        QCOMPARE(probe.editor()->toPlainText(), QStringLiteral("int main(void) { return 0; }\n"));
        QVERIFY(!probe.editor()->document()->isModified());
        QVERIFY(!probe.editor()->document()->isUndoAvailable());
    }

    void loadMissingFileChangesNothing()
    {
        const QString path = makeExample(QStringLiteral("demo"), "#VCE_Board_Definitions: A");
        MainWindow &w = newWindow();
        w.loadSourceFile(path);
        w.loadSourceFile(dir->filePath(QStringLiteral("nothing.c")));
        w.loadSourceFile(dir->path()); // a folder is no source file either
        MainWindowProbe probe(w);
        QCOMPARE(probe.currentFilePath(), path);
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - demo"));
        QCOMPARE(comboItems(probe.boards()), QStringList{"A"});
    }

    void boardsFollowTheLoadedFolder()
    {
        const QString withBoards = makeExample(QStringLiteral("one"), "#VCE_Board_Definitions: X;Y");
        const QString without = makeExample(QStringLiteral("two"), QByteArray());
        const QString markerOnly = makeExample(QStringLiteral("three"), "#VCE_Board_Definitions");
        const QString shell = makeExample(QStringLiteral("four"),
                                          "#VCE_Board_Definitions: $(rm -rf /); \"a b\"; it's");
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(withBoards);
        QCOMPARE(comboItems(probe.boards()), (QStringList{"X", "Y"}));
        w.loadSourceFile(without);
        QCOMPARE(comboItems(probe.boards()), QStringList{"<Default>"});
        w.loadSourceFile(markerOnly);
        QCOMPARE(comboItems(probe.boards()), QStringList{});
        w.loadSourceFile(shell);
        QCOMPARE(comboItems(probe.boards()), (QStringList{"$(rm -rf /)", "\"a b\"", "it's"}));
    }

    void modifiedMarkFollowsEdits()
    {
        const QString path = makeExample(QStringLiteral("demo"), QByteArray());
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        QTest::keyClicks(probe.editor(), QStringLiteral("x"));
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - demo *"));
        probe.editor()->undo();
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - demo"));
        QTest::keyClicks(probe.editor(), QStringLiteral("y"));
        probe.save();
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - demo"));
        QCOMPARE(readBytes(path), QByteArray("yint main(void) { return 0; }\n"));
    }

    void savedAsRead_data()
    {
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("CR LF in, LF out") << QByteArray("a\r\nb\r\n") << "a\nb\n" << "c" << QByteArray("ca\nb\n");
        const QByteArray utf8("// 25 \xc2\xb0""C every 10 \xc2\xb5s, Gr\xc3\xbc\xc3\x9f""e\n");
        QTest::newRow("UTF-8 whatever the locale") << utf8 << QString::fromUtf8(utf8) << QStringLiteral("\u00e4")
                                                   << QByteArray("\xc3\xa4") + utf8;
    }

    // What is shown is the file as UTF-8 with LF line ends, and what is saved
    // is the text as shown, in UTF-8, even under a locale that is not.
    void savedAsRead()
    {
        QFETCH(QByteArray, onDisk);
        QFETCH(QString, shown);
        QFETCH(QString, typed);
        QFETCH(QByteArray, saved);
        const QString path = makeExample(QStringLiteral("demo"), QByteArray(), onDisk);
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        QCOMPARE(probe.editor()->toPlainText(), shown);
        QTextCodec *localeCodec = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        probe.editor()->textCursor().insertText(typed);
        probe.save();
        QTextCodec::setCodecForLocale(localeCodec);
        QCOMPARE(readBytes(path), saved);
        w.loadSourceFile(path);
        QCOMPARE(probe.editor()->toPlainText(), typed + shown);
    }

    void saveUnmodifiedWritesNothing()
    {
        const QString path = makeExample(QStringLiteral("demo"), QByteArray());
        MainWindow &w = newWindow();
        w.loadSourceFile(path);
        writeBytes(path, "changed on disk\n");
        MainWindowProbe(w).save();
        QCOMPARE(readBytes(path), QByteArray("changed on disk\n"));
    }

    void saveFailureKeepsEdits_data()
    {
        QTest::addColumn<bool>("folderAtPath");
        QTest::newRow("folder removed") << false;
        QTest::newRow("a folder took the file's place") << true;
    }

    void saveFailureKeepsEdits()
    {
        QFETCH(bool, folderAtPath);
        const QString path = makeExample(QStringLiteral("demo"), QByteArray());
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        QTest::keyClicks(probe.editor(), QStringLiteral("edit"));
        QVERIFY(QFile::remove(path));
        if (folderAtPath)
            QVERIFY(QDir().mkdir(path));
        else
            QVERIFY(QDir(QFileInfo(path).absolutePath()).removeRecursively());

        bool warned = false;
        QString text;
        QString informative;
        TestSupport::pressButton(QMessageBox::Ok, &warned, &text, &informative);
        probe.save();
        QVERIFY(warned);
        QCOMPARE(text, QStringLiteral("The source file could not be saved."));
        QVERIFY2(informative.contains(QDir::toNativeSeparators(path)), qPrintable(informative));
        QVERIFY(probe.editor()->document()->isModified());
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - demo *"));
    }

    void saveOverFileSizeLimit_data()
    {
        QTest::addColumn<int>("size");
        // Qt writes through a 16 KiB buffer: below it the bytes reach the disk
        // only at commit time, above it during the writes.
        QTest::newRow("below the write buffer") << 4000;
        QTest::newRow("above the write buffer") << 40000;
    }

    void saveOverFileSizeLimit()
    {
#ifndef Q_OS_UNIX
        QSKIP("File size limits are a Unix feature");
#else
        QFETCH(int, size);
        // What the program does at start-up; without it the limit would end
        // this test with SIGXFSZ.
        keepRunningAtFileSizeLimit();
        const QByteArray original(1000, 'o');
        const QString path = makeExample(QStringLiteral("demo"), QByteArray(), original);
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        probe.editor()->textCursor().insertText(QString(size, QLatin1Char('x')));

        bool warned = false;
        QString informative;
        TestSupport::pressButton(QMessageBox::Ok, &warned, nullptr, &informative);
        {
            const TestSupport::FileSizeLimit limit(2048);
            probe.save();
        }
        QVERIFY(warned);
        QVERIFY2(informative.contains(QDir::toNativeSeparators(path)), qPrintable(informative));
        QVERIFY2(informative.contains(QStringLiteral("File too large")), qPrintable(informative));
        QCOMPARE(readBytes(path), original);
        QVERIFY(probe.editor()->document()->isModified());
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - demo *"));
        // No temporary file is left behind.
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files), QStringList{QStringLiteral("demo.c")});
#endif
    }

    // A real full file system where the machine lets the test make one (a small
    // memory file system needs the superuser).
    void saveOnFullDisk()
    {
#ifndef Q_OS_LINUX
        QSKIP("Mounts a Linux memory file system");
#else
        QTemporaryDir disk;
        const auto run = [](const QString &program, const QStringList &arguments) {
            QProcess process;
            process.start(program, arguments);
            return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
                   && process.exitCode() == 0;
        };
        if (::geteuid() != 0 || !run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=16k", "tmpfs", disk.path()}))
            QSKIP("No small file system can be made here");
        const auto unmount = qScopeGuard([&]() { run(QStringLiteral("umount"), {disk.path()}); });
        const QString path = disk.filePath(QStringLiteral("demo.c"));
        const QByteArray original(1000, 'o');
        writeBytes(path, original);
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        probe.editor()->textCursor().insertText(QString(40000, QLatin1Char('x')));
        bool warned = false;
        QString informative;
        TestSupport::pressButton(QMessageBox::Ok, &warned, nullptr, &informative);
        probe.save();
        QVERIFY(warned);
        QVERIFY2(informative.contains(QStringLiteral("No space left on device")), qPrintable(informative));
        QCOMPARE(readBytes(path), original);
        QVERIFY(probe.editor()->document()->isModified());
#endif
    }

    void saveAsMovesToNewFile()
    {
        const QString path = makeExample(QStringLiteral("demo"), "#VCE_Board_Definitions: A");
        QDir().mkpath(dir->filePath(QStringLiteral("other")));
        const QString target = dir->filePath(QStringLiteral("other/copy.v2.c"));
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        QTest::keyClicks(probe.editor(), QStringLiteral("z"));

        bool asked = false;
        TestSupport::chooseFile(target, &asked);
        probe.saveAs();
        QVERIFY(asked);
        QCOMPARE(readBytes(target), QByteArray("zint main(void) { return 0; }\n"));
        QCOMPARE(readBytes(path), QByteArray("int main(void) { return 0; }\n"));
        QCOMPARE(probe.currentFilePath(), target);
        QCOMPARE(probe.projectName(), QStringLiteral("copy"));
        QCOMPARE(probe.lastWorkingDirectory(), dir->filePath(QStringLiteral("other")));
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - copy"));
        QVERIFY(!probe.editor()->document()->isModified());
        QCOMPARE(storedString("LastWorkingDirectory"), dir->filePath(QStringLiteral("other")));
        // The next start still reopens the file that was loaded, and the boards
        // stay those of its folder.
        QCOMPARE(storedString("LastLoadedFile"), path);
        QCOMPARE(comboItems(probe.boards()), QStringList{"A"});
    }

    void saveAsFailureChangesNothing()
    {
        const QString path = makeExample(QStringLiteral("demo"), QByteArray());
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        QTest::keyClicks(probe.editor(), QStringLiteral("z"));
        const QString storedFolder = storedString("LastWorkingDirectory");

        const QString target = dir->filePath(QStringLiteral("no-such-folder/new.c"));
        TestSupport::chooseFile(target);
        bool warned = false;
        QTimer::singleShot(0, [&warned]() {
            // The file dialog comes first; the warning follows it.
            TestSupport::pressButton(QMessageBox::Ok, &warned);
        });
        probe.saveAs();
        QTRY_VERIFY(warned);
        QCOMPARE(probe.currentFilePath(), path);
        QCOMPARE(probe.projectName(), QStringLiteral("demo"));
        QCOMPARE(probe.lastWorkingDirectory(), QFileInfo(path).absolutePath());
        QCOMPARE(storedString("LastWorkingDirectory"), storedFolder);
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - demo *"));
        QVERIFY(probe.editor()->document()->isModified());
    }

    void saveAsCancelled()
    {
        const QString path = makeExample(QStringLiteral("demo"), QByteArray());
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        QTest::keyClicks(probe.editor(), QStringLiteral("z"));
        bool asked = false;
        TestSupport::cancelFileDialog(&asked);
        probe.saveAs();
        QVERIFY(asked);
        QCOMPARE(probe.currentFilePath(), path);
        QVERIFY(probe.editor()->document()->isModified());
    }

    void saveBeforeAnyFileDoesNothing()
    {
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        QTest::keyClicks(probe.editor(), QStringLiteral("draft"));
        bool asked = false;
        TestSupport::cancelFileDialog(&asked);
        probe.save();
        probe.saveAs();
        QTest::qWait(20);
        QVERIFY(!asked);
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA *"));
    }

    void openWhileModified_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QByteArray>("firstOnDisk");
        QTest::newRow("save") << int(QMessageBox::Save) << true << QByteArray("editone\n");
        QTest::newRow("discard") << int(QMessageBox::Discard) << true << QByteArray("one\n");
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << QByteArray("one\n");
    }

    void openWhileModified()
    {
        QFETCH(int, answer);
        QFETCH(bool, opens);
        QFETCH(QByteArray, firstOnDisk);
        const QString first = makeExample(QStringLiteral("first"), QByteArray(), "one\n");
        const QString second = makeExample(QStringLiteral("second"), QByteArray(), "two\n");
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(first);
        QTest::keyClicks(probe.editor(), QStringLiteral("edit"));

        TestSupport::chooseFile(second);
        bool prompted = false;
        QTimer::singleShot(0, [&prompted, answer]() {
            TestSupport::pressButton(QMessageBox::StandardButton(answer), &prompted);
        });
        probe.openExample();
        QVERIFY(prompted);
        QCOMPARE(readBytes(first), firstOnDisk);
        QCOMPARE(probe.currentFilePath(), opens ? second : first);
        QCOMPARE(probe.editor()->toPlainText(), opens ? QStringLiteral("two\n") : QStringLiteral("editone\n"));
        QCOMPARE(probe.editor()->document()->isModified(), !opens);
    }

    void openCancelledAsksNothing()
    {
        const QString first = makeExample(QStringLiteral("first"), QByteArray(), "one\n");
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(first);
        QTest::keyClicks(probe.editor(), QStringLiteral("edit"));
        TestSupport::cancelFileDialog();
        bool prompted = false;
        QTimer::singleShot(0, [&prompted]() { TestSupport::pressButton(QMessageBox::Discard, &prompted); });
        probe.openExample();
        QTest::qWait(20);
        QVERIFY(!prompted);
        QCOMPARE(probe.editor()->toPlainText(), QStringLiteral("editone\n"));
    }

    void promptSaveFailureCancelsClose()
    {
        const QString path = makeExample(QStringLiteral("demo"), QByteArray());
        MainWindow &w = newWindow();
        w.show();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        QTest::keyClicks(probe.editor(), QStringLiteral("keep me"));
        QVERIFY(QDir(QFileInfo(path).absolutePath()).removeRecursively());

        bool prompted = false;
        bool warned = false;
        TestSupport::pressButton(QMessageBox::Save, &prompted);
        QTimer::singleShot(0, [&warned]() { TestSupport::pressButton(QMessageBox::Ok, &warned); });
        QVERIFY(!w.close());
        QVERIFY(prompted);
        QVERIFY(warned);
        QVERIFY(w.isVisible());
        QVERIFY(probe.editor()->toPlainText().startsWith(QStringLiteral("keep me")));
    }

    void zeroByteWarns()
    {
        const QString path = makeExample(QStringLiteral("demo"), QByteArray(), QByteArray("int a;\n\0tail\n", 13));
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        bool warned = false;
        QString informative;
        TestSupport::pressButton(QMessageBox::Ok, &warned, nullptr, &informative);
        w.loadSourceFile(path);
        QVERIFY(warned);
        QVERIFY(informative.contains(QStringLiteral("not shown")));
        QVERIFY(informative.contains(QStringLiteral("drop")));
        QCOMPARE(probe.editor()->toPlainText(), QStringLiteral("int a;\n"));
    }

    void lastFileReopenedAtStart()
    {
        const QString path = makeExample(QStringLiteral("demo"), "#VCE_Board_Definitions: Q");
        newWindow().loadSourceFile(path);
        MainWindow &again = newWindow();
        MainWindowProbe probe(again);
        QCOMPARE(probe.currentFilePath(), path);
        QCOMPARE(again.windowTitle(), QStringLiteral("VESTRA - demo"));
        QCOMPARE(comboItems(probe.boards()), QStringList{"Q"});
        QVERIFY(!probe.editor()->document()->isModified());
    }

    void missingLastFileIgnored()
    {
        QSettings().setValue(QStringLiteral("LastLoadedFile"), dir->filePath(QStringLiteral("gone.c")));
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA"));
        QVERIFY(!probe.fileLoaded());
        QCOMPARE(probe.boards()->count(), 0);
        QVERIFY(probe.editor()->toPlainText().isEmpty());
    }

    void laterApplySettingsKeepsShownFile()
    {
        const QString path = makeExample(QStringLiteral("demo"), QByteArray());
        const QString target = dir->filePath(QStringLiteral("renamed.c"));
        MainWindow &w = newWindow();
        MainWindowProbe probe(w);
        w.loadSourceFile(path);
        TestSupport::chooseFile(target);
        probe.saveAs();
        QCOMPARE(probe.currentFilePath(), target);

        w.applySettings();
        QCOMPARE(probe.currentFilePath(), target);
        QCOMPARE(probe.lastWorkingDirectory(), QFileInfo(target).absolutePath());
    }

private:
    // A folder with a Makefile and a source file, like a bundled example.
    QString makeExample(const QString &name, const QByteArray &boardLine, const QByteArray &source = "int main(void) { return 0; }\n")
    {
        const QString folder = dir->filePath(name);
        QDir().mkpath(folder);
        if (!boardLine.isNull())
            writeBytes(folder + QStringLiteral("/Makefile"), "all:\n\tcc x.c\n" + boardLine + "\n");
        const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".c");
        writeBytes(path, source);
        return path;
    }

    MainWindow &newWindow()
    {
        window.reset(new MainWindow);
        return *window;
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
};

QTEST_MAIN(tst_FileHandling)
#include "tst_filehandling.moc"
