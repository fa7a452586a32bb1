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

QStringList comboItems(QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

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

// On disk, shown, typed, saved.
VESTRA_TEST_ROW(EncodingRow, QByteArray, QString, QString, QByteArray)
// What the world does to the save, characters typed, the reason given.
VESTRA_TEST_ROW(FailureRow, QString, int, QString)
// The answer to the question (NoButton: the file dialog is cancelled), whether
// the other file opens, the first file's bytes after.
VESTRA_TEST_ROW(OpenRow, int, bool, QByteArray)

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
        writeFile(path, "x\n");
        MainWindowProbe probe = open(path);
        QCOMPARE(probe.projectName(), project);
        QCOMPARE(window->windowTitle(), "VESTRA - " + project);
        QCOMPARE(probe.currentFilePath(), path);
        QCOMPARE(probe.lastWorkingDirectory(), QFileInfo(dir->path()).absoluteFilePath());
    }

    void loadFillsBoards_data()
    {
        QTest::addColumn<QByteArray>("boardLine");
        QTest::addColumn<QStringList>("boards");
        QTest::newRow("two boards") << QByteArray("#VCE_Board_Definitions: A; B C") << QStringList{"A", "B C"};
        QTest::newRow("no Makefile") << QByteArray() << QStringList{"<Default>"};
        QTest::newRow("marker only") << QByteArray("#VCE_Board_Definitions") << QStringList{};
        QTest::newRow("shell characters") << QByteArray("#VCE_Board_Definitions: $(rm -rf /); \"a b\"; it's")
                                          << QStringList{"$(rm -rf /)", "\"a b\"", "it's"};
    }

    // A load shows the file unmodified, stores where it was, and fills the
    // boards from its folder; a later load of something that is no file
    // changes none of it. The next start reopens the file, unless it has gone.
    void loadFillsBoards()
    {
        QFETCH(QByteArray, boardLine);
        QFETCH(QStringList, boards);
        const QString other = makeExample(QStringLiteral("other"), "#VCE_Board_Definitions: Z");
        const QString path = makeExample(QStringLiteral("demo"), boardLine);
        MainWindowProbe probe(newWindow());
        window->loadSourceFile(other);
        window->loadSourceFile(path);
        window->loadSourceFile(dir->filePath(QStringLiteral("nothing.c")));
        window->loadSourceFile(dir->path());
        QVERIFY(probe.fileLoaded());
        QCOMPARE(probe.currentFilePath(), path);
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA - demo"));
        QCOMPARE(stored("LastLoadedFile"), path);
        QCOMPARE(stored("LastWorkingDirectory"), QFileInfo(path).absolutePath());
        QCOMPARE(comboItems(probe.boards()), boards);
        QCOMPARE(probe.boards()->currentIndex(), boards.isEmpty() ? -1 : 0);
        QCOMPARE(probe.editor()->toPlainText(), QString::fromLatin1(Source));
        QVERIFY(!probe.editor()->document()->isModified());
        QVERIFY(!probe.editor()->document()->isUndoAvailable());

        MainWindowProbe again(newWindow());
        QCOMPARE(again.currentFilePath(), path);
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA - demo"));
        QCOMPARE(comboItems(again.boards()), boards);
        QVERIFY(!again.editor()->document()->isModified());
        QVERIFY(QFile::remove(path));
        MainWindowProbe gone(newWindow());
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA"));
        QVERIFY(!gone.fileLoaded() && gone.editor()->toPlainText().isEmpty());
        QCOMPARE(gone.boards()->count(), 0);
    }

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
        QTest::newRow("read-only folder") << FailureRow{"read-only", 4, ""};
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
        const QString folder = QFileInfo(path).absolutePath();
        if (world == QLatin1String("read-only")) {
#ifdef Q_OS_UNIX
            if (::geteuid() == 0)
#endif
                QSKIP("Permissions do not bind the superuser");
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            unmount = [folder]() { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); };
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
        QTest::addColumn<bool>("moves");
        QTest::newRow("to a new file") << "other/copy.v2.c" << true;
        QTest::newRow("to a folder that is not there") << "no-such-folder/new.c" << false;
        QTest::newRow("dialog cancelled") << QString() << false;
    }

    // Save As moves the window to the new file, but the next start still
    // reopens the file that was loaded, with the boards of its folder. A
    // failure or a cancel changes nothing.
    void saveAs()
    {
        QFETCH(QString, target);
        QFETCH(bool, moves);
        QDir().mkpath(dir->filePath(QStringLiteral("other")));
        MainWindowProbe probe = openExample(Source, "#VCE_Board_Definitions: A");
        const QString path = probe.currentFilePath();
        QTest::keyClicks(probe.editor(), QStringLiteral("z"));
        const QString storedFolder = stored("LastWorkingDirectory");
        bool asked = false;
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        if (target.isNull())
            TestSupport::cancelFileDialog(&asked);
        else
            TestSupport::chooseFile(dir->filePath(target), &asked);
        probe.saveAs();
        QVERIFY(asked);
        QCOMPARE(warning->seen, !moves && !target.isNull());
        const QString now = moves ? dir->filePath(target) : path;
        QCOMPARE(probe.currentFilePath(), now);
        QCOMPARE(probe.projectName(), moves ? QStringLiteral("copy") : QStringLiteral("demo"));
        QCOMPARE(probe.lastWorkingDirectory(), QFileInfo(now).absolutePath());
        QCOMPARE(stored("LastWorkingDirectory"), moves ? QFileInfo(now).absolutePath() : storedFolder);
        QCOMPARE(window->windowTitle(), moves ? QStringLiteral("VESTRA - copy") : QStringLiteral("VESTRA - demo *"));
        QCOMPARE(probe.editor()->document()->isModified(), !moves);
        QCOMPARE(readFile(path), Source);
        QCOMPARE(stored("LastLoadedFile"), path);
        QCOMPARE(comboItems(probe.boards()), QStringList{"A"});
        if (moves) {
            QCOMPARE(readFile(now), "z" + Source);
            window->applySettings();
            QCOMPARE(probe.currentFilePath(), now);
            QCOMPARE(probe.lastWorkingDirectory(), QFileInfo(now).absolutePath());
        }
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

    void openWhileModified_data()
    {
        QTest::addColumn<OpenRow>("row");
        QTest::newRow("save") << OpenRow{QMessageBox::Save, true, "editone\n"};
        QTest::newRow("discard") << OpenRow{QMessageBox::Discard, true, "one\n"};
        QTest::newRow("cancel") << OpenRow{QMessageBox::Cancel, false, "one\n"};
        QTest::newRow("file dialog cancelled: no question") << OpenRow{QMessageBox::NoButton, false, "one\n"};
    }

    void openWhileModified()
    {
        const auto [answer, opens, firstOnDisk] = TestSupport::row<OpenRow>();
        const QString second = makeExample(QStringLiteral("second"), QByteArray(), "two\n");
        MainWindowProbe probe = openExample("one\n");
        const QString first = probe.currentFilePath();
        QTest::keyClicks(probe.editor(), QStringLiteral("edit"));
        if (answer == QMessageBox::NoButton)
            TestSupport::cancelFileDialog();
        else
            TestSupport::chooseFile(second);
        const auto question = TestSupport::answer(QMessageBox::StandardButton(answer == QMessageBox::NoButton ? QMessageBox::Discard : answer));
        probe.openExample();
        QCOMPARE(question->seen, answer != QMessageBox::NoButton);
        QCOMPARE(readFile(first), firstOnDisk);
        QCOMPARE(probe.currentFilePath(), opens ? second : first);
        QCOMPARE(probe.editor()->toPlainText(), opens ? QStringLiteral("two\n") : QStringLiteral("editone\n"));
        QCOMPARE(probe.editor()->document()->isModified(), !opens);
    }

    void promptSaveFailureCancelsClose()
    {
        MainWindowProbe probe = openExample();
        window->show();
        QTest::keyClicks(probe.editor(), QStringLiteral("keep me"));
        QVERIFY(QDir(QFileInfo(probe.currentFilePath()).absolutePath()).removeRecursively());
        const auto question = TestSupport::answer(QMessageBox::Save);
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        QVERIFY(!window->close());
        QVERIFY(question->seen && warning->seen);
        QVERIFY(window->isVisible());
        QVERIFY(probe.editor()->toPlainText().startsWith(QStringLiteral("keep me")));
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
    QString makeExample(const QString &name, const QByteArray &boardLine, const QByteArray &source = Source)
    {
        const QString folder = dir->filePath(name);
        QDir().mkpath(folder);
        if (!boardLine.isNull())
            writeFile(folder + "/Makefile", "all:\n\tcc x.c\n" + boardLine + "\n");
        writeFile(folder + '/' + name + ".c", source);
        return folder + '/' + name + ".c";
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
