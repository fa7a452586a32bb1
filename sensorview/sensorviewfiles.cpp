#include "sensorviewx.h"

#include "graphview.h"
#include "signaldata.h"
#include "signallist.h"
#include "signaltext.h"

#include "safefile.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

// The view's files and its live input.

namespace {
// Live input moves the view at most once in this many milliseconds.
constexpr qint64 RefreshIntervalMs = 100;
// A live window lets its oldest records run this part of its length past
// it before it drops them: a drop goes over the whole store.
constexpr double LiveWindowSlackPart = 1.0 / 8;
// Past the memory budget, live input drops its oldest records until what
// stays takes this part of the budget, so that drops come in batches.
constexpr double BudgetKeptPart = 3.0 / 4;
} // namespace

namespace {

// Reads a file in pieces that end at a line feed, so that a file of any size
// that fits in memory loads, and a failure to read is told apart from an
// empty file. A chunk without a line feed is one line to the reader, so the
// pieces read as the whole file would.
bool readRecords(QFile &file, SignalData &store, ParseCount *count, QString *error)
{
    constexpr int Piece = 16 << 20;
    constexpr int LongestLine = 1 << 30;
    // Text never holds a zero byte; a file that does near its start is a
    // program or an image, whose every few bytes would make a new signal.
    constexpr int SniffedBytes = 64 * 1024;
    QByteArray buffer;
    bool sniffed = false;
    for (;;) {
        const int kept = buffer.size();
        if (kept > LongestLine) {
            *error = QStringLiteral("A line of the file is longer than %1 bytes").arg(LongestLine);
            return false;
        }
        buffer.resize(kept + Piece);
        const qint64 got = file.read(buffer.data() + kept, Piece);
        if (got < 0) {
            *error = file.errorString();
            return false;
        }
        buffer.resize(kept + int(got));
        if (got == 0)
            break;
        if (!sniffed) {
            sniffed = true;
            if (std::memchr(buffer.constData(), 0, size_t(std::min(buffer.size(), SniffedBytes)))) {
                *error = QStringLiteral("The file holds binary data, not text lines");
                return false;
            }
        }
        const int lineEnd = buffer.lastIndexOf('\n');
        if (lineEnd < 0)
            continue;
        *count += parseUtf8(store, buffer.constData(), lineEnd + 1);
        buffer.remove(0, lineEnd + 1);
    }
    if (!buffer.isEmpty())
        *count += parseUtf8(store, buffer.constData(), buffer.size());
    return true;
}

} // namespace

// Reads a recording into `store`, adding to what it holds; false (with the
// reason in the report) when the file cannot be read.
bool SensorViewX::readFile(const QString &fileName, SignalData &store)
{
    report = SensorViewReport();
    report.error = SafeFile::readRefusal(fileName);
    if (!report.error.isEmpty())
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        report.error = file.errorString();
        return false;
    }
    ParseCount count;
    if (!readRecords(file, store, &count, &report.error))
        return false;
    report.records = count.records;
    report.unreadableLines = count.unreadable;
    report.tooWideLines = count.tooWide;
    report.separator = count.separator();
    return true;
}

bool SensorViewX::loadFile(const QString &fileName, int mode)
{
    if (mode == 1) {
        SignalData inserted;
        if (!readFile(fileName, inserted))
            return false;
        // Only now: a file that fails must leave the history as it was.
        edit([&inserted](EditController &edits, ViewPlace &place) { return edits.insert(inserted, place); });
        return true;
    }
    // Read beside the store, so that a failure leaves it untouched.
    SignalData loaded = *ownStore;
    if (!readFile(fileName, loaded))
        return false;
    showLoaded(loaded);
    return true;
}

bool SensorViewX::replaceWithFile(const QString &fileName)
{
    SignalData loaded;
    if (!readFile(fileName, loaded))
        return false;
    const SensorViewReport read = report;
    execute(Clear);
    showLoaded(loaded);
    report = read;
    return true;
}

void SensorViewX::showLoaded(const SignalData &loaded)
{
    *ownStore = loaded;
    columnsSizedByUser = false;
    rowsFitted = rowsFillHeight;
    listPane->clearRows();
    syncRows();
    graphPane->setFitPending(true);
    graphPane->updateScrollRange();
    execute(GoToStart);
    graphPane->viewport()->update();
}

bool SensorViewX::saveFile(const QString &fileName, int mode)
{
    return saveFileWith(fileName, mode, '\t');
}

bool SensorViewX::saveFileWith(const QString &fileName, int mode, char separator)
{
    report = SensorViewReport();
    if ((mode != 0 && mode != 1) || (separator != ';' && separator != '\t'))
        return false;
    const auto writeTo = [this, mode, separator](QTextStream &stream) {
        stream.setCodec("UTF-8");
        if (mode == 1 && hasSelection())
            writeRange(stream, *ownStore, graphPane->anchorTime(), graphPane->cursorTime(), separator);
        else
            writeAll(stream, *ownStore, separator);
        stream.flush();
    };
    // Written in place, a file takes the room it needs first, which a dry
    // run tells.
    qint64 size = -1;
    if (SafeFile::Writer::wouldWriteInPlace(fileName)) {
        SafeFile::ByteCounter counter;
        QTextStream dry(&counter);
        writeTo(dry);
        size = counter.count();
    }
    // A failed save leaves the old file as it was, and every failure shows
    // at the write that met it, with the system's reason.
    SafeFile::Writer file(fileName);
    if (!file.open(size)) {
        report.error = file.errorString();
        return false;
    }
    QTextStream stream(file.device());
    writeTo(stream);
    if (stream.status() != QTextStream::Ok || file.device()->error() != QFileDevice::NoError) {
        report.error = file.device()->errorString();
        file.cancel();
        return false;
    }
    if (!file.commit()) {
        report.error = file.errorString();
        return false;
    }
    return true;
}

void SensorViewX::appendText(const QString &text)
{
    edits->settleInPlaceSteps();
    liveCount += parseLiveText(*ownStore, text, liveAnchor);
    syncRows();
    dropOutsideLiveWindow(liveWindowMs * LiveWindowSlackPart);
    keepWithinMemoryBudget();
    const double newest = liveAnchor.comparesTimes() ? liveAnchor.time() : ownStore->lastTime(ownStore->all());
    if (following)
        graphPane->setLiveEnd(newest);
    if (sinceRefresh.isValid() && sinceRefresh.elapsed() <= RefreshIntervalMs)
        return;
    setWindowModified(true);
    // Once the user has moved the view, new records leave it, and the
    // selection made in it, where they are.
    // Where the stream stands, which one wild time does not move (once
    // there are times enough to tell).
    if (following && liveAnchor.comparesTimes()) {
        graphPane->followLiveEnd(liveAnchor.time());
    } else if (following) {
        graphPane->setFollowEnd(true);
        graphPane->jump(JumpMode::End, false);
    }
    graphPane->viewport()->update();
    sinceRefresh.start();
}

// A follow still waiting for the next paint would undo the user's move.
void SensorViewX::setFollowing(bool follow)
{
    following = follow;
    if (!follow) {
        graphPane->setFollowEnd(false);
        graphPane->setLiveEnd(std::numeric_limits<double>::quiet_NaN());
    }
}

// Following live input would take the view straight back to its end.
void SensorViewX::zoomToFit()
{
    setFollowing(false);
    graphPane->zoomToFit();
    notifyObservers();
}

void SensorViewX::setLiveWindowSeconds(double seconds)
{
    liveWindowMs = seconds > 0 && std::isfinite(seconds) ? seconds * MillisecondsPerSecond : 0.0;
    graphPane->setFollowSpan(liveWindowMs);
    dropOutsideLiveWindow(0.0);
    notifyObservers();
}

// Records are dropped once the oldest is `slackMs` past the window: a drop
// goes over the whole store, so it must not come with every record.
void SensorViewX::dropOutsideLiveWindow(double slackMs)
{
    if (liveWindowMs <= 0 || !hasRecords())
        return;
    // Where live input stands, not the largest time held: one wild time
    // must not push everything else out of the window.
    const double newest = liveAnchor.isEmpty() ? ownStore->lastTime(ownStore->all()) : liveAnchor.time();
    double keepFrom = newest - liveWindowMs;
    // Paused, the user looks at something: what is in view and selected
    // stays until the view follows again.
    if (!following)
        keepFrom = std::min({keepFrom, graphPane->timeAt(0), graphPane->anchorTime(), graphPane->cursorTime()});
    if (!(ownStore->firstTime(ownStore->all()) < keepFrom - slackMs))
        return;
    edits->settleInPlaceSteps();
    ownStore->dropBefore(keepFrom);
    showDropped();
}

void SensorViewX::showDropped()
{
    graphPane->relayout();
    graphPane->viewport()->update();
}

void SensorViewX::setMemoryBudget(qint64 bytes)
{
    memoryBudget = std::max<qint64>(0, bytes);
    nextBudgetCheck = 0;
    keepWithinMemoryBudget();
    notifyObservers();
}

// Only live input is bounded: what the user opened stays whole.
void SensorViewX::keepWithinMemoryBudget()
{
    // Adding up the store's bytes goes over every signal: with many of them
    // that must not come with every line. The records that arrive before
    // the next look can fill only half the room left, at the size the
    // records had so far.
    const int records = ownStore->recordCount();
    if (memoryBudget <= 0 || liveCount.records == 0 || records < nextBudgetCheck)
        return;
    const qint64 bytes = ownStore->memoryBytes();
    if (bytes <= memoryBudget) {
        const qint64 perRecord = std::max<qint64>(1, bytes / std::max(records, 1));
        nextBudgetCheck = records + int(std::min<qint64>(INT_MAX / 2, std::max<qint64>(1, (memoryBudget - bytes) / perRecord / 2)));
        return;
    }
    nextBudgetCheck = 0;
    const int before = records;
    edits->settleInPlaceSteps();
    ownStore->dropBefore(ownStore->timeKeepingWithin(qint64(memoryBudget * BudgetKeptPart)));
    droppedForMemory += before - ownStore->recordCount();
    showDropped();
}

// The operations beside the interface work on the views the factory
// makes; any other view has nothing for them.
namespace {
SensorViewX *made(SensorView *view)
{
    return dynamic_cast<SensorViewX *>(view);
}

const SensorViewX *made(const SensorView *view)
{
    return dynamic_cast<const SensorViewX *>(view);
}

// Does `change` to a view the factory made.
template<typename Change>
void onMade(SensorView *view, Change change)
{
    if (SensorViewX *own = made(view))
        change(*own);
}

// What `read` gives of a view the factory made, else `otherwise`.
template<typename T, typename Read>
T fromMade(const SensorView *view, T otherwise, Read read)
{
    const SensorViewX *own = made(view);
    return own ? read(*own) : otherwise;
}
} // namespace

bool replaceWithFile(SensorView *view, const QString &fileName)
{
    SensorViewX *own = made(view);
    return own && own->replaceWithFile(fileName);
}

bool saveFileWith(SensorView *view, const QString &fileName, int mode, char separator)
{
    SensorViewX *own = made(view);
    return own && own->saveFileWith(fileName, mode, separator);
}

void setRowsFillHeight(SensorView *view, bool fill)
{
    onMade(view, [fill](SensorViewX &own) { own.setRowsFillHeight(fill); });
}

void fitRowsToHeight(SensorView *view)
{
    onMade(view, [](SensorViewX &own) { own.fitRowsToHeight(); });
}

void zoomToFit(SensorView *view)
{
    onMade(view, [](SensorViewX &own) { own.zoomToFit(); });
}

void setScaleToData(SensorView *view, bool toData)
{
    onMade(view, [toData](SensorViewX &own) { own.graph()->setScaleToData(toData); });
}

bool scalesToData(const SensorView *view)
{
    return fromMade(view, false, [](const SensorViewX &own) { return own.graph()->scalesToData(); });
}

void setValueScalesShown(SensorView *view, bool shown)
{
    onMade(view, [shown](SensorViewX &own) { own.graph()->setValueScalesShown(shown); });
}

bool valueScalesShown(const SensorView *view)
{
    return fromMade(view, false, [](const SensorViewX &own) { return own.graph()->valueScalesShown(); });
}

void setLiveMemoryBudget(SensorView *view, qint64 bytes)
{
    onMade(view, [bytes](SensorViewX &own) { own.setMemoryBudget(bytes); });
}

qint64 liveMemoryBudget(const SensorView *view)
{
    return fromMade(view, qint64(0), [](const SensorViewX &own) { return own.memoryBudgetBytes(); });
}

void setLiveWindow(SensorView *view, double seconds)
{
    onMade(view, [seconds](SensorViewX &own) { own.setLiveWindowSeconds(seconds); });
}

double liveWindow(const SensorView *view)
{
    return fromMade(view, 0.0, [](const SensorViewX &own) { return own.liveWindowSeconds(); });
}

void SensorViewX::forgetLiveInput()
{
    liveAnchor.clear();
    liveCount = ParseCount();
    droppedForMemory = 0;
    nextBudgetCheck = 0;
    graphPane->setLiveEnd(std::numeric_limits<double>::quiet_NaN());
}

LiveInputCount liveInputCount(const SensorView *view)
{
    const SensorViewX *own = made(view);
    if (!own)
        return {};
    const ParseCount &count = own->liveInputCount();
    return {count.records, count.unreadable, count.tooWide, own->recordsDroppedForMemory()};
}

bool followsLiveInput(const SensorView *view)
{
    return fromMade(view, false, [](const SensorViewX &own) { return own.isFollowing(); });
}

SensorViewHoldings holdings(const SensorView *view)
{
    const SensorViewX *own = made(view);
    if (!own)
        return {};
    return {own->signalData()->recordCount(), own->signalData()->memoryBytes()};
}
