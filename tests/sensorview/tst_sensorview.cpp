#include "edithistory.h"
#include "sensorview.h"
#include "signaltext.h"
#include "storedump.h"
#include "testsupport.h"

// White-box helpers only where the public interface has no way in.
#include "datalist.h"
#include "graphview.h"
#include "sensorviewx.h"
#include "signallist.h"

#include <QClipboard>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace {

struct CountingObserver : SensorViewObserver
{
    int calls = 0;
    void viewChanged(SensorView *) override { ++calls; }
};

// One letter a row of `rows`: `mark` where `has` holds, '-' elsewhere.
QString rowMarks(const DataList *rows, char mark, const std::function<bool(int)> &has)
{
    QString marks;
    for (int row = 0; row < rows->rowCount(); ++row)
        marks += has(row) ? QLatin1Char(mark) : QLatin1Char('-');
    return marks;
}

} // namespace

class tst_SensorView : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        view.reset(createSensorView());
        view->resize(900, 400);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }

    void cleanup() { view.reset(); }

    // The commands a menu offers as enabled, and those it shows checked.
    void enabledAndChecked()
    {
        QApplication::clipboard()->clear();
        const QList<QPair<int, QString>> commands{
            {GoToStart, "Go to Start"}, {GoToEnd, "Go to End"}, {Delete, "Delete"}, {Crop, "Crop"}, {Cut, "Cut"},
            {Copy, "Copy"}, {Paste, "Paste"}, {Undo, "Undo"}, {Redo, "Redo"}, {FormatDecimal, "Decimal"},
            {FormatHex, "Hex"}, {StyleSteps, "Steps"}, {StyleEvents, "Events"}, {HideRows, "Hide"},
            {ShiftToZero, "Shift to Zero"}, {SelectAll, "Select All"}, {ShowSelection, "Show Selection"},
            {Clear, "Clear"}, {ClearHistory, "Clear History"}, {EditLayout, "Edit Layout"}, {99, "no command"}};
        const auto offered = [&](bool checked) {
            QStringList names;
            for (const auto &[command, name] : commands) {
                if (checked ? view->isChecked(command) : view->isEnabled(command))
                    names << name;
            }
            return names.join(", ");
        };
        QCOMPARE(offered(false), QStringLiteral("Show Selection, Clear, Clear History"));
        view->appendText(QStringLiteral("a;0;1;2\na;1;2;3\n"));
        select(0, 0);
        QCOMPARE(offered(false), QStringLiteral("Go to Start, Go to End, Delete, Decimal, Hex, Steps, Events, "
                                                "Shift to Zero, Select All, Show Selection, Clear, Clear History"));
        select(0, 500);
        QApplication::clipboard()->setText(QStringLiteral("x"));
        QCOMPARE(offered(false), QStringLiteral("Go to Start, Go to End, Delete, Crop, Cut, Copy, Paste, Decimal, Hex, "
                                                "Steps, Events, Shift to Zero, Select All, Show Selection, Clear, "
                                                "Clear History"));
        QCOMPARE(offered(true), QStringLiteral("Decimal, Steps"));
        // Mixed formats check none of them.
        view->setChannelFormat(QStringLiteral("a"), 1, 2);
        QCOMPARE(offered(true), QStringLiteral("Steps"));
        view->execute(FormatHex);
        view->execute(StyleEvents);
        QCOMPARE(offered(true), QStringLiteral("Hex, Events"));
    }

    // An empty selection crops nothing and records no step; a reversed one
    // crops like its forward twin. An insert whose file does not open is no
    // edit; a new edit empties Redo.
    void crop()
    {
        view->appendText(QStringLiteral("a;0;1\na;0.1;2\na;0.2;3\na;0.5;4\na;0.8;5\na;0.9;6\n"));
        view->setWindowModified(false);
        select(500, 500);
        view->execute(Crop);
        QCOMPARE(state(), QStringLiteral("0 1, 0.1 2, 0.2 3, 0.5 4, 0.8 5, 0.9 6 | 0.5..0.5"));
        select(800, 200);
        view->execute(Crop);
        QCOMPARE(state(), QStringLiteral("0 3, 0.3 4, 0.6 5 | 0..0.6 modified undo"));
        view->execute(Undo);
        QVERIFY(!view->loadFile(dir.filePath(QStringLiteral("missing")), 1));
        QCOMPARE(state(), QStringLiteral("0 1, 0.1 2, 0.2 3, 0.5 4, 0.8 5, 0.9 6 | 0.8..0.2 redo"));
        select(0, 100);
        view->execute(Delete);
        QCOMPARE(state(), QStringLiteral("0.1 3, 0.4 4, 0.7 5, 0.8 6 | 0.1..0.1 modified undo"));
    }

    // Cut takes the selection to the clipboard, closes the gap and puts the
    // cursor on the sample nearest the old start, the later on a tie. Paste
    // with the cursor on the sample at 3 s keeps every reading and lands the
    // records at 3 and 4 s.
    void cutAndPaste()
    {
        view->appendText(QStringLiteral("a;0;1\na;1;2\na;2;3\na;3;4\n"));
        view->setWindowModified(false);
        select(1000, 2000);
        view->execute(Cut);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("a\t0\t2\na\t1\t3\n"));
        QCOMPARE(state(), QStringLiteral("0 1, 2 4 | 2..2 modified undo"));
        view->execute(Undo);
        select(3000, 3000);
        view->execute(Paste);
        QCOMPARE(state(), QStringLiteral("0 1, 1 2, 2 3, 3 4, 3 2, 4 3 | 3..3 modified undo"));
    }

    // A load adds to the store and records no step; inserting at the cursor
    // is one. The cursor then goes to the sample nearest the inserted end,
    // which is never the time itself.
    void loadAndInsert()
    {
        QVERIFY(!view->loadFile(dir.filePath(QStringLiteral("missing")), 0));
        QVERIFY(view->loadFile(write("a;0;1\na;1;2\n"), 0));
        QCOMPARE(state(), QStringLiteral("0 1, 1 2 | 0..0"));
        select(1000, 1000);
        QVERIFY(view->loadFile(write("b;0;5\nb;0.5;6\n"), 1));
        QCOMPARE(state(), QStringLiteral("0 1, 1 2, 1 5, 1.5 6 | 1..1 modified undo"));
        view->execute(Undo);
        QCOMPARE(state(), QStringLiteral("0 1, 1 2 | 1..1 redo"));
    }

    // Live input shows at once, but moves the view at most every 100 ms.
    void liveInputMovesTheViewAtItsPace()
    {
        view->appendText(QStringLiteral("a;0;1\na;0.5;2"));
        QCOMPARE(state(), QStringLiteral("0 1, 0.5 2 | 0.5..0.5 modified"));
        view->appendText(QStringLiteral("a;1;3\n"));
        QCOMPARE(state(), QStringLiteral("0 1, 0.5 2, 1 3 | 0.5..0.5 modified"));
        QTest::qWait(120);
        view->appendText(QStringLiteral("a;2;4\n"));
        QCOMPARE(state(), QStringLiteral("0 1, 0.5 2, 1 3, 2 4 | 2..2 modified"));
    }

    // Removing a signal is an undo step, and its undo brings the signal back
    // with its rows; data arriving later under a removed name gets rows again.
    void removeASignal()
    {
        view->appendText(QStringLiteral("b;0;1\na;1;2\n"));
        view->setWindowModified(false);
        view->removeSignal(QStringLiteral("b"));
        QCOMPARE(state(), QStringLiteral("1 2 | 1..1 modified undo"));
        QCOMPARE(view->signalCount(), 1);
        view->execute(Undo);
        QCOMPARE(view->signalCount(), 2);
        QCOMPARE(x()->signalList()->rowsOf(QStringLiteral("b")).size(), 1);
        view->removeSignal(QStringLiteral("b"));
        view->appendText(QStringLiteral("b;3;5\n"));
        QCOMPARE(state(), QStringLiteral("1 2, 3 5 | 1..1 modified undo"));
        QCOMPARE(x()->signalList()->rowsOf(QStringLiteral("b")).size(), 1);
    }

    void historyLimit_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("600k, 300k, 200k keeps the two newest") << QList<int>{600000, 300000, 200000} << QList<int>{300000, 200000};
        QTest::newRow("one of 2M is kept") << QList<int>{2000000} << QList<int>{2000000};
        QTest::newRow("within the limit all stay") << QList<int>{400000, 500000} << QList<int>{400000, 500000};
    }

    void historyLimit()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(QList<int>, kept);
        EditHistory history;
        const double v = 1;
        for (int size : sizes) {
            auto step = std::make_unique<ViewSnapshot>();
            step->store = std::make_unique<SignalData>();
            for (int i = 0; i < size; ++i)
                step->store->addRecord(QStringView(u"s"), i, &v, 1);
            history.record(std::move(step));
        }
        history.commit(true);
        QList<int> remaining;
        for (const auto &step : history.undoSteps())
            remaining << step->store->recordCount();
        QCOMPARE(remaining, kept);
    }

    // Merging selected rows merges each with the one above; distributing
    // shares the selected rows' height evenly, the rest to the last.
    void mergeAndDistributeRows()
    {
        view->appendText(QStringLiteral("a;0;1;2;3;4;5\n"));
        SignalList *list = x()->signalList();
        DataList *rows = list->valueList();
        const auto merged = [rows](int row) { return rows->rowData(row, DataList::MergedRole).toBool(); };
        for (int row : {1, 2, 4})
            rows->setRowSelected(row, true);
        QVERIFY(view->isEnabled(MergeRows));
        view->execute(MergeRows);
        QCOMPARE(rowMarks(rows, 'm', merged), QStringLiteral("-m---"));
        view->execute(SplitRows);
        QCOMPARE(rowMarks(rows, 'm', merged), QStringLiteral("-----"));
        list->clearSelection();
        for (int row = 0; row < 3; ++row)
            list->setRowHeight(row, 10 * (row + 1) + row / 2);
        list->selectRows({0, 1, 2}, true);
        view->execute(DistributeRows);
        QCOMPARE(QList<int>({rows->sectionSize(0), rows->sectionSize(1), rows->sectionSize(2)}), QList<int>({20, 20, 21}));
    }

    // Keys and labels by index, out of range ones empty.
    void signalKeys()
    {
        view->appendText(QStringLiteral("b;0;1\na;1;2\n"));
        view->setSignalLabel(QStringLiteral("a"), QStringLiteral("Accel"));
        QCOMPARE(QStringList({view->signalKey(0), view->signalKey(1), view->signalKey(-1), view->signalKey(2),
                              view->signalLabel(1), view->signalLabel(2)}),
                 QStringList({"b", "a", "", "", "Accel", ""}));
        QCOMPARE(value(1.0, "nobody"), std::nan(""));
        QCOMPARE(view->signalCount(), 2);
    }

    void cloneModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("emptySelection");
        QTest::addColumn<double>("firstValueAt0");
        QTest::addColumn<bool>("copiesLayout");
        QTest::newRow("0: everything, modified copied") << 0 << true << false << 1.0 << true;
        QTest::newRow("0: unmodified stays so") << 0 << false << false << 1.0 << true;
        QTest::newRow("1: the selection, cropped") << 1 << false << false << 2.0 << true;
        QTest::newRow("1: empty selection, all data, modified") << 1 << false << true << 1.0 << true;
        QTest::newRow("2: data only") << 2 << true << false << 1.0 << false;
    }

    void cloneModes()
    {
        QFETCH(int, mode);
        QFETCH(bool, modified);
        QFETCH(bool, emptySelection);
        QFETCH(double, firstValueAt0);
        QFETCH(bool, copiesLayout);
        view->appendText(QStringLiteral("a;0;1\na;1;2\na;2;3\n"));
        view->setChannelLabel(QStringLiteral("a"), 0, QStringLiteral("x axis"));
        view->setWindowModified(modified);
        select(emptySelection ? 1000 : 2000, 1000);
        std::unique_ptr<SensorView> copy(view->clone(mode));
        QCOMPARE(copy->valueAt(QStringLiteral("a"), 0, 0.0), firstValueAt0);
        QCOMPARE(copy->isWindowModified(), mode == 1 || (mode == 0 && modified));
        const bool cropped = mode == 1 && !emptySelection;
        QCOMPARE(copy->selectionStart(), cropped ? 0.0 : view->selectionStart());
        QCOMPARE(copy->selectionEnd(), cropped ? 1.0 : view->selectionEnd());
        QCOMPARE(static_cast<SensorViewX *>(copy.get())->signalList()->labelList()->rowData(0, DataList::LabelRole).toString(),
                 copiesLayout ? QStringLiteral("x axis") : QStringLiteral("0"));
        // The copy is independent.
        copy->execute(Clear);
        QCOMPARE(value(0.0), 1.0);
    }

    // An observer added twice is told twice, until removed twice; each edit
    // is told once.
    void observers()
    {
        CountingObserver once;
        CountingObserver twice;
        for (CountingObserver *observer : {&once, &twice, &twice})
            view->addObserver(observer);
        view->appendText(QStringLiteral("a;0;1\na;1;2\na;2;3\n"));
        select(0, 1000);
        const int before = once.calls;
        view->execute(Delete);
        QCOMPARE(once.calls, before + 1);
        select(0, 1000);
        view->execute(Cut);
        QCOMPARE(once.calls, before + 2);
        QCOMPARE(twice.calls, 2 * once.calls);
        view->removeObserver(&twice);
        view->execute(Undo);
        QCOMPARE(twice.calls, 2 * once.calls - 1);
        view->removeObserver(&twice);
        view->removeObserver(&once);
        view->execute(Redo);
        QCOMPARE(twice.calls, 2 * once.calls - 1);
    }

    void saveModes()
    {
        view->appendText(QStringLiteral("a;1;10;0.1\na;2;20\na;3;30\n"));
        view->setWindowModified(true);
        QCOMPARE(saved(0), QStringLiteral("a\t1\t10\t0.1|a\t2\t20|a\t3\t30"));
        QVERIFY(view->isWindowModified());
        select(3000, 2000);
        QCOMPARE(saved(1), QStringLiteral("a\t0\t20|a\t1\t30"));
        QVERIFY(!view->saveFile(dir.filePath(QStringLiteral("other.txt")), 2));
    }

    // A live window keeps the records within its seconds of the newest. It
    // drops older ones once the oldest is an eighth of the window past it,
    // all at once and without an undo step.
    void liveWindowDropsOldRecords()
    {
        QString text;
        for (int i = 0; i <= 100; ++i)
            text += QStringLiteral("a;%1;%1\n").arg(i);
        view->appendText(text);
        setLiveWindow(view.get(), 10);
        QCOMPARE(liveWindow(view.get()), 10.0);
        QCOMPARE(holdings(view.get()).records, 11);
        QCOMPARE(value(89.5), std::nan(""));
        QCOMPARE(value(90), 90.0);
        const auto held = [this](int time) {
            view->appendText(QStringLiteral("a;%1;%1\n").arg(time));
            return holdings(view.get()).records;
        };
        QCOMPARE(held(101), 12);
        QCOMPARE(held(102), 11);
        QCOMPARE(value(91.5), std::nan(""));
        QVERIFY(!view->isEnabled(Undo) && view->isWindowModified());
        setLiveWindow(view.get(), 0);
        QCOMPARE(held(200), 12);
    }

    void liveWindowHoldsAgainstWildTimes_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<qint64>("held");
        // 5,000 ordinary records, one a second: a 10 s window holds 11 of them.
        QTest::newRow("no wild time") << QString() << QString() << qint64(11);
        QTest::newRow("one at 1e300 after them") << QString() << "a;1e300;1\n" << qint64(12);
        QTest::newRow("one at 1e300 before them") << "a;1e300;1\n" << QString() << qint64(12);
        QTest::newRow("one far back before them") << "a;-1e300;1\n" << QString() << qint64(11);
        QTest::newRow("a time that is not a number first") << "a;nan;1\n" << QString() << qint64(11);
        QTest::newRow("an infinite time last") << QString() << "a;inf;1\n" << qint64(11);
    }

    // With a window of 10 s a stream keeps its last 10 s: one record whose
    // time is far from the rest changes that by no more than itself (it
    // used to take all the others with it, or stop the window for good),
    // and one whose time is no number never comes in.
    void liveWindowHoldsAgainstWildTimes()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(qint64, held);
        setLiveWindow(view.get(), 10);
        view->appendText(before);
        QString stream;
        for (int i = 0; i < 5000; ++i) {
            stream += QStringLiteral("a;%1;%1\n").arg(i);
            if (stream.size() > 4000) {
                view->appendText(stream);
                stream.clear();
            }
        }
        view->appendText(stream + after);
        // Records go in batches, once the oldest is an eighth of the window
        // past it; setting the window drops at once.
        setLiveWindow(view.get(), 10);
        // Following shows the window's 10 s whatever the wild time.
        view->repaint();
        QCOMPARE(holdings(view.get()).records, held);
        QCOMPARE(view->valueAt(QStringLiteral("a"), 0, 4999), 4999.0);
        QCOMPARE(view->valueAt(QStringLiteral("a"), 0, 4989), 4989.0);
        QCOMPARE(view->valueAt(QStringLiteral("a"), 0, 4988.5), std::nan(""));
        // The view follows where the stream stands, not the wild time.
        QTest::qWait(120);
        view->appendText(QStringLiteral("a;5000;5000\n"));
        QCOMPARE(view->selectionEnd(), 5000.0);
    }

    void undoAfterLiveInput_data()
    {
        QTest::addColumn<double>("window");
        QTest::newRow("records only come") << 0.0;
        QTest::newRow("the window drops the oldest") << 10.0;
    }

    // The user stops following a stream and deletes a stretch while records
    // go on coming, and the window may drop the oldest: Undo gives back the
    // store as it was before the Delete, as it does after any edit, not the
    // deleted records somewhere among the new ones.
    void undoAfterLiveInput()
    {
        QFETCH(double, window);
        setLiveWindow(view.get(), window);
        view->appendText(stream(0, 19));
        QTest::mouseClick(x()->graph()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 40));
        QVERIFY(!followsLiveInput(view.get()));
        const QByteArray before = exactly(*x()->signalData());
        select(14000, 15000);
        view->execute(Delete);
        QCOMPARE(value(14), 13.0);
        view->appendText(stream(20, 39));
        SignalData fresh;
        fresh.assign(x()->signalData()->records());
        QVERIFY2(holdings(view.get()).bytes == fresh.memoryBytes(), "live input kept what the Delete took out");
        view->execute(Undo);
        QVERIFY2(exactly(*x()->signalData()) == before, "Undo did not give back the records as before the Delete");
        QCOMPARE(value(14), 14.0);
        view->execute(Redo);
        QCOMPARE(value(15), 16.0);
        QCOMPARE(value(39), 39.0);
    }

    // Delete keeps what it took out for Undo; Clear History lets it go.
    void clearHistoryLetsGoOfDeletedRecords()
    {
        view->appendText(stream(0, 999));
        select(100000, 700000);
        view->execute(Delete);
        QCOMPARE(holdings(view.get()).records, qint64(399));
        const qint64 held = holdings(view.get()).bytes;
        view->execute(ClearHistory);
        SignalData remaining;
        remaining.assign(x()->signalData()->records());
        QCOMPARE(holdings(view.get()).bytes, remaining.memoryBytes());
        QVERIFY(held > remaining.memoryBytes());
        QCOMPARE(value(101), 701.0);
        QVERIFY(!view->isEnabled(Undo));
    }

    // Names that come after the window dropped every record of others get
    // rows as any new name does.
    void newNamesAfterADropGetRows()
    {
        setLiveWindow(view.get(), 1);
        view->appendText(QStringLiteral("old;0;1\nkept;0;1\n"));
        view->appendText(QStringLiteral("kept;5;2\nnew;5;3\n"));
        QCOMPARE(holdings(view.get()).records, 2);
        const DataList *rows = x()->signalList()->valueList();
        QStringList names;
        for (int row = 0; row < rows->rowCount(); ++row)
            names << rows->rowData(row, DataList::SignalNameRole).toString();
        QCOMPARE(names, (QStringList{"old", "kept", "new"}));
    }

    // Live input follows the newest records until the user clicks in the
    // graph; a selection made then stays where it was made. End follows again.
    void liveInputFollowsUntilTheUserMoves()
    {
        view->appendText(QStringLiteral("a;0;1\na;1;2\n"));
        QVERIFY(followsLiveInput(view.get()));
        QCOMPARE(view->selectionEnd(), 1.0);
        x()->graph()->setScale(0.1);
        x()->graph()->setOffset(0);
        QTest::mouseClick(x()->graph()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 40));
        QVERIFY(!followsLiveInput(view.get()));
        QTest::qWait(120);
        view->appendText(QStringLiteral("a;2;3\n"));
        QCOMPARE(view->selectionEnd(), 0.0);
        QTest::keyClick(x()->graph(), Qt::Key_End);
        QVERIFY(followsLiveInput(view.get()));
        QTest::qWait(120);
        view->appendText(QStringLiteral("a;3;4\n"));
        QCOMPARE(view->selectionEnd(), 3.0);
    }

    // Following live input with a window of 10 s shows those 10 s across
    // the graph, newest at the right edge; without a window the newest stays
    // in sight. Every paint keeps it so, not only the moves live input makes.
    void followingKeepsTheNewestInSight_data()
    {
        QTest::addColumn<double>("window");
        QTest::newRow("a 10 s window") << 10.0;
        QTest::newRow("no window") << 0.0;
    }

    void followingKeepsTheNewestInSight()
    {
        QFETCH(double, window);
        setLiveWindow(view.get(), window);
        view->appendText(stream(0, 100));
        view->appendText(stream(101, 150));
        view->repaint();
        GraphView *graph = x()->graph();
        const int last = graph->viewport()->width() - 1;
        if (window > 0) {
            QCOMPARE(graph->xOf(150000), last);
            QCOMPARE(qRound(graph->timeAt(last) - graph->timeAt(0) + 1 / graph->scale()), 10000);
        } else {
            QVERIFY2(graph->xOf(150000) >= 0 && graph->xOf(150000) <= last, qPrintable(QString::number(graph->xOf(150000))));
        }
    }

    // Filling, the rows share the graph's height as a file loads and as the
    // view is resized, until the user sizes one by hand; Fit Rows shares it
    // again on demand.
    void rowsFillTheHeight()
    {
        setRowsFillHeight(view.get(), true);
        QVERIFY(view->loadFile(write("a;0;1;2\nb;0;3\n"), 0));
        DataList *rows = x()->signalList()->valueList();
        const auto heights = [rows]() {
            return QList<int>({rows->sectionSize(0), rows->sectionSize(1), rows->sectionSize(2)});
        };
        const auto shared = [this, &heights]() {
            const int height = x()->graph()->viewport()->height();
            const int each = height / 3;
            return heights() == QList<int>({each, each, height - 2 * each});
        };
        QVERIFY2(shared(), qPrintable(QString::number(heights().at(0))));
        view->resize(900, 600);
        QVERIFY(shared());
        rows->resizeSection(1, 50);
        view->resize(900, 500);
        QCOMPARE(heights().at(1), 50);
        fitRowsToHeight(view.get());
        QVERIFY(shared());
    }

    // Zoom to Fit shows the whole recording, whatever is selected, and
    // stops following live input.
    void zoomToFitShowsEverything()
    {
        view->appendText(stream(2, 12));
        select(5000, 6000);
        zoomToFit(view.get());
        const GraphView *graph = x()->graph();
        QCOMPARE(graph->xOf(2000), 0);
        // The end falls on the right edge, give or take the rounding of the scale.
        QVERIFY(qAbs(graph->xOf(12000) - graph->viewport()->width()) <= 1);
        QVERIFY(!followsLiveInput(view.get()));
    }

    // Paused, the records in view and under the selection stay while older
    // ones go; following again, the window drops them.
    void pausedKeepsWhatIsInView()
    {
        setLiveWindow(view.get(), 10);
        view->appendText(stream(0, 100));
        QTest::mouseClick(x()->graph()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 40));
        QVERIFY(!followsLiveInput(view.get()));
        x()->graph()->setScale(0.01);
        x()->graph()->setOffset(920);
        select(93000, 95000);
        for (int from = 101; from < 300; from += 50)
            view->appendText(stream(from, from + 49));
        QCOMPARE(QList<double>({value(92), value(93), value(95), value(299)}), QList<double>({92, 93, 95, 299}));
        QCOMPARE(view->selectionStart(), 93.0);
        view->execute(GoToEnd);
        view->appendText(stream(301, 301));
        QCOMPARE(holdings(view.get()).records, 11);
    }

    // Past its memory budget live input drops its oldest records; what a
    // file brought is never dropped.
    void memoryBudgetDropsTheOldestLiveRecords()
    {
        QVERIFY(view->loadFile(write(stream(0, 19999).toUtf8()), 0));
        setLiveMemoryBudget(view.get(), 64 * 1024);
        QCOMPARE(holdings(view.get()).records, 20000);
        view->execute(Clear);
        for (int from = 0; from < 20000; from += 1000)
            view->appendText(stream(from, from + 999));
        const SensorViewHoldings held = holdings(view.get());
        QVERIFY2(held.bytes <= 64 * 1024 && held.records > 1000, qPrintable(QString::number(held.records)));
        QCOMPARE(liveInputCount(view.get()).droppedForMemory, 20000 - held.records);
        QVERIFY(std::isnan(value(0)));
        QCOMPARE(value(19999), 19999.0);
    }

    void hostileFilesOpen_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<QString>("probeName");
        QTest::addColumn<double>("probeTime");
        QTest::addColumn<double>("probeValue");
        QByteArray names;
        for (int i = 0; i < 10000; ++i)
            names += "s" + QByteArray::number(i) + ";" + QByteArray::number(i) + ";" + QByteArray::number(i % 7) + "\n";
        QTest::newRow("10,000 names") << QByteArray(names) << 10000 << "s9999" << 9999.0 << double(double(9999 % 7));
        QByteArray wide = "wide;0";
        for (int i = 0; i < MostValuesPerRecord; ++i)
            wide += ";" + QByteArray::number(i);
        QTest::newRow("the most values a line may hold") << QByteArray(wide) << 1 << "wide" << 0.0 << 0.0;
        QTest::newRow("one value more is refused") << QByteArray(wide + ";1") << 0 << "wide" << 0.0 << double(std::nan(""));
        QByteArray backwards;
        for (int i = 300000; i > 0; --i)
            backwards += "down;" + QByteArray::number(i) + ";" + QByteArray::number(i * 2) + "\n";
        QTest::newRow("times running backwards") << QByteArray(backwards) << 1 << "down" << 150000.5 << 300000.0;
    }

    // Files that once took minutes or hours to open: many names, very wide
    // lines, falling times.
    void hostileFilesOpen()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, signalCount);
        QFETCH(QString, probeName);
        QFETCH(double, probeTime);
        QFETCH(double, probeValue);
        QVERIFY(view->loadFile(write(text), 0));
        QCOMPARE(view->signalCount(), signalCount);
        QCOMPARE(view->valueAt(probeName, 0, probeTime), probeValue);
        view->repaint();
        view->showSignal(QStringLiteral("no such signal"));
        view->hideSignal(QStringLiteral("no such signal"));
    }

    // A folder opens, but reading it fails; and binary data is no recording.
    void unreadableFileIsAFailure()
    {
        view->appendText(QStringLiteral("a;0;1\n"));
        QByteArray binary(4096, 'x');
        binary[100] = '\0';
        for (const QString &path : {dir.path(), write(binary)}) {
            QVERIFY2(!view->loadFile(path, 0), qPrintable(path));
            QVERIFY(!lastFileReport(view.get()).error.isEmpty());
            QCOMPARE(view->signalCount(), 1);
            QCOMPARE(value(0.0), 1.0);
        }
    }

    // Counts that reach far past the rows there are, as a careless caller
    // passes them: each call costs a pass over the rows, and nothing overflows.
    void callersCountsCostWhatRowsCost()
    {
        view->appendText(QStringLiteral("a;0;1;2;3\nb;0;4\n"));
        DataList *rows = x()->signalList()->valueList();
        const auto hidden = [rows]() { return rowMarks(rows, 'h', [rows](int row) { return rows->isSectionHidden(row); }); };
        view->hideChannels(QStringLiteral("a"), 1, INT_MAX);
        QCOMPARE(hidden(), QStringLiteral("-hh-"));
        view->showChannels(QStringLiteral("a"), INT_MAX, INT_MAX);
        QCOMPARE(hidden(), QStringLiteral("-hh-"));
        view->showChannels(QStringLiteral("a"), 0, INT_MAX);
        QCOMPARE(hidden(), QStringLiteral("----"));
        view->mergeChannels(QStringLiteral("a"), 1, INT_MAX);
        QVERIFY(rows->rowData(1, DataList::MergedRole).toBool());
        view->unmergeChannels(QStringLiteral("a"), INT_MAX - 1, INT_MAX);
        view->hideSignal(QStringLiteral("unknown"));
        view->showSignal(QStringLiteral("unknown"));
        QCOMPARE(hidden(), QStringLiteral("----"));
    }

    // Every edit undone one by one walks back through the states the edits went
    // through, to the original; redone, forward to the last.
    void undoAndRedoEverything()
    {
        view->appendText(QStringLiteral("a;1;1\nb;1.5;7\na;2;2\na;3;3\nb;3.5;8\na;4;4\na;5;5\n"));
        view->setWindowModified(false);
        const auto fullState = [&]() {
            return saved() + state(false) + QStringLiteral(" zoom %1+%2").arg(x()->graph()->scale()).arg(x()->graph()->offset());
        };
        QStringList before;
        QStringList after;
        double zoom = 0.05;
        const auto edit = [&](double from, double to, int command) {
            x()->graph()->setScale(zoom *= 2);
            select(from, to);
            before << fullState();
            view->execute(command);
            after << fullState();
            QVERIFY(after.last() != before.last());
        };
        edit(2000, 3000, Delete);
        select(1500, 3000);
        view->execute(Copy);
        edit(1000, 1000, Paste);
        edit(0, 0, ShiftToZero);
        edit(500, 3000, Crop);
        edit(500, 1500, Cut);
        for (int step = before.size() - 1; step >= 0; --step) {
            view->execute(Undo);
            QCOMPARE(fullState(), before.at(step));
        }
        QVERIFY(!view->isEnabled(Undo));
        // A redo brings back the state its undo left: after the edit, with the
        // selection the next edit began from.
        for (int step = 0; step < after.size(); ++step) {
            view->execute(Redo);
            QCOMPARE(fullState(), step + 1 < before.size() ? before.at(step + 1) : after.at(step));
        }
        QVERIFY(!view->isEnabled(Redo));
    }

    void saveFailures_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("secondName");
        QTest::newRow("no such folder") << "no/such/folder.txt" << 3 << "" << false;
        QTest::newRow("a folder in the way") << "taken" << 3 << "" << false;
        // Below and above the 16 KiB a file device buffers.
        QTest::newRow("size limit, small") << "kept.txt" << 200 << "File too large" << false;
        QTest::newRow("size limit, large") << "kept.txt" << 5000 << "File too large" << false;
        // A file of two names is written in place: the room it needs is
        // taken before anything of it is overwritten.
        QTest::newRow("size limit, in place") << "kept.txt" << 5000 << "File too large" << true;
    }

    // A failed save says why, reports false, keeps the modified mark and
    // leaves the old file as it was, without a temporary file beside it.
    void saveFailures()
    {
        QFETCH(QString, target);
        QFETCH(int, records);
        QFETCH(QString, reason);
        QFETCH(bool, secondName);
        const QTemporaryDir folder;
        const QByteArray original(1000, '#');
        QVERIFY(TestSupport::writeFile(folder.filePath(QStringLiteral("kept.txt")), original));
        QStringList files{"kept.txt"};
        if (secondName) {
#ifdef Q_OS_UNIX
            QCOMPARE(::link(QFile::encodeName(folder.filePath(files.first())).constData(),
                            QFile::encodeName(folder.filePath(QStringLiteral("name.txt"))).constData()),
                     0);
            files << QStringLiteral("name.txt");
#else
            QSKIP("Hard links are made here with the Unix call");
#endif
        }
        QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("taken")));
        QString text;
        for (int i = 0; i < records; ++i)
            text += QStringLiteral("acceleration;%1;%2;%3\n").arg(i).arg(i * 3).arg(-i);
        view->appendText(text);
        view->setWindowModified(true);
#ifdef Q_OS_UNIX
        // What the viewer does at start; the limit would end the test otherwise.
        std::signal(SIGXFSZ, SIG_IGN);
        std::optional<TestSupport::FileSizeLimit> limit;
        if (!reason.isEmpty())
            limit.emplace(2048);
#else
        if (!reason.isEmpty())
            QSKIP("File size limits are a Unix feature");
#endif
        QVERIFY(!view->saveFile(folder.filePath(target), 0));
        const QString error = lastFileReport(view.get()).error;
        QVERIFY2(!error.isEmpty() && error.contains(reason), qPrintable(error));
        QCOMPARE(TestSupport::readFile(folder.filePath(QStringLiteral("kept.txt"))), original);
        QVERIFY(view->isWindowModified());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), files);
    }

private:
    SensorViewX *x() const { return static_cast<SensorViewX *>(view.get()); }
    double value(double time, const char *name = "a") const { return view->valueAt(QLatin1String(name), 0, time); }

    void select(double from, double to)
    {
        x()->graph()->setAnchorTime(from);
        x()->graph()->setCursorTime(to);
    }

    // Records of signal "a" at the seconds `from` to `to`, valued as their time.
    static QString stream(int from, int to)
    {
        QString text;
        for (int time = from; time <= to; ++time)
            text += QStringLiteral("a;%1;%1\n").arg(time);
        return text;
    }

    // A file of its own with `bytes` in it.
    QString write(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("file%1.txt").arg(++files));
        TestSupport::writeFile(path, bytes);
        return path;
    }

    // The recording's lines as a save writes them, joined by "|".
    QString saved(int mode = 0)
    {
        const QString file = dir.filePath(QStringLiteral("saved.txt"));
        if (!view->saveFile(file, mode))
            return QStringLiteral("<not saved>");
        return QString::fromUtf8(TestSupport::readFile(file)).trimmed().replace(QLatin1Char('\n'), QLatin1Char('|'));
    }

    // Each record's time and first value, then the selection in seconds and
    // the marks that are set.
    QString state(bool withHistory = true)
    {
        QStringList records;
        const QString lines = saved();
        for (const QString &line : lines.split(QLatin1Char('|'), Qt::SkipEmptyParts))
            records << line.section(QLatin1Char('\t'), 1, 2).replace(QLatin1Char('\t'), QLatin1Char(' '));
        QString marks = QStringLiteral(" | %1..%2").arg(view->selectionStart()).arg(view->selectionEnd());
        if (view->isWindowModified())
            marks += QStringLiteral(" modified");
        if (withHistory && view->isEnabled(Undo))
            marks += QStringLiteral(" undo");
        if (withHistory && view->isEnabled(Redo))
            marks += QStringLiteral(" redo");
        return records.join(QStringLiteral(", ")) + marks;
    }

    std::unique_ptr<SensorView> view;
    QTemporaryDir dir;
    int files = 0;
};

QTEST_MAIN(tst_SensorView)
#include "tst_sensorview.moc"
