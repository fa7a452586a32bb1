#include "viewerstatus.h"

#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

using ViewerStatus::Figures;
Q_DECLARE_METATYPE(Figures)

namespace {
// Figures with only what a row names set.
Figures figures(const std::function<void(Figures &)> &set)
{
    Figures figures;
    set(figures);
    return figures;
}
constexpr qint64 MB = 1024 * 1024;
} // namespace

class tst_ViewerStatus : public QObject
{
    Q_OBJECT

private slots:
    void line_data()
    {
        QTest::addColumn<Figures>("figures");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty: what to do") << Figures{}
                                           << "Open a recording with File > Open, or pipe a program's output into "
                                              "\"vestra-sensor-viewer -\"";
        QTest::newRow("a file: no rate, no pause") << figures([](Figures &f) {
            f.records = 4;
            f.signalCount = 2;
            f.bytes = 10 * 1024 + 300;
            f.following = false;
        }) << "4 records, 2 signals · 10 KB";
        QTest::newRow("live, nothing yet") << figures([](Figures &f) { f.live = true; })
                                           << "0 records, 0 signals · 0 records/s · 0 KB · following";
        QTest::newRow("live, all read") << figures([](Figures &f) {
            f.live = true;
            f.records = 1200;
            f.signalCount = 3;
            f.recordsPerSecond = 99.6;
            f.bytes = 3 * MB / 2;
        }) << "1200 records, 3 signals · 100 records/s · 1.5 MB · following";
        QTest::newRow("live: unreadable lines, paused, a window, ended") << figures([](Figures &f) {
            f.live = true;
            f.records = 3;
            f.signalCount = 2;
            f.unreadableLines = 5;
            f.following = false;
            f.pausedAt = 12.5;
            f.keepSeconds = 30;
            f.inputEnded = true;
        }) << "3 records, 2 signals · 5 lines could not be read · 0 records/s · 0 KB · paused at 12.5 s · "
              "keeping the last 30 s · input ended";
        QTest::newRow("live, past the memory budget") << figures([](Figures &f) {
            f.live = true;
            f.records = 10;
            f.signalCount = 1;
            f.recordsPerSecond = 1663798;
            f.bytes = 3584 * MB;
            f.budgetBytes = 4096 * MB;
            f.dropping = true;
        }) << "10 records, 1 signals · 1.66 M records/s · 3.5 GB · following · dropping the oldest: memory budget 4 GB";
    }

    void line()
    {
        QFETCH(Figures, figures);
        QFETCH(QString, shown);
        QCOMPARE(ViewerStatus::line(figures), shown);
    }

    void rate_data()
    {
        QTest::addColumn<double>("perSecond");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << 0.0 << "0 records/s";
        QTest::newRow("below a thousand") << 999.4 << "999 records/s";
        QTest::newRow("rounds up to a thousand") << 999.6 << "1.00 k records/s";
        QTest::newRow("thousands") << 12345.0 << "12.3 k records/s";
        QTest::newRow("just below a million") << 999499.0 << "999 k records/s";
        QTest::newRow("millions") << 1663798.0 << "1.66 M records/s";
        QTest::newRow("not a number") << std::nan("") << "0 records/s";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "0 records/s";
    }

    void rate()
    {
        QFETCH(double, perSecond);
        QFETCH(QString, shown);
        QCOMPARE(ViewerStatus::rate(perSecond), shown);
    }

    void readCounts_data()
    {
        QTest::addColumn<qint64>("records");
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<qint64>("unreadable");
        QTest::addColumn<qint64>("tooWide");
        QTest::addColumn<QString>("shown");
        QTest::newRow("all read") << qint64(4) << 2 << qint64(0) << qint64(0) << "4 records read; 2 signals";
        QTest::newRow("an empty file") << qint64(0) << 0 << qint64(0) << qint64(0) << "0 records read; 0 signals";
        QTest::newRow("lines that are no records")
            << qint64(2) << 2 << qint64(2) << qint64(0) << "2 records read; 2 signals; 2 lines could not be read";
        QTest::newRow("a line too wide") << qint64(1) << 1 << qint64(1) << qint64(1)
                                         << "1 records read; 1 signals; 1 lines could not be read (1 with more than "
                                            "1000000 values)";
    }

    void readCounts()
    {
        QFETCH(qint64, records);
        QFETCH(int, signalCount);
        QFETCH(qint64, unreadable);
        QFETCH(qint64, tooWide);
        QFETCH(QString, shown);
        QCOMPARE(ViewerStatus::readCounts(records, signalCount, unreadable, tooWide), shown);
    }

    void perSecond_data()
    {
        QTest::addColumn<qint64>("before");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<double>("rate");
        QTest::newRow("half a second") << qint64(100) << qint64(600) << qint64(500) << 1000.0;
        QTest::newRow("none came") << qint64(600) << qint64(600) << qint64(500) << 0.0;
        QTest::newRow("cleared: counted from none") << qint64(600) << qint64(50) << qint64(500) << 100.0;
        QTest::newRow("no time passed") << qint64(0) << qint64(50) << qint64(0) << 0.0;
    }

    void perSecond()
    {
        QFETCH(qint64, before);
        QFETCH(qint64, now);
        QFETCH(qint64, elapsedMs);
        QFETCH(double, rate);
        QCOMPARE(ViewerStatus::perSecond(before, now, elapsedMs), rate);
    }
};

QTEST_APPLESS_MAIN(tst_ViewerStatus)
#include "tst_viewerstatus.moc"
