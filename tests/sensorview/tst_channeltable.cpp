#include "channeltable.h"
#include "signaldata.h"
#include "signaltext.h"

#include <QTest>

Q_DECLARE_METATYPE(JumpMode)

namespace {

// Rows for "a" (channels 0 and 1) and "b" (channel 0), in that order.
ChannelTable threeRows()
{
    ChannelTable table;
    table.append(QStringLiteral("a"), 2, 20);
    table.append(QStringLiteral("b"), 1, 20);
    return table;
}

// The bands as the user sees them: rows by signal and channel, a band in
// brackets.
QString shown(const ChannelTable &table, const QVector<QVector<int>> &bands)
{
    QStringList parts;
    for (const QVector<int> &band : bands) {
        QStringList rows;
        for (int row : band)
            rows << table[row].signal + QString::number(table[row].channel);
        parts << '[' + rows.join(' ') + ']';
    }
    return parts.join(' ');
}

} // namespace

class tst_ChannelTable : public QObject
{
    Q_OBJECT

private slots:
    void newRows()
    {
        ChannelTable table = threeRows();
        QCOMPARE(table.size(), 3);
        QCOMPARE(table[1].signal + ' ' + QString::number(table[1].channel) + ' ' + table[1].shownLabel(),
                 QStringLiteral("a 1 1"));
        QCOMPARE(table[2].colour, QColor(255, 0, 0));
        QCOMPARE(table[1].colour, QColor(0, 192, 0));
        QCOMPARE(table[1].height, 20.0);
        QVERIFY(!table[0].value && !table[0].merged && table[0].triggerMode == 0);
        QCOMPARE(table.rowsOf(QStringLiteral("a")), (QList<int>{0, 1}));
        QCOMPARE(table.rowsOf(QStringLiteral("a"), 1), QList<int>{1});
        QCOMPARE(table.rowsOf(QStringLiteral("nobody")), QList<int>());
    }

    void bands_data()
    {
        QTest::addColumn<QVector<int>>("merged");
        QTest::addColumn<QVector<int>>("order");
        QTest::addColumn<QString>("bands");
        QTest::newRow("none merged: a band a row") << QVector<int>{} << QVector<int>{0, 1, 2} << "[a0] [a1] [b0]";
        QTest::newRow("a merged with the next") << QVector<int>{0} << QVector<int>{0, 1, 2} << "[a0 a1] [b0]";
        QTest::newRow("a chain of merges") << QVector<int>{0, 1} << QVector<int>{0, 1, 2} << "[a0 a1 b0]";
        QTest::newRow("the last row merged has nothing to join") << QVector<int>{2} << QVector<int>{0, 1, 2}
                                                                   << "[a0] [a1] [b0]";
        QTest::newRow("the next row in visual order, not by number") << QVector<int>{0} << QVector<int>{1, 0, 2}
                                                                      << "[a1] [a0 b0]";
        QTest::newRow("no rows") << QVector<int>{} << QVector<int>{} << "";
    }

    void bands()
    {
        QFETCH(QVector<int>, merged);
        QFETCH(QVector<int>, order);
        QFETCH(QString, bands);
        ChannelTable table = order.isEmpty() ? ChannelTable() : threeRows();
        for (int row : merged)
            table[row].merged = true;
        QCOMPARE(shown(table, bandsOf(table, order)), bands);
        // Found from any of its rows, as the graph finds the bands in sight.
        const QVector<QVector<int>> all = bandsOf(table, order);
        for (int visual = 0; visual < order.size(); ++visual) {
            const QVector<int> band = bandFrom(table, order, bandStartOf(table, order, visual));
            QVERIFY2(band.contains(order[visual]) && all.contains(band),
                     qPrintable(QStringLiteral("the row at %1 is in %2").arg(visual).arg(shown(table, {band}))));
        }
    }

    void jumps_data()
    {
        QTest::addColumn<JumpMode>("mode");
        QTest::addColumn<double>("from");
        QTest::addColumn<bool>("onlyB");
        QTest::addColumn<QString>("lands");
        // a at 0, 10, 40 ms; b at 5, 20, 60 ms.
        QTest::newRow("next of any signal") << JumpMode::NextSample << 10.0 << false << "20";
        QTest::newRow("next of the selected") << JumpMode::NextSample << 0.0 << true << "5";
        QTest::newRow("previous") << JumpMode::PreviousSample << 40.0 << false << "20";
        QTest::newRow("previous before the first: nowhere") << JumpMode::PreviousSample << 0.0 << false << "nowhere";
        QTest::newRow("start") << JumpMode::Start << 30.0 << false << "0";
        QTest::newRow("start of the selected") << JumpMode::Start << 30.0 << true << "5";
        QTest::newRow("end of the selected") << JumpMode::End << 0.0 << true << "60";
        QTest::newRow("next at the last sample: nowhere") << JumpMode::NextSample << 60.0 << false << "nowhere";
    }

    // Where a jump lands, over all rows or the selected ones; the ends taken
    // from the store when the rows are its signals give the same times.
    void jumps()
    {
        QFETCH(JumpMode, mode);
        QFETCH(double, from);
        QFETCH(bool, onlyB);
        QFETCH(QString, lands);
        SignalData store;
        parseText(store, QStringLiteral("a;0;1;1\nb;0.005;1\na;0.01;1;1\nb;0.02;1\na;0.04;1;1\nb;0.06;1"));
        const ChannelTable table = threeRows();
        const QVector<bool> counts = onlyB ? QVector<bool>{false, false, true} : QVector<bool>{};
        for (bool exactly : {false, true}) {
            const std::optional<double> to = jumpTime(store, table, counts, mode, from, exactly);
            QCOMPARE(to ? QString::number(*to) : QStringLiteral("nowhere"), lands);
        }
    }

    void sharedHeights_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("total");
        QTest::addColumn<QVector<int>>("heights");
        QTest::newRow("even, the rest to the last") << 3 << 100 << QVector<int>{33, 33, 34};
        QTest::newRow("too many rows keep the least") << 10 << 100 << QVector<int>(10, 20);
        QTest::newRow("exactly the least") << 5 << 100 << QVector<int>(5, 20);
        QTest::newRow("no room at all") << 1 << -5 << QVector<int>{20};
        QTest::newRow("no rows") << 0 << 100 << QVector<int>();
    }

    // Rows sharing a height, none below 20 px.
    void sharedHeights()
    {
        QFETCH(int, rows);
        QFETCH(int, total);
        QFETCH(QVector<int>, heights);
        QCOMPARE(::sharedHeights(rows, total, 20), heights);
    }

    // A row whose signal has no records yet counts for nothing.
    void jumpOverASignalWithoutRecords()
    {
        SignalData store;
        parseText(store, QStringLiteral("a;0.01;1;1\n"));
        ChannelTable table = threeRows();
        QCOMPARE(jumpTime(store, table, {}, JumpMode::End, 0, false), std::optional<double>(10.0));
        QCOMPARE(jumpTime(store, ChannelTable(), {}, JumpMode::End, 0, true), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(tst_ChannelTable)
#include "tst_channeltable.moc"
