#include "childprocess.h"
#include "mainwindowprobe.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTextCodec>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

const QByteArray Source("int main(void) { return 0; }\n");

QString stored(const char *key)
{
    return QSettings().value(QLatin1String(key)).toString();
}

// Runs a program and tells whether it succeeded.
bool succeeds(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

// File name, Makefile's board line (null: none), what is seen.
VESTRA_TEST_ROW(LoadRow, QString, QByteArray, QString)
// On disk, shown, typed, saved.
VESTRA_TEST_ROW(EncodingRow, QByteArray, QString, QString, QByteArray)
// What the world does to the save, characters typed, the reason given.
VESTRA_TEST_ROW(FailureRow, QString, int, QString)
// How the user leaves the text, the answer to the question, what is seen
// after, the first file's bytes after.
VESTRA_TEST_ROW(LeaveRow, QString, int, QString, QByteArray)

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
        discardWindow(window);
        dir.reset();
    }

    void loadAndReopen_data()
    {
        QTest::addColumn<LoadRow>("row");
        QTest::newRow("two boards") << LoadRow{"blink.c", "#VCE_Board_Definitions: A; B C", "VESTRA - blink | x/ | [A],B C"};
        QTest::newRow("several dots, no Makefile") << LoadRow{"blink.v2.test.c", QByteArray(), "VESTRA - blink | x/ | [<Default>]"};
        QTest::newRow("no dot, marker only") << LoadRow{"Blinky", "#VCE_Board_Definitions", "VESTRA - Blinky | x/ | "};
        QTest::newRow("leading dot") << LoadRow{".hidden.c", "#VCE_Board_Definitions: B", "VESTRA -  | x/ | [B]"};
        QTest::newRow("blanks, shell characters") << LoadRow{"my demo.cpp", "#VCE_Board_Definitions: $(rm -rf /); \"a b\"; it's",
                                                             "VESTRA - my demo | x/ | [$(rm -rf /)],\"a b\",it's"};
    }

    // A load shows the file unmodified, stores where it was, and fills the
    // boards from its folder; a later load of something that is no file
    // changes none of it. The next start reopens the file, unless it has gone.
    void loadAndReopen()
    {
        const auto [fileName, boardLine, expected] = TestSupport::row<LoadRow>();
        const QString path = makeExample(QStringLiteral("demo"), boardLine, "x\n", fileName);
        MainWindowProbe probe = open(makeExample(QStringLiteral("other"), "#VCE_Board_Definitions: Z"));
        for (const QString &next : {path, dir->filePath(QStringLiteral("nothing.c")), dir->path()})
            window->loadSourceFile(next);
        QCOMPARE(probe.seen(), expected);
        QVERIFY(probe.fileLoaded() && !probe.editor()->document()->isUndoAvailable());
        QCOMPARE(probe.currentFilePath(), path);
        QCOMPARE(probe.lastWorkingDirectory(), QFileInfo(path).absolutePath());
        QCOMPARE(stored("LastLoadedFile") + '|' + stored("LastWorkingDirectory"), path + '|' + QFileInfo(path).absolutePath());
        QCOMPARE(MainWindowProbe(newWindow()).seen(), expected);
        QVERIFY(QFile::remove(path));
        MainWindowProbe gone(newWindow());
        QCOMPARE(gone.seen(), QStringLiteral("VESTRA |  | "));
        QVERIFY(!gone.fileLoaded());
    }

#ifdef Q_OS_UNIX
    void pipesAreNeverOpened_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("seen");
        QTest::newRow("the last file, at start-up") << "last file" << "VESTRA |  | ";
        QTest::newRow("the Makefile beside the source") << "Makefile" << "VESTRA - demo | x/ | [<Default>]";
        QTest::newRow("a file opened after another") << "opened" << "VESTRA - demo | x/ | [A]";
    }

    // A pipe blocks whoever opens it for reading until something writes to
    // it; stored as the last file it would keep the editor from ever
    // starting again. None is opened, and what was loaded stays.
    void pipesAreNeverOpened()
    {
        QFETCH(QString, where);
        QFETCH(QString, seen);
        const QString source = makeExample(QStringLiteral("demo"), "#VCE_Board_Definitions: A", "x\n");
        const QString makefile = QFileInfo(source).absolutePath() + QStringLiteral("/Makefile");
        const QString pipePath = where == QLatin1String("Makefile") ? makefile : dir->filePath(QStringLiteral("pipe.c"));
        if (where == QLatin1String("Makefile"))
            QVERIFY(QFile::remove(makefile));
        TestSupport::NamedPipe pipe(pipePath);
        QVERIFY(pipe.isMade());
        if (where == QLatin1String("last file"))
            QSettings().setValue(QStringLiteral("LastLoadedFile"), pipePath);
        MainWindowProbe probe(newWindow());
        if (where != QLatin1String("last file"))
            window->loadSourceFile(source);
        if (where == QLatin1String("opened"))
            window->loadSourceFile(pipePath);
        QCOMPARE(probe.seen(), seen);
        QVERIFY(!pipe.wasOpened());
    }
#endif

    void modifiedMarkFollowsEdits()
    {
        MainWindowProbe probe = openExample();
        // Saving an unmodified file writes nothing.
        writeFile(probe.currentFilePath(), "changed on disk\n");
        probe.save();
        QCOMPARE(readFile(probe.currentFilePath()), QByteArray("changed on disk\n"));
        QTest::keyClicks(probe.editor(), QStringLiteral("x"));
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA - demo *"));
        probe.editor()->undo();
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA - demo"));
        QTest::keyClicks(probe.editor(), QStringLiteral("y"));
        probe.save();
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA - demo"));
        QCOMPARE(readFile(probe.currentFilePath()), "y" + Source);
    }

    void savedAsRead_data()
    {
        QTest::addColumn<EncodingRow>("row");
        QTest::newRow("CR LF in, LF out") << EncodingRow{"a\r\nb\r\n", "a\nb\n", "c", "ca\nb\n"};
        const QByteArray utf8("// 25 \xc2\xb0""C every 10 \xc2\xb5s, Gr\xc3\xbc\xc3\x9f""e\n");
        QTest::newRow("UTF-8 whatever the locale")
            << EncodingRow{utf8, QString::fromUtf8(utf8), QStringLiteral("\u00e4"), "\xc3\xa4" + utf8};
    }

    // What is shown is the file as UTF-8 with LF line ends, and what is saved
    // is the text as shown, in UTF-8, even under a locale that is not.
    void savedAsRead()
    {
        const auto [onDisk, shown, typed, saved] = TestSupport::row<EncodingRow>();
        MainWindowProbe probe = openExample(onDisk);
        QCOMPARE(probe.editor()->toPlainText(), shown);
        QTextCodec *localeCodec = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        probe.editor()->textCursor().insertText(typed);
        probe.save();
        QTextCodec::setCodecForLocale(localeCodec);
        QCOMPARE(readFile(probe.currentFilePath()), saved);
        QCOMPARE(QDir(QFileInfo(probe.currentFilePath()).absolutePath()).entryList(QDir::Files), QStringList{"demo.c"});
        window->loadSourceFile(probe.currentFilePath());
        QCOMPARE(probe.editor()->toPlainText(), typed + shown);
    }

    void saveFailureKeepsEdits_data()
    {
        QTest::addColumn<FailureRow>("row");
        QTest::newRow("folder removed") << FailureRow{"no folder", 4, ""};
        QTest::newRow("a folder took the file's place") << FailureRow{"folder at path", 4, ""};
        // Qt writes through a 16 KiB buffer: below it the bytes reach the disk
        // only at commit time, above it during the writes.
        QTest::newRow("size limit, below the write buffer") << FailureRow{"size limit", 4000, "File too large"};
        QTest::newRow("size limit, above the write buffer") << FailureRow{"size limit", 40000, "File too large"};
        QTest::newRow("full disk") << FailureRow{"full disk", 40000, "No space left on device"};
    }

    // A failed save says why, keeps the edits and the old file as it was,
    // and leaves no temporary file.
    void saveFailureKeepsEdits()
    {
        const auto [world, typed, reason] = TestSupport::row<FailureRow>();
        QTemporaryDir disk;
        std::function<void()> unmount = []() {}; // undoes what the row did to the world
        const auto atEnd = qScopeGuard([&]() { unmount(); });
        QString path;
        if (world == QLatin1String("full disk")) {
            // A real small file system, where the machine lets the test make one.
#ifdef Q_OS_LINUX
            if (::geteuid() != 0 || !succeeds("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", disk.path()}))
#endif
                QSKIP("No small file system can be made here");
            unmount = [&]() { succeeds("umount", {disk.path()}); };
            path = disk.filePath(QStringLiteral("demo.c"));
            writeFile(path, Source);
        } else {
            path = makeExample(QStringLiteral("demo"), QByteArray());
        }
        MainWindowProbe probe = open(path);
        probe.editor()->textCursor().insertText(QString(typed, QLatin1Char('x')));
        if (world == QLatin1String("no folder") || world == QLatin1String("folder at path")) {
            QVERIFY(QDir(QFileInfo(path).absolutePath()).removeRecursively());
            if (world == QLatin1String("folder at path"))
                QVERIFY(QDir().mkpath(path));
        }

        const auto warning = TestSupport::answer(QMessageBox::Ok);
#ifdef Q_OS_UNIX
        // What the program does at start-up; without it the limit would end
        // this test with SIGXFSZ.
        keepRunningAtFileSizeLimit();
        std::optional<TestSupport::FileSizeLimit> limit;
        if (world == QLatin1String("size limit"))
            limit.emplace(2048);
#else
        if (world == QLatin1String("size limit"))
            QSKIP("File size limits are a Unix feature");
#endif
        probe.save();
        QVERIFY(warning->seen);
        QCOMPARE(warning->text, QStringLiteral("The source file could not be saved."));
        const QString why = warning->informativeText;
        QVERIFY2(why.contains(QDir::toNativeSeparators(path)) && why.contains(reason), qPrintable(why));
        QVERIFY(probe.editor()->document()->isModified());
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA - demo *"));
        if (QFileInfo(path).isFile()) {
            QCOMPARE(readFile(path), Source);
            QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files), QStringList{"demo.c"});
        }
    }

    void saveAs_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("seen");
        QTest::newRow("to a new file") << "other/copy.v2.c" << "VESTRA - copy | zx/ | [A]";
        QTest::newRow("to a folder that is not there") << "no-such-folder/new.c" << "VESTRA - demo * | zx/ | [A]";
        QTest::newRow("dialog cancelled") << QString() << "VESTRA - demo * | zx/ | [A]";
    }

    // Save As moves the window to the new file, but the next start still
    // reopens the file that was loaded, with the boards of its folder. A
    // failure or a cancel changes nothing.
    void saveAs()
    {
        QFETCH(QString, target);
        QFETCH(QString, seen);
        const bool moves = seen.startsWith(QLatin1String("VESTRA - copy"));
        QDir().mkpath(dir->filePath(QStringLiteral("other")));
        MainWindowProbe probe = openExample("x\n", "#VCE_Board_Definitions: A");
        const QString path = probe.currentFilePath();
        QTest::keyClicks(probe.editor(), QStringLiteral("z"));
        bool asked = false;
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        if (target.isNull())
            TestSupport::cancelFileDialog(&asked);
        else
            TestSupport::chooseFile(dir->filePath(target), &asked);
        probe.saveAs();
        QVERIFY(asked);
        QCOMPARE(warning->seen, !moves && !target.isNull());
        QCOMPARE(probe.seen(), seen);
        const QString now = moves ? dir->filePath(target) : path;
        QCOMPARE(probe.currentFilePath() + '|' + probe.lastWorkingDirectory(), now + '|' + QFileInfo(now).absolutePath());
        QCOMPARE(stored("LastLoadedFile") + '|' + stored("LastWorkingDirectory"),
                 path + '|' + QFileInfo(moves ? now : path).absolutePath());
        QCOMPARE(readFile(path) + readFile(now), moves ? "x\nzx\n" : "x\nx\n");
        window->applySettings();
        QCOMPARE(probe.currentFilePath(), now);
    }

    // With no file yet neither Save nor Save As asks for one. Each shows
    // its dialog before it returns, so none came if none was seen.
    void saveBeforeAnyFileDoesNothing()
    {
        MainWindowProbe probe(newWindow());
        QTest::keyClicks(probe.editor(), QStringLiteral("draft"));
        bool asked = false;
        TestSupport::cancelFileDialog(&asked);
        probe.save();
        probe.saveAs();
        QVERIFY(!asked);
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA *"));
    }

    void leavingModifiedText_data()
    {
        QTest::addColumn<LeaveRow>("row");
        const QString stays = "VESTRA - demo * | editone/ | [<Default>]";
        const QString second = "VESTRA - second | two/ | [<Default>]";
        QTest::newRow("open, save") << LeaveRow{"open", QMessageBox::Save, second, "editone\n"};
        QTest::newRow("open, discard") << LeaveRow{"open", QMessageBox::Discard, second, "one\n"};
        QTest::newRow("open, cancel") << LeaveRow{"open", QMessageBox::Cancel, stays, "one\n"};
        QTest::newRow("no file chosen: no question") << LeaveRow{"open, no file", QMessageBox::Discard, stays, "one\n"};
        QTest::newRow("close unmodified: no question") << LeaveRow{"close unmodified", QMessageBox::Cancel, "closed", "one\n"};
        QTest::newRow("close, cancel") << LeaveRow{"close", QMessageBox::Cancel, stays, "one\n"};
        QTest::newRow("close, discard") << LeaveRow{"close", QMessageBox::Discard, "closed", "one\n"};
        QTest::newRow("close, the save fails") << LeaveRow{"close, folder gone", QMessageBox::Save, stays, "<unreadable>"};
    }

    // Opening another file or closing the window asks about unsaved edits
    // before it returns, so no question came if none was seen.
    void leavingModifiedText()
    {
        const auto [how, answer, after, firstOnDisk] = TestSupport::row<LeaveRow>();
        const QString second = makeExample(QStringLiteral("second"), QByteArray(), "two\n");
        MainWindowProbe probe = openExample("one\n");
        window->show();
        const QString first = probe.currentFilePath();
        if (how != QLatin1String("close unmodified"))
            QTest::keyClicks(probe.editor(), QStringLiteral("edit"));
        if (how == QLatin1String("close, folder gone"))
            QVERIFY(QDir(QFileInfo(first).absolutePath()).removeRecursively());
        if (how == QLatin1String("open, no file"))
            TestSupport::cancelFileDialog();
        else if (how == QLatin1String("open"))
            TestSupport::chooseFile(second);
        const auto question = TestSupport::answer(QMessageBox::StandardButton(answer));
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        if (how.startsWith(QLatin1String("open")))
            probe.openExample();
        else
            QCOMPARE(window->close(), after == QLatin1String("closed"));
        QCOMPARE(window->isVisible() ? probe.seen() : QStringLiteral("closed"), after);
        QCOMPARE(readFile(first), firstOnDisk);
        QCOMPARE(warning->seen, how == QLatin1String("close, folder gone"));
        QCOMPARE(question->seen ? question->text + ' ' + question->informativeText : QString(),
                 how == QLatin1String("open, no file") || how == QLatin1String("close unmodified")
                     ? QString() : QStringLiteral("The source file has been modified. Do you want to save your changes?"));
    }

    void zeroByteWarns()
    {
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        MainWindowProbe probe = openExample(QByteArray("int a;\n\0tail\n", 13));
        QVERIFY(warning->seen);
        QVERIFY(warning->informativeText.contains("not shown") && warning->informativeText.contains("drop"));
        QCOMPARE(probe.editor()->toPlainText(), QStringLiteral("int a;\n"));
    }

private:
    // A folder with a Makefile and a source file, like a bundled example.
    QString makeExample(const QString &name, const QByteArray &boardLine, const QByteArray &source = Source,
                        const QString &fileName = QString())
    {
        const QString folder = dir->filePath(name);
        QDir().mkpath(folder);
        if (!boardLine.isNull())
            writeFile(folder + "/Makefile", "all:\n\tcc x.c\n" + boardLine + "\n");
        const QString path = folder + '/' + (fileName.isNull() ? name + ".c" : fileName);
        writeFile(path, source);
        return path;
    }

    MainWindow &newWindow()
    {
        window.reset(new MainWindow);
        return *window;
    }

    MainWindowProbe open(const QString &path)
    {
        newWindow().loadSourceFile(path);
        return MainWindowProbe(*window);
    }

    MainWindowProbe openExample(const QByteArray &source = Source, const QByteArray &boardLine = QByteArray())
    {
        return open(makeExample(QStringLiteral("demo"), boardLine, source));
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
};

QTEST_MAIN(tst_FileHandling)
#include "tst_filehandling.moc"
