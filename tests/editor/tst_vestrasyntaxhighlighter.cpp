#include "referencehighlighter.h"
#include "vestrasyntaxhighlighter.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QPlainTextDocumentLayout>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

using namespace ReferenceHighlighting;

namespace {

// A highlighter attached to a document highlights it on the next turn of
// the event loop, and only then follows its changes.
void settle()
{
    QCoreApplication::processEvents();
}

// A change of many lines is highlighted in part at once, the rest when the
// program is idle: the event loop turns until it is all done.
bool highlightedAtIdle(const VESTRASyntaxHighlighter &highlighter)
{
    for (int turn = 0; turn < 100000 && highlighter.isHighlighting(); ++turn)
        QCoreApplication::processEvents();
    return !highlighter.isHighlighting();
}

// Pieces of lines that make the rules meet and clash.
QStringList clashingPieces()
{
    return {"int", "Q", "QString", "Qt5", "Q_OBJECT", "kvqoutput", "kvqoutputs", "(", ")", " ", "  ",
            "\"", "\"text\"", "//", "/", "*", "/*", "*/", "/*/", "uint8_t", "_int", "int_", "3", "x1",
            "char", "bool", "void", "typename", "sizeof", ";", "{", "}", "\t", "\u00e9", "\u00b5s",
            "\r", "\u2028", "QWidget(", "printf (", "a+b", "#include", "<QStr>", "'\"'", "\\\""};
}

QString highlight(const QString &text)
{
    LaidOutDocument doc;
    VESTRASyntaxHighlighter highlighter(&doc);
    settle();
    doc.setPlainText(text);
    return paintOf(doc).join(QLatin1Char('\n'));
}

} // namespace

class tst_VESTRASyntaxHighlighter : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        // K keyword, C class name, G comment, S string, F function call,
        // O output keyword, . plain. Block comments are G too.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("paint");
        const QStringList keywords{"char", "class", "const", "double", "enum", "explicit", "friend", "inline",
                                   "int", "long", "namespace", "operator", "private", "protected", "public",
                                   "short", "signals", "signed", "slots", "static", "struct", "template",
                                   "typedef", "typename", "union", "unsigned", "virtual", "void", "volatile", "bool"};
        QStringList paints;
        for (const QString &word : keywords)
            paints << QString(word.size(), 'K');
        QTest::newRow("every keyword") << keywords.join(' ') << paints.join('.');
        QTest::newRow("case matters") << "INT Char qString KVQOUTPUT" << "..........................";
        QTest::newRow("keyword and call") << "int main(" << "KKK.FFFF.";
        QTest::newRow("sizeof call") << "sizeof(x)" << "FFFFFF...";
        QTest::newRow("class name") << "QString name" << "CCCCCCC.....";
        QTest::newRow("class name called") << "QString(" << "FFFFFFF.";
        QTest::newRow("output keyword") << "kvqoutput(v)" << "OOOOOOOOO...";
        QTest::newRow("strict word bounds") << "uint8_t int32_t" << "...............";
        QTest::newRow("Q_OBJECT and friends") << "Q_OBJECT QT_VERSION Q Qt5" << ".........................";
        QTest::newRow("space defeats call") << "printf (x)" << "..........";
        QTest::newRow("control words plain") << "if else for while return float" << "..............................";
        QTest::newRow("line comment") << "// int x" << "GGGGGGGG";
        QTest::newRow("quoted word in comment") << "// say \"hi\" now" << "GGGGGGGSSSSGGGG";
        QTest::newRow("call in comment") << "// call foo(" << "GGGGGGGGFFFG";
        QTest::newRow("slashes in string") << "s = \"a//b\"; x" << "....SSSSSSGGG";
        QTest::newRow("two strings one range") << "\"a\" + \"b\"" << "SSSSSSSSS";
        QTest::newRow("single quote char") << "x = \"oops" << ".........";
        QTest::newRow("opener closes itself") << "/*/" << "GGG";
        QTest::newRow("shortest comment") << "/**/ int" << "GGGG.KKK";
        QTest::newRow("two comments") << "/* a */ x /* b */" << "GGGGGGG...GGGGGGG";
        QTest::newRow("no nesting") << "/* a /* b */ c */" << "GGGGGGGGGGGG.....";
        QTest::newRow("keywords inside comment") << "/* int QString kvqoutput( */" << "GGGGGGGGGGGGGGGGGGGGGGGGGGGG";
        QTest::newRow("non-ASCII is no word char") << "\u00e9int f\u00fc(" << ".KKK....";
        QTest::newRow("digits start a call") << "3(x)" << "F...";
        QTest::newRow("unterminated opener") << "int a; /* open\nint b;\n\nend */ int c;"
                                             << "KKK....GGGGGGG state 1\nGGGGGG state 1\n state 1\nGGGGGG.KKK... state 0";
        QTest::newRow("opener in a string opens") << "s = \"/*\";\nint x;" << "....SGGGG state 1\nGGGGGG state 1";
        QTest::newRow("opener in a line comment opens") << "// see /*\nint x; */ int"
                                                        << "GGGGGGGGG state 1\nGGGGGGGGG.KKK state 0";
        QTest::newRow("closed on one line") << "/* a */ x\nint" << "GGGGGGG.. state 0\nKKK state 0";
    }

    // A single line's paint, or every line's paint and state.
    void lines()
    {
        QFETCH(QString, text);
        QFETCH(QString, paint);
        const QString result = highlight(text);
        QCOMPARE(paint.contains(" state ") ? result : result.section(QLatin1Char(' '), 0, -3), paint);
    }

    void sameAsRuleByRule_data()
    {
        QTest::addColumn<QString>("text");
        const QString source = qEnvironmentVariable("VESTRA_SOURCE_DIR");
        QDirIterator files(source, {QStringLiteral("*.c"), QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                           QDir::Files, QDirIterator::Subdirectories);
        int count = 0;
        while (files.hasNext()) {
            const QString path = files.next();
            if (path.contains(QLatin1String("/build")))
                continue;
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(path.mid(source.size() + 1))) << QString::fromUtf8(file.readAll());
            ++count;
        }
        QVERIFY(count > 10);
    }

    void sameAsRuleByRule()
    {
        QFETCH(QString, text);
        LaidOutDocument fast;
        VESTRASyntaxHighlighter highlighter(&fast);
        fast.setPlainText(text);
        LaidOutDocument reference;
        ReferenceHighlighter plain(&reference);
        reference.setPlainText(text);
        settle();
        QVERIFY(highlightedAtIdle(highlighter));
        const QString difference = firstDifference(fast, reference);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // A long file shows its first screenful coloured as soon as it is
    // loaded; the lines further down follow when the program is idle, in
    // more than one turn of the event loop (bench_editor times the turns).
    void longFileFirstScreenAtOnce()
    {
        QString text;
        for (int i = 0; i < 20000; ++i)
            text += QStringLiteral("int reading_%1 = read(%1); // sample\n").arg(i);
        // Laid out as the editor lays out its text.
        QTextDocument doc;
        doc.setDocumentLayout(new QPlainTextDocumentLayout(&doc));
        VESTRASyntaxHighlighter highlighter(&doc);
        settle();
        doc.setPlainText(text);
        const QString coloured = QStringLiteral("KKK.............FFFF.....GGGGGGGGG");
        QCOMPARE(paintOf(doc.findBlockByNumber(0)).left(coloured.size()), coloured);
        QCOMPARE(paintOf(doc.findBlockByNumber(100)).left(3), QStringLiteral("KKK"));
        QVERIFY2(highlighter.isHighlighting(), "all 20,000 lines were highlighted before the text showed");
        QCOMPARE(paintOf(doc.findBlockByNumber(19999)).left(3), QStringLiteral("..."));
        int turns = 0;
        for (; highlighter.isHighlighting() && turns < 10000; ++turns)
            QCoreApplication::processEvents();
        QVERIFY2(turns > 1, "the lines left for idle time were done in one go");
        QCOMPARE(paintOf(doc.findBlockByNumber(19999)).left(3), QStringLiteral("KKK"));
    }

    void editsFollowedAsRuleByRule_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("settleEachStep");
        for (quint32 seed = 1; seed <= 8; ++seed)
            QTest::addRow("seed %u", seed) << seed << true;
        // Edits that come while the lines of the last ones still wait for
        // idle time.
        for (quint32 seed = 9; seed <= 16; ++seed)
            QTest::addRow("seed %u, typing on while highlighting", seed) << seed << false;
    }

    // Typing, deleting and pasting, some of it while an input method composes
    // text, must leave every line as the plain reading of the table leaves it.
    void editsFollowedAsRuleByRule()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, settleEachStep);
        QRandomGenerator random(seed);
        QStringList pieces = clashingPieces();
        pieces << QStringLiteral("\n") << QStringLiteral("\n/*") << QStringLiteral("*/\n");
        auto randomText = [&](int count) {
            QString text;
            for (int i = 0; i < count; ++i)
                text += pieces.at(random.bounded(pieces.size()));
            return text;
        };

        LaidOutDocument fast;
        VESTRASyntaxHighlighter highlighter(&fast);
        LaidOutDocument reference;
        ReferenceHighlighter plain(&reference);
        const QString start = randomText(300);
        fast.setPlainText(start);
        reference.setPlainText(start);

        for (int step = 0; step < 30; ++step) {
            const int length = fast.characterCount() - 1;
            const int position = random.bounded(length + 1);
            const int kind = random.bounded(10);
            QString inserted;
            int removed = 0;
            if (kind < 5)
                inserted = randomText(1 + random.bounded(3));
            else if (kind < 8)
                removed = random.bounded(qMin(40, length - position) + 1);
            else if (kind == 8)
                inserted = randomText(6000); // a paste long enough to be read in one piece
            else
                removed = length - position;
            const bool composing = random.bounded(4) == 0;
            for (QTextDocument *doc : {static_cast<QTextDocument *>(&fast), static_cast<QTextDocument *>(&reference)}) {
                QTextBlock block = doc->findBlock(position);
                if (composing)
                    block.layout()->setPreeditArea(position - block.position(), QStringLiteral("xy"));
                QTextCursor cursor(doc);
                cursor.setPosition(position);
                cursor.setPosition(position + removed, QTextCursor::KeepAnchor);
                cursor.insertText(inserted);
            }
            if (settleEachStep || step == 29) {
                QVERIFY(highlightedAtIdle(highlighter));
                const QString difference = firstDifference(fast, reference);
                QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(step).arg(difference)));
            } else if (random.bounded(3) == 0) {
                // Some idle time, not enough for everything.
                QCoreApplication::processEvents();
            }
            for (QTextDocument *doc : {static_cast<QTextDocument *>(&fast), static_cast<QTextDocument *>(&reference)}) {
                if (composing)
                    doc->findBlock(position).layout()->setPreeditArea(-1, QString());
            }
        }
    }
};

QTEST_MAIN(tst_VESTRASyntaxHighlighter)
#include "tst_vestrasyntaxhighlighter.moc"
