// The signal store and its text format at 1,000,000 records (4 signals of 3
// channels, times increasing):
//   build/bench/bench_signaldata
//   build/bench/bench_signaldata memory [1|4]   (10,000,000 one-value records
//   of one or four signals)
// Prints parsing speed beside a plain std::from_chars parser's, writing speed, memory per record, the edits on half of
// the data, a copy, and the lookups.

#include "benchsupport.h"
#include "signaltext.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

int Records = 1000000;

QByteArray recording()
{
    QByteArray text;
    text.reserve(Records * 36);
    const char *const names[] = {"accel", "gyro", "magnet", "baro"};
    char line[160];
    for (int i = 0; i < Records; ++i) {
        const double t = i * 0.001;
        const int n = std::snprintf(line, sizeof line, "%s;%.3f;%.4f;%.4f;%.4f\n", names[i % 4], t,
                                    std::sin(t) * 9.81, std::cos(t * 0.7) * 2.5, 1.0 + 0.01 * (i % 97));
        text.append(line, n);
    }
    return text;
}


// The anchor a plain parser sets: the same lines split at ";" and their
// numbers read with std::from_chars into plain vectors (a name table,
// times, where each record's values start, the values).
struct PlainRecords
{
    std::vector<std::string> names;
    std::vector<int> nameOf;
    std::vector<double> times;
    std::vector<size_t> valueStart;
    std::vector<double> values;
};

void parsePlainly(PlainRecords &out, const char *data, size_t size)
{
    const char *p = data;
    const char *end = data + size;
    std::string_view lastName;
    int lastId = -1;
    while (p < end) {
        const char *lineEnd = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        const char *field = p;
        const char *cut = std::find(field, lineEnd, ';');
        const std::string_view name(field, size_t(cut - field));
        if (lastId < 0 || name != lastName) {
            const auto found = std::find(out.names.begin(), out.names.end(), name);
            lastId = int(found - out.names.begin());
            if (found == out.names.end())
                out.names.emplace_back(name);
            lastName = name;
        }
        out.nameOf.push_back(lastId);
        double number = 0;
        field = cut + 1;
        cut = std::find(field, lineEnd, ';');
        std::from_chars(field, cut, number);
        out.times.push_back(number);
        out.valueStart.push_back(out.values.size());
        while (cut < lineEnd) {
            field = cut + 1;
            cut = std::find(field, lineEnd, ';');
            std::from_chars(field, cut, number);
            out.values.push_back(number);
        }
        p = lineEnd + 1;
    }
}

template<typename Work>
double timed(Work work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

// The memory of 10,000,000 records of one value each, as live input or a
// file of one sensor brings them, and the same spread over four signals.
void memoryPerRecord(int signalCount)
{
    constexpr int Count = 10000000;
    {
        const QString names[] = {QStringLiteral("temp"), QStringLiteral("hum"), QStringLiteral("press"),
                                 QStringLiteral("light")};
        const double before = Bench::residentMegabytes();
        SignalData store;
        store.reserve(Count, Count);
        for (int i = 0; i < Count; ++i) {
            const double value = i % 977;
            store.addRecord(QStringView(names[i % signalCount]), i * 0.5, &value, 1);
        }
        const double resident = (Bench::residentMegabytes() - before) * 1024 * 1024 / Count;
        char what[80];
        std::snprintf(what, sizeof what, "one-value records, %d signal%s: held / resident", signalCount,
                      signalCount > 1 ? "s" : "");
        std::printf("%-58s %6.1f / %.1f bytes/record\n", what, double(store.memoryBytes()) / Count, resident);
    }
}

// Delete, its undo and redo, and Crop of a few records in the middle of the
// store, in place; beside them the anchor, erasing the same records from
// plain vectors (times, signals, where the values start, the values).
void smallEdits(const SignalData &loaded)
{
    SignalData store;
    store.assign(loaded.records());
    const int count = store.recordCount();
    PlainRecords plain;
    for (int i = 0; i < count; ++i) {
        const quint32 id = store.all().records[i];
        plain.nameOf.push_back(int(id % 4));
        plain.times.push_back(store.time(id));
        plain.valueStart.push_back(plain.values.size());
        plain.values.insert(plain.values.end(), store.values(id), store.values(id) + store.valueCount(id));
    }
    const int width = 100;
    std::vector<double> ours, undo, redo, crop, anchor, cropAnchor;
    for (int run = 0; run < 5; ++run) {
        const int at = count * (3 + run) / 10;
        const double from = store.time(store.all(), at);
        const double to = store.time(store.all(), at + width - 1);
        RemovedRecords removed;
        ours.push_back(timed([&]() { store.deleteRangeInPlace(from, to, &removed); }));
        undo.push_back(timed([&]() { store.putBack(&removed); }));
        redo.push_back(timed([&]() { store.deleteRangeInPlace(from, to, &removed); }));
        store.putBack(&removed);
        // Crop that takes a few records off each end.
        crop.push_back(timed([&]() {
            store.cropInPlace(store.time(store.all(), width / 2), store.time(store.all(), count - width / 2 - 1), &removed);
        }));
        store.putBack(&removed);
        anchor.push_back(timed([&]() {
            const size_t first = size_t(at);
            const size_t last = first + width;
            const size_t firstValue = plain.valueStart[first];
            const size_t lastValue = plain.valueStart[last];
            plain.values.erase(plain.values.begin() + long(firstValue), plain.values.begin() + long(lastValue));
            plain.times.erase(plain.times.begin() + long(first), plain.times.begin() + long(last));
            plain.nameOf.erase(plain.nameOf.begin() + long(first), plain.nameOf.begin() + long(last));
            plain.valueStart.erase(plain.valueStart.begin() + long(first), plain.valueStart.begin() + long(last));
        }));
        cropAnchor.push_back(timed([&]() {
            const auto ends = [&](auto &values, size_t perRecord) {
                values.erase(values.end() - long(perRecord * width / 2), values.end());
                values.erase(values.begin(), values.begin() + long(perRecord * width / 2));
            };
            ends(plain.values, plain.values.size() / plain.times.size());
            ends(plain.times, 1);
            ends(plain.nameOf, 1);
            ends(plain.valueStart, 1);
        }));
    }
    Bench::report("delete 100 records in the middle, in place", ours);
    Bench::report("  its undo (putting them back)", undo);
    Bench::report("  its redo", redo);
    Bench::report("crop 50 records off each end, in place", crop);
    Bench::report("anchor: erase the 100 records from std::vectors", anchor);
    Bench::report("anchor: erase 50 records off each end", cropAnchor);
    std::sort(ours.begin(), ours.end());
    std::sort(anchor.begin(), anchor.end());
    std::printf("%-58s %9.2f x\n", "delete against the anchor (medians)", ours[ours.size() / 2] / anchor[anchor.size() / 2]);
    std::sort(crop.begin(), crop.end());
    std::sort(cropAnchor.begin(), cropAnchor.end());
    std::printf("%-58s %9.2f x\n", "crop against the anchor (medians)", crop[crop.size() / 2] / cropAnchor[cropAnchor.size() / 2]);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "memory") {
        // One store a process: memory freed by one would fill the next. The
        // allocator keeps its own settings here, as in the program.
        memoryPerRecord(argc > 2 ? std::clamp(atoi(argv[2]), 1, 4) : 1);
        return 0;
    }
#ifdef __GLIBC__
    // Memory this virtual machine hands out for the first time costs about
    // 3.5 ms per MB. Keeping freed memory in the process makes the repeated
    // runs measure the code rather than the machine; the first run shows
    // the cost with fresh memory.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    if (argc > 1)
        Records = std::max(1000, atoi(argv[1]));
    const QByteArray bytes = recording();
    const double megabytes = bytes.size() / 1e6;
    std::printf("recording: %d lines, %.1f MB\n", Records, megabytes);

    // The first parse also pays for the memory the store takes from the
    // system; later ones reuse what the process already holds.
    const double before = Bench::residentMegabytes();
    SignalData store;
    const double cold = timed([&]() { parseUtf8(store, bytes.constData(), bytes.size()); });
    const double after = Bench::residentMegabytes();
    std::printf("%-58s %9.1f ms (%.1f MB/s)\n", "parse, first time in the process", cold,
                megabytes / (cold / 1000.0));
    std::printf("%-58s %9.1f bytes/record\n", "resident memory of the filled store",
                (after - before) * 1024 * 1024 / Records);

    // Ours and the anchor in alternating rounds, so that both meet the
    // machine in the same state.
    std::vector<double> parse;
    std::vector<double> plain;
    for (int run = 0; run < 5; ++run) {
        SignalData again;
        parse.push_back(timed([&]() { parseUtf8(again, bytes.constData(), bytes.size()); }));
        PlainRecords records;
        plain.push_back(timed([&]() { parsePlainly(records, bytes.constData(), size_t(bytes.size())); }));
    }
    Bench::report("parse (UTF-8 bytes to a filled store)", parse);
    Bench::report("anchor: std::from_chars into plain vectors", plain);
    std::sort(parse.begin(), parse.end());
    std::sort(plain.begin(), plain.end());
    std::printf("%-58s %9.2f x\n", "parse against the anchor (medians)", parse[parse.size() / 2] / plain[plain.size() / 2]);
    std::printf("%-58s %9.1f MB/s\n", "parse speed (median)", megabytes / (parse[parse.size() / 2] / 1000.0));
    const QString asText = QString::fromUtf8(bytes);
    std::vector<double> parseString;
    for (int run = 0; run < 5; ++run) {
        SignalData again;
        parseString.push_back(timed([&]() { parseText(again, asText); }));
    }
    Bench::report("parse a string (as appendText and paste do)", parseString);

    QTemporaryDir dir;
    std::vector<double> write;
    for (int run = 0; run < 5; ++run) {
        QFile file(dir.filePath(QStringLiteral("out.txt")));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        write.push_back(timed([&]() {
            QTextStream stream(&file);
            writeAll(stream, store);
            stream.flush();
        }));
    }
    Bench::report("write all to a file", write);
    std::vector<double> writeMemory;
    QByteArray memory;
    memory.reserve(bytes.size() + (1 << 20));
    for (int run = 0; run < 5; ++run) {
        memory.clear();
        QBuffer buffer(&memory);
        buffer.open(QIODevice::WriteOnly);
        writeMemory.push_back(timed([&]() {
            QTextStream stream(&buffer);
            stream.setCodec("UTF-8");
            writeAll(stream, store);
            stream.flush();
        }));
    }
    Bench::report("write all into memory", writeMemory);
    std::printf("%-58s %9.1f MB/s\n", "write speed into memory (median)",
                memory.size() / 1e6 / (writeMemory[writeMemory.size() / 2] / 1000.0));
    std::printf("%-58s %9.1f MB/s\n", "write speed (median)",
                QFileInfo(dir.filePath(QStringLiteral("out.txt"))).size() / 1e6 / (write[write.size() / 2] / 1000.0));

    const double first = store.firstTime(store.all());
    const double last = store.lastTime(store.all());
    const double quarter = (last - first) / 4;
    std::vector<double> crop, erase, insert, copy;
    for (int run = 0; run < 5; ++run) {
        SignalData a = store;
        crop.push_back(timed([&]() { a.crop(first + quarter, last - quarter); }));
        SignalData b = store;
        erase.push_back(timed([&]() { b.deleteRange(first + quarter, last - quarter); }));
        SignalData c = a;
        SignalData other = a;
        insert.push_back(timed([&]() { c.insertAt((last - first) / 4, other); }));
        copy.push_back(timed([&]() {
            SignalData d = store;
            // The first change is when a copy takes its own records.
            d.addRecord(QStringLiteral("accel"), last + 1, nullptr, 0);
        }));
    }
    Bench::report("crop to half", crop);
    smallEdits(store);
    Bench::report("delete half", erase);
    Bench::report("insert half into half", insert);
    Bench::report("copy, then the copy's first change", copy);

    QRandomGenerator random(1);
    std::vector<double> probes(100000);
    for (double &t : probes)
        t = first + random.generateDouble() * (last - first);
    const SignalSeries &accel = store.series(QStringLiteral("accel"));
    double sink = 0;
    const auto perCall = [&](auto lookup) {
        return timed([&]() {
                   for (double t : probes)
                       sink += lookup(t);
               })
               * 1e6 / probes.size();
    };
    std::printf("%-58s %9.1f ns\n", "valueAt", perCall([&](double t) { return store.valueAt(accel, t, 1); }));
    std::printf("%-58s %9.1f ns\n", "nearestTime (all)", perCall([&](double t) { return store.nearestTime(store.all(), t); }));
    std::printf("%-58s %9.1f ns\n", "nextIndex", perCall([&](double t) { return double(store.nextIndex(accel, t)); }));
    std::printf("%-58s %9.1f ns\n", "previousIndex", perCall([&](double t) { return double(store.previousIndex(accel, t)); }));
    return sink == 42 ? 1 : 0;
}
