#include "signaldata.h"
#include "testsupport.h"

#include <QRandomGenerator>

#include <map>
#include <vector>

Q_DECLARE_METATYPE(QVector<double>)

namespace {

SignalRecord rec(const QString &name, double time, QVector<double> values = {})
{
    return SignalRecord{name, time, values};
}

SignalData storeOf(const QVector<SignalRecord> &records)
{
    SignalData store;
    store.assign(records);
    return store;
}

QVector<double> timesOf(const SignalData &store, const SignalSeries &series)
{
    QVector<double> times;
    for (int i = 0; i < series.size(); ++i)
        times << store.time(series, i);
    return times;
}

// The store as the plain reading of its description builds it: records
// held by value, sorted insertion by a walk, ranges in a map.
struct ModelSeries
{
    std::vector<SignalRecord> records;
    std::map<int, ChannelRange> ranges;
    int channelCount = 0;

    void insert(const SignalRecord &r)
    {
        const int n = r.values.size();
        channelCount = std::max(channelCount, n);
        for (int i = 0; i < n; ++i) {
            const double v = r.values[i];
            if (records.empty()) {
                ranges[i] = {v, v};
            } else {
                ChannelRange &range = ranges[i];
                if (!(v > range.min))
                    range.min = v;
                if (v > range.max)
                    range.max = v;
            }
        }
        if (records.empty() || !(r.time < records.back().time)) {
            records.push_back(r);
            return;
        }
        size_t at = 0;
        while (records[at].time < r.time)
            ++at;
        records.insert(records.begin() + long(at), r);
    }
};

struct Model
{
    ModelSeries all;
    std::map<QString, ModelSeries> bySignal;
    QStringList names;

    void add(const SignalRecord &r)
    {
        all.insert(r);
        if (!bySignal.count(r.name))
            names << r.name;
        bySignal[r.name].insert(r);
    }
    void rebuild(const std::vector<SignalRecord> &records)
    {
        *this = Model();
        for (const SignalRecord &r : records)
            add(r);
    }
};

void compareSeries(const SignalData &store, const SignalSeries &series, const ModelSeries &model)
{
    QCOMPARE(series.size(), int(model.records.size()));
    QCOMPARE(series.channelCount, model.channelCount);
    QCOMPARE(series.ranges.size(), int(model.ranges.size()));
    for (const auto &entry : model.ranges) {
        QCOMPARE(series.ranges[entry.first].min, entry.second.min);
        QCOMPARE(series.ranges[entry.first].max, entry.second.max);
    }
    for (int i = 0; i < series.size(); ++i) {
        const SignalRecord r = store.record(series.records[i]);
        QCOMPARE(r.name, model.records[size_t(i)].name);
        QCOMPARE(r.time, model.records[size_t(i)].time);
        QCOMPARE(r.values, model.records[size_t(i)].values);
    }
}

void compareStore(const SignalData &store, const Model &model)
{
    compareSeries(store, store.all(), model.all);
    QCOMPARE(store.signalNames(), model.names);
    QCOMPARE(store.bySignal().size(), int(model.bySignal.size()));
    for (const auto &entry : model.bySignal)
        compareSeries(store, store.series(entry.first), entry.second);
}

} // namespace

VESTRA_TEST_ROW(EditsShareValuesWithCopiesRow, bool, double, double, bool)

VESTRA_TEST_ROW(NeighboursRow, QVector<double>, double, int, int, double)

VESTRA_TEST_ROW(ValueAtRow, double, int, double)

VESTRA_TEST_ROW(EditsRow, QString, QVector<double>, QStringList)

class tst_SignalData : public QObject
{
    Q_OBJECT

private slots:
    void valueAt_data()
    {
        QTest::addColumn<ValueAtRow>("row");
        const double nan = std::nan("");
        QTest::newRow("before the first record") << ValueAtRow{9.0, 0, nan};
        QTest::newRow("at the first record") << ValueAtRow{10.0, 0, 1.0};
        QTest::newRow("between: hold") << ValueAtRow{15.0, 1, 2.0};
        QTest::newRow("at a later record") << ValueAtRow{20.0, 0, 3.0};
        QTest::newRow("after the last") << ValueAtRow{99.0, 0, 5.0};
        QTest::newRow("record lacks the channel") << ValueAtRow{20.0, 1, 0.0};
        QTest::newRow("channel -1") << ValueAtRow{15.0, -1, nan};
        QTest::newRow("channel = channelCount") << ValueAtRow{15.0, 2, nan};
    }

    void valueAt()
    {
        const auto [time, channel, expected] = TestSupport::row<ValueAtRow>();
        const SignalData store = storeOf({rec("a", 10, {1, 2}), rec("a", 20, {3}), rec("a", 30, {5, 6})});
        const double value = store.valueAt(store.series("a"), time, channel);
        if (std::isnan(expected))
            QVERIFY(std::isnan(value));
        else
            QCOMPARE(value, expected);
        QVERIFY(std::isnan(store.valueAt(store.series("missing"), time, 0)));
    }

    void neighbours_data()
    {
        QTest::addColumn<NeighboursRow>("row");
        const QVector<double> times{10, 20, 20, 40};
        QTest::newRow("exact match picks a neighbour") << NeighboursRow{times, 20.0, 3, 0, 10.0};
        QTest::newRow("tie goes to the later") << NeighboursRow{times, 30.0, 3, 2, 40.0};
        QTest::newRow("closer earlier") << NeighboursRow{times, 24.0, 3, 2, 20.0};
        QTest::newRow("before all") << NeighboursRow{times, 0.0, 0, -1, 10.0};
        QTest::newRow("after all") << NeighboursRow{times, 50.0, -1, 3, 40.0};
        QTest::newRow("at the last") << NeighboursRow{times, 40.0, -1, 2, 20.0};
        QTest::newRow("empty keeps the time") << NeighboursRow{QVector<double>{}, 7.0, -1, -1, 7.0};
        QTest::newRow("single at the time") << NeighboursRow{QVector<double>{5}, 5.0, -1, -1, 5.0};
    }

    void neighbours()
    {
        const auto [times, t, next, previous, nearest] = TestSupport::row<NeighboursRow>();
        SignalData store;
        for (double time : times)
            store.addRecord(rec("a", time));
        QCOMPARE(store.nextIndex(store.all(), t), next);
        QCOMPARE(store.previousIndex(store.all(), t), previous);
        QCOMPARE(store.nearestTime(store.all(), t), nearest);
    }

    void edits_data()
    {
        QTest::addColumn<EditsRow>("row");
        // Records: b at 5, a at 10, b at 15, a at 20, c at 25, a at 1500 ("big").
        QTest::newRow("delete reversed ends")
            << EditsRow{"delete 20 10", QVector<double>{5, 15, 1490}, QStringList{"b", "c", "a"}};
        QTest::newRow("crop") << EditsRow{"crop 20 10", QVector<double>{0, 5, 10}, QStringList{"a", "b"}};
        QTest::newRow("crop nothing") << EditsRow{"crop 30 40", QVector<double>{}, QStringList{}};
        QTest::newRow("shift to zero")
            << EditsRow{"shift", QVector<double>{0, 5, 10, 15, 20, 1495}, QStringList{"b", "a", "c"}};
        QTest::newRow("remove b") << EditsRow{"remove b", QVector<double>{10, 20, 25, 1500}, QStringList{"a", "c"}};
        QTest::newRow("insert at 12")
            << EditsRow{"insert 12", QVector<double>{5, 10, 12, 52, 55, 60, 65, 1540}, QStringList{"b", "a", "x", "c"}};
    }

    void edits()
    {
        const auto [edit, times, names] = TestSupport::row<EditsRow>();
        SignalData store = storeOf({rec("b", 5, {1}), rec("a", 10, {2}), rec("b", 15, {3}), rec("a", 20, {4}),
                                    rec("c", 25, {5}), rec("a", 1500, {6})});
        const QStringList words = edit.split(QLatin1Char(' '));
        if (words[0] == QLatin1String("delete"))
            store.deleteRange(words[1].toDouble(), words[2].toDouble());
        else if (words[0] == QLatin1String("crop"))
            store.crop(words[1].toDouble(), words[2].toDouble());
        else if (words[0] == QLatin1String("shift"))
            store.shiftToZero();
        else if (words[0] == QLatin1String("remove"))
            store.removeSignal(words[1]);
        else
            store.insertAt(words[1].toDouble(), storeOf({rec("x", 0), rec("x", 40)}));
        QCOMPARE(timesOf(store, store.all()), times);
        QCOMPARE(store.signalNames(), names);
    }

    void unknownNameReadsEmpty()
    {
        const SignalData store = storeOf({rec("a", 1)});
        QVERIFY(store.series("nobody").isEmpty());
        QVERIFY(!store.bySignal().contains("nobody"));
        QCOMPARE(store.firstTime(store.series("nobody")), 0.0);
        QCOMPARE(store.lastTime(store.series("nobody")), 0.0);
        QCOMPARE(SignalData::valueOf(rec("a", 0, {4}), 1), 0.0);
        QCOMPARE(SignalData::valueOf(rec("a", 0, {4}), -1), 0.0);
    }

    // Copies share their arrays until one of them changes: a change to
    // either side, or an assignment, never shows in the other.
    void copiesAreIndependent()
    {
        SignalData original = storeOf({rec("a", 10, {1}), rec("b", 20, {2})});
        SignalData copy = original;
        copy.addRecord(rec("a", 30, {3}));
        copy.crop(10, 30);
        QCOMPARE(timesOf(copy, copy.all()), (QVector<double>{0, 10, 20}));
        SignalData second = original;
        original.addRecord(rec("a", 15, {9}));
        original.addRecord(rec("c", 1, {9}));
        QCOMPARE(original.series("a").size(), 2);
        SignalData assigned;
        assigned = second;
        second.clear();
        assigned.addRecord(rec("b", 5, {1}));
        QCOMPARE(assigned.series("b").size(), 2);
        QCOMPARE(second.recordCount(), 0);
        QCOMPARE(timesOf(assigned, assigned.all()), (QVector<double>{5, 10, 20}));
        QCOMPARE(assigned.signalNames(), (QStringList{"a", "b"}));
        QCOMPARE(assigned.series("a").size(), 1);
    }

    void editsShareValuesWithCopies_data()
    {
        QTest::addColumn<EditsShareValuesWithCopiesRow>("row");
        QTest::newRow("delete a little") << EditsShareValuesWithCopiesRow{false, 40.0, 42.0, true};
        QTest::newRow("crop a little off") << EditsShareValuesWithCopiesRow{true, 5.0, 99.0, true};
        QTest::newRow("delete most") << EditsShareValuesWithCopiesRow{false, 10.0, 90.0, false};
        QTest::newRow("crop to a small part") << EditsShareValuesWithCopiesRow{true, 85.0, 99.0, false};
    }

    // An undo step holds a copy of the store from before an edit. Edits that
    // keep most records must leave their values where the copy has them, or
    // every step would cost a whole recording.
    void editsShareValuesWithCopies()
    {
        const auto [crop, from, to, shared] = TestSupport::row<EditsShareValuesWithCopiesRow>();
        SignalData store;
        for (int i = 0; i < 100; ++i)
            store.addRecord(rec(i % 2 ? "a" : "b", i, {double(i), -double(i)}));
        const SignalData before = store;
        if (crop)
            store.crop(from, to);
        else
            store.deleteRange(from, to);

        // A record both keep: the last one, its values unchanged.
        const quint32 kept = store.series("a").records[store.series("a").size() - 1];
        const quint32 original = before.series("a").records[before.series("a").size() - 1];
        QCOMPARE(store.valueOf(kept, 0), 99.0);
        QCOMPARE(store.values(kept) == before.values(original), shared);

        // Shared or not, the copy is the store as it was.
        QCOMPARE(before.recordCount(), 100);
        QCOMPARE(before.time(before.all(), 99), 99.0);
        const double expected = crop ? 99.0 - from : 99.0 - (to - from);
        QCOMPARE(store.time(store.all(), store.recordCount() - 1), expected);
    }

    void restoreIsAssign_data()
    {
        QTest::addColumn<bool>("inTimeOrder");
        QTest::newRow("records in time order: shared") << true;
        QTest::newRow("records out of order: rebuilt") << false;
    }

    void restoreIsAssign()
    {
        QFETCH(bool, inTimeOrder);
        // Out of order, a channel first seen late and a signal that appears
        // first by insertion but later in time: assign() would change the
        // ranges and the name order, and restore() must do the same.
        const QVector<SignalRecord> records = inTimeOrder
            ? QVector<SignalRecord>{rec("a", 0, {1}), rec("b", 5, {2, 3}), rec("a", 9, {-4, 6})}
            : QVector<SignalRecord>{rec("b", 50, {2}), rec("a", 10, {5, 7}), rec("a", 0, {-1})};
        SignalData snapshot;
        for (const SignalRecord &r : records)
            snapshot.addRecord(r);
        SignalData restored = storeOf({rec("x", 1, {9})});
        restored.restore(snapshot);
        const SignalData assigned = storeOf(snapshot.records());
        const QVector<SignalRecord> inOrder = snapshot.records();
        Model model;
        model.rebuild(std::vector<SignalRecord>(inOrder.cbegin(), inOrder.cend()));
        compareStore(restored, model);
        compareStore(assigned, model);
        // Independent of the snapshot afterwards.
        restored.addRecord(rec("c", 100));
        QCOMPARE(snapshot.signalNames().size(), 2);
    }

    void sameAsPlainModel_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 40; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void sameAsPlainModel()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        SignalData store;
        Model model;
        std::vector<SignalRecord> history;
        const QStringList names{"a", "b", "c"};
        for (int step = 0; step < 300; ++step) {
            const int action = random.bounded(100);
            if (action < 85) {
                QVector<double> values;
                const int count = random.bounded(4);
                for (int i = 0; i < count; ++i)
                    values << (random.bounded(2000) - 1000) / 10.0;
                const SignalRecord r = rec(names[random.bounded(3)], random.bounded(60) * 5.0, values);
                store.addRecord(r);
                model.add(r);
                continue;
            }
            // Edits rebuild from the records in time order.
            std::vector<SignalRecord> records = model.all.records;
            std::vector<SignalRecord> next;
            const double a = random.bounded(60) * 5.0;
            const double b = random.bounded(60) * 5.0;
            const double lo = std::min(a, b);
            const double hi = std::max(a, b);
            if (action < 90) {
                store.crop(a, b);
                for (SignalRecord r : records)
                    if (lo <= r.time && r.time <= hi) {
                        r.time -= lo;
                        next.push_back(r);
                    }
            } else if (action < 95) {
                store.deleteRange(a, b);
                for (SignalRecord r : records) {
                    if (r.time < lo)
                        next.push_back(r);
                    else if (r.time > hi) {
                        r.time -= hi - lo;
                        next.push_back(r);
                    }
                }
            } else {
                const QString name = names[random.bounded(3)];
                store.removeSignal(name);
                for (const SignalRecord &r : records)
                    if (r.name != name)
                        next.push_back(r);
            }
            model.rebuild(next);
            // Edits keep what they can of the arrays they share: every one must
            // still leave the store as the model has it.
            compareStore(store, model);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("after step %1").arg(step)));
        }
        compareStore(store, model);
    }

    void batchSameAsOneByOne_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("withNaN");
        for (quint32 seed = 1; seed <= 30; ++seed)
            QTest::addRow("seed %u", seed) << seed << false;
        QTest::addRow("times that are not numbers") << 99u << true;
    }

    // Records added in a batch end up exactly where adding them one by one puts
    // them: falling runs, ties with held records and with each other, records
    // earlier than everything held.
    void batchSameAsOneByOne()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, withNaN);
        QRandomGenerator random(seed);
        SignalData batched;
        SignalData oneByOne;
        const QStringList names{"a", "b", "c"};
        int serial = 0;
        for (int round = 0; round < 8; ++round) {
            const bool batch = round > 0;
            if (batch)
                batched.beginBatch();
            const int count = random.bounded(60);
            double time = random.bounded(40) * 5.0;
            for (int i = 0; i < count; ++i) {
                // Runs up, runs down, repeats and jumps.
                switch (random.bounded(5)) {
                case 0: time += 5; break;
                case 1: time -= 5; break;
                case 2: break;
                case 3: time = random.bounded(40) * 5.0; break;
                default: time = withNaN && random.bounded(4) == 0 ? qQNaN() : -time; break;
                }
                QVector<double> values{double(serial++)};
                for (int v = random.bounded(3); v > 0; --v)
                    values << random.bounded(100) - 50.0;
                const QString name = names[random.bounded(names.size())];
                batched.addRecord(rec(name, time, values));
                oneByOne.addRecord(rec(name, time, values));
            }
            if (batch)
                batched.endBatch();

            // The same record ids in the same places, the same ranges.
            QCOMPARE(batched.signalNames(), oneByOne.signalNames());
            QStringList keys = oneByOne.signalNames();
            keys << QString();
            for (const QString &key : qAsConst(keys)) {
                const SignalSeries &a = key.isNull() ? batched.all() : batched.series(key);
                const SignalSeries &b = key.isNull() ? oneByOne.all() : oneByOne.series(key);
                QVERIFY(std::equal(a.records.cbegin(), a.records.cend(), b.records.cbegin(), b.records.cend()));
                QCOMPARE(a.channelCount, b.channelCount);
                for (int c = 0; c < a.channelCount; ++c)
                    QVERIFY(a.ranges[c].min == b.ranges[c].min && a.ranges[c].max == b.ranges[c].max);
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_SignalData)
#include "tst_signaldata.moc"
#include "testsupport.h"
