#include "viewerstatus.h"

#include <QTest>

using ViewerStatus::Figures;
Q_DECLARE_METATYPE(Figures)

class tst_ViewerStatus : public QObject
{
    Q_OBJECT

private slots:
    void line_data()
    {
        QTest::addColumn<Figures>("figures");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing yet") << Figures{} << "0 records, 0 signals · 0 records/s · 0.0 MB · following";
        QTest::newRow("live, all read") << Figures{1200, 3, 0, 99.6, 3 * 1024 * 1024 / 2, true, 0, 0, false}
                                        << "1200 records, 3 signals · 100 records/s · 1.5 MB · following";
        QTest::newRow("unreadable lines, paused, a window, ended")
            << Figures{3, 2, 5, 0, 0, false, 12.5, 30, true}
            << "3 records, 2 signals · 5 lines could not be read · 0 records/s · 0.0 MB · paused at 12.5 s · "
               "keeping the last 30 s · input ended";
    }

    void line()
    {
        QFETCH(Figures, figures);
        QFETCH(QString, shown);
        QCOMPARE(ViewerStatus::line(figures), shown);
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
                                            "100000 values)";
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
