#include "sourcefile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>




class tst_SourceFile : public QObject
{
    Q_OBJECT

private slots:
    void boardDefinitions_data()
    {
        QTest::addColumn<QByteArray>("makefile");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QStringList>("boards");

        QTest::newRow("semicolons") << QByteArray("all:\n#VCE_Board_Definitions: A;B;C\n") << true
                                    << QStringList{"A", "B", "C"};
        QTest::newRow("mixed separators") << QByteArray("#VCE_Board_Definitions: A: B; C\n") << true
                                          << QStringList{"A", "B", "C"};
        QTest::newRow("blanks and empty pieces") << QByteArray("#VCE_Board_Definitions: A ; B;; C;\n")
                                                 << true << QStringList{"A", "B", "C"};
        QTest::newRow("blank pieces dropped") << QByteArray("#VCE_Board_Definitions:A; ;B\n") << true
                                              << QStringList{"A", "B"};
        QTest::newRow("first name joins the marker") << QByteArray("#VCE_Board_Definitions A;B\n")
                                                     << true << QStringList{"B"};
        QTest::newRow("marker inside a longer line")
            << QByteArray("BOARDS = x #VCE_Board_Definitions:X:Y\n") << true << QStringList{"X", "Y"};
        QTest::newRow("second marker ignored")
            << QByteArray("#VCE_Board_Definitions:One\n#VCE_Board_Definitions:Two\n") << true
            << QStringList{"One"};
        QTest::newRow("marker alone") << QByteArray("#VCE_Board_Definitions\n") << true << QStringList{};
        QTest::newRow("no line end") << QByteArray("#VCE_Board_Definitions:Last") << true
                                     << QStringList{"Last"};
        QTest::newRow("CR LF") << QByteArray("x\r\n#VCE_Board_Definitions: A;B\r\n") << true
                               << QStringList{"A", "B"};
        QTest::newRow("blanks inside names kept")
            << QByteArray("#VCE_Board_Definitions: TH200 Pro ; Big  Board\n") << true
            << QStringList{"TH200 Pro", "Big  Board"};
        QTest::newRow("shell characters kept")
            << QByteArray("#VCE_Board_Definitions: a$(rm -rf x); \"q\" 'z' ; b`c`&|>\n") << true
            << QStringList{"a$(rm -rf x)", "\"q\" 'z'", "b`c`&|>"};
        QTest::newRow("duplicates kept") << QByteArray("#VCE_Board_Definitions:A;A\n") << true
                                         << QStringList{"A", "A"};
        QTest::newRow("UTF-8 names") << QByteArray("#VCE_Board_Definitions: Me\xc3\x9f-Board\n") << true
                                     << QStringList{QString::fromUtf8("Me\xc3\x9f-Board")};
        QTest::newRow("zero byte opens a line: end of search")
            << QByteArray("all:\n\0#VCE_Board_Definitions:A\n", 32) << false << QStringList{};
        QTest::newRow("zero byte later in the line") << QByteArray("#VCE_Board_Definitions:A;B\0;C\n", 30)
                                                     << true << QStringList{"A", "B"};
        QTest::newRow("marker in another case") << QByteArray("#vce_board_definitions:A\n") << false
                                                << QStringList{};
        QTest::newRow("no marker") << QByteArray("all:\n\tcc x.c\n") << false << QStringList{};
        QTest::newRow("empty file") << QByteArray() << false << QStringList{};
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
        if (found)
            QCOMPARE(*result, boards);
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
        QTest::newRow("LF") << QByteArray("a\nb\n") << QStringLiteral("a\nb\n") << false;
        QTest::newRow("CR LF folds to LF") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nb\n") << false;
        QTest::newRow("UTF-8") << QByteArray("// 25 \xc2\xb0""C, 10 \xc2\xb5s, \xc3\xa4\xc3\xb6\xc3\xbc\n")
                               << QString::fromUtf8("// 25 \xc2\xb0""C, 10 \xc2\xb5s, \xc3\xa4\xc3\xb6\xc3\xbc\n") << false;
        QTest::newRow("zero byte cuts") << QByteArray("int a;\n\0int b;\n", 15) << QStringLiteral("int a;\n") << true;
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
        if (!result)
            return;
        QCOMPARE(result->text, text);
        QCOMPARE(result->truncatedAtZeroByte, truncated);
    }

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(tst_SourceFile)
#include "tst_sourcefile.moc"
