#include "signaldata.h"

#include <algorithm>
#include <vector>

// The store's edits: each leaves the store as rebuilding it from its
// remaining records, in time order, would.

template<typename Retime>
void SignalData::rebuild(Retime retime)
{
    const SignalData old = *this;
    clear();
    reserve(old.recordCount(), old.pool.size());
    // The old signal ids, as they are numbered anew in order of appearance.
    QVector<qint64> renumbered(old.signalTable.size(), -1);
    for (int i = 0; i < old.allSeries.size(); ++i) {
        double time = old.allSeries.times[i];
        if (!retime(time))
            continue;
        const quint32 id = old.allSeries.records[i];
        qint64 &signal = renumbered[int(old.signalOf[int(id)])];
        if (signal < 0)
            signal = signalId(old.name(id));
        add(quint32(signal), time, old.values(id), old.valueCount(id));
    }
}

// Edits that drop records and move the times of the rest leave the values,
// the signals and the value offsets where they are, shared with the copies
// an edit history holds; only the times and the series are made anew. What
// they drop stays behind in the shared arrays, until so much would that the
// store is rebuilt instead.
template<typename Retime>
void SignalData::retime(Retime retime)
{
    // Read through constant views: writing access would take copies of
    // arrays shared with the history.
    const SignalSeries &before = allSeries;

    // First only count, so that an edit that keeps too little to share goes
    // straight to a rebuild.
    int keptCount = 0;
    double lastTime = 0.0;
    for (int i = 0; i < before.size(); ++i) {
        double time = before.times[i];
        if (!retime(time))
            continue;
        // Times that changed their order would have to be sorted in anew.
        if (keptCount > 0 && time < lastTime) {
            rebuild(retime);
            return;
        }
        lastTime = time;
        ++keptCount;
    }
    if (qint64(keptCount) * 4 < qint64(signalOf.size()) * 3) {
        rebuild(retime);
        return;
    }

    PodVector<quint32> keptIds;
    PodVector<double> keptTimes;
    keptIds.resize(keptCount);
    keptTimes.resize(keptCount);
    {
        quint32 *ids = keptIds.data();
        double *keptTime = keptTimes.data();
        int kept = 0;
        for (int i = 0; i < before.size(); ++i) {
            double time = before.times[i];
            if (!retime(time))
                continue;
            ids[kept] = before.records[i];
            keptTime[kept] = time;
            ++kept;
        }
    }

    adoptKept(keptIds, keptTimes);
}

// One series per signal, made at the size the kept records give it, to be
// filled in place: growing them would leave freed blocks behind as large as
// themselves.
std::vector<SignalSeries> SignalData::seriesSizedFor(const PodVector<quint32> &keptIds) const
{
    std::vector<SignalSeries> seriesById(size_t(signalTable.size()));
    std::vector<int> counts(seriesById.size(), 0);
    for (quint32 id : keptIds)
        ++counts[signalOf[int(id)]];
    for (size_t signal = 0; signal < seriesById.size(); ++signal) {
        if (counts[signal] == 0)
            continue;
        seriesById[signal].records.resize(counts[signal]);
        seriesById[signal].times.resize(counts[signal]);
    }
    return seriesById;
}

// Makes the kept records, in time order with their new times, the store:
// the times are written in place and the series made anew.
void SignalData::adoptKept(const PodVector<quint32> &keptIds, const PodVector<double> &keptTimes)
{
    const PodVector<quint32> &signalOfRecord = signalOf;
    const int keptCount = keptIds.size();
    touch();
    keepTimesApart();
    double *newTimes = times.data();
    std::vector<SignalSeries> seriesById = seriesSizedFor(keptIds);
    const size_t signalCount = seriesById.size();
    std::vector<int> filled(signalCount, 0);
    std::vector<quint32 *> seriesIds(signalCount, nullptr);
    std::vector<double *> seriesTimes(signalCount, nullptr);
    for (size_t signal = 0; signal < signalCount; ++signal) {
        if (seriesById[signal].isEmpty())
            continue;
        seriesIds[signal] = seriesById[signal].records.data();
        seriesTimes[signal] = seriesById[signal].times.data();
    }
    QStringList names;
    SignalSeries kept;
    const quint32 *ids = keptIds.constData();
    const double *keptTime = keptTimes.constData();
    for (int i = 0; i < keptCount; ++i) {
        const quint32 id = ids[i];
        const double time = keptTime[i];
        newTimes[id] = time;
        const int count = valueCount(id);
        widenRanges(kept, values(id), count, i == 0);
        const quint32 signal = signalOfRecord[int(id)];
        int &at = filled[signal];
        if (at == 0)
            names.append(signalTable[int(signal)]);
        widenRanges(seriesById[signal], values(id), count, at == 0);
        seriesIds[signal][at] = id;
        seriesTimes[signal][at] = time;
        ++at;
    }
    kept.records = keptIds;
    kept.times = keptTimes;
    allSeries = kept;
    seriesByName.clear();
    for (size_t signal = 0; signal < seriesById.size(); ++signal) {
        if (!seriesById[signal].isEmpty())
            seriesByName.insert(signalTable[int(signal)], seriesById[signal]);
    }
    nameOrder = names;
    forgetSeriesPlaces();
    lastSignal = -1;
    // Just what adding the kept records in time order would give.
    inTimeOrder = true;
}

void SignalData::crop(double a, double b)
{
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    retime([lo, hi](double &time) {
        if (!(lo <= time && time <= hi))
            return false;
        time -= lo;
        return true;
    });
}

void SignalData::deleteRange(double a, double b)
{
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    const double gap = hi - lo;
    retime([lo, hi, gap](double &time) {
        if (time < lo)
            return true;
        if (time <= hi)
            return false;
        time -= gap;
        return true;
    });
}

void SignalData::insertAt(double cursor, const SignalData &other)
{
    const SignalData old = *this;
    const SignalData inserted = other;
    clear();
    for (quint32 id : old.allSeries.records) {
        if (old.time(id) <= cursor)
            addFrom(old, id, old.time(id));
    }
    const double shift = cursor - inserted.firstTime(inserted.allSeries);
    double latest = 0.0;
    for (quint32 id : inserted.allSeries.records) {
        latest = std::max(latest, inserted.time(id));
        addFrom(inserted, id, inserted.time(id) + shift);
    }
    for (quint32 id : old.allSeries.records) {
        if (old.time(id) > cursor)
            addFrom(old, id, old.time(id) + latest);
    }
}

void SignalData::removeSignal(const QString &name)
{
    const SignalData old = *this;
    clear();
    for (quint32 id : old.allSeries.records) {
        if (old.name(id) != name)
            addFrom(old, id, old.time(id));
    }
}

void SignalData::dropBefore(double time)
{
    if (allSeries.isEmpty() || !(allSeries.times[0] < time))
        return;
    retime([time](double &t) { return t >= time; });
}

void SignalData::shiftToZero()
{
    const double first = firstTime(allSeries);
    if (first == 0.0)
        return;
    crop(first, lastTime(allSeries));
}
