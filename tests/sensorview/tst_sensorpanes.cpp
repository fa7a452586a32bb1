#include "autosizeheaderview.h"
#include "datalist.h"
#include "graphview.h"
#include "sectionlist.h"
#include "sensorviewx.h"
#include "signallist.h"
#include "signaltext.h"
#include "timeline.h"
#include "testsupport.h"

#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QWheelEvent>

namespace {

QStringList columnOf(DataList *list, int role)
{
    QStringList values;
    for (int row = 0; row < list->rowCount(); ++row)
        values << list->rowData(row, role).toString();
    return values;
}

} // namespace

VESTRA_TEST_ROW(JumpsRow, int, double, bool, double)

VESTRA_TEST_ROW(EnsureTimeVisibleRow, int, double, double, int)

VESTRA_TEST_ROW(WheelZoomRow, double, int, double)

VESTRA_TEST_ROW(ClickSnapsToSamplesRow, QString, double, double)

VESTRA_TEST_ROW(TimeLabelRow, double, double, QString)

VESTRA_TEST_ROW(ValueFormattingRow, double, int, QString)

class tst_SensorPanes : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        view.reset(new SensorViewX(new SignalData));
    }

    void cleanup()
    {
        view.reset();
    }

    void valueFormatting_data()
    {
        QTest::addColumn<ValueFormattingRow>("row");
        const double nan = std::nan("");
        QTest::newRow("decimal") << ValueFormattingRow{1234.5678, 1, "1234.57"};
        QTest::newRow("other formats are decimal") << ValueFormattingRow{0.5, 7, "0.5"};
        QTest::newRow("hex of -1.7") << ValueFormattingRow{-1.7, 2, "0x-1"};
        QTest::newRow("hex of 255.9") << ValueFormattingRow{255.9, 2, "0xff"};
        QTest::newRow("NaN shows nothing") << ValueFormattingRow{nan, 1, ""};
        QTest::newRow("enumeration 1.9") << ValueFormattingRow{1.9, 3, "on"};
        QTest::newRow("enumeration out of names") << ValueFormattingRow{2.0, 3, "2"};
        QTest::newRow("enumeration negative") << ValueFormattingRow{-0.5, 3, "off"};
    }

    void valueFormatting()
    {
        const auto [value, format, text] = TestSupport::row<ValueFormattingRow>();
        QCOMPARE(DataList::formatValue(value, format, {QStringLiteral("off"), QStringLiteral("on")}), text);
    }

    void rowsFromData()
    {
        load(QStringLiteral("gyro;0\ngyro;1;1;2;3\nacc;2;1;2\n"));
        SignalList *list = view->signalList();
        // A signal's first line fixes its rows: none of values still gets one.
        QCOMPARE(columnOf(list->valueList(), DataList::SignalNameRole), (QStringList{"gyro", "acc", "acc"}));
        QCOMPARE(columnOf(list->labelList(), DataList::LabelRole), (QStringList{"0", "0", "1"}));
        QCOMPARE(columnOf(list->valueList(), DataList::StyleRole), (QStringList{"2", "2", "2"}));
        QCOMPARE(list->labelList()->rowData(1, DataList::ColorRole).value<QColor>(), QColor(255, 0, 0));
        QCOMPARE(list->labelList()->rowData(2, DataList::ColorRole).value<QColor>(), QColor(0, 192, 0));
        QCOMPARE(list->sectionList()->sectionCountInModel(), 2);
        QCOMPARE(list->sectionList()->sectionData(1, SectionList::ChannelCountRole).toInt(), 2);
        // More data of known signals adds no rows.
        load(QStringLiteral("acc;3;1;2;3;4"));
        QCOMPARE(list->valueList()->rowCount(), 3);
    }

    void sectionResizeSharesRows()
    {
        load(QStringLiteral("gyro;0;1;2;3"));
        showAt(800, 400);
        SignalList *list = view->signalList();
        for (int row = 0; row < 3; ++row)
            list->setRowHeight(row, 30);
        list->fitSignalSections();
        QCOMPARE(list->sectionList()->sectionSize(0), 90);
        list->sectionList()->resizeSection(0, 100);
        QCOMPARE(list->valueList()->sectionSize(0), 33);
        QCOMPARE(list->valueList()->sectionSize(1), 33);
        QCOMPARE(list->valueList()->sectionSize(2), 34);
        QCOMPARE(list->labelList()->sectionSize(2), 34);
        QCOMPARE(list->valueList()->rowData(0, DataList::HeightRole).toDouble(), 100.0 / 3);
        // A hidden row gives its height up in every list.
        list->valueList()->hideSection(1);
        QCOMPARE(list->labelList()->sectionSize(1), 0);
        QCOMPARE(list->sectionList()->sectionSize(0), 100 - 33);
    }

    void headerRoundingAlternates()
    {
        QStandardItemModel model(1, 2);
        AutoSizeHeaderView first;
        AutoSizeHeaderView second;
        for (AutoSizeHeaderView *header : {&first, &second}) {
            header->setModel(&model);
            header->resize(100, 20);
            header->show();
            QVERIFY(QTest::qWaitForWindowExposed(header));
            header->resizeSection(0, 61);
        }
        // 61 * 150 / 100 = 91.5: down for one resize, up for the next, and the
        // toggle is shared by every header.
        const int round = [&]() {
            first.resize(150, 20);
            return first.sectionSize(0);
        }();
        second.resize(150, 20);
        QCOMPARE(round + second.sectionSize(0), 91 + 92);
        QVERIFY(round != second.sectionSize(0));
    }

    // Selecting in one list selects in the others; moving a section moves
    // its rows in both row lists.
    void listsMoveAndSelectTogether()
    {
        load(QStringLiteral("a;0;1;2\nb;0;1\nc;0;1;2;3\n"));
        SignalList *list = view->signalList();
        list->valueList()->setRowSelected(1, true);
        QVERIFY(list->labelList()->isRowSelected(1));
        QVERIFY(list->sectionList()->isSectionSelected(0));
        QVERIFY(!list->sectionList()->isSectionSelected(1));
        list->labelList()->rowSelection()->clearSelection();
        QVERIFY(!list->valueList()->isRowSelected(1));
        QVERIFY(!list->sectionList()->isSectionSelected(0));
        // c to the top: its three rows go first, in both lists.
        list->sectionList()->moveSection(2, 0);
        QStringList order;
        for (int visual = 0; visual < list->valueList()->count(); ++visual)
            order << list->valueList()->rowData(list->valueList()->logicalIndex(visual), DataList::SignalNameRole).toString()
                         + list->valueList()->rowData(list->valueList()->logicalIndex(visual), DataList::ChannelIndexRole).toString();
        QCOMPARE(order, (QStringList{"c0", "c1", "c2", "a0", "a1", "b0"}));
        QCOMPARE(list->labelList()->logicalIndex(0), list->valueList()->logicalIndex(0));
    }

    void ensureTimeVisible_data()
    {
        QTest::addColumn<EnsureTimeVisibleRow>("row");
        // At 1 px/ms: a narrow viewport centres the time, a wide one keeps it
        // inside [100, width - 100] (the axis's own test has the cases).
        QTest::newRow("150 px, right") << EnsureTimeVisibleRow{150, 5000.0, 0.0, 75};
        QTest::newRow("1000 px, far right") << EnsureTimeVisibleRow{1000, 5000.0, 0.0, 900};
    }

    void ensureTimeVisible()
    {
        const auto [width, time, startOffset, x] = TestSupport::row<EnsureTimeVisibleRow>();
        load(QStringLiteral("a;0;1\na;20;2"));
        showAt(width + 400, 300);
        GraphView *graph = view->graph();
        graph->setScale(1.0);
        graph->viewport()->setFixedWidth(width);
        graph->horizontalScrollBar()->setMaximum(100000);
        graph->setOffset(startOffset);
        graph->ensureTimeVisible(time);
        QVERIFY2(std::abs(graph->xOf(time) - x) <= 1, qPrintable(QString::number(graph->xOf(time))));
    }

    void wheelZoom_data()
    {
        QTest::addColumn<WheelZoomRow>("row");
        QTest::newRow("in") << WheelZoomRow{1.0, 120, 1.15};
        QTest::newRow("out, bounded") << WheelZoomRow{0.00101, -120, 0.001};
    }

    void wheelZoom()
    {
        const auto [scale, delta, expected] = TestSupport::row<WheelZoomRow>();
        load(QStringLiteral("a;0;1\na;1000;2"));
        showAt(900, 300);
        GraphView *graph = view->graph();
        graph->setScale(scale);
        graph->horizontalScrollBar()->setMaximum(1 << 30);
        graph->setOffset(300);
        const QPointF mouse(200, 50);
        const double timeUnderMouse = (graph->offset() + 200) / graph->scale();
        QWheelEvent wheel(mouse, graph->viewport()->mapToGlobal(mouse.toPoint()), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(graph->viewport(), &wheel);
        QCOMPARE(graph->scale(), expected);
        // The time under the mouse keeps its pixel (to the scroll bar's step).
        QVERIFY(std::abs(timeUnderMouse * graph->scale() - graph->offset() - 200) <= 1.0);
    }

    void jumps_data()
    {
        QTest::addColumn<JumpsRow>("row");
        // a at 0, 10, 40; b at 5, 20, 60.
        QTest::newRow("next of any signal") << JumpsRow{2, 10.0, false, 20.0};
        QTest::newRow("next of the selected") << JumpsRow{2, 0.0, true, 5.0};
        QTest::newRow("previous") << JumpsRow{3, 40.0, false, 20.0};
        QTest::newRow("start") << JumpsRow{0, 30.0, false, 0.0};
        QTest::newRow("end of the selected") << JumpsRow{1, 0.0, true, 60.0};
        QTest::newRow("next at the last sample stays") << JumpsRow{2, 60.0, false, 60.0};
    }

    void jumps()
    {
        const auto [mode, from, selectB, to] = TestSupport::row<JumpsRow>();
        load(QStringLiteral("a;0;1\nb;0.005;1\na;0.01;1\nb;0.02;1\na;0.04;1\nb;0.06;1"));
        showAt(900, 300);
        GraphView *graph = view->graph();
        graph->setAnchorTime(from);
        graph->setCursorTime(from);
        if (selectB)
            view->signalList()->valueList()->setRowSelected(1, true);
        graph->jump(JumpMode(mode), false);
        QCOMPARE(graph->cursorTime(), to);
        QCOMPARE(graph->anchorTime(), to);
        // With extend the anchor stays.
        graph->setAnchorTime(from);
        graph->setCursorTime(from);
        graph->jump(JumpMode(mode), true);
        QCOMPARE(graph->anchorTime(), from);
        QCOMPARE(graph->cursorTime(), to);
    }

    void clickSnapsToSamples_data()
    {
        QTest::addColumn<ClickSnapsToSamplesRow>("row");
        // 100 px a second: pixel 140 is 1.4 s, 190 is 1.9 s.
        QTest::newRow("nearest samples") << ClickSnapsToSamplesRow{"a;0;1\na;1;2\na;2;3", 1000.0, 2000.0};
        QTest::newRow("no samples: the time itself") << ClickSnapsToSamplesRow{"", 1400.0, 1900.0};
    }

    void clickSnapsToSamples()
    {
        const auto [data, clicked, shiftClicked] = TestSupport::row<ClickSnapsToSamplesRow>();
        load(data);
        showAt(900, 300);
        GraphView *graph = view->graph();
        graph->setScale(0.1);
        graph->setOffset(0);
        QTest::mouseClick(graph->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(140, 40));
        QCOMPARE(graph->anchorTime(), clicked);
        QCOMPARE(graph->cursorTime(), clicked);
        QTest::mouseClick(graph->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(190, 40));
        QCOMPARE(graph->anchorTime(), clicked);
        QCOMPARE(graph->cursorTime(), shiftClicked);
    }

    void bandScaleDrawn_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("zeroLine");
        QTest::newRow("2 to 8: from zero, no zero line") << "a;0;2\na;1;8" << false;
        QTest::newRow("-3 to 8: symmetric, dotted zero line") << "a;0;-3\na;1;8" << true;
    }

    void bandScaleDrawn()
    {
        QFETCH(QString, data);
        QFETCH(bool, zeroLine);
        load(data);
        showAt(900, 400);
        SignalList *list = view->signalList();
        list->setRowHeight(0, 110);
        list->fitSignalSections();
        GraphView *graph = view->graph();
        graph->setScale(0.1);
        graph->setOffset(0);
        graph->setAnchorTime(1500);
        graph->setCursorTime(1500);
        const QImage image = graph->viewport()->grab().toImage();
        const int top = list->valueList()->sectionViewportPosition(0);
        // The band's middle row: the zero line of a symmetric range.
        const QRgb middle = image.pixel(600, top + 55);
        QCOMPARE(middle == qRgb(171, 168, 165), zeroLine);
        // The separator closes the band.
        QCOMPARE(image.pixel(600, top + 109), qRgb(171, 168, 165));
        // The selection line (3 px, black) at the cursor.
        QCOMPARE(image.pixel(graph->xOf(1500), 20), qRgb(0, 0, 0));
        // The curve at 8 reaches the top margin of 5 px.
        bool inkedAtTop = false;
        for (int x = 100; x < 140; ++x)
            inkedAtTop = inkedAtTop || image.pixel(x, top + 5) != qRgb(255, 255, 255);
        QVERIFY(inkedAtTop);
    }

    void fitEmptySelection()
    {
        load(QStringLiteral("a;0;1\na;0.04;2"));
        showAt(900, 300);
        GraphView *graph = view->graph();
        graph->setFitPending(true);
        graph->viewport()->grab();
        // Data ending at 40 ms: 100 ms fill the width.
        QCOMPARE(graph->scale(), graph->viewport()->width() / 100.0);
        QCOMPARE(graph->offset(), 0.0);
    }

    void timeLabel_data()
    {
        QTest::addColumn<TimeLabelRow>("row");
        QTest::newRow("seconds below 0.05 px/ms") << TimeLabelRow{0.01, 12345.0, "12.3 s"};
        QTest::newRow("milliseconds from 0.05") << TimeLabelRow{0.05, 12345.6, "12345 ms"};
    }

    void timeLabel()
    {
        const auto [scale, time, label] = TestSupport::row<TimeLabelRow>();
        load(QStringLiteral("a;0;1"));
        view->signalList()->refreshValues(time, scale, *view->signalData());
        QCOMPARE(view->signalList()->header()->model()->headerData(1, Qt::Horizontal).toString(), label);
        QCOMPARE(view->signalList()->valueList()->rowData(0, DataList::ValueRole).toDouble(), 1.0);
    }

private:
    void load(const QString &text)
    {
        parseText(*view->signalData(), text);
        view->signalList()->syncWithData(*view->signalData());
    }

    void showAt(int width, int height)
    {
        view->resize(width, height);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }

    std::unique_ptr<SensorViewX> view;
};

QTEST_MAIN(tst_SensorPanes)
#include "tst_sensorpanes.moc"
#include "testsupport.h"
