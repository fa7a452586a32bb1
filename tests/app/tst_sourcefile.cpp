#include "safefile.h"
#include "sourcefile.h"
#include "testsupport.h"

#include <QScopeGuard>
#include <QTextCodec>


class tst_SourceFile : public QObject
{
    Q_OBJECT

private slots:
    void title_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("title");
        QTest::newRow("no file yet") << QString() << false << "VESTRA";
        QTest::newRow("no file yet, typed into") << QString() << true << "VESTRA *";
        QTest::newRow("a file") << "/work/blink/blink.c" << false << "VESTRA - blink";
        QTest::newRow("a file with edits") << "/work/blink/blink.c" << true << "VESTRA - blink *";
        QTest::newRow("several dots: up to the first") << "blink.v2.test.c" << false << "VESTRA - blink";
        QTest::newRow("no dot: all of it") << "/work/Blinky" << false << "VESTRA - Blinky";
        QTest::newRow("leading dot: no name") << "/work/.hidden.c" << false << "VESTRA - ";
        QTest::newRow("a dot in the folder only") << "/work/v1.2/my demo" << false << "VESTRA - my demo";
    }

    void title()
    {
        QFETCH(QString, path);
        QFETCH(bool, modified);
        QFETCH(QString, title);
        const QString base = SourceFile::titleOf(!path.isNull(), SourceFile::projectNameOf(path));
        QCOMPARE(SourceFile::shownTitle(base, modified), title);
    }

    void boardDefinitions_data()
    {
        QTest::addColumn<QByteArray>("makefile");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QStringList>("boards");
        const QString sz = QString::fromUtf8("Me\xc3\x9f-Board");
        QTest::newRow("semicolons") << QByteArray("all:\n#VCE_Board_Definitions: A;B;C\n") << true << QStringList{"A", "B", "C"};
        QTest::newRow("mixed separators") << QByteArray("#VCE_Board_Definitions: A: B; C\n") << true << QStringList{"A", "B", "C"};
        QTest::newRow("blanks, empty pieces") << QByteArray("#VCE_Board_Definitions: A ; B;; C; ;\n") << true << QStringList{"A", "B", "C"};
        QTest::newRow("first name joins the marker") << QByteArray("#VCE_Board_Definitions A;B\n") << true << QStringList{"B"};
        QTest::newRow("inside a longer line") << QByteArray("BOARDS = x #VCE_Board_Definitions:X:Y\n") << true << QStringList{"X", "Y"};
        QTest::newRow("second marker ignored")
            << QByteArray("#VCE_Board_Definitions:One\n#VCE_Board_Definitions:Two\n") << true << QStringList{"One"};
        QTest::newRow("marker alone") << QByteArray("#VCE_Board_Definitions\n") << true << QStringList{};
        QTest::newRow("no line end") << QByteArray("#VCE_Board_Definitions:Last") << true << QStringList{"Last"};
        QTest::newRow("CR LF") << QByteArray("x\r\n#VCE_Board_Definitions: A;B\r\n") << true << QStringList{"A", "B"};
        QTest::newRow("blanks inside names kept")
            << QByteArray("#VCE_Board_Definitions: TH200 Pro ; Big  Board\n") << true << QStringList{"TH200 Pro", "Big  Board"};
        QTest::newRow("shell characters kept") << QByteArray("#VCE_Board_Definitions: a$(rm -rf x); \"q\" 'z' ; b`c`&|>\n") << true << QStringList{"a$(rm -rf x)", "\"q\" 'z'", "b`c`&|>"};
        QTest::newRow("duplicates kept") << QByteArray("#VCE_Board_Definitions:A;A\n") << true << QStringList{"A", "A"};
        QTest::newRow("UTF-8 names") << QByteArray("#VCE_Board_Definitions: Me\xc3\x9f-Board\n") << true << QStringList{sz};
        QTest::newRow("zero byte opens a line: end of search")
            << QByteArray("all:\n\0#VCE_Board_Definitions:A\n", 32) << false << QStringList{};
        QTest::newRow("zero byte later") << QByteArray("#VCE_Board_Definitions:A;B\0;C\n", 30) << true << QStringList{"A", "B"};
        QTest::newRow("marker in another case") << QByteArray("#vce_board_definitions:A\n") << false << QStringList{};
        QTest::newRow("no marker") << QByteArray("all:\n\tcc x.c\n") << false << QStringList{};
        QTest::newRow("empty file") << QByteArray("") << false << QStringList{};
    }

    void boardDefinitions()
    {
        QFETCH(QByteArray, makefile);
        QFETCH(bool, found);
        QFETCH(QStringList, boards);
        const QString path = dir.filePath(QStringLiteral("Makefile"));
        QVERIFY(TestSupport::writeFile(path, makefile));
        const std::optional<QStringList> result = SourceFile::readBoardDefinitions(path);
        QCOMPARE(result.has_value(), found);
        QCOMPARE(result.value_or(QStringList()), boards);
    }

    // Only "Makefile" is read, never "makefile".
    // Which folders of the examples folder are examples, and the source
    // each opens with.
    void examples()
    {
        const QTemporaryDir dir;
        const auto make = [&dir](const QString &folder, const QStringList &files) {
            QDir().mkpath(dir.filePath(folder));
            for (const QString &file : files)
                TestSupport::writeFile(dir.filePath(folder + '/' + file), "x\n");
        };
        make("zeta", {"Makefile", "main.c", "util.c"});
        make("Alpha", {"Makefile", "util.c", "Alpha.c"});
        make("no_makefile", {"no_makefile.c"});
        make("no_source", {"Makefile", "README"});
        make("beta", {"Makefile", "beta.c"});
        TestSupport::writeFile(dir.filePath("plain.c"), "x\n");
        QStringList found;
        for (const auto &example : SourceFile::examplesIn(dir.path()))
            found << example.first + ": " + QFileInfo(example.second).fileName();
        QCOMPARE(found, (QStringList{"Alpha: Alpha.c", "beta: beta.c", "zeta: main.c"}));
        QVERIFY(SourceFile::examplesIn(dir.filePath("missing")).isEmpty());
    }

    void boardMakefileName()
    {
        QTemporaryDir folder;
        QVERIFY(!SourceFile::readBoardDefinitions(folder.filePath(QStringLiteral("Makefile"))));
        QVERIFY(TestSupport::writeFile(folder.filePath(QStringLiteral("makefile")), "#VCE_Board_Definitions:A\n"));
        if (QFile::exists(folder.filePath(QStringLiteral("Makefile"))))
            QSKIP("This file system does not tell letter case apart");
        QVERIFY(!SourceFile::readBoardDefinitions(folder.filePath(QStringLiteral("Makefile"))));
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("truncated");
        const QByteArray utf8("// 25 \xc2\xb0""C, 10 \xc2\xb5s, \xc3\xa4\xc3\xb6\xc3\xbc\n");
        QTest::newRow("LF") << QByteArray("a\nb\n") << "a\nb\n" << false;
        QTest::newRow("CR LF folds to LF") << QByteArray("a\r\nb\r\n") << "a\nb\n" << false;
        QTest::newRow("UTF-8") << QByteArray(utf8) << QString::fromUtf8(utf8) << false;
        QTest::newRow("zero byte cuts") << QByteArray("int a;\n\0int b;\n", 15) << "int a;\n" << true;
        QTest::newRow("empty") << QByteArray("") << QString() << false;
        QTest::newRow("no file") << QByteArray() << QString() << false;
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, truncated);
        const QString path = dir.filePath(QStringLiteral("read.c"));
        QFile::remove(path);
        if (!bytes.isNull())
            QVERIFY(TestSupport::writeFile(path, bytes));
        const std::optional<SourceFile::ReadResult> result = SourceFile::read(path);
        QCOMPARE(bool(result), !bytes.isNull());
        QCOMPARE(result ? result->text : QString(), text);
        QCOMPARE(result && result->truncatedAtZeroByte, truncated);
    }

    // A save is UTF-8 with the line ends as shown, whatever the locale; read
    // back it is the same text.
    void writesUtf8WhateverTheLocale()
    {
        const QString text = QString::fromUtf8("// 25 \xc2\xb0""C every 10 \xc2\xb5s, Gr\xc3\xbc\xc3\x9f""e\n");
        const QString path = dir.filePath(QStringLiteral("locale.c"));
        QTextCodec *localeCodec = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        QString why;
        const bool written = SourceFile::write(path, text, &why);
        QTextCodec::setCodecForLocale(localeCodec);
        QVERIFY2(written, qPrintable(why));
        QCOMPARE(TestSupport::readFile(path), text.toUtf8());
        QCOMPARE(SourceFile::read(path)->text, text);
    }

#ifdef Q_OS_UNIX
    void specialFilesAreNotRead_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"pipe", "link to a pipe", "device", "folder"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    // A pipe blocks its reader until something writes to it, and a device
    // such as /dev/zero never ends: as a source or a Makefile, neither is
    // opened, and the reading returns at once with nothing.
    void specialFilesAreNotRead()
    {
        QFETCH(QString, kind);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Makefile"));
        TestSupport::NamedPipe pipe(folder.filePath(QStringLiteral("pipe")));
        QVERIFY(pipe.isMade());
        if (kind == QLatin1String("pipe"))
            QVERIFY(QFile::rename(folder.filePath(QStringLiteral("pipe")), path));
        else if (kind == QLatin1String("link to a pipe"))
            QVERIFY(QFile::link(folder.filePath(QStringLiteral("pipe")), path));
        else if (kind == QLatin1String("device"))
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), path));
        else
            QVERIFY(QDir().mkpath(path));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!SourceFile::read(path));
        QVERIFY(!SourceFile::readBoardDefinitions(path));
        QVERIFY(!pipe.wasOpened());
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }

    // A Makefile line of any length is read a piece at a time: one longer
    // than a byte array can hold is passed over, and the board line after
    // it still counts.
    void boardLineAfterAHugeLine()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Makefile"));
        QFile file(path);
        const qint64 huge = (qint64(1) << 31) + 4096;
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("DATA = x") == 8);
        // A hole: the file system keeps no blocks for it, it reads as zeros.
        if (!file.seek(huge))
            QSKIP("This file system keeps no files that large");
        file.write("\n#VCE_Board_Definitions: A; B\n");
        file.close();
        QCOMPARE(SourceFile::readBoardDefinitions(path), std::optional<QStringList>({"A", "B"}));
    }

    void write_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file") << "file" << 0640 << true << "";
        QTest::newRow("a program keeps its x bit") << "file" << 0755 << true << "";
        QTest::newRow("a file only the superuser may write") << "file" << 0444 << true << "";
        QTest::newRow("through a link") << "link" << 0600 << true << "";
        QTest::newRow("one of two names") << "hard link" << 0644 << true << "";
        QTest::newRow("in a folder that refuses new files") << "refusing folder" << 0644 << true << "";
        QTest::newRow("new, in a folder that refuses new files")
            << "new file, refusing folder" << 0 << false << "does not allow new files";
        QTest::newRow("a pipe") << "pipe" << 0600 << false << "not a regular file";
        QTest::newRow("a folder") << "folder" << 0755 << false << "a folder";
    }

    // A save writes the file a careful editor writes: through a link into
    // its target, in place where the file has other names or its folder
    // takes no new files, with the permission bits it had; it never puts a
    // file where a pipe or a folder stood. Nothing else is left in the folder.
    void write()
    {
        QFETCH(QString, what);
        QFETCH(int, mode);
        QFETCH(bool, saved);
        QFETCH(QString, reason);
        if (mode == 0444 && ::geteuid() != 0)
            QSKIP("Only the superuser may write a read-only file");
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("demo.c"));
        const QString path = what == QLatin1String("link") || what == QLatin1String("hard link")
                                 ? folder.filePath(QStringLiteral("name.c")) : target;
        std::optional<TestSupport::NamedPipe> pipe;
        if (what == QLatin1String("pipe"))
            pipe.emplace(path);
        else if (what == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
        else if (!what.startsWith(QLatin1String("new")))
            QVERIFY(TestSupport::writeFile(target, "old text, longer than the new\n"));
        if (what == QLatin1String("link"))
            QVERIFY(QFile::link(target, path));
        if (what == QLatin1String("hard link"))
            QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()), 0);
        if (mode != 0)
            QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(mode)), 0);
        std::function<void()> undo = []() {};
        const auto restore = qScopeGuard([&]() { undo(); });
        if (what.endsWith(QLatin1String("refusing folder"))) {
            const auto refused = TestSupport::refuseNewFiles(folder.path());
            if (!refused)
                QSKIP("This folder cannot be made to refuse new files");
            undo = *refused;
        }
        const QStringList before = QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);

        QString why;
        QCOMPARE(SourceFile::write(path, QStringLiteral("new\n"), &why), saved);
        QVERIFY2(why.contains(reason), qPrintable(why));
        if (!saved && !pipe)
            QVERIFY2(why.contains(QDir::toNativeSeparators(folder.path())) || what == QLatin1String("folder"), qPrintable(why));
        if (pipe) {
            QVERIFY(pipe->isStillAPipe());
            QVERIFY(!pipe->wasOpened());
        }
        undo();
        undo = []() {};
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                 what.startsWith(QLatin1String("new")) ? QStringList() : before);
        if (!saved)
            return;
        QCOMPARE(TestSupport::readFile(target), QByteArray("new\n"));
        QCOMPARE(TestSupport::readFile(path), QByteArray("new\n"));
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), mode);
        QCOMPARE(QFileInfo(path).isSymLink(), what == QLatin1String("link"));
        QCOMPARE(int(info.st_nlink), what == QLatin1String("hard link") ? 2 : 1);
    }

    void writeFailure_data()
    {
        QTest::addColumn<QString>("world");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("reason");
        // Qt writes through a 16 KiB buffer: below it the bytes reach the disk
        // only at commit time, above it during the writes.
        QTest::newRow("size limit, below the write buffer") << "size limit" << 4000 << "File too large";
        QTest::newRow("size limit, above the write buffer") << "size limit" << 40000 << "File too large";
        QTest::newRow("full disk") << "full disk" << 40000 << "No space left on device";
        QTest::newRow("folder removed") << "no folder" << 4 << "";
    }

    // A save that cannot be completed says why and leaves the old file as
    // it was, with nothing else beside it.
    void writeFailure()
    {
        QFETCH(QString, world);
        QFETCH(int, size);
        QFETCH(QString, reason);
        SafeFile::keepRunningAtFileSizeLimit();
        QTemporaryDir disk;
        std::function<void()> unmount = []() {};
        const auto atEnd = qScopeGuard([&]() { unmount(); });
        if (world == QLatin1String("full disk")) {
            // A real small file system, where the machine lets the test make one.
            if (::geteuid() != 0 || !succeeds("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", disk.path()}))
                QSKIP("No small file system can be made here");
            unmount = [&]() { succeeds("umount", {disk.path()}); };
        }
        const QString path = disk.filePath(QStringLiteral("demo.c"));
        const QByteArray old("int main(void) { return 0; }\n");
        QVERIFY(TestSupport::writeFile(path, old));
        if (world == QLatin1String("no folder"))
            QVERIFY(QDir(disk.path()).removeRecursively());
        std::optional<TestSupport::FileSizeLimit> limit;
        if (world == QLatin1String("size limit"))
            limit.emplace(2048);
        QString why;
        QVERIFY(!SourceFile::write(path, QString(size, QLatin1Char('x')), &why));
        limit.reset();
        QVERIFY2(!why.isEmpty() && why.contains(reason), qPrintable(why));
        if (world != QLatin1String("no folder")) {
            QCOMPARE(TestSupport::readFile(path), old);
            QCOMPARE(QDir(disk.path()).entryList(QDir::Files), QStringList{"demo.c"});
        }
    }
#endif

private:
    // Runs a program and tells whether it succeeded.
    static bool succeeds(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(tst_SourceFile)
#include "tst_sourcefile.moc"
