#include "signallist.h"

#include "autosizeheaderview.h"
#include "channeltable.h"
#include "datalist.h"
#include "sectionlist.h"
#include "signaldata.h"
#include "timeline.h"

#include <QStyle>

#include <algorithm>
#include <cmath>

// The list's rows kept in step with the store: the signals that come, and
// the values at a time.

int SignalList::syncWithData(const SignalData &store)
{
    // Since the last sync, records only came at the ends of their series
    // and no name came: nothing to add, without a look at the records.
    const bool onlyAppended = store.revision() == syncedRevision && store.all().size() >= syncedRecords;
    if (onlyAppended && store.signalNames().size() == syncedNames) {
        syncedRecords = store.all().size();
        return -1;
    }
    // New signals get rows in the order their first records stand in time,
    // each as many as that record has values. Records that were only
    // appended since the last sync are the only ones to look at; after any
    // other change, all of them, until every unseen name is found.
    const QStringList &names = store.signalNames();
    int from = syncedRecords;
    int unseen = -1;
    if (!onlyAppended) {
        from = 0;
        unseen = int(std::count_if(names.cbegin(), names.cend(),
                                   [this](const QString &name) { return !shownNames.contains(name); }));
    }
    QVector<QPair<QString, int>> added;
    const PodVector<quint32> &records = store.all().records;
    for (int i = from; i < records.size() && added.size() != unseen; ++i) {
        const quint32 id = records[i];
        const QString &name = store.name(id);
        if (shownNames.contains(name))
            continue;
        shownNames.insert(name);
        added.append({name, std::max(store.valueCount(id), 1)});
    }
    syncedRevision = store.revision();
    syncedRecords = store.all().size();
    syncedNames = names.size();
    if (added.isEmpty())
        return -1;
    const int firstRow = valuePane->rowCount();
    const int firstSection = sectionPane->sectionCountInModel();
    // All are added in one go, and fitted once: per signal, either would
    // cost a pass over every row.
    for (const auto &signal : qAsConst(added))
        channels.append(signal.first, signal.second, valuePane->defaultSectionSize());
    labelPane->showAppendedRows();
    valuePane->showAppendedRows();
    sectionPane->appendSections(added);
    if (!fitting)
        fitNewSections(firstSection, firstRow);
    emit contentsShown();
    return firstRow;
}

// A new section starts at the list's default size, which is the size of a
// signal with one channel row; only other signals need the pass over all
// sections that sizing them takes.
void SignalList::fitNewSections(int firstSection, int firstRow)
{
    int row = firstRow;
    for (int section = firstSection; section < sectionPane->sectionCountInModel(); ++section) {
        const int channels = sectionPane->sectionData(section, SectionList::ChannelCountRole).toInt();
        int height = 0;
        for (int end = row + channels; row < end; ++row)
            height += valuePane->sectionSize(row);
        if (height != sectionPane->sectionSize(section)) {
            fitSignalSections();
            return;
        }
    }
    relayout();
}

bool SignalList::showsExactlySignalsOf(const SignalData &store) const
{
    return syncedRevision == store.revision() && syncedRecords == store.all().size()
           && syncedNames == store.signalNames().size() && shownNames.size() == store.signalNames().size();
}

void SignalList::forgetSync()
{
    syncedRevision = 0;
    syncedRecords = 0;
    syncedNames = -1;
    sources.clear();
}

const QVector<SignalList::RowSource> &SignalList::rowSources(const SignalData &store)
{
    if (sourcesStore != &store || sourcesPlacement != store.seriesPlacement() || sources.size() > valuePane->rowCount()) {
        sources.clear();
        sourcesStore = &store;
        sourcesPlacement = store.seriesPlacement();
    }
    QString lastName;
    const SignalSeries *series = nullptr;
    sources.reserve(valuePane->rowCount());
    for (int row = sources.size(); row < valuePane->rowCount(); ++row) {
        const QString &name = channels[row].signal;
        if (!series || name != lastName) {
            // A signal without records now may get some later, in a series
            // made then: only series that are there are kept.
            series = store.bySignal().contains(name) ? &store.series(name) : nullptr;
            lastName = name;
        }
        sources.append({series, channels[row].channel});
    }
    return sources;
}

void SignalList::clearRows()
{
    channels.clear();
    labelPane->showAllRows();
    valuePane->showAllRows();
    sectionPane->clearSections();
    shownNames.clear();
    forgetSync();
    relayout();
}

void SignalList::refreshValues(double time, double scale, const SignalData &store, int firstRow)
{
    const QString label = scale < Timeline::SecondsBelowScale
                              ? QString::number(std::trunc(time / 100) / 10, 'f', 1) + QStringLiteral(" s")
                              : QStringLiteral("%1 ms").arg(qint64(time));
    headerModel.setHeaderData(1, Qt::Horizontal, label, Qt::EditRole);
    const int needed = headerView->fontMetrics().horizontalAdvance(label)
                       + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, headerView);
    if (needed > headerView->sectionSize(1))
        headerView->resizeSection(0, headerView->sectionSize(0) - (needed - headerView->sectionSize(1)));

    QVector<double> values(std::max(0, valuePane->rowCount() - firstRow));
    const QVector<RowSource> &where = rowSources(store);
    for (int i = 0; i < values.size(); ++i) {
        const int row = firstRow + i;
        const RowSource &source = where[row];
        const SignalSeries &series = source.series
                                         ? *source.series
                                         : store.series(channels[row].signal);
        values[i] = store.valueAt(series, time, source.channel);
    }
    valuePane->setValues(values, firstRow);
    emit contentsShown();
}
