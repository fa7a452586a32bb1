#include "consolereport.h"

#include <QTest>

using ConsoleReport::Line;
using End = BuildRunner::StepEnd;

namespace {

// A colour as the user names it.
QString colourName(const QColor &colour)
{
    static const QHash<QRgb, QString> names{{qRgb(0, 0, 128), "blue"}, {qRgb(0, 128, 0), "green"},
                                            {qRgb(128, 0, 0), "dark red"}, {qRgb(255, 0, 0), "red"},
                                            {qRgb(255, 101, 0), "orange"}};
    return names.value(colour.rgb(), colour.name());
}

// The lines as they read in the console, one "colour: text" each.
QStringList read(const QVector<Line> &lines)
{
    QStringList result;
    for (const Line &line : lines)
        result << colourName(line.colour) + ": " + line.text;
    return result;
}

const QStringList MakeNotFound{
    "dark red: Check if compiler is installed ! Refer documentation regarding compiler installation .",
    "dark red: ",
    "dark red: It is recommended to install TDM-GCC from https://jmeubank.github.io/tdm-gcc/download/"};

} // namespace

class tst_ConsoleReport : public QObject
{
    Q_OBJECT

private slots:
    void closingLines_data()
    {
        QTest::addColumn<End>("end");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("shown");
        const QStringList args{"CARTRIX_BOARD=B1", "all"};
        QTest::newRow("success") << End::FinishedWithCode << 0 << "make" << args
                                 << QStringList{"green: \nOperation finished successfully"};
        QTest::newRow("error code, then the process's reason")
            << End::FinishedWithCode << 2 << "make" << args
            << QStringList{"dark red: \nOperation finished with error code: 2", "dark red: Process crashed"};
        QTest::newRow("cancelled, whatever the code") << End::Cancelled << 15 << "make" << args
                                                      << QStringList{"green: \nOperation canceled !"};
        const QStringList data{"dark red: \n", "blue: ---- Diagnostic data ----"};
        QTest::newRow("make not found")
            << End::FailedToStart << -1 << "make" << args
            << QStringList{"dark red: 'make' not found !", "dark red: "} + MakeNotFound + data
                   + QStringList{"blue: Command executed: make", "blue: Arguments: CARTRIX_BOARD=B1 all ",
                                 "blue: Working directory: /work/demo"};
        QTest::newRow("mingw32-make not found")
            << End::FailedToStart << -1 << "mingw32-make" << args
            << QStringList{"dark red: 'mingw32-make' not found !", "dark red: "} + MakeNotFound + data
                   + QStringList{"blue: Command executed: mingw32-make", "blue: Arguments: CARTRIX_BOARD=B1 all ",
                                 "blue: Working directory: /work/demo"};
        QTest::newRow("another make path: where to set it")
            << End::FailedToStart << -1 << "/no/such folder/make" << args
            << QStringList{"dark red: Set Make Utility Path to \"make\" or \"mingw32-make\" in Settings option"} + data
                   + QStringList{"blue: Command executed: /no/such folder/make", "blue: Arguments: CARTRIX_BOARD=B1 all ",
                                 "blue: Working directory: /work/demo"};
        QTest::newRow("a program without arguments: no arguments line")
            << End::FailedToStart << -1 << "/work/demo/demo.exe" << QStringList()
            << QStringList{"dark red: Set Make Utility Path to \"make\" or \"mingw32-make\" in Settings option"} + data
                   + QStringList{"blue: Command executed: /work/demo/demo.exe", "blue: Working directory: /work/demo"};
    }

    void closingLines()
    {
        QFETCH(End, end);
        QFETCH(int, exitCode);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, shown);
        const ConsoleReport::StepEnding ending{end, exitCode, {program, arguments, "/work/demo"}, "Process crashed"};
        QCOMPARE(read(ConsoleReport::closingLines(ending)), shown);
    }

    void programText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colour");
        QTest::newRow("plain error") << "demo.c:3: error: x undeclared\n" << "red";
        QTest::newRow("a warning anywhere in the chunk") << "one\ndemo.c:4: warning: unused\n" << "orange";
        QTest::newRow("any case") << "some WARNING here" << "orange";
    }

    void programText()
    {
        QFETCH(QString, text);
        QFETCH(QString, colour);
        QCOMPARE(colourName(ConsoleReport::errorColour(text)), colour);
        QCOMPARE(colourName(ConsoleReport::outputColour()), QStringLiteral("blue"));
    }

    void runningLine()
    {
        QCOMPARE(read({ConsoleReport::runningLine("/work/my demo/demo.v2.exe")}),
                 QStringList{"green: Running example 'demo.v2.exe' ...\n"});
    }

    void boardAssignment_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<QString>("argument");
        QTest::newRow("plain") << "TH100" << "CARTRIX_BOARD=TH100";
        QTest::newRow("empty") << "" << "CARTRIX_BOARD=";
        QTest::newRow("make's references stay text") << "My $(shell touch pwned) $$x" << "CARTRIX_BOARD=My $$(shell touch pwned) $$$$x";
        QTest::newRow("shell characters pass as they are") << "\"q\" 'z' `id` & \\" << "CARTRIX_BOARD=\"q\" 'z' `id` & \\";
    }

    void boardAssignment()
    {
        QFETCH(QString, board);
        QFETCH(QString, argument);
        QCOMPARE(ConsoleReport::boardAssignment(board), argument);
    }
};

QTEST_APPLESS_MAIN(tst_ConsoleReport)
#include "tst_consolereport.moc"
