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
