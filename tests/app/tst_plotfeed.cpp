#include "plotfeed.h"

#include <QTest>

class tst_PlotFeed : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QStringList>("chunks");
        // How much waits for the viewer as each chunk comes, in MB.
        QTest::addColumn<QList<int>>("waitingMB");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<qint64>("skipped");
        QTest::newRow("whole lines go as they come") << QStringList{"a;0;1\nb;0;2\n", "a;1;3\n"} << QList<int>{0, 0}
                                                     << QByteArray("a;0;1\nb;0;2\na;1;3\n") << qint64(0);
        QTest::newRow("a line in pieces goes whole") << QStringList{"a;0", ";1\nb;", "0;2\n"} << QList<int>{0, 0, 0}
                                                     << QByteArray("a;0;1\nb;0;2\n") << qint64(0);
        QTest::newRow("the last line goes at the end") << QStringList{"a;0;1\nb;0"} << QList<int>{0}
                                                       << QByteArray("a;0;1\nb;0\n") << qint64(0);
        QTest::newRow("the last line missed at the end") << QStringList{"a;0;1\nb;0"} << QList<int>{16}
                                                         << QByteArray("#vestra:skipped 2\n") << qint64(2);
        QTest::newRow("a full viewer misses whole lines, then hears how many")
            << QStringList{"a;0;1\n", "a;1;2\na;2;3\n", "a;3;4\n"} << QList<int>{0, 16, 0}
            << QByteArray("a;0;1\n#vestra:skipped 2\na;3;4\n") << qint64(2);
        QTest::newRow("an unfinished line is held, and goes whole once there is room")
            << QStringList{"a;0;1\na;1", ";2\na;2;3\n"} << QList<int>{16, 0}
            << QByteArray("#vestra:skipped 1\na;1;2\na;2;3\n") << qint64(1);
        QTest::newRow("missed at the end: told at the end") << QStringList{"a;0;1\n"} << QList<int>{16}
                                                            << QByteArray("#vestra:skipped 1\n") << qint64(1);
        QTest::newRow("not UTF-8 alone: the text as read") << QStringList{QString::fromUtf8("t;0;1 \u00b5s\n")} << QList<int>{0}
                                                           << QByteArray("t;0;1 \xc2\xb5s\n") << qint64(0);
    }

    // What the viewer receives of a run's output.
    void lines()
    {
        QFETCH(QStringList, chunks);
        QFETCH(QList<int>, waitingMB);
        QFETCH(QByteArray, written);
        QFETCH(qint64, skipped);
        PlotFeed feed;
        QByteArray received;
        for (int i = 0; i < chunks.size(); ++i)
            received += feed.take(chunks.at(i), qint64(waitingMB.at(i)) * 1024 * 1024);
        received += feed.finish(qint64(waitingMB.last()) * 1024 * 1024);
        QCOMPARE(received, written);
        QCOMPARE(feed.skippedLines(), skipped);
    }

    // Output without line breaks is held only up to the bound, then missed.
    void endlessLine()
    {
        PlotFeed feed;
        const QString piece(1024 * 1024, QLatin1Char('x'));
        for (int i = 0; i < 40; ++i)
            QVERIFY(feed.take(piece, 0).isEmpty());
        QCOMPARE(feed.take(QStringLiteral("x\na;0;1\n"), 0), QByteArray("#vestra:skipped 1\na;0;1\n"));
    }
};

QTEST_APPLESS_MAIN(tst_PlotFeed)
#include "tst_plotfeed.moc"
