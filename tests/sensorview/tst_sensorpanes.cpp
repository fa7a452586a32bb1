#include "autosizeheaderview.h"
#include "datalist.h"
#include "graphview.h"
#include "sectionlist.h"
#include "sensorviewx.h"
#include "signallist.h"
#include "signaltext.h"
#include "testsupport.h"
#include "timeline.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QWheelEvent>

namespace {

QString columnOf(const DataList *list, int role)
{
    QStringList values;
    for (int row = 0; row < list->rowCount(); ++row)
        values << list->rowData(row, role).toString();
    return values.join(QLatin1Char(' '));
}

} // namespace

class tst_SensorPanes : public QObject
{
    Q_OBJECT

private slots:
    void init() { view.reset(new SensorViewX(new SignalData)); }
    void cleanup() { view.reset(); }

    void valueFormatting_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("decimal") << 1234.5678 << 1 << "1234.57";
        QTest::newRow("other formats are decimal") << 0.5 << 7 << "0.5";
        QTest::newRow("hex of -1.7") << -1.7 << 2 << "0x-1";
        QTest::newRow("hex of 255.9") << 255.9 << 2 << "0xff";
        QTest::newRow("NaN shows nothing") << double(std::nan("")) << 1 << "";
        QTest::newRow("enumeration 1.9") << 1.9 << 3 << "on";
        QTest::newRow("enumeration out of names") << 2.0 << 3 << "2";
        QTest::newRow("enumeration negative") << -0.5 << 3 << "off";
    }

    void valueFormatting()
    {
        QFETCH(double, value);
        QFETCH(int, format);
        QFETCH(QString, text);
        QCOMPARE(DataList::formatValue(value, format, {QStringLiteral("off"), QStringLiteral("on")}), text);
    }

    // A signal's first line fixes its rows: none of values still gets one.
    // More data of known signals adds no rows. The header shows the cursor's
    // time in seconds below 0.05 px/ms, in milliseconds from there.
    void rowsFromData()
    {
        load(QStringLiteral("gyro;0\ngyro;1;1;2;3\nacc;2;1;2\n"));
        SignalList *list = view->signalList();
        QCOMPARE(columnOf(list->valueList(), DataList::SignalNameRole), QStringLiteral("gyro acc acc"));
        QCOMPARE(columnOf(list->labelList(), DataList::LabelRole), QStringLiteral("0 0 1"));
        QCOMPARE(columnOf(list->valueList(), DataList::StyleRole), QStringLiteral("2 2 2"));
        QCOMPARE(columnOf(list->labelList(), DataList::ColorRole), QStringLiteral("#ff0000 #ff0000 #00c000"));
        QCOMPARE(list->sectionList()->sectionCountInModel(), 2);
        QCOMPARE(list->sectionList()->sectionData(1, SectionList::ChannelCountRole).toInt(), 2);
        load(QStringLiteral("acc;3;1;2;3;4"));
        QCOMPARE(list->valueList()->rowCount(), 3);
        for (const auto &[scale, label] : {std::pair(0.01, "12.3 s"), std::pair(0.05, "12345 ms")}) {
            list->refreshValues(12345.6, scale, *view->signalData());
            QCOMPARE(list->header()->model()->headerData(1, Qt::Horizontal).toString(), QLatin1String(label));
        }
        QCOMPARE(columnOf(list->valueList(), DataList::ValueRole), QStringLiteral("1 1 2"));
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
        QCOMPARE(sizes(list->valueList()), QStringLiteral("33 33 34"));
        QCOMPARE(sizes(list->labelList()), QStringLiteral("33 33 34"));
        QCOMPARE(list->valueList()->rowData(0, DataList::HeightRole).toDouble(), 100.0 / 3);
        // A hidden row gives its height up in every list.
        list->valueList()->hideSection(1);
        QCOMPARE(sizes(list->labelList()), QStringLiteral("33 0 34"));
        QCOMPARE(list->sectionList()->sectionSize(0), 100 - 33);
    }

    // 61 * 150 / 100 = 91.5: down for one resize, up for the next, and the
    // toggle is shared by every header.
    void headerRoundingAlternates()
    {
        QStandardItemModel model(1, 2);
        AutoSizeHeaderView first;
        AutoSizeHeaderView second;
        QList<int> rounded;
        for (AutoSizeHeaderView *header : {&first, &second}) {
            header->setModel(&model);
            header->resize(100, 20);
            header->show();
            QVERIFY(QTest::qWaitForWindowExposed(header));
            header->resizeSection(0, 61);
        }
        for (AutoSizeHeaderView *header : {&first, &second}) {
            header->resize(150, 20);
            rounded << header->sectionSize(0);
        }
        std::sort(rounded.begin(), rounded.end());
        QCOMPARE(rounded, QList<int>({91, 92}));
    }

    // Selecting in one list selects in the others; moving a section moves
    // its rows in both row lists.
    void listsMoveAndSelectTogether()
    {
        load(QStringLiteral("a;0;1;2\nb;0;1\nc;0;1;2;3\n"));
        SignalList *list = view->signalList();
        list->valueList()->setRowSelected(1, true);
        QVERIFY(list->labelList()->isRowSelected(1));
        QVERIFY(list->sectionList()->isSectionSelected(0) && !list->sectionList()->isSectionSelected(1));
        list->labelList()->rowSelection()->clearSelection();
        QVERIFY(!list->valueList()->isRowSelected(1) && !list->sectionList()->isSectionSelected(0));
        // c to the top: its three rows go first, in both lists.
        list->sectionList()->moveSection(2, 0);
        QString order;
        for (int visual = 0; visual < list->valueList()->count(); ++visual) {
            const int row = list->valueList()->logicalIndex(visual);
            order += list->valueList()->rowData(row, DataList::SignalNameRole).toString()
                     + list->valueList()->rowData(row, DataList::ChannelIndexRole).toString();
            QCOMPARE(list->labelList()->logicalIndex(visual), row);
        }
        QCOMPARE(order, QStringLiteral("c0c1c2a0a1b0"));
    }

    // At 1 px/ms a narrow viewport centres the time, a wide one keeps it
    // inside [100, width - 100].
    void ensureTimeVisible()
    {
        load(QStringLiteral("a;0;1\na;20;2"));
        showAt(1400, 300);
        GraphView *graph = view->graph();
        graph->setScale(1.0);
        graph->horizontalScrollBar()->setMaximum(100000);
        for (const auto &[width, x] : {std::pair(150, 75), std::pair(1000, 900)}) {
            graph->viewport()->setFixedWidth(width);
            graph->setOffset(0);
            graph->ensureTimeVisible(5000);
            QVERIFY2(std::abs(graph->xOf(5000) - x) <= 1, qPrintable(QString::number(graph->xOf(5000))));
        }
    }

    // The wheel zooms about the mouse, within the zoom limits: the time under
    // it keeps its pixel (to the scroll bar's step).
    void wheelZoom()
    {
        load(QStringLiteral("a;0;1\na;1000;2"));
        showAt(900, 300);
        GraphView *graph = view->graph();
        graph->horizontalScrollBar()->setMaximum(1 << 30);
        for (const auto &[scale, delta, expected] : {std::tuple(1.0, 120, 1.15), std::tuple(0.00101, -120, 0.001)}) {
            graph->setScale(scale);
            graph->setOffset(300);
            const double timeUnderMouse = (graph->offset() + 200) / graph->scale();
            QWheelEvent wheel(QPointF(200, 50), graph->viewport()->mapToGlobal(QPoint(200, 50)), QPoint(), QPoint(0, delta),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(graph->viewport(), &wheel);
            QCOMPARE(graph->scale(), expected);
            QVERIFY(std::abs(timeUnderMouse * graph->scale() - graph->offset() - 200) <= 1.0);
        }
    }

    // A jump moves both ends; with extend the anchor stays. Where it lands
    // is the channel table's rule.
    void jumpExtends()
    {
        load(QStringLiteral("a;0;1\na;0.01;1\na;0.04;1"));
        GraphView *graph = view->graph();
        for (bool extend : {false, true}) {
            graph->setAnchorTime(10);
            graph->setCursorTime(10);
            graph->jump(JumpMode::NextSample, extend);
            QCOMPARE(QPair(graph->anchorTime(), graph->cursorTime()), QPair(extend ? 10.0 : 40.0, 40.0));
        }
    }

    // 100 px a second: pixel 140 is 1.4 s, 190 is 1.9 s. A click snaps to the
    // nearest sample, or takes the time itself where there are none; a
    // shift-click moves the cursor only.
    void clickSnapsToSamples()
    {
        for (const auto &[data, clicked, shiftClicked] :
             {std::tuple("a;0;1\na;1;2\na;2;3", 1000.0, 2000.0), std::tuple("", 1400.0, 1900.0)}) {
            view.reset(new SensorViewX(new SignalData));
            load(QLatin1String(data));
            showAt(900, 300);
            GraphView *graph = view->graph();
            graph->setScale(0.1);
            graph->setOffset(0);
            QTest::mouseClick(graph->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(140, 40));
            QCOMPARE(QPair(graph->anchorTime(), graph->cursorTime()), QPair(clicked, clicked));
            QTest::mouseClick(graph->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(190, 40));
            QCOMPARE(QPair(graph->anchorTime(), graph->cursorTime()), QPair(clicked, shiftClicked));
        }
    }

    void listMenuOffersTheViewsCommands_data()
    {
        QTest::addColumn<QString>("recording");
        QTest::addColumn<QString>("channels");
        QTest::addColumn<QString>("signalEntries");
        QTest::newRow("two channels") << QStringLiteral("a;0;1;2\n") << QStringLiteral("0+ 1+") << QStringLiteral("a+");
        // A line whose breaks went missing: the menu opens at once and lists
        // the first labels only.
        QString wide = QStringLiteral("a;0");
        QStringList entries;
        for (int i = 0; i < 100000; ++i) {
            wide += QStringLiteral(";1");
            if (i < 128)
                entries << QStringLiteral("%1+").arg(i);
        }
        QTest::newRow("a hundred thousand channels") << wide << entries.join(' ') + QStringLiteral(" and 99872 more-")
                                                     << QStringLiteral("a+");
        // Ten thousand names, a line each: the first 128 signals, and one
        // entry for each channel label they share.
        QString names;
        QStringList signalEntries;
        for (int i = 0; i < 10000; ++i) {
            names += QStringLiteral("s%1;%1;1\n").arg(i, 5, 10, QLatin1Char('0'));
            if (i < 128)
                signalEntries << QStringLiteral("s%1+").arg(i, 5, 10, QLatin1Char('0'));
        }
        QTest::newRow("ten thousand signals") << names << QStringLiteral("0+") << signalEntries.join(QStringLiteral(", "))
                                                 + QStringLiteral(", and 9872 more-");
    }

    // The list's menu offers the view's commands, enabled and checked as the
    // view says ("+" checked, "-" disabled), and a visibility entry for
    // each signal and channel label.
    void listMenuOffersTheViewsCommands()
    {
        QFETCH(QString, recording);
        QFETCH(QString, channels);
        QFETCH(QString, signalEntries);
        load(recording);
        showAt(900, 300);
        SignalList *list = view->signalList();
        QString offered;
        QTimer::singleShot(0, list, [&offered]() {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            const auto describe = [](QAction *action) {
                return action->text().remove('&') + (action->isChecked() ? "+" : "") + (action->isEnabled() ? "" : "-");
            };
            QStringList entries;
            for (QAction *action : menu->actions()) {
                if (!action->menu()) {
                    entries << (action->isSeparator() ? QStringLiteral("|") : describe(action));
                    continue;
                }
                QStringList inner;
                for (QAction *entry : action->menu()->actions())
                    inner << (entry->isSeparator() ? QStringLiteral("|") : describe(entry));
                entries << action->text().remove('&') + ": " + inner.join(' ');
            }
            offered = entries.join(", ");
            menu->close();
        });
        // A right click lands on the viewport the lists lie in.
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), list->viewport()->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(list->viewport(), &event);
        QCOMPARE(offered, QStringLiteral("%1, |, Format: Decimal+ Hex, Display: Linear Steps+ Blocks Events, |, "
                                         "Channels: %2, Rows: Merge- Split- | Distribute- Hide- | Edit Layout...-")
                              .arg(signalEntries, channels));
    }

    // Data ending at 40 ms: 100 ms fill the width, from the next paint on.
    void fitEmptySelection()
    {
        load(QStringLiteral("a;0;1\na;0.04;2"));
        showAt(900, 300);
        GraphView *graph = view->graph();
        graph->setFitPending(true);
        graph->viewport()->grab();
        QCOMPARE(graph->scale(), graph->viewport()->width() / 100.0);
        QCOMPARE(graph->offset(), 0.0);
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

    static QString sizes(const DataList *list)
    {
        QStringList sizes;
        for (int row = 0; row < list->rowCount(); ++row)
            sizes << QString::number(list->sectionSize(row));
        return sizes.join(QLatin1Char(' '));
    }

    std::unique_ptr<SensorViewX> view;
};

QTEST_MAIN(tst_SensorPanes)
#include "tst_sensorpanes.moc"
