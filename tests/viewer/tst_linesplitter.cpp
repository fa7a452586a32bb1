#include "linesplitter.h"
#include "testsupport.h"

class tst_LineSplitter : public QObject
{
    Q_OBJECT

private slots:
    void splitsIntoTextLines_data()
    {
        QTest::addColumn<QByteArray>("reads");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("unreadable");
        QTest::newRow("whole lines") << QByteArray("a;0;1\nb;0;2\n") << false << "a;0;1\nb;0;2\n" << qint64(0);
        QTest::newRow("a line split between reads") << QByteArray("a;0|;1\nb;0|;2\n") << false << "a;0;1\nb;0;2\n" << qint64(0);
        QTest::newRow("a last line waits for its line feed") << QByteArray("a;0;1\nb;0") << false << "a;0;1\n" << qint64(0);
        QTest::newRow("until the input ends") << QByteArray("a;0;1\nb;0") << true << "a;0;1\nb;0" << qint64(0);
        QTest::newRow("UTF-8 names") << QByteArray("Temperatur \xc2\xb0""C;0;21\n") << false << QString::fromUtf8("Temperatur \xc2\xb0""C;0;21\n") << qint64(0);
        QTest::newRow("a character split between reads")
            << QByteArray("\xc2|\xb5s;0;1\n") << false << QString::fromUtf8("\xc2\xb5s;0;1\n") << qint64(0);
        QTest::newRow("a zero byte drops its line")
            << QByteArray("a;0;1\nx\0y;1;2\nb;1;2\n", 20) << false << "a;0;1\nb;1;2\n" << qint64(1);
        QTest::newRow("bytes that are not UTF-8") << QByteArray("a;0;1\n\xff\xfe;1;2\n") << false << "a;0;1\n" << qint64(1);
        QTest::newRow("an overlong slash") << QByteArray("\xc0\xaf;1;2\n") << false << "" << qint64(1);
        QTest::newRow("a surrogate") << QByteArray("\xed\xa0\x80;1;2\n") << false << "" << qint64(1);
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80;1;2\n") << false << "" << qint64(1);
        QTest::newRow("a cut character at the end of a line") << QByteArray("ab\xe2\x82\n") << false << "" << qint64(1);
        QTest::newRow("five bad lines, five counted")
            << QByteArray("\xff\n\0\n\xc3\n\xed\xbf\xbf\na\0\n", 13) << false << "" << qint64(5);
        QTest::newRow("a bad last line when the input ends") << QByteArray("a;0;1\n\xff") << true << "a;0;1\n" << qint64(1);
    }

    // Live input reaches the view as whole lines of text; a line that is
    // not text is dropped and counted, never shown as a signal.
    void splitsIntoTextLines()
    {
        QFETCH(QByteArray, reads);
        QFETCH(bool, ends);
        QFETCH(QString, text);
        QFETCH(qint64, unreadable);
        LineSplitter splitter;
        QString handed;
        qint64 dropped = 0;
        for (const QByteArray &bytes : reads.split('|')) {
            const LineSplitter::Lines lines = splitter.take(bytes);
            handed += lines.text;
            dropped += lines.unreadable;
        }
        if (ends) {
            const LineSplitter::Lines last = splitter.finish();
            handed += last.text;
            dropped += last.unreadable;
        }
        QCOMPARE(handed, text);
        QCOMPARE(dropped, unreadable);
    }

    void longLinesAreDropped_data()
    {
        QTest::addColumn<int>("megabytes");
        QTest::addColumn<bool>("ends");
        QTest::newRow("2 MB, then a record") << 2 << false;
        QTest::newRow("100 MB that never end") << 100 << true;
    }

    // A line without a line feed is kept no longer than a line may be: what
    // follows is passed over up to the line feed, not kept, and the lines
    // after it read as ever.
    void longLinesAreDropped()
    {
        QFETCH(int, megabytes);
        QFETCH(bool, ends);
        LineSplitter splitter;
        const QByteArray read(64 * 1024, 'x');
        qint64 dropped = 0;
        QString handed;
        for (int i = 0; i < megabytes * 16; ++i) {
            const LineSplitter::Lines lines = splitter.take(read);
            handed += lines.text;
            dropped += lines.unreadable;
        }
        const LineSplitter::Lines last = ends ? splitter.finish() : splitter.take("\na;0;1\n");
        handed += last.text;
        dropped += last.unreadable;
        QCOMPARE(handed, ends ? QString() : QStringLiteral("a;0;1\n"));
        QCOMPARE(dropped, 1);
    }
};

QTEST_GUILESS_MAIN(tst_LineSplitter)
#include "tst_linesplitter.moc"
