#include "diagnostics.h"

#include <QTest>

using Diagnostics::Collector;

namespace {

// A diagnostic as a user reads it: kind, place and message.
QString describe(const std::optional<Diagnostics::Diagnostic> &found)
{
    if (!found)
        return QStringLiteral("none");
    static const char *const kinds[] = {"error", "warning", "note"};
    return QStringLiteral("%1 %2:%3:%4 %5")
        .arg(QLatin1String(kinds[int(found->kind)]), found->file)
        .arg(found->line)
        .arg(found->column)
        .arg(found->message);
}

} // namespace

class tst_Diagnostics : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("found");
        QTest::newRow("gcc error") << "thermo.c:12:5: error: expected ';' before '}' token"
                                   << "error thermo.c:12:5 expected ';' before '}' token";
        QTest::newRow("clang warning with a flag") << "src/a.c:3:10: warning: unused variable 'x' [-Wunused-variable]"
                                                   << "warning src/a.c:3:10 unused variable 'x' [-Wunused-variable]";
        QTest::newRow("no column") << "a.c:7: warning: old style" << "warning a.c:7:0 old style";
        QTest::newRow("note") << "a.h:2:6: note: declared here" << "note a.h:2:6 declared here";
        QTest::newRow("fatal error") << "a.c:1:10: fatal error: b.h: No such file or directory"
                                     << "error a.c:1:10 b.h: No such file or directory";
        QTest::newRow("make") << "Makefile:12: *** missing separator.  Stop." << "error Makefile:12:0 missing separator.  Stop.";
        QTest::newRow("a Windows path") << "C:\\work\\a.c:4:2: error: x" << "error C:\\work\\a.c:4:2 x";
        QTest::newRow("a carriage return") << "a.c:4:2: error: x\r" << "error a.c:4:2 x";
        QTest::newRow("digits in the file's name") << "v2:1/a.c:8:1: error: y" << "error v2:1/a.c:8:1 y";
        QTest::newRow("make's own failure line") << "make: *** [Makefile:12: all] Error 1" << "none";
        QTest::newRow("an include chain") << "In file included from a.h:3," << "none";
        QTest::newRow("the function line") << "a.c: In function 'main':" << "none";
        QTest::newRow("indented context") << "   12 |     return x" << "none";
        QTest::newRow("line 0") << "a.c:0:1: error: z" << "none";
        QTest::newRow("a program's output") << "Thermo monitor on board TH100: 21.5 C" << "none";
        QTest::newRow("a line number and no message") << "a.c:3:4:5" << "none";
    }

    void parse()
    {
        QFETCH(QString, line);
        QFETCH(QString, found);
        QCOMPARE(describe(Diagnostics::parse(line)), found);
    }

    void collect_data()
    {
        QTest::addColumn<QStringList>("errorChunks");
        QTest::addColumn<QStringList>("outputChunks");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("whole lines") << QStringList{"a.c:1:1: error: x\nb.c:2:2: warning: y\n"} << QStringList()
                                     << QStringList{"a.c:1:1: error: x", "b.c:2:2: warning: y"};
        QTest::newRow("a line split across chunks")
            << QStringList{"a.c:1", "2:3: err", "or: x\nnext"} << QStringList() << QStringList{"a.c:12:3: error: x"};
        QTest::newRow("the last line without a line break") << QStringList{"a.c:1:1: error: x"} << QStringList()
                                                            << QStringList{"a.c:1:1: error: x"};
        QTest::newRow("output between the halves of an error line")
            << QStringList{"a.c:5:", "1: error: x\n"} << QStringList{"compiling\n"} << QStringList{"a.c:5:1: error: x"};
        QTest::newRow("make's errors on standard output") << QStringList() << QStringList{"Makefile:3: *** no rule.  Stop.\n"}
                                                          << QStringList{"Makefile:3: *** no rule.  Stop."};
    }

    // What the collector finds, whatever chunks the output came in.
    void collect()
    {
        QFETCH(QStringList, errorChunks);
        QFETCH(QStringList, outputChunks);
        QFETCH(QStringList, found);
        Collector collector;
        for (int i = 0; i < std::max(errorChunks.size(), outputChunks.size()); ++i) {
            if (i < errorChunks.size())
                collector.add(Collector::Error, errorChunks.at(i));
            if (i < outputChunks.size())
                collector.add(Collector::Output, outputChunks.at(i));
        }
        collector.finish();
        QStringList texts;
        for (const auto &diagnostic : collector.found())
            texts << diagnostic.text;
        QCOMPARE(texts, found);
    }

    // Which diagnostic a console paragraph shows, where it points, and what
    // the gutter and F4 make of them, in a project folder /p.
    void usingThem()
    {
        Collector collector;
        collector.add(Collector::Error, QStringLiteral("a.c:3:1: warning: w\n"
                                                       "inc/b.h:2:2: error: e\n"
                                                       "a.c:3:5: error: x\n"
                                                       "a.c:1:1: note: n\n"
                                                       "../a.c:9:1: warning: elsewhere\n"));
        const QVector<Diagnostics::Diagnostic> &found = collector.found();
        QCOMPARE(Diagnostics::pathOf(found.at(1), "/p"), QStringLiteral("/p/inc/b.h"));
        QCOMPARE(Diagnostics::pathOf(found.at(4), "/p"), QStringLiteral("/a.c"));
        // The whole line, its first piece, its last piece, nothing of it.
        QCOMPARE(QList<int>({Diagnostics::shownIn(found, QStringLiteral("a.c:3:5: error: x")),
                             Diagnostics::shownIn(found, QStringLiteral("inc/b.h:2")),
                             Diagnostics::shownIn(found, QStringLiteral("2: error: e")),
                             Diagnostics::shownIn(found, QStringLiteral("compiling a.c")),
                             Diagnostics::shownIn(found, QStringLiteral(""))}),
                 QList<int>({2, 1, 1, -1, -1}));
        const QVector<LineMark> marks = Diagnostics::marksFor(found, "/p", "/p/a.c");
        QCOMPARE(marks.size(), 1);
        QCOMPARE(marks.at(0).line, 3);
        QVERIFY(marks.at(0).error);
        QCOMPARE(marks.at(0).message, QStringLiteral("a.c:3:1: warning: w\na.c:3:5: error: x"));
        // F4 and Shift+F4 pass over the note, round the ends.
        QCOMPARE(QList<int>({Diagnostics::step(found, -1, 1), Diagnostics::step(found, 2, 1),
                             Diagnostics::step(found, 4, 1), Diagnostics::step(found, -1, -1),
                             Diagnostics::step(found, 0, -1), Diagnostics::step({}, -1, 1)}),
                 QList<int>({0, 4, 0, 4, 4, -1}));
    }

    // A flood keeps the first ones; a huge line without a break is no
    // diagnostic and is not held whole.
    void floods()
    {
        Collector collector;
        collector.add(Collector::Error, QStringLiteral("a.c:1:1: error: x\n").repeated(Collector::MostKept + 500));
        QCOMPARE(collector.found().size(), Collector::MostKept);
        collector.clear();
        collector.add(Collector::Error, QStringLiteral("a.c:1:1: error: ") + QString(10 * 1000 * 1000, QLatin1Char('x')));
        collector.finish();
        QCOMPARE(collector.found().size(), 0);
    }
};

QTEST_APPLESS_MAIN(tst_Diagnostics)
#include "tst_diagnostics.moc"
