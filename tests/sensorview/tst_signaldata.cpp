#include "signaldata.h"
#include "storedump.h"
#include "testsupport.h"

#include <QRandomGenerator>

#include <algorithm>
#include <map>
#include <vector>

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

QString describe(const SignalRecord &r)
{
    QStringList values;
    for (double v : r.values)
        values << QString::number(v);
    return QStringLiteral(" %1@%2:%3").arg(r.name).arg(r.time).arg(values.join(QLatin1Char(',')));
}

QString describe(int channelCount, const QList<ChannelRange> &ranges)
{
    QString text = QString::number(channelCount);
    for (const ChannelRange &range : ranges)
        text += QStringLiteral(" %1..%2").arg(range.min).arg(range.max);
    return text + QLatin1Char(';');
}

// A series in one line: its channel count and ranges, then every record.
QString describe(const SignalData &store, const SignalSeries &series)
{
    QString text = describe(series.channelCount, series.ranges.toList());
    for (int i = 0; i < series.size(); ++i)
        text += describe(store.record(series.records[i]));
    return text;
}

// The whole store: its names, the series of all records, then each signal's.
QString describe(const SignalData &store)
{
    QString text = store.signalNames().join(QLatin1Char(',')) + QStringLiteral(" | ") + describe(store, store.all());
    for (const QString &name : store.signalNames())
        text += QStringLiteral(" | ") + describe(store, store.series(name));
    return text + QStringLiteral(" | %1 series").arg(store.bySignal().size());
}

QString timesOf(const SignalData &store)
{
    QStringList times;
    for (int i = 0; i < store.recordCount(); ++i)
        times << QString::number(store.time(store.all(), i));
    return times.join(QLatin1Char(' '));
}

// What Crop or Delete leave of the store's records, read anew.
SignalData editedAnew(const SignalData &store, bool crop, double a, double b)
{
    SignalData rebuilt;
    rebuilt.assign(store.records());
    if (crop)
        rebuilt.crop(a, b);
    else
        rebuilt.deleteRange(a, b);
    SignalData anew;
    anew.assign(rebuilt.records());
    return anew;
}

// The store as the plain reading of its description builds it: records held
// by value, a late record placed before the first that is not earlier,
// ranges in a map.
struct ModelSeries
{
    std::vector<SignalRecord> records;
    std::map<int, ChannelRange> ranges;
    int channelCount = 0;

    void insert(const SignalRecord &r)
    {
        channelCount = std::max(channelCount, int(r.values.size()));
        for (int i = 0; i < r.values.size(); ++i) {
            const double v = r.values[i];
            if (records.empty()) {
                ranges[i] = {v, v};
                continue;
            }
            ChannelRange &range = ranges[i];
            if (!(v > range.min))
                range.min = v;
            if (v > range.max)
                range.max = v;
        }
        const bool atEnd = records.empty() || !(r.time < records.back().time);
        records.insert(atEnd ? records.end() : std::find_if(records.begin(), records.end(), [&r](const SignalRecord &held) {
            return !(held.time < r.time);
        }), r);
    }

    QString describe() const
    {
        QList<ChannelRange> list;
        for (const auto &entry : ranges)
            list << entry.second;
        QString text = ::describe(channelCount, list);
        for (const SignalRecord &r : records)
            text += ::describe(r);
        return text;
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

    QString describe() const
    {
        QString text = names.join(QLatin1Char(',')) + QStringLiteral(" | ") + all.describe();
        for (const QString &name : names)
            text += QStringLiteral(" | ") + bySignal.at(name).describe();
        return text + QStringLiteral(" | %1 series").arg(bySignal.size());
    }
};

} // namespace

class tst_SignalData : public QObject
{
    Q_OBJECT

private slots:
    void valueAt_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<int>("channel");
        QTest::addColumn<double>("expected");
        const double nan = std::nan("");
        QTest::newRow("before the first record") << 9.0 << 0 << double(nan);
        QTest::newRow("at the first record") << 10.0 << 0 << 1.0;
        QTest::newRow("between: hold") << 15.0 << 1 << 2.0;
        QTest::newRow("at a later record") << 20.0 << 0 << 3.0;
        QTest::newRow("after the last") << 99.0 << 0 << 5.0;
        QTest::newRow("record lacks the channel") << 20.0 << 1 << 0.0;
        QTest::newRow("channel -1") << 15.0 << -1 << double(nan);
        QTest::newRow("channel = channelCount") << 15.0 << 2 << double(nan);
    }

    // An unknown name reads as an empty series.
    void valueAt()
    {
        QFETCH(double, time);
        QFETCH(int, channel);
        QFETCH(double, expected);
        const SignalData store = storeOf({rec("a", 10, {1, 2}), rec("a", 20, {3}), rec("a", 30, {5, 6})});
        QCOMPARE(store.valueAt(store.series("a"), time, channel), expected);
        QCOMPARE(store.valueAt(store.series("missing"), time, 0), std::nan(""));
        QVERIFY(store.series("nobody").isEmpty() && !store.bySignal().contains("nobody"));
        QCOMPARE(store.firstTime(store.series("nobody")) + store.lastTime(store.series("nobody")), 0.0);
        QCOMPARE(SignalData::valueOf(rec("a", 0, {4}), 1) + SignalData::valueOf(rec("a", 0, {4}), -1), 0.0);
    }

    void neighbours_data()
    {
        QTest::addColumn<QVector<double>>("times");
        QTest::addColumn<double>("t");
        QTest::addColumn<int>("next");
        QTest::addColumn<int>("previous");
        QTest::addColumn<double>("nearest");
        const QVector<double> times{10, 20, 20, 40};
        QTest::newRow("exact match picks a neighbour") << QVector<double>(times) << 20.0 << 3 << 0 << 10.0;
        QTest::newRow("tie goes to the later") << QVector<double>(times) << 30.0 << 3 << 2 << 40.0;
        QTest::newRow("closer earlier") << QVector<double>(times) << 24.0 << 3 << 2 << 20.0;
        QTest::newRow("before all") << QVector<double>(times) << 0.0 << 0 << -1 << 10.0;
        QTest::newRow("after all") << QVector<double>(times) << 50.0 << -1 << 3 << 40.0;
        QTest::newRow("at the last") << QVector<double>(times) << 40.0 << -1 << 2 << 20.0;
        QTest::newRow("empty keeps the time") << QVector<double>{} << 7.0 << -1 << -1 << 7.0;
        QTest::newRow("single at the time") << QVector<double>{5} << 5.0 << -1 << -1 << 5.0;
    }

    void neighbours()
    {
        QFETCH(QVector<double>, times);
        QFETCH(double, t);
        QFETCH(int, next);
        QFETCH(int, previous);
        QFETCH(double, nearest);
        SignalData store;
        for (double time : times)
            store.addRecord(rec("a", time));
        QCOMPARE(store.nextIndex(store.all(), t), next);
        QCOMPARE(store.previousIndex(store.all(), t), previous);
        QCOMPARE(store.nearestTime(store.all(), t), nearest);
    }

    void searchesSameAsStandard_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("withNaN");
        for (quint32 seed = 1; seed <= 12; ++seed)
            QTest::addRow("seed %u", seed) << seed << false;
        for (quint32 seed = 20; seed <= 23; ++seed)
            QTest::addRow("seed %u, times that are not numbers", seed) << seed << true;
    }

    // A signal's series finds its records through the store's times: every
    // search must find what the standard algorithms find over the series'
    // own times, ties, late records and times that are not numbers included.
    void searchesSameAsStandard()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, withNaN);
        QRandomGenerator random(seed);
        SignalData store;
        const QStringList names{"a", "b", "c"};
        double time = 0.0;
        for (int i = 0; i < 400; ++i) {
            switch (random.bounded(6)) {
            case 0: time = random.bounded(100) * 2.0; break;
            case 1: break;
            default: time += random.bounded(3) * 2.0; break;
            }
            const bool nan = withNaN && random.bounded(20) == 0;
            store.addRecord(rec(names[random.bounded(3)], nan ? qQNaN() : time, {double(i)}));
        }
        std::vector<double> probes{qQNaN(), qInf(), -qInf(), -1.0, 1e300};
        for (int t = -1; t <= 201; ++t)
            probes.push_back(t);
        for (const QString &name : names) {
            const SignalSeries &series = store.series(name);
            std::vector<double> times;
            for (int i = 0; i < series.size(); ++i)
                times.push_back(store.time(series, i));
            for (double t : probes) {
                const QString where = QStringLiteral("signal %1 at %2").arg(name).arg(t);
                const int upper = int(std::upper_bound(times.cbegin(), times.cend(), t) - times.cbegin());
                const int lower = int(std::lower_bound(times.cbegin(), times.cend(), t) - times.cbegin());
                QVERIFY2(store.nextIndex(series, t) == (upper == int(times.size()) ? -1 : upper),
                         qPrintable(where + QStringLiteral(": the next record differs")));
                QVERIFY2(store.previousIndex(series, t) == lower - 1,
                         qPrintable(where + QStringLiteral(": the previous record differs")));
                const int from = series.isEmpty() ? 0 : random.bounded(series.size());
                const auto below = [t](double held) { return held < t; };
                QVERIFY2(store.partitionPoint(series, from, series.size(), below)
                             == int(std::partition_point(times.cbegin() + from, times.cend(), below) - times.cbegin()),
                         qPrintable(where + QStringLiteral(": a walk from record %1 stops elsewhere").arg(from)));
            }
        }
    }

    void bytesPerRecord_data()
    {
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<int>("most");
        QTest::newRow("one sensor") << 1 << 24;
        QTest::newRow("four sensors taking turns") << 4 << 28;
    }

    // What a long recording of one-value records holds for each of them:
    // its id, time, signal and value, and its place in its signal's series.
    void bytesPerRecord()
    {
        QFETCH(int, signalCount);
        QFETCH(int, most);
        constexpr int Count = 40000;
        const QStringList names{"temp", "hum", "press", "light"};
        SignalData store;
        for (int i = 0; i < Count; ++i) {
            const double value = i % 97;
            store.addRecord(QStringView(names[i % signalCount]), i * 0.5, &value, 1);
        }
        const double perRecord = double(store.memoryBytes()) / Count;
        QVERIFY2(perRecord < most + 0.01,
                 qPrintable(QStringLiteral("%1 bytes a record, where %2 will do").arg(perRecord).arg(most)));
    }

    void edits_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("times");
        QTest::addColumn<QStringList>("names");
        // Records: b at 5, a at 10, b at 15, a at 20, c at 25, a at 1500.
        QTest::newRow("delete reversed ends") << "delete 20 10" << "5 15 1490" << QStringList{"b", "c", "a"};
        QTest::newRow("crop") << "crop 20 10" << "0 5 10" << QStringList{"a", "b"};
        QTest::newRow("crop nothing") << "crop 30 40" << "" << QStringList{};
        QTest::newRow("shift to zero") << "shift" << "0 5 10 15 20 1495" << QStringList{"b", "a", "c"};
        QTest::newRow("remove b") << "remove b" << "10 20 25 1500" << QStringList{"a", "c"};
        QTest::newRow("insert at 12") << "insert 12" << "5 10 12 52 55 60 65 1540" << QStringList{"b", "a", "x", "c"};
    }

    void edits()
    {
        QFETCH(QString, edit);
        QFETCH(QString, times);
        QFETCH(QStringList, names);
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
        QCOMPARE(timesOf(store), times);
        QCOMPARE(store.signalNames(), names);
    }

    // Copies share their arrays until one of them changes: a change to
    // either side, or an assignment, never shows in the other.
    void copiesAreIndependent()
    {
        SignalData original = storeOf({rec("a", 10, {1}), rec("b", 20, {2})});
        const QString before = describe(original);
        SignalData copy = original;
        copy.addRecord(rec("a", 30, {3}));
        copy.crop(10, 30);
        QCOMPARE(timesOf(copy), QStringLiteral("0 10 20"));
        SignalData second = original;
        QCOMPARE(describe(original), before);
        original.addRecord(rec("a", 15, {9}));
        original.addRecord(rec("c", 1, {9}));
        SignalData assigned;
        assigned = second;
        second.clear();
        QCOMPARE(describe(assigned), before);
        assigned.addRecord(rec("b", 5, {1}));
        QCOMPARE(second.recordCount() + original.series("a").size() + assigned.series("b").size(), 4);
    }

    void editsShareValuesWithCopies_data()
    {
        QTest::addColumn<bool>("crop");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<bool>("shared");
        QTest::newRow("delete a little") << false << 40.0 << 42.0 << true;
        QTest::newRow("crop a little off") << true << 5.0 << 99.0 << true;
        QTest::newRow("delete most") << false << 10.0 << 90.0 << false;
        QTest::newRow("crop to a small part") << true << 85.0 << 99.0 << false;
    }

    // An undo step holds a copy of the store from before an edit. Edits that
    // keep most records must leave their values where the copy has them, or
    // every step would cost a whole recording.
    void editsShareValuesWithCopies()
    {
        QFETCH(bool, crop);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(bool, shared);
        SignalData store;
        for (int i = 0; i < 100; ++i)
            store.addRecord(rec(i % 2 ? "a" : "b", i, {double(i), -double(i)}));
        const SignalData before = store;
        const QString original = describe(before);
        if (crop)
            store.crop(from, to);
        else
            store.deleteRange(from, to);
        // A record both keep: the last one, its values unchanged.
        const auto last = [](const SignalSeries &series) { return series.records[series.size() - 1]; };
        QCOMPARE(store.valueOf(last(store.series("a")), 0), 99.0);
        QCOMPARE(store.values(last(store.series("a"))) == before.values(last(before.series("a"))), shared);
        QCOMPARE(store.time(store.all(), store.recordCount() - 1), crop ? 99.0 - from : 99.0 - (to - from));
        // Shared or not, the copy is the store as it was.
        QCOMPARE(describe(before), original);
    }

    void restoreIsAssign_data()
    {
        TestSupport::bothWays("inTimeOrder", "records in time order: shared", "records out of order: rebuilt");
    }

    // Out of order, a channel first seen late and a signal that appears first
    // by insertion but later in time: assign() would change the ranges and
    // the name order, and restore() must do the same.
    void restoreIsAssign()
    {
        QFETCH(bool, inTimeOrder);
        const QVector<SignalRecord> records = inTimeOrder
            ? QVector<SignalRecord>{rec("a", 0, {1}), rec("b", 5, {2, 3}), rec("a", 9, {-4, 6})}
            : QVector<SignalRecord>{rec("b", 50, {2}), rec("a", 10, {5, 7}), rec("a", 0, {-1})};
        SignalData snapshot;
        for (const SignalRecord &r : records)
            snapshot.addRecord(r);
        SignalData restored = storeOf({rec("x", 1, {9})});
        restored.restore(snapshot);
        const QVector<SignalRecord> inOrder = snapshot.records();
        Model model;
        model.rebuild(std::vector<SignalRecord>(inOrder.cbegin(), inOrder.cend()));
        QCOMPARE(describe(restored), model.describe());
        QCOMPARE(describe(storeOf(inOrder)), model.describe());
        // Independent of the snapshot afterwards.
        restored.addRecord(rec("c", 100));
        QCOMPARE(snapshot.signalNames().size(), 2);
    }

    void sameAsPlainModel_data()
    {
        TestSupport::seedRows(40);
    }

    // Edits keep what they can of the arrays they share: every one must still
    // leave the store as the model has it, rebuilt from the records in time
    // order.
    void sameAsPlainModel()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        SignalData store;
        Model model;
        const QStringList names{"a", "b", "c"};
        for (int step = 0; step < 300; ++step) {
            const int action = random.bounded(100);
            if (action < 85) {
                QVector<double> values;
                for (int i = random.bounded(4); i > 0; --i)
                    values << (random.bounded(2000) - 1000) / 10.0;
                const SignalRecord r = rec(names[random.bounded(3)], random.bounded(60) * 5.0, values);
                store.addRecord(r);
                model.add(r);
                continue;
            }
            std::vector<SignalRecord> next;
            const double a = random.bounded(60) * 5.0;
            const double b = random.bounded(60) * 5.0;
            const double lo = std::min(a, b);
            const double hi = std::max(a, b);
            const QString name = names[random.bounded(3)];
            for (SignalRecord r : model.all.records) {
                if (action < 90 && lo <= r.time && r.time <= hi)
                    next.push_back(rec(r.name, r.time - lo, r.values));
                else if (action >= 90 && action < 95 && (r.time < lo || r.time > hi))
                    next.push_back(rec(r.name, r.time < lo ? r.time : r.time - (hi - lo), r.values));
                else if (action >= 95 && r.name != name)
                    next.push_back(r);
            }
            if (action < 90)
                store.crop(a, b);
            else if (action < 95)
                store.deleteRange(a, b);
            else
                store.removeSignal(name);
            model.rebuild(next);
            QVERIFY2(describe(store) == model.describe(), qPrintable(QStringLiteral("after step %1").arg(step)));
        }
    }

    void dropOldestSameAsRebuilt_data()
    {
        TestSupport::seedRows(30);
    }

    // Records that come in time order, as live input brings them, lose their
    // oldest the way a rebuild from the rest would leave them: names in the
    // order their first remaining record came, ranges of what remains. A
    // copy taken before keeps what it held.
    void dropOldestSameAsRebuilt()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const QStringList names{"a", "b", "c", "d"};
        // Even seeds give every record two values, odd ones any number.
        const auto valueCount = [&]() { return seed % 2 ? random.bounded(4) : 2; };
        SignalData store;
        Model model;
        double time = 0;
        for (int step = 0; step < 400; ++step) {
            if (random.bounded(100) < 90) {
                time += random.bounded(3) * 5.0;
                QVector<double> values;
                for (int i = valueCount(); i > 0; --i)
                    values << (random.bounded(2000) - 1000) / 10.0;
                const SignalRecord r = rec(names[random.bounded(seed % 3 ? 4 : 2)], time, values);
                store.addRecord(r);
                model.add(r);
                continue;
            }
            const double from = time - random.bounded(40) * 5.0 + random.bounded(2) * 2.5;
            const SignalData copy = store;
            const QString copied = describe(copy);
            std::vector<SignalRecord> next;
            for (const SignalRecord &r : model.all.records) {
                if (r.time >= from)
                    next.push_back(r);
            }
            store.dropBefore(from);
            model.rebuild(next);
            QVERIFY2(describe(store) == model.describe(), qPrintable(QStringLiteral("after step %1").arg(step)));
            QCOMPARE(describe(copy), copied);
        }
    }

    // A reading of one of four kinds of signal: quantised, which reaches its
    // ends again and again; quantised from zero, where the two zeros end the
    // range; often not a number; smooth.
    static double reading(quint32 seed, QRandomGenerator &random)
    {
        const int kind = random.bounded(seed % 4 == 2 ? 5 : 40);
        if (kind == 0)
            return qQNaN();
        if (seed % 4 == 1 && random.bounded(3) == 0)
            return random.bounded(2) ? 0.0 : -0.0;
        switch (seed % 4) {
        case 0: return (random.bounded(7) - 3) * 1.5;
        case 1: return random.bounded(3) * 1.5;
        default: return (random.bounded(2000) - 1000) / 7.0;
        }
    }

    void inPlaceEditsUndoExactly_data()
    {
        TestSupport::seedRows(60);
    }

    // Delete and Crop in place leave exactly what a rebuild from the
    // remaining records gives, and putting back what they took out gives the
    // store before them, bit for bit: after each single undo, and after
    // undoing a whole random run of edits. Times in tenths do not come back
    // exactly by adding the gap again; the readings hold the two zeros and
    // values that are not numbers, whose ranges depend on the order.
    void inPlaceEditsUndoExactly()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const QStringList names{"a", "b", "c", "d"};
        SignalData store;
        double time = -3.0;
        for (int i = 0; i < 300; ++i) {
            time += random.bounded(4) * 0.1;
            QVector<double> values;
            for (int v = seed % 2 ? random.bounded(4) : 2; v > 0; --v)
                values << reading(seed, random);
            store.addRecord(rec(names[random.bounded(seed % 3 ? 4 : 2)], time, values));
        }
        const QByteArray original = exactly(store);
        std::vector<QByteArray> before;
        std::vector<RemovedRecords> steps;
        for (int step = 0; step < 40; ++step) {
            if (!steps.empty() && random.bounded(100) < 30) {
                store.putBack(&steps.back());
                QVERIFY2(exactly(store) == before.back(), qPrintable(QStringLiteral("undo at step %1").arg(step)));
                steps.pop_back();
                before.pop_back();
                continue;
            }
            const double first = store.firstTime(store.all()) - 0.5;
            const double span = store.lastTime(store.all()) - first + 1.0;
            const double a = first + random.generateDouble() * span;
            const double b = random.bounded(4) == 0 ? a : first + random.generateDouble() * span;
            const bool crop = random.bounded(100) < 15;
            const QString edit = QStringLiteral("step %1: %2 %3..%4").arg(step).arg(crop ? "crop" : "delete").arg(a).arg(b);
            const QByteArray held = exactly(store);
            const SignalData expected = editedAnew(store, crop, a, b);
            RemovedRecords removed;
            const bool done = crop ? store.cropInPlace(a, b, &removed) : store.deleteRangeInPlace(a, b, &removed);
            if (!done) {
                QVERIFY2(exactly(store) == held, qPrintable(edit + QStringLiteral(" refused, yet changed the store")));
                continue;
            }
            QVERIFY2(exactly(store) == exactly(expected),
                     qPrintable(edit + QStringLiteral("\n in place: %1\n rebuilt:  %2").arg(describe(store)).arg(describe(expected))));
            before.push_back(held);
            steps.push_back(std::move(removed));
        }
        while (!steps.empty()) {
            store.putBack(&steps.back());
            steps.pop_back();
        }
        QVERIFY2(exactly(store) == original, "undoing every edit did not give the recording back as it was");
    }

    void extremeSpansUndoExactly_data()
    {
        QTest::addColumn<bool>("crop");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("crop to everything there could be") << true << -1e300 << 1e300;
        QTest::newRow("crop from far back") << true << -1e300 << 20.0;
        QTest::newRow("crop to the tiniest times") << true << 1e-300 << 3e-300;
        QTest::newRow("delete to far ahead") << false << 10.0 << 1e300;
        QTest::newRow("delete from far back") << false << -1e300 << 10.0;
        QTest::newRow("delete of one instant") << false << 10.0 << 10.0;
        QTest::newRow("delete of the largest finite span") << false << -1.7e308 << 1.7e308;
    }

    // Spans at the ends of what a double holds: the times moved by them
    // lose their digits, and Undo must still give every one back.
    void extremeSpansUndoExactly()
    {
        QFETCH(bool, crop);
        QFETCH(double, from);
        QFETCH(double, to);
        const QStringList names{"a", "b"};
        SignalData store;
        for (int i = 0; i < 200; ++i)
            store.addRecord(rec(names[i % 2], i * 0.1 + (i % 7 == 0 ? 1e-300 : 0.0), {double(i)}));
        const QByteArray original = exactly(store);
        const SignalData expected = editedAnew(store, crop, from, to);
        RemovedRecords removed;
        const bool done = crop ? store.cropInPlace(from, to, &removed) : store.deleteRangeInPlace(from, to, &removed);
        QVERIFY2(done, "the edit was not made in place");
        QVERIFY2(exactly(store) == exactly(expected), "the edit made in place gives other records than made anew");
        store.putBack(&removed);
        QVERIFY2(exactly(store) == original, "Undo did not give every record back as it was");
    }

    void takenOutRecordsGo_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::newRow("a Crop without undo lets go at once") << "crop";
        QTest::newRow("a Delete without undo lets go at once") << "delete";
        QTest::newRow("a Crop in place, once its undo is given up") << "crop in place";
        QTest::newRow("a Delete in place, once its undo is given up") << "delete in place";
    }

    // An edit made in place keeps what it took out in the store for its
    // undo; without one, or once the undo is given up, the store holds no
    // more than the same records read anew, and takes live input as before.
    void takenOutRecordsGo()
    {
        QFETCH(QString, edit);
        const QStringList names{"a", "b", "c"};
        SignalData store;
        for (int i = 0; i < 3000; ++i)
            store.addRecord(rec(names[i % 3], i * 0.5, {double(i % 17), -double(i)}));
        qint64 kept = 0;
        if (edit == "crop") {
            store.crop(200, 900);
        } else if (edit == "delete") {
            store.deleteRange(200, 900);
        } else {
            RemovedRecords removed;
            QVERIFY(edit == "crop in place" ? store.cropInPlace(200, 900, &removed)
                                            : store.deleteRangeInPlace(200, 900, &removed));
            kept = store.memoryBytes();
            store.compact();
        }
        SignalData fresh;
        fresh.assign(store.records());
        if (kept > 0)
            QVERIFY2(kept > fresh.memoryBytes(), "the records taken out were not there for the undo");
        QVERIFY2(exactly(store) == exactly(fresh), "the records differ from the same records read anew");
        QVERIFY2(store.memoryBytes() == fresh.memoryBytes(),
                 qPrintable(QStringLiteral("%1 bytes held where %2 do").arg(store.memoryBytes()).arg(fresh.memoryBytes())));
        const double last = store.lastTime(store.all());
        for (SignalData *held : {&store, &fresh}) {
            for (int i = 1; i <= 300; ++i)
                held->addRecord(rec(names[i % 3], last + i, {1.0, 2.0}));
            held->dropBefore(last - 100);
        }
        QVERIFY2(exactly(store) == exactly(fresh), "live input after the edit gives other records");
    }

    void batchSameAsOneByOne_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("withNaN");
        QTest::addColumn<int>("soleRounds");
        for (quint32 seed = 1; seed <= 30; ++seed)
            QTest::addRow("seed %u", seed) << seed << false << 0;
        QTest::addRow("times that are not numbers") << 99u << true << 0;
        // A store of one signal holds its series once; a second signal
        // arriving in a batch, among records still waiting, ends that.
        for (quint32 seed = 40; seed <= 45; ++seed)
            QTest::addRow("seed %u, a second signal first comes in a batch", seed) << seed << false << 2;
    }

    // Records added in a batch end up exactly where adding them one by one puts
    // them: falling runs, ties with held records and with each other, records
    // earlier than everything held. Each record's first value is its serial
    // number, so equal descriptions mean equal places.
    void batchSameAsOneByOne()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, withNaN);
        QFETCH(int, soleRounds);
        QRandomGenerator random(seed);
        SignalData batched;
        SignalData oneByOne;
        Model model;
        const QStringList names{"a", "b", "c"};
        int serial = 0;
        for (int round = 0; round < 8; ++round) {
            if (round > 0)
                batched.beginBatch();
            double time = random.bounded(40) * 5.0;
            for (int i = random.bounded(60); i > 0; --i) {
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
                const int name = round < soleRounds ? 0 : random.bounded(names.size());
                const SignalRecord r = rec(names[name], time, values);
                batched.addRecord(r);
                oneByOne.addRecord(r);
                model.add(r);
            }
            if (round > 0)
                batched.endBatch();
            QCOMPARE(describe(batched), describe(oneByOne));
            if (!withNaN)
                QCOMPARE(describe(batched), model.describe());
        }
    }
};

QTEST_GUILESS_MAIN(tst_SignalData)
#include "tst_signaldata.moc"
