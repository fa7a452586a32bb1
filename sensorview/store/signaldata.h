#pragma once

#include "podvector.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringView>
#include <QStringList>
#include <QVector>

#include <utility>
#include <vector>


// The store counts time in milliseconds; texts and the view's interface
// speak seconds.
inline constexpr double MillisecondsPerSecond = 1000.0;

// One sample line: a signal's name, a time in milliseconds and the values of
// its channels in column order (possibly none).
struct SignalRecord
{
    QString name;
    double time = 0.0;
    QVector<double> values;
};

struct ChannelRange
{
    double min = 0.0;
    double max = 0.0;
};

// An ordered run of records, ascending by time. The records themselves live
// in the owning store; a series lists them, so that the run of every record
// and the run of each signal share one copy of the values.
struct SignalSeries
{
    // Ids of the store's records, ascending by their time. Their times are
    // the store's, read through the ids: a recording of several signals
    // then holds each time once.
    PodVector<quint32> records;
    // The value range of each channel: entry i belongs to channel i, and
    // there is one for every channel below channelCount.
    QVector<ChannelRange> ranges;
    // The largest number of values of any record ever added to the series.
    int channelCount = 0;
    // A value that is not a number was added: the ranges then depend on
    // where it stands, not only on the values.
    bool hasNaNValue = false;

    int size() const { return records.size(); }
    bool isEmpty() const { return records.isEmpty(); }
};

// What an edit made in place took out of a store, and all it needs to put
// the records back as they were, byte for byte: what Delete, Cut and Crop
// leave for Undo instead of a copy of the whole store. The records taken
// out stay in the store's arrays, held by no series, so that taking them
// out and putting them back moves the lists of ids and the later times
// only; until they are back, nothing else may renumber the store's records.
struct RemovedRecords
{
    // A series as it was before a run left it.
    struct SeriesBefore
    {
        QString name;
        QVector<ChannelRange> ranges;
        int channelCount = 0;
        bool hasNaNValue = false;
    };
    // One run of records taken out of `all` at place `at`, and the times of
    // the records with ids from `shiftedFrom` on moved earlier by `shift`.
    struct Run
    {
        int at = 0;
        double shift = 0.0;
        quint32 shiftedFrom = 0;
        PodVector<quint32> ids;
        // Records whose time does not come back by adding `shift` again:
        // their id and their time.
        std::vector<std::pair<quint32, double>> unexact;
        QVector<ChannelRange> allRanges;
        int allChannelCount = 0;
        bool allHasNaNValue = false;
        // The series that lost records.
        std::vector<SeriesBefore> series;
        QStringList nameOrder;
    };
    // In the order they were taken out.
    std::vector<Run> runs;

    qint64 recordCount() const;
    bool isEmpty() const { return runs.empty(); }
};

// The store of the sensor view: every record in `all`, each signal's own in
// `bySignal`, and the signals in the order they first appeared.
//
// Copies are cheap and independent: the record arrays are shared until one
// of the copies changes.
class SignalData
{
public:
    SignalData() = default;
    SignalData(const SignalData &other);
    SignalData &operator=(const SignalData &other);
    ~SignalData() = default;

    // Every record, ascending by time; each signal's own; the signals in
    // the order they first appeared.
    const SignalSeries &all() const { return allSeries; }
    const QMap<QString, SignalSeries> &bySignal() const { return seriesByName; }
    const QStringList &signalNames() const { return nameOrder; }

    void addRecord(const SignalRecord &record);
    // The same, without building a record first: what the text reader uses.
    void addRecord(QStringView name, double time, const double *values, int count);
    void addRecord(QLatin1String name, double time, const double *values, int count);
    // Makes room for that many more records holding that many more values.
    void reserve(int records, int values);
    // Records added between these two calls are sorted into their series
    // together at the end, in n log n: a chunk in falling time order would
    // otherwise move everything after each record. The order, ties
    // included, is the one adding them one by one gives. Nothing may read
    // the store in between.
    void beginBatch();
    void endBatch();
    void clear();
    void assign(const QVector<SignalRecord> &records);
    // Makes this store what assign() of the other's records makes it. A
    // store whose records all arrived in time order is that already, and is
    // then shared instead of rebuilt.
    void restore(const SignalData &snapshot);

    // The value at `channel`, or 0.0 where the record has no such value.
    static double valueOf(const SignalRecord &record, int channel);
    double valueOf(quint32 id, int channel) const;

    // The series of a signal; an empty one for a name without records.
    const SignalSeries &series(const QString &name) const;

    // Sample and hold: what the channel shows at `time`, or NaN before the
    // first record and for channels the series does not have.
    double valueAt(const SignalSeries &series, double time, int channel) const;
    // The first record strictly after `time`, the last strictly before it.
    int nextIndex(const SignalSeries &series, double time) const;
    int previousIndex(const SignalSeries &series, double time) const;
    // The time of the nearer neighbour of `time` (the later one on a tie).
    double nearestTime(const SignalSeries &series, double time) const;
    double firstTime(const SignalSeries &series) const;
    double lastTime(const SignalSeries &series) const;

    // Edits: each leaves the store as rebuilding it from its remaining
    // records, in time order, would.
    void crop(double a, double b);
    void deleteRange(double a, double b);
    void insertAt(double cursor, const SignalData &other);
    // The same two edits made in place, keeping what they took out in
    // `removed` for putBack(). They need records that arrived in time order,
    // with no time that is not a number, and ends that keep that order;
    // otherwise they return false and change nothing. The result is the
    // same as the edits above give.
    bool cropInPlace(double a, double b, RemovedRecords *removed);
    bool deleteRangeInPlace(double a, double b, RemovedRecords *removed);
    // Undoes the edit that filled `removed`, which is left empty.
    void putBack(RemovedRecords *removed);
    // Lets go of the records that edits in place took out and no
    // RemovedRecords will put back any more, renumbering the rest.
    void compact();
    void removeSignal(const QString &name);
    void shiftToZero();
    // Drops the records earlier than `time` and keeps the rest as they are:
    // what a live window does to the oldest records.
    void dropBefore(double time);

    // The bytes the store's records take in its arrays, shared ones
    // included.
    qint64 memoryBytes() const;
    // The time from which the newest records take at most `bytes`, as the
    // records take them on average: dropping the records before it brings
    // the store within them. Minus infinity when it is within them already.
    double timeKeepingWithin(qint64 bytes) const;

    // Reading the records of a series by position.
    double time(const SignalSeries &series, int index) const { return times[series.records[index]]; }
    // The first place in [first, end) of a series whose time fails
    // `before`, which holds for a leading part of the places only: what
    // std::partition_point gives over the series' times.
    template<typename Before>
    int partitionPoint(const SignalSeries &series, int first, int end, Before before) const
    {
        const quint32 *ids = series.records.constData();
        const double *at = times.constData();
        int length = end - first;
        while (length > 0) {
            const int half = length / 2;
            if (before(at[ids[first + half]])) {
                first += half + 1;
                length -= half + 1;
            } else {
                length = half;
            }
        }
        return first;
    }
    double value(const SignalSeries &series, int index, int channel) const
    {
        return valueOf(series.records[index], channel);
    }
    double time(quint32 id) const { return times[id]; }
    int valueCount(quint32 id) const
    {
        return offsetsKept ? int(valueStart[id + 1] - valueStart[id]) : uniformCount;
    }
    const double *values(quint32 id) const
    {
        return pool.constData() + (offsetsKept ? qint64(valueStart[id]) : qint64(id) * uniformCount);
    }
    const QString &name(quint32 id) const { return signalTable[signalOf[id]]; }
    SignalRecord record(quint32 id) const;
    QVector<SignalRecord> records() const;

    int recordCount() const { return allSeries.records.size(); }
    // Whether a time that is not a number was ever added (since a clear):
    // such a time orders like no other.
    bool holdsNaNTime() const { return hasNaNTime; }

    // Changes whenever records are removed, moved or inserted anywhere but
    // at the end of their series; appending leaves it alone. Caches built
    // over the records stay valid while it does (they may need extending).
    quint64 revision() const { return revisionNumber; }
    // Changes whenever a series may have moved in memory (the store was
    // cleared, rebuilt or assigned, or stopped sharing its series with a
    // copy). While it stays, a series that series() found stays where it
    // is and holds what the store holds, so a reader may keep its place.
    quint64 seriesPlacement() const { return placement; }

private:
    // Clears the store and adds back the records of its old `all`, in order,
    // each with the time `retime` gives it; `retime` returns false to drop
    // a record.
    template<typename Retime>
    void rebuild(Retime retime);
    template<typename Retime>
    void retime(Retime retime);
    void adoptKept(const PodVector<quint32> &keptIds, const PodVector<double> &keptTimes);
    bool dropOldestInPlace(double time);
    // Takes ids `from` to `to` out and moves the times of the records after
    // them earlier by `shift`; the run goes into `kept` when given.
    void removeRun(int from, int to, double shift, RemovedRecords::Run *kept);
    void putBackRun(RemovedRecords::Run &run);
    // The names in the order their first remaining record came, from each
    // series' first id.
    void orderNamesBy(QVector<QPair<quint32, QString>> firstIds);
    // Whether the store's arrays are shared with a copy. An edit in place
    // would copy the ones it changes first, where retiming keeps sharing.
    bool sharesArrays() const;
    bool rangesNeedRescan(const SignalSeries &series, int first, int end) const;
    // The ids `crop` or `deleteRange` keep or lose: [from, to).
    bool inPlaceBounds(double a, double b, bool crop, int *from, int *to) const;
    bool editInPlace(double a, double b, bool crop, RemovedRecords *removed);
    // Widens the series' ranges over its records anew, as adding them gave.
    void rescanRanges(SignalSeries &series) const;
    std::vector<SignalSeries> seriesSizedFor(const PodVector<quint32> &keptIds) const;
    static void widenRanges(SignalSeries &series, const double *values, int count, bool first);
    void addFrom(const SignalData &source, quint32 id, double time);
    void add(quint32 signal, double time, const double *values, int count);
    template<typename Name>
    quint32 signalId(Name name);
    template<typename Name>
    quint32 lookUpSignal(Name name);
    bool isName(int signal, QStringView name) const;
    bool isName(int signal, QLatin1String name) const;
    SignalSeries &seriesOf(quint32 signal);
    // While the store holds one signal, its series is `all` itself: the map
    // holds an empty stand-in for it, and the records' ids and times are
    // held once. A second signal ends that, and giving its last records
    // back starts it again.
    bool soleSignal() const { return seriesByName.size() == 1; }
    void makeSole();
    void endSole();
    void insertInto(SignalSeries &series, double time, quint32 id, const double *values, int count);
    // Whether a record at `time` goes after every record of the series.
    bool goesLast(const SignalSeries &series, double time) const
    {
        return series.isEmpty() || !(time < times[series.records.constLast()]);
    }
    void mergePending(SignalSeries &series, const std::vector<quint32> &ids);
    // Writes down where each record's values begin, as a record with
    // another number of values needs.
    void keepOffsets();

    SignalSeries allSeries;
    QMap<QString, SignalSeries> seriesByName;
    QStringList nameOrder;

    // The records, in the order they were added: time, signal, where their
    // values begin in `pool` (the next record's start is where they end).
    PodVector<double> times;
    // The ids in `all` ascend, as they do for records that arrive in time
    // order: the ids of the records it lists then run in time order.
    bool idsAscending = true;
    // Records are held that `all` does not list: an edit in place took them
    // out for its undo, or an edit left them in arrays shared with a copy.
    bool holdsTakenOut() const { return allSeries.size() != signalOf.size(); }
    PodVector<quint32> signalOf;
    PodVector<quint32> valueStart;
    // While every record has the same number of values, as the records of
    // most recordings do, where they begin follows from the id, and
    // `valueStart` is empty. -1: no record yet.
    int uniformCount = -1;
    bool offsetsKept = false;
    PodVector<double> pool;
    // Every name ever added, by id, and its Latin-1 bytes (empty for a name
    // that has none).
    QVector<QString> signalTable;
    QVector<QByteArray> latinTable;
    // By signal id, the id of the name that came after it last (-1: none
    // yet): a hint, never copied.
    std::vector<int> followers;
    QHash<QString, quint32> signalIds;
    // Where each signal's series lives in bySignal, by signal id; emptied
    // whenever bySignal may have moved (it is shared with a copy). Readers
    // fill it too.
    mutable QVector<SignalSeries *> seriesCache;
    int lastSignal = -1;
    quint64 revisionNumber = 0;
    quint64 placement = 0;
    // No record so far arrived before a record already held.
    bool inTimeOrder = true;
    // A time that is not a number orders like nothing else: batches then
    // fall back to adding one by one.
    bool hasNaNTime = false;
    // While a batch is open: the records waiting to be sorted into `all`,
    // and into each signal's series (by signal id).
    bool batching = false;
    std::vector<quint32> pendingAll;
    std::vector<std::vector<quint32>> pendingBySignal;
    void touch();
    void forgetSeriesPlaces();
};
