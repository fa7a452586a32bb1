#include "sourcefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

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
        writeBytes(path, makefile);
        const std::optional<QStringList> result = SourceFile::readBoardDefinitions(path);
        QCOMPARE(result.has_value(), found);
        if (found)
            QCOMPARE(*result, boards);
    }

    void boardMakefileName()
    {
        QTemporaryDir folder;
        QVERIFY(!SourceFile::readBoardDefinitions(folder.filePath(QStringLiteral("Makefile"))));
        writeBytes(folder.filePath(QStringLiteral("makefile")), "#VCE_Board_Definitions:A\n");
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
        QTest::newRow("empty") << QByteArray() << QString() << false;
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, truncated);
        const QString path = dir.filePath(QStringLiteral("read.c"));
        writeBytes(path, bytes);
        const std::optional<SourceFile::ReadResult> result = SourceFile::read(path);
        QVERIFY(result);
        QCOMPARE(result->text, text);
        QCOMPARE(result->truncatedAtZeroByte, truncated);
    }

    void readMissing()
    {
        QVERIFY(!SourceFile::read(dir.filePath(QStringLiteral("nowhere.c"))));
        QVERIFY(!SourceFile::read(QString()));
    }

    void writeRoundTrip()
    {
        const QString path = dir.filePath(QStringLiteral("round.c"));
        const QString text = QString::fromUtf8("// \xc2\xb0""C \xc2\xb5s \xc3\xa4\xc3\xb6\xc3\xbc \xe2\x82\xac\nint x;\n");
        QString error;
        QVERIFY(SourceFile::write(path, text, &error));
        QCOMPARE(readBytes(path), text.toUtf8());
        QCOMPARE(SourceFile::read(path)->text, text);
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("round*")}, QDir::Files),
                 QStringList{QStringLiteral("round.c")});
    }

    void writeFailureKeepsOriginal_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("folder at the path") << "folder";
        QTest::newRow("read-only folder") << "readonly";
    }

    void writeFailureKeepsOriginal()
    {
        QFETCH(QString, kind);
        QTemporaryDir folder;
        QString path = folder.filePath(QStringLiteral("src.c"));
        const QByteArray original("int original;\n");
        writeBytes(path, original);

        if (kind == QLatin1String("missing")) {
            path = folder.filePath(QStringLiteral("gone/src.c"));
        } else if (kind == QLatin1String("folder")) {
            path = folder.filePath(QStringLiteral("sub.c"));
            QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub.c")));
        } else {
            if (runningAsRoot())
                QSKIP("Permissions do not bind the superuser");
            QVERIFY(QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }

        QString error;
        QVERIFY(!SourceFile::write(path, QStringLiteral("int replaced;\n"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readBytes(folder.filePath(QStringLiteral("src.c"))), original);
        QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(tst_SourceFile)
#include "tst_sourcefile.moc"
