#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Bench {

// Benchmarks keep their settings apart from the user's, in a store emptied
// at start.
inline void isolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwell Quorimat"));
    QCoreApplication::setApplicationName(QStringLiteral("VESTRA CodeEditor"));
    QSettings().clear();
}

inline void report(const char *what, std::vector<double> samples, const char *unit = "ms")
{
    std::sort(samples.begin(), samples.end());
    const double median = samples[samples.size() / 2];
    std::printf("%-58s median %9.2f %s   min %9.2f   max %9.2f   (%zu runs)\n", what, median, unit,
                samples.front(), samples.back(), samples.size());
    std::fflush(stdout);
}

// A C source of `lines` lines, about 40 bytes each, in the style of the
// examples: comments, declarations, calls, strings and blocks.
inline QByteArray cSource(int lines)
{
    static const char *const shapes[] = {
        "/* Sensor sample %d: block comment */\n",
        "static int reading_%d = 0x%d; // offset\n",
        "    value = read_sensor(%d, \"temp\");\n",
        "    if (value > %d) { kvqoutput(value); }\n",
        "    for (int i = 0; i < %d; ++i) {\n",
        "        printf(\"%%d\\n\", buffer[%d]);\n",
        "    }\n",
        "uint8_t QString_like_%d(float x);\n",
    };
    QByteArray text;
    text.reserve(lines * 40);
    char line[128];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, shapes[i % 8], i, i);
        text += line;
    }
    return text;
}

#ifdef VESTRA_EXAMPLES_DIR
// A copy of the bundled sensor demo's sources in `dir`; returns its folder.
inline QString copySensorDemo(const QString &dir)
{
    const QString folder = dir + QStringLiteral("/sensor_demo");
    QDir().mkpath(folder);
    for (const char *name : {"Makefile", "sensor_demo.c"})
        QFile::copy(QStringLiteral(VESTRA_EXAMPLES_DIR "/sensor_demo/") + QLatin1String(name),
                    folder + QLatin1Char('/') + QLatin1String(name));
    return folder;
}
#endif

// Writes `bytes` to `path`; false when the file cannot be written.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The process's resident memory in MB, `field` being "VmRSS:" (now) or
// "VmHWM:" (the peak); -1 where the system does not tell.
inline double residentMegabytes(const char *field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// With VESTRA_BENCH_TRACE set, names every event that takes long to handle.
class TracingApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (depth > 0 || !trace)
            return QApplication::notify(receiver, event);
        ++depth;
        QElapsedTimer clock;
        clock.start();
        const int type = event->type();
        const bool result = QApplication::notify(receiver, event);
        const qint64 ms = clock.elapsed();
        if (ms > 20)
            std::fprintf(stderr, "event %d to %s took %lld ms, ending at %.3f s\n", type,
                         receiver->metaObject()->className(), static_cast<long long>(ms),
                         clock.msecsSinceReference() / 1000.0 + ms / 1000.0);
        --depth;
        return result;
    }

private:
    int depth = 0;
    const bool trace = qEnvironmentVariableIsSet("VESTRA_BENCH_TRACE");
};

} // namespace Bench
