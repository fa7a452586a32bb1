#include "sourcefile.h"
#include "testsupport.h"

// Makefile text, whether a marker was found, the boards read.
VESTRA_TEST_ROW(BoardRow, QByteArray, bool, QStringList)
// File bytes (null: no file), the text read, whether a zero byte cut it.
VESTRA_TEST_ROW(ReadRow, QByteArray, QString, bool)

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

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(tst_SourceFile)
#include "tst_sourcefile.moc"
