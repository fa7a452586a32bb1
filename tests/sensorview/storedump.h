#pragma once

#include "signaldata.h"

#include <QByteArray>

// Every bit the store shows: names, then for `all` and each series its
// channel count, its ranges and its records' names, times and values.
inline QByteArray exactly(const SignalData &store)
{
    QByteArray bytes;
    const auto put = [&bytes](const auto &value) { bytes.append(reinterpret_cast<const char *>(&value), sizeof value); };
    const auto putSeries = [&](const SignalSeries &series) {
        put(series.channelCount);
        for (const ChannelRange &range : series.ranges)
            put(range);
        for (quint32 id : series.records) {
            bytes += store.name(id).toUtf8() + ':';
            put(store.time(id));
            for (int c = 0; c < store.valueCount(id); ++c)
                put(store.values(id)[c]);
        }
        bytes += '|';
    };
    bytes += store.signalNames().join(QLatin1Char(',')).toUtf8() + '|';
    putSeries(store.all());
    for (const QString &name : store.signalNames())
        putSeries(store.series(name));
    put(store.bySignal().size());
    return bytes;
}
