#include "sensorviewx.h"

#include "autosizeheaderview.h"
#include "channelrows.h"
#include "editcontroller.h"
#include "sensorcommands.h"
#include "curvestyle.h"
#include "datalist.h"
#include "graphview.h"
#include "sectionlist.h"
#include "sensoraction.h"
#include "signaldata.h"
#include "signallist.h"
#include "timeline.h"

#include <QGuiApplication>
#include <QGridLayout>
#include <QScrollBar>
#include <QSplitter>

#include <climits>
#include <limits>
#include <cmath>

namespace {
constexpr double ListShare = 0.25;
constexpr double GraphShare = 0.75;
// Growing columns leave the graph at least this wide.
constexpr int MinimumGraphWidth = 200;
}

SensorView *createSensorView()
{
    return new SensorViewX(new SignalData);
}

SensorViewX::SensorViewX(SignalData *store)
    : SensorView(nullptr)
    , ownStore(store)
{
    listPane = new SignalList(channels, this);
    listPane->setMenuCommands(SensorAction::listMenuCommands(this, listPane));
    channelRows = std::make_unique<ChannelRows>(channels, *listPane);
    graphPane = new GraphView(listPane, store, channels);
    edits = std::make_unique<EditController>(*store, [this]() { return isWindowModified(); });
    commandTarget.store = store;
    commandTarget.graph = graphPane;
    commandTarget.list = listPane;
    commandTarget.rows = channelRows.get();
    commandTarget.edits = edits.get();
    commandTarget.edit = [this](const CommandTarget::Edit &change) { edit(change); };
    commandTarget.rowsChanged = [this]() { rowsChanged(); };
    commandTarget.resetColumns = [this]() { resetColumns(); };
    commandTarget.setFollowing = [this](bool follow) { setFollowing(follow); };
    commandTarget.clear = [this]() { clearAll(); };

    // The list pane scrolls with the graph, and either bar moves the other.
    QScrollBar *listBar = listPane->verticalScrollBar();
    QScrollBar *graphBar = graphPane->verticalScrollBar();
    connect(listBar, &QScrollBar::valueChanged, graphPane, [this, graphBar](int value) {
        graphPane->viewport()->update();
        graphBar->setValue(value);
    });
    connect(listBar, &QScrollBar::rangeChanged, graphPane, [listBar, graphBar](int, int maximum) {
        graphBar->setMaximum(maximum);
        graphBar->setPageStep(listBar->pageStep());
        graphBar->setSingleStep(listBar->singleStep());
    });
    connect(graphBar, &QScrollBar::valueChanged, listBar, &QScrollBar::setValue);
    for (DataList *list : {listPane->valueList(), listPane->labelList()})
        connect(list, &QHeaderView::sectionMoved, graphPane->viewport(), qOverload<>(&QWidget::update));
    connect(listPane, &SignalList::selectionChanged, graphPane, [this]() {
        graphPane->viewport()->update();
        notifyObservers();
    });
    connect(listPane, &SignalList::rowsMoved, graphPane->viewport(), qOverload<>(&QWidget::update));
    connect(listPane, &SignalList::displayChanged, graphPane, [this]() {
        graphPane->viewport()->update();
        notifyObservers();
    });
    connect(graphPane, &GraphView::selectionDragged, graphPane, [this]() { notifyObservers(); });
    connect(graphPane, &GraphView::movedByUser, graphPane, [this](bool toEnd) { setFollowing(toEnd); });

    paneSplitter = new QSplitter;
    paneSplitter->addWidget(listPane);
    paneSplitter->addWidget(graphPane);
    paneSplitter->setStretchFactor(0, 0);
    paneSplitter->setStretchFactor(1, 1);
    const int width = paneSplitter->width();
    paneSplitter->setSizes({int(ListShare * width), int(GraphShare * width)});
    connect(paneSplitter, &QSplitter::splitterMoved, this, [this]() { columnsSizedByUser = true; });
    connect(listPane->header(), &QHeaderView::sectionResized, this, [this]() {
        if (!adjustingColumns && (QGuiApplication::mouseButtons() & Qt::LeftButton))
            columnsSizedByUser = true;
    });
    connect(listPane, &SignalList::contentsShown, this, &SensorViewX::growColumnsToFit);
    connect(listPane, &SignalList::rowsSizedByHand, this, [this]() { rowsFitted = false; });
    connect(graphPane, &GraphView::viewportResized, this, [this]() {
        if (rowsFitted)
            fitRowsToHeight();
    });

    auto *layout = new QGridLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(paneSplitter);
    setFocusPolicy(Qt::StrongFocus);
    for (QWidget *widget : {static_cast<QWidget *>(this), static_cast<QWidget *>(listPane),
                            static_cast<QWidget *>(listPane->valueList()),
                            static_cast<QWidget *>(listPane->sectionList())})
        widget->setFocusProxy(graphPane);

    syncRows();
    graphPane->jump(JumpMode::Start, false);
    setLayout(layout);
    // Shown on its own, the view's title carries the modified mark.
    setWindowTitle(QStringLiteral("Sensor View[*]"));
}

SensorViewX::~SensorViewX()
{
    // The panes read the channel table and the store, which go before the
    // widget's children would.
    delete paneSplitter;
    observers.clear();
    edits->clearHistory();
}

// ---- Observers and history --------------------------------------------------

void SensorViewX::notifyObservers()
{
    // A copy: an observer may remove itself while being told.
    const QList<SensorViewObserver *> listeners = observers;
    for (SensorViewObserver *observer : listeners)
        observer->viewChanged(this);
}

void SensorViewX::addObserver(SensorViewObserver *observer)
{
    observers.append(observer);
}

void SensorViewX::removeObserver(SensorViewObserver *observer)
{
    observers.removeOne(observer);
}

// New rows show their values at the cursor at once, not only once the
// cursor next moves.
void SensorViewX::syncRows()
{
    const int firstNewRow = listPane->syncWithData(*ownStore);
    if (firstNewRow >= 0)
        graphPane->refreshValuesFor(graphPane->cursorTime(), firstNewRow);
    if (firstNewRow >= 0 && rowsFitted)
        fitRowsToHeight();
}

bool SensorViewX::hasRecords() const
{
    return !ownStore->all().isEmpty();
}

bool SensorViewX::hasSelection() const
{
    return !(graphPane->anchorTime() == graphPane->cursorTime());
}

void SensorViewX::removeSignal(const QString &name)
{
    listPane->removeSignalRows(name);
    edit([&name](EditController &edits, ViewPlace &place) { return edits.removeSignal(name, place); });
}

void SensorViewX::edit(const CommandTarget::Edit &change)
{
    ViewPlace place{graphPane->anchorTime(), graphPane->cursorTime(), graphPane->offset(), graphPane->scale()};
    const EditEffect effect = change(*edits, place);
    if (effect.zoom) {
        graphPane->setScale(place.scale);
        graphPane->setOffset(place.offset);
    }
    graphPane->setAnchorTime(place.anchor);
    graphPane->setCursorTime(place.cursor);
    apply(effect);
}

void SensorViewX::apply(const EditEffect &effect)
{
    if (effect.records) {
        syncRows();
        graphPane->relayout();
    }
    if (effect.showSelection)
        graphPane->showSelection();
    graphPane->viewport()->update();
    if (effect.modified)
        setWindowModified(*effect.modified);
    notifyObservers();
}

void SensorViewX::setRowsFillHeight(bool fill)
{
    rowsFillHeight = fill;
    rowsFitted = fill;
    if (fill)
        fitRowsToHeight();
}

void SensorViewX::fitRowsToHeight()
{
    rowsFitted = rowsFillHeight;
    listPane->shareHeight(graphPane->viewport()->height());
    graphPane->viewport()->update();
}

void SensorViewX::clearAll()
{
    rowsFitted = rowsFillHeight;
    listPane->clearRows();
    forgetLiveInput();
    edit([](EditController &edits, ViewPlace &place) { return edits.clear(place); });
}

// Row commands change what the graph draws and what observers show.
void SensorViewX::rowsChanged()
{
    graphPane->viewport()->update();
    notifyObservers();
}

// The name and value columns grow (never shrink) to show what is in sight
// whole, taking the room from the graph.
void SensorViewX::growColumnsToFit()
{
    if (columnsSizedByUser || !paneSplitter || adjustingColumns)
        return;
    const int firstWidth = listPane->header()->sectionSize(0);
    const int nameRoom = firstWidth - listPane->labelList()->preferredWidth();
    const int valueRoom = listPane->valueList()->width();
    const int moreNames = std::max(0, listPane->neededNameWidth() - nameRoom);
    const int moreValues = std::max(0, listPane->neededValueWidth() - valueRoom);
    if (moreNames == 0 && moreValues == 0)
        return;
    QList<int> sizes = paneSplitter->sizes();
    if (sizes.size() < 2)
        return;
    adjustingColumns = true;
    const int grow = std::min(moreNames + moreValues, std::max(0, sizes[1] - MinimumGraphWidth));
    sizes[0] += grow;
    sizes[1] -= grow;
    paneSplitter->setSizes(sizes);
    listPane->header()->resizeSection(0, firstWidth + std::min(moreNames, grow));
    adjustingColumns = false;
}

void SensorViewX::resetColumns()
{
    columnsSizedByUser = false;
    const int signalWidth = listPane->sectionList()->sizeHint().width();
    const int width = signalWidth + listPane->labelList()->preferredWidth() + listPane->valueList()->preferredWidth();
    paneSplitter->setSizes({width, paneSplitter->width() - width});
    listPane->header()->resizeSection(0, signalWidth + listPane->labelList()->preferredWidth());
}

// ---- Commands -----------------------------------------------------------------

void SensorViewX::execute(int command)
{
    if (const SensorCommands::Row *row = SensorCommands::find(command))
        row->run(commandTarget, command);
}

bool SensorViewX::isEnabled(int command) const
{
    const SensorCommands::Row *row = SensorCommands::find(command);
    return row && row->enabled(commandTarget);
}

bool SensorViewX::isChecked(int command) const
{
    const SensorCommands::Row *row = SensorCommands::find(command);
    return row && row->checked && row->checked(commandTarget, command);
}

// ---- Configuration by name ----------------------------------------------------------

template<typename Change>
void SensorViewX::changeRows(const QString &name, int channel, Change change)
{
    const QList<int> rows = channels.rowsOf(name, channel);
    for (int row : rows)
        change(row, channels[row]);
    if (!rows.isEmpty())
        listPane->showChannelChanges(rows.first(), rows.last());
}

void SensorViewX::setChannelStyle(const QString &name, int channel, int style)
{
    changeRows(name, channel, [&](int, ChannelState &state) { state.style = style; });
    graphPane->viewport()->update();
}

void SensorViewX::setChannelFormat(const QString &name, int channel, int format)
{
    changeRows(name, channel, [&](int row, ChannelState &state) {
        state.format = format;
        listPane->valueList()->reformat(row);
    });
}

int SensorViewX::signalCount() const
{
    return listPane->sectionList()->sectionCountInModel();
}

QString SensorViewX::signalKey(int index) const
{
    if (index < 0 || index >= signalCount())
        return QString();
    return listPane->sectionList()->sectionData(index, SectionList::SignalKeyRole).toString();
}

QString SensorViewX::signalLabel(int index) const
{
    if (index < 0 || index >= signalCount())
        return QString();
    return listPane->sectionList()->sectionData(index, SectionList::SignalLabelRole).toString();
}

void SensorViewX::moveSignal(const QString &name, int position)
{
    for (int section = 0; section < signalCount(); ++section) {
        if (signalKey(section) == name)
            listPane->sectionList()->moveSection(listPane->sectionList()->visualIndex(section), position);
    }
}

// One pass over the rows that exist, whatever count the caller names.
void SensorViewX::forChannelRange(const QString &name, int first, qint64 count, bool hide)
{
    const qint64 end = qint64(first) + count;
    for (int row : channels.rowsOf(name)) {
        if (channels[row].channel >= first && channels[row].channel < end)
            listPane->setRowHidden(row, hide);
    }
    graphPane->viewport()->update();
}

void SensorViewX::showSignal(const QString &name)
{
    forChannelRange(name, 0, std::numeric_limits<qint64>::max() / 2, false);
}

void SensorViewX::hideSignal(const QString &name)
{
    forChannelRange(name, 0, std::numeric_limits<qint64>::max() / 2, true);
}

void SensorViewX::setMergedRange(const QString &name, qint64 first, qint64 last, bool merged)
{
    changeRows(name, -1, [&](int, ChannelState &state) {
        if (state.channel >= first && state.channel <= last)
            state.merged = merged;
    });
    graphPane->viewport()->update();
}

void SensorViewX::mergeSignal(const QString &name)
{
    DataList *rows = listPane->valueList();
    for (int visual = 0; visual + 1 < rows->count(); ++visual) {
        const int row = rows->logicalIndex(visual);
        const int next = rows->logicalIndex(visual + 1);
        if (channels[row].signal == name && channels[next].signal == name)
            channels[row].merged = true;
    }
    listPane->showChannelChanges();
    graphPane->viewport()->update();
}

void SensorViewX::unmergeSignal(const QString &name)
{
    DataList *rows = listPane->valueList();
    const int lastRow = rows->logicalIndex(rows->count() - 1);
    changeRows(name, -1, [&](int row, ChannelState &state) {
        if (row != lastRow)
            state.merged = false;
    });
    graphPane->viewport()->update();
}

void SensorViewX::setSignalLabel(const QString &name, const QString &label)
{
    for (int section = 0; section < signalCount(); ++section) {
        if (signalKey(section) == name) {
            listPane->sectionList()->setSectionData(section, SectionList::SignalLabelRole, label);
            listPane->sectionList()->setSectionData(section, Qt::EditRole, label);
        }
    }
}

void SensorViewX::showChannels(const QString &name, int first, int count)
{
    forChannelRange(name, first, count, false);
}

void SensorViewX::hideChannels(const QString &name, int first, int count)
{
    forChannelRange(name, first, count, true);
}

void SensorViewX::mergeChannels(const QString &name, int first, int count)
{
    if (count >= 2)
        setMergedRange(name, first, qint64(first) + count - 2, true);
}

void SensorViewX::unmergeChannels(const QString &name, int first, int count)
{
    setMergedRange(name, first, qint64(first) + count - 1, false);
}

void SensorViewX::setChannelLabel(const QString &name, int channel, const QString &label)
{
    changeRows(name, channel, [&](int, ChannelState &state) {
        // An empty label stays empty rather than showing the number.
        state.label = label.isNull() ? QString(QLatin1String("")) : label;
    });
}

void SensorViewX::setChannelColor(const QString &name, int channel, const QColor &color)
{
    changeRows(name, channel, [&](int, ChannelState &state) { state.colour = color; });
    graphPane->viewport()->update();
}

void SensorViewX::setChannelTrigger(const QString &name, int channel, int mode, double level)
{
    changeRows(name, channel, [&](int, ChannelState &state) {
        state.triggerMode = mode;
        state.triggerLevel = level;
    });
    graphPane->viewport()->update();
}

void SensorViewX::setChannelNames(const QString &name, int channel, const QVariant &names)
{
    changeRows(name, channel, [&](int row, ChannelState &state) {
        state.enumNames = names;
        listPane->valueList()->reformat(row);
    });
}

void SensorViewX::setContextMenu(QMenu *menu)
{
    graphPane->setContextMenu(menu);
}

// ---- Queries --------------------------------------------------------------------------

double SensorViewX::selectionStart() const
{
    return graphPane->anchorTime() / MillisecondsPerSecond;
}

double SensorViewX::selectionEnd() const
{
    return graphPane->cursorTime() / MillisecondsPerSecond;
}

bool SensorViewX::isSignalSelected(const QString &name) const
{
    const QList<int> rows = listPane->rowsOf(name);
    if (rows.isEmpty())
        return false;
    int first = rows.first();
    for (int row : rows) {
        if (listPane->valueList()->visualIndex(row) < listPane->valueList()->visualIndex(first))
            first = row;
    }
    return listPane->isBandSelected(first);
}

double SensorViewX::valueAt(const QString &name, int channel, double time) const
{
    return ownStore->valueAt(ownStore->series(name), time * MillisecondsPerSecond, channel);
}

// ---- Cloning ---------------------------------------------------------------------------

SensorViewReport lastFileReport(const SensorView *view)
{
    const auto *own = dynamic_cast<const SensorViewX *>(view);
    return own ? own->fileReport() : SensorViewReport();
}

SensorView *SensorViewX::clone(int mode) const
{
    auto *copy = new SensorViewX(new SignalData(*ownStore));
    copy->graph()->setScale(graphPane->scale());
    copy->graph()->setOffset(graphPane->offset());
    copy->graph()->setAnchorTime(graphPane->anchorTime());
    copy->graph()->setCursorTime(graphPane->cursorTime());
    if (mode == 0 || mode == 1)
        copy->signalList()->copyLayoutFrom(*listPane);
    if (mode == 0)
        copy->setWindowModified(isWindowModified());
    if (mode == 1) {
        GraphView *g = copy->graph();
        if (g->anchorTime() > g->cursorTime())
            g->placeSelection(g->cursorTime(), g->anchorTime());
        if (!(g->anchorTime() == g->cursorTime())) {
            const double length = g->cursorTime() - g->anchorTime();
            copy->signalData()->crop(g->anchorTime(), g->cursorTime());
            g->placeSelection(0, g->cursorTime());
            g->setCursorTime(length);
            g->updateScrollRange();
        }
        g->showSelection();
        copy->setWindowModified(true);
    }
    copy->splitter()->setSizes(paneSplitter->sizes());
    return copy;
}
