#include "consolewriter.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextEdit>

namespace {

// Each paragraph's text with the colour of every one of its characters, or
// of the paragraph itself when it is empty.
QStringList describe(const QTextEdit &console)
{
    QStringList lines;
    for (QTextBlock block = console.document()->begin(); block.isValid(); block = block.next()) {
        QString line = block.text() + QLatin1Char('|');
        if (block.begin().atEnd())
            line += block.charFormat().foreground().color().name();
        for (auto it = block.begin(); !it.atEnd(); ++it)
            line += QStringLiteral("%1:%2 ").arg(it.fragment().length()).arg(it.fragment().charFormat().foreground().color().name());
        lines << line;
    }
    return lines;
}

const QColor Palette[] = {Qt::darkBlue, Qt::red, QColor(255, 101, 0), Qt::darkGreen, Qt::darkRed};

} // namespace

class tst_ConsoleWriter : public QObject
{
    Q_OBJECT

private slots:
    void sameAsAppendingEachChunk_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("flushBetween");
        for (quint32 seed : {1u, 2u, 3u, 42u, 1234u}) {
            QTest::addRow("seed %u gathered", seed) << seed << false;
            QTest::addRow("seed %u one by one", seed) << seed << true;
        }
    }

    void sameAsAppendingEachChunk()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, flushBetween);
        QRandomGenerator random(seed);
        const QStringList pieces{"", "\n", "line", "two\nlines", "\nleading", "trailing\n", "a\n\nb",
                                 "Warning: x", "  spaced  ", "\n\n", "\u00b0C \u00b5s"};

        QTextEdit reference;
        QTextEdit console;
        ConsoleWriter writer(&console);
        for (int i = 0; i < 300; ++i) {
            QString chunk;
            const int parts = 1 + random.bounded(3);
            for (int p = 0; p < parts; ++p)
                chunk += pieces.at(random.bounded(pieces.size()));
            // Runs of one colour are what gets gathered, so make them common.
            const QColor color = Palette[random.bounded(100) < 70 ? 0 : random.bounded(5)];
            reference.setTextColor(color);
            reference.append(chunk);
            writer.write(color, chunk);
            if (flushBetween)
                writer.flushAll();
        }
        writer.flushAll();
        QCOMPARE(describe(console), describe(reference));
        QCOMPARE(console.toPlainText(), reference.toPlainText());
    }

    void keepsNewestParagraphs_data()
    {
        QTest::addColumn<int>("chunkLines");
        QTest::newRow("one huge chunk") << 130000;
        QTest::newRow("many small chunks") << 7;
    }

    void keepsNewestParagraphs()
    {
        QFETCH(int, chunkLines);
        QTextEdit console;
        ConsoleWriter writer(&console);
        const int total = ConsoleWriter::MaxParagraphs + 30000;
        int written = 0;
        while (written < total) {
            QString chunk;
            const int lines = qMin(chunkLines, total - written);
            for (int i = 0; i < lines; ++i) {
                if (i)
                    chunk += QLatin1Char('\n');
                chunk += QString::number(written + i);
            }
            writer.write(Qt::darkBlue, chunk);
            written += lines;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!writer.hasPending(), 20000);
        QTextDocument *doc = console.document();
        QVERIFY(doc->blockCount() <= ConsoleWriter::MaxParagraphs);
        QVERIFY(doc->blockCount() >= ConsoleWriter::TrimmedParagraphs);
        QCOMPARE(doc->lastBlock().text(), QString::number(total - 1));
        // What is kept is the newest, without a gap.
        QCOMPARE(doc->firstBlock().text(), QString::number(total - doc->blockCount()));
    }

    void floodEndsWithItsClosingLineAtOnce_data()
    {
        QTest::addColumn<bool>("lineBreaks");
        QTest::newRow("short lines") << true;
        QTest::newRow("no line breaks") << false;
    }

    // A flood far larger than the console holds: the closing line written
    // after it shows with the first insertion, while what came before goes
    // in above it; in the end the console holds the newest part of all that
    // was written, in order and in its colours, without a gap.
    void floodEndsWithItsClosingLineAtOnce()
    {
        QFETCH(bool, lineBreaks);
        QTextEdit console;
        console.resize(600, 300);
        console.show();
        ConsoleWriter writer(&console);
        QString all;
        // Half as much again as the console holds: paragraphs, or characters.
        const auto enough = [&](int chunks) {
            return lineBreaks ? chunks * 2000 > 3 * ConsoleWriter::MaxParagraphs / 2
                              : all.size() > 3 * ConsoleWriter::MaxCharacters / 2;
        };
        for (int i = 0; !enough(i); ++i) {
            QString chunk;
            for (int j = 0; j < 2000; ++j)
                chunk += QString::number(i * 2000 + j) + (lineBreaks ? QStringLiteral("\n") : QStringLiteral(" "));
            chunk.chop(1);
            writer.write(Qt::darkBlue, chunk);
            all += (all.isEmpty() ? QString() : QStringLiteral("\n")) + chunk;
        }
        const QString closing = QStringLiteral("\nOperation finished successfully");
        writer.write(Qt::darkGreen, closing);
        all += QStringLiteral("\n") + closing;
        QTRY_VERIFY(console.document()->blockCount() > 1);
        QCOMPARE(console.document()->lastBlock().text(), QStringLiteral("Operation finished successfully"));
        QVERIFY(writer.hasPending());
        QTRY_VERIFY_WITH_TIMEOUT(!writer.hasPending(), 30000);

        QTextDocument *doc = console.document();
        QVERIFY(doc->characterCount() <= ConsoleWriter::MaxCharacters);
        QVERIFY(doc->blockCount() <= ConsoleWriter::MaxParagraphs);
        QVERIFY(doc->characterCount() >= ConsoleWriter::MaxCharacters / 4 || doc->blockCount() >= ConsoleWriter::TrimmedParagraphs);
        // Display paragraphs of long text are the text with line breaks put
        // in; without them, what is shown is what was written.
        QString shown = doc->toPlainText();
        QString written = all;
        if (!lineBreaks) {
            shown.remove(QLatin1Char('\n'));
            written.remove(QLatin1Char('\n'));
        }
        QVERIFY2(written.endsWith(shown), "the console shows something else than the newest part");
        const QTextBlock last = doc->lastBlock();
        QCOMPARE(last.begin().fragment().charFormat().foreground().color(), QColor(Qt::darkGreen));
        QCOMPARE(doc->firstBlock().begin().fragment().charFormat().foreground().color(), QColor(Qt::darkBlue));
    }

    // A second flood that comes while the first still goes in above what is
    // shown: when all of it fits, all of it is shown, in order.
    void secondFloodWhileTheFirstFillsIn()
    {
        QTextEdit console;
        console.resize(600, 300);
        console.show();
        ConsoleWriter writer(&console);
        QString all;
        for (int batch = 0; batch < 2; ++batch) {
            QString chunk;
            for (int line = 0; line < 8000; ++line)
                chunk += QStringLiteral("%1 of batch %2 ").arg(line).arg(batch) + QString(80, QLatin1Char('x')) + '\n';
            chunk.chop(1);
            writer.write(Qt::darkBlue, chunk);
            all += (all.isEmpty() ? QString() : QStringLiteral("\n")) + chunk;
            // The newest of the first shows first; what came before it still
            // waits when the second comes.
            if (batch == 0) {
                QTRY_VERIFY(console.document()->lastBlock().text().startsWith(QStringLiteral("7999 of batch 0")));
                QVERIFY(writer.hasPending());
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(!writer.hasPending(), 20000);
        QCOMPARE(console.toPlainText(), all);
    }

    // Clear drops what waits; markup is shown as the text it is.
    void clearDropsPending()
    {
        QTextEdit console;
        ConsoleWriter writer(&console);
        writer.write(Qt::darkBlue, QStringLiteral("first"));
        writer.write(Qt::darkBlue, QStringLiteral("waits"));
        writer.clear();
        QVERIFY(!writer.hasPending());
        writer.write(Qt::darkGreen, QStringLiteral("<b>bold</b> <p>para"));
        writer.flushAll();
        QCOMPARE(console.toPlainText(), QStringLiteral("<b>bold</b> <p>para"));
    }
};

QTEST_MAIN(tst_ConsoleWriter)
#include "tst_consolewriter.moc"
