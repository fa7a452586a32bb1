#include "sourcefile.h"
#include "testsupport.h"

#include <QScopeGuard>

// Makefile text, whether a marker was found, the boards read.
VESTRA_TEST_ROW(BoardRow, QByteArray, bool, QStringList)
// File bytes (null: no file), the text read, whether a zero byte cut it.
VESTRA_TEST_ROW(ReadRow, QByteArray, QString, bool)
// What stands at the path before the save, its permission bits, whether the
// save succeeds, what the reason says.
VESTRA_TEST_ROW(WriteRow, QString, int, bool, QString)

class tst_SourceFile : public QObject
{
    Q_OBJECT

private slots:
    void boardDefinitions_data()
    {
        QTest::addColumn<BoardRow>("row");
        const QString sz = QString::fromUtf8("Me\xc3\x9f-Board");
        QTest::newRow("semicolons") << BoardRow{"all:\n#VCE_Board_Definitions: A;B;C\n", true, {"A", "B", "C"}};
        QTest::newRow("mixed separators") << BoardRow{"#VCE_Board_Definitions: A: B; C\n", true, {"A", "B", "C"}};
        QTest::newRow("blanks, empty pieces") << BoardRow{"#VCE_Board_Definitions: A ; B;; C; ;\n", true, {"A", "B", "C"}};
        QTest::newRow("first name joins the marker") << BoardRow{"#VCE_Board_Definitions A;B\n", true, {"B"}};
        QTest::newRow("inside a longer line") << BoardRow{"BOARDS = x #VCE_Board_Definitions:X:Y\n", true, {"X", "Y"}};
        QTest::newRow("second marker ignored")
            << BoardRow{"#VCE_Board_Definitions:One\n#VCE_Board_Definitions:Two\n", true, {"One"}};
        QTest::newRow("marker alone") << BoardRow{"#VCE_Board_Definitions\n", true, {}};
        QTest::newRow("no line end") << BoardRow{"#VCE_Board_Definitions:Last", true, {"Last"}};
        QTest::newRow("CR LF") << BoardRow{"x\r\n#VCE_Board_Definitions: A;B\r\n", true, {"A", "B"}};
        QTest::newRow("blanks inside names kept")
            << BoardRow{"#VCE_Board_Definitions: TH200 Pro ; Big  Board\n", true, {"TH200 Pro", "Big  Board"}};
        QTest::newRow("shell characters kept") << BoardRow{"#VCE_Board_Definitions: a$(rm -rf x); \"q\" 'z' ; b`c`&|>\n",
                                                           true, {"a$(rm -rf x)", "\"q\" 'z'", "b`c`&|>"}};
        QTest::newRow("duplicates kept") << BoardRow{"#VCE_Board_Definitions:A;A\n", true, {"A", "A"}};
        QTest::newRow("UTF-8 names") << BoardRow{"#VCE_Board_Definitions: Me\xc3\x9f-Board\n", true, {sz}};
        QTest::newRow("zero byte opens a line: end of search")
            << BoardRow{QByteArray("all:\n\0#VCE_Board_Definitions:A\n", 32), false, {}};
        QTest::newRow("zero byte later") << BoardRow{QByteArray("#VCE_Board_Definitions:A;B\0;C\n", 30), true, {"A", "B"}};
        QTest::newRow("marker in another case") << BoardRow{"#vce_board_definitions:A\n", false, {}};
        QTest::newRow("no marker") << BoardRow{"all:\n\tcc x.c\n", false, {}};
        QTest::newRow("empty file") << BoardRow{"", false, {}};
    }

    void boardDefinitions()
    {
        const auto [makefile, found, boards] = TestSupport::row<BoardRow>();
        const QString path = dir.filePath(QStringLiteral("Makefile"));
        QVERIFY(TestSupport::writeFile(path, makefile));
        const std::optional<QStringList> result = SourceFile::readBoardDefinitions(path);
        QCOMPARE(result.has_value(), found);
        QCOMPARE(result.value_or(QStringList()), boards);
    }

    // Only "Makefile" is read, never "makefile".
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
        QTest::addColumn<ReadRow>("row");
        const QByteArray utf8("// 25 \xc2\xb0""C, 10 \xc2\xb5s, \xc3\xa4\xc3\xb6\xc3\xbc\n");
        QTest::newRow("LF") << ReadRow{"a\nb\n", "a\nb\n", false};
        QTest::newRow("CR LF folds to LF") << ReadRow{"a\r\nb\r\n", "a\nb\n", false};
        QTest::newRow("UTF-8") << ReadRow{utf8, QString::fromUtf8(utf8), false};
        QTest::newRow("zero byte cuts") << ReadRow{QByteArray("int a;\n\0int b;\n", 15), "int a;\n", true};
        QTest::newRow("empty") << ReadRow{"", QString(), false};
        QTest::newRow("no file") << ReadRow{QByteArray(), QString(), false};
    }

    void read()
    {
        const auto [bytes, text, truncated] = TestSupport::row<ReadRow>();
        const QString path = dir.filePath(QStringLiteral("read.c"));
        QFile::remove(path);
        if (!bytes.isNull())
            QVERIFY(TestSupport::writeFile(path, bytes));
        const std::optional<SourceFile::ReadResult> result = SourceFile::read(path);
        QCOMPARE(bool(result), !bytes.isNull());
        QCOMPARE(result ? result->text : QString(), text);
        QCOMPARE(result && result->truncatedAtZeroByte, truncated);
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
        QTest::addColumn<WriteRow>("row");
        QTest::newRow("a file") << WriteRow{"file", 0640, true, ""};
        QTest::newRow("a program keeps its x bit") << WriteRow{"file", 0755, true, ""};
        QTest::newRow("a file only the superuser may write") << WriteRow{"file", 0444, true, ""};
        QTest::newRow("through a link") << WriteRow{"link", 0600, true, ""};
        QTest::newRow("one of two names") << WriteRow{"hard link", 0644, true, ""};
        QTest::newRow("in a folder that refuses new files") << WriteRow{"refusing folder", 0644, true, ""};
        QTest::newRow("new, in a folder that refuses new files")
            << WriteRow{"new file, refusing folder", 0, false, "does not allow new files"};
        QTest::newRow("a pipe") << WriteRow{"pipe", 0600, false, "not a regular file"};
        QTest::newRow("a folder") << WriteRow{"folder", 0755, false, "a folder"};
    }

    // A save writes the file a careful editor writes: through a link into
    // its target, in place where the file has other names or its folder
    // takes no new files, with the permission bits it had; it never puts a
    // file where a pipe or a folder stood. Nothing else is left in the folder.
    void write()
    {
        const auto [what, mode, saved, reason] = TestSupport::row<WriteRow>();
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
#endif

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(tst_SourceFile)
#include "tst_sourcefile.moc"
