#include "edithistory.h"
#include "sensorview.h"
#include "signaltext.h"
#include "testsupport.h"

// White-box helpers only where the public interface has no way in.
#include "datalist.h"
#include "graphview.h"
#include "sensorviewx.h"
#include "signallist.h"

#include <QClipboard>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

struct CountingObserver : SensorViewObserver
{
    int calls = 0;
    void viewChanged(SensorView *) override { ++calls; }
};

QStringList readLines(const QString &path)
{
    return QString::fromUtf8(TestSupport::readFile(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &text)
{
    TestSupport::writeFile(dir.filePath(name), text);
    return dir.filePath(name);
}

// Text, signal count, then a name, a time and the value there.
using HostileFile = std::tuple<QByteArray, int, QString, double, double>;
// Mode, modified before, empty selection, first value, layout copied.
using CloneCase = std::tuple<int, bool, bool, double, bool>;

} // namespace

Q_DECLARE_METATYPE(HostileFile)
Q_DECLARE_METATYPE(CloneCase)
VESTRA_TEST_ROW(SaveFailuresRow, QString, int, QString)

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

    // A digit a command: enabled or not, and checked or not.
    void enabledAndChecked()
    {
        QApplication::clipboard()->clear();
        const QList<int> commands{GoToStart, GoToEnd, Delete, Crop, Cut, Copy, Paste, Undo, Redo, FormatDecimal,
                                  HideRows, ShiftToZero, SelectAll, ShowSelection, Clear, ClearHistory, EditLayout, 99};
        const auto enabled = [&]() {
            QString digits;
            for (int command : commands)
                digits += view->isEnabled(command) ? '1' : '0';
            return digits;
        };
        const auto checked = [&]() {
            QString digits;
            for (int command : {int(FormatDecimal), int(FormatHex), int(StyleSteps), int(StyleEvents), 99})
                digits += view->isChecked(command) ? '1' : '0';
            return digits;
        };
        QCOMPARE(enabled(), QStringLiteral("000000000000011100"));
        view->appendText(QStringLiteral("a;0;1;2\na;1;2;3\n"));
        select(0, 0);
        QCOMPARE(enabled(), QStringLiteral("111000000101111100"));
        select(0, 500);
        QApplication::clipboard()->setText(QStringLiteral("x"));
        QCOMPARE(enabled(), QStringLiteral("111111100101111100"));
        QCOMPARE(checked(), QStringLiteral("10100"));
        // Mixed formats check nothing.
        view->setChannelFormat(QStringLiteral("a"), 1, 2);
        QCOMPARE(checked(), QStringLiteral("00100"));
        view->execute(FormatHex);
        view->execute(StyleEvents);
        QCOMPARE(checked(), QStringLiteral("01010"));
    }

    // An empty selection crops nothing and records no step; a reversed one
    // crops like its forward twin. A new edit empties Redo; an insert whose
    // file does not open is none.
    void cropAndRedo()
    {
        view->appendText(QStringLiteral("a;0;1\na;0.1;2\na;0.2;3\na;0.5;4\na;0.8;5\na;0.9;6\n"));
        view->setWindowModified(false);
        select(500, 500);
        view->execute(Crop);
        QCOMPARE(state(), QStringLiteral("0 1, 0.1 2, 0.2 3, 0.5 4, 0.8 5, 0.9 6 | 0.5..0.5"));
        select(800, 200);
        view->execute(Crop);
        QCOMPARE(state(), QStringLiteral("0 3, 0.3 4, 0.6 5 | 0..0.6 modified undo"));
        QVERIFY(std::isnan(value(-0.1)));
        view->execute(Undo);
        QVERIFY(!view->loadFile(dir.filePath(QStringLiteral("missing.txt")), 1));
        QVERIFY(view->isEnabled(Redo));
        select(0, 100);
        view->execute(Delete);
        QVERIFY(!view->isEnabled(Redo));
    }

    void historyLimit_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("600k, 300k, 200k keeps the two newest") << QList<int>{600000, 300000, 200000}
                                                              << QList<int>{300000, 200000};
        QTest::newRow("one of 2M is kept") << QList<int>{2000000} << QList<int>{2000000};
        QTest::newRow("within the limit all stay") << QList<int>{400000, 500000} << QList<int>{400000, 500000};
    }

    void historyLimit()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(QList<int>, kept);
        EditHistory history;
        for (int size : sizes) {
            auto step = std::make_unique<ViewSnapshot>();
            step->store = std::make_unique<SignalData>();
            const double v = 1;
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
        const auto merged = [rows]() {
            QString marks;
            for (int row = 0; row < rows->rowCount(); ++row)
                marks += rows->rowData(row, DataList::MergedRole).toBool() ? 'm' : '-';
            return marks;
        };
        for (int row : {1, 2, 4})
            rows->setRowSelected(row, true);
        QVERIFY(view->isEnabled(MergeRows));
        view->execute(MergeRows);
        QCOMPARE(merged(), QStringLiteral("-m---"));
        view->execute(SplitRows);
        QCOMPARE(merged(), QStringLiteral("-----"));
        list->clearSelection();
        list->setRowHeight(0, 10);
        list->setRowHeight(1, 20);
        list->setRowHeight(2, 31);
        list->selectRows({0, 1, 2}, true);
        view->execute(DistributeRows);
        QCOMPARE(QList<int>({rows->sectionSize(0), rows->sectionSize(1), rows->sectionSize(2)}), QList<int>({20, 20, 21}));
    }

    // Keys and labels by index, out of range ones empty; removing a signal is
    // an undo step, and data arriving later under its name gets rows again.
    void signalKeysAndValues()
    {
        view->appendText(QStringLiteral("b;0;1\na;1;2\n"));
        view->setSignalLabel(QStringLiteral("a"), QStringLiteral("Accel"));
        QCOMPARE(QStringList({view->signalKey(0), view->signalKey(1), view->signalKey(-1), view->signalKey(2)}),
                 QStringList({"b", "a", "", ""}));
        QCOMPARE(QStringList({view->signalLabel(1), view->signalLabel(2)}), QStringList({"Accel", ""}));
        QVERIFY(std::isnan(value(1.0, "nobody")));
        QCOMPARE(view->signalCount(), 2);
        view->removeSignal(QStringLiteral("b"));
        QCOMPARE(view->signalCount(), 1);
        QVERIFY(std::isnan(value(1.0, "b")));
        QVERIFY(view->isEnabled(Undo));
        view->appendText(QStringLiteral("b;3;5\n"));
        QCOMPARE(view->signalKey(1), QStringLiteral("b"));
        QCOMPARE(value(3.5, "b"), 5.0);
    }

    void cloneModes_data()
    {
        QTest::addColumn<CloneCase>("clone");
        QTest::newRow("0: everything, modified copied") << CloneCase{0, true, false, 1.0, true};
        QTest::newRow("0: unmodified stays so") << CloneCase{0, false, false, 1.0, true};
        QTest::newRow("1: the selection, cropped") << CloneCase{1, false, false, 2.0, true};
        QTest::newRow("1: empty selection, all data, modified") << CloneCase{1, false, true, 1.0, true};
        QTest::newRow("2: data only") << CloneCase{2, true, false, 1.0, false};
    }

    void cloneModes()
    {
        QFETCH(CloneCase, clone);
        const auto [mode, modified, emptySelection, firstValueAt0, copiesLayout] = clone;
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

    // An observer added twice is told twice, until removed twice.
    void observers()
    {
        CountingObserver once;
        CountingObserver twice;
        view->addObserver(&once);
        view->addObserver(&twice);
        view->addObserver(&twice);
        view->appendText(QStringLiteral("a;0;1\na;1;2\n"));
        select(0, 1000);
        view->execute(Delete);
        QVERIFY(once.calls > 0);
        QCOMPARE(twice.calls, 2 * once.calls);
        view->removeObserver(&twice);
        const int gap = twice.calls - once.calls;
        const int onceBefore = once.calls;
        view->execute(Undo);
        QVERIFY(once.calls > onceBefore);
        QCOMPARE(twice.calls - once.calls, gap);
        view->removeObserver(&twice);
        view->removeObserver(&once);
        const int calls = once.calls + twice.calls;
        view->execute(Redo);
        QCOMPARE(once.calls + twice.calls, calls);
    }

    // A load adds to the store and records no step; inserting at the cursor
    // is one. With nothing selected the cursor stands on the sample at 1 s,
    // which stays; the cursor then goes to the sample nearest the inserted
    // end, and the nearest is never the time itself.
    void loadAndInsert()
    {
        QVERIFY(!view->loadFile(dir.filePath(QStringLiteral("missing.txt")), 0));
        QVERIFY(!view->loadFile(dir.filePath(QStringLiteral("missing.txt")), 1));
        QVERIFY(view->loadFile(writeFile(dir, QStringLiteral("first.txt"), "a;0;1\na;1;2\n"), 0));
        QCOMPARE(state(), QStringLiteral("0 1, 1 2 | 0..0"));
        select(1000, 1000);
        QVERIFY(view->loadFile(writeFile(dir, QStringLiteral("second.txt"), "b;0;5\nb;0.5;6\n"), 1));
        QCOMPARE(state(), QStringLiteral("0 1, 1 2, 1 5, 1.5 6 | 1..1 modified undo"));
        view->execute(Undo);
        QVERIFY(std::isnan(value(1.0, "b")));
    }

    void saveModes()
    {
        view->appendText(QStringLiteral("a;1;10;0.1\na;2;20\na;3;30\n"));
        view->setWindowModified(true);
        QCOMPARE(saved(0), (QStringList{"a\t1\t10\t0.1", "a\t2\t20", "a\t3\t30"}));
        QVERIFY(view->isWindowModified());
        select(3000, 2000);
        QCOMPARE(saved(1), (QStringList{"a\t0\t20", "a\t1\t30"}));
        QVERIFY(!view->saveFile(dir.filePath(QStringLiteral("other.txt")), 2));
    }

    // Live input shows at once, but moves the view at most every 100 ms.
    void appendTextThrottles()
    {
        view->appendText(QStringLiteral("a;0;1\na;0.5;2"));
        QCOMPARE(state(), QStringLiteral("0 1, 0.5 2 | 0.5..0.5 modified"));
        view->appendText(QStringLiteral("a;1;3\n"));
        QCOMPARE(state(), QStringLiteral("0 1, 0.5 2, 1 3 | 0.5..0.5 modified"));
        QTest::qWait(120);
        view->appendText(QStringLiteral("a;2;4\n"));
        QCOMPARE(view->selectionEnd(), 2.0);
    }

    // Cut takes the selection to the clipboard and closes the gap. Paste, a
    // new edit that empties Redo, with the cursor on the sample at 3 s and
    // nothing selected keeps every reading and lands the records at 3 and 4 s.
    void cutAndPaste()
    {
        view->appendText(QStringLiteral("a;0;1\na;1;2\na;2;3\na;3;4\n"));
        view->setWindowModified(false);
        select(1000, 2000);
        view->execute(Cut);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("a\t0\t2\na\t1\t3\n"));
        // The cursor goes to the sample nearest the old start, the later on a tie.
        QCOMPARE(state(), QStringLiteral("0 1, 2 4 | 2..2 modified undo"));
        view->execute(Undo);
        select(3000, 3000);
        view->execute(Paste);
        QCOMPARE(state(), QStringLiteral("0 1, 1 2, 2 3, 3 4, 3 2, 4 3 | 3..3 modified undo"));
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
        QVERIFY(std::isnan(value(89.5)) && value(90) == 90.0);
        view->appendText(QStringLiteral("a;101;101\n"));
        QCOMPARE(holdings(view.get()).records, 12);
        view->appendText(QStringLiteral("a;102;102\n"));
        QCOMPARE(holdings(view.get()).records, 11);
        QVERIFY(std::isnan(value(91.5)) && value(92) == 92.0);
        QVERIFY(!view->isEnabled(Undo) && view->isWindowModified());
        setLiveWindow(view.get(), 0);
        view->appendText(QStringLiteral("a;200;200\n"));
        QCOMPARE(holdings(view.get()).records, 12);
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

    void hostileFilesOpen_data()
    {
        QTest::addColumn<HostileFile>("file");
        QByteArray names;
        for (int i = 0; i < 10000; ++i)
            names += "s" + QByteArray::number(i) + ";" + QByteArray::number(i) + ";" + QByteArray::number(i % 7) + "\n";
        QTest::newRow("10,000 names") << HostileFile{names, 10000, "s9999", 9999.0, double(9999 % 7)};
        QByteArray wide = "wide;0";
        for (int i = 0; i < 200000; ++i)
            wide += ";" + QByteArray::number(i);
        QTest::newRow("200,000 values on a line") << HostileFile{wide, 1, "wide", 0.0, 0.0};
        QByteArray backwards;
        for (int i = 300000; i > 0; --i)
            backwards += "down;" + QByteArray::number(i) + ";" + QByteArray::number(i * 2) + "\n";
        QTest::newRow("times running backwards") << HostileFile{backwards, 1, "down", 150000.5, 300000.0};
    }

    // Files that once took minutes or hours to open: many names, very wide
    // lines, falling times.
    void hostileFilesOpen()
    {
        QFETCH(HostileFile, file);
        const auto [text, signalCount, probeName, probeTime, probeValue] = file;
        QVERIFY(view->loadFile(writeFile(dir, QStringLiteral("hostile.txt"), text), 0));
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
        for (const QString &path : {dir.path(), writeFile(dir, QStringLiteral("program.bin"), binary)}) {
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
        const auto hidden = [rows]() {
            QString marks;
            for (int row = 0; row < rows->rowCount(); ++row)
                marks += rows->isSectionHidden(row) ? 'h' : '-';
            return marks;
        };
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
            return saved().join(QLatin1Char('|')) + state(false) + QStringLiteral(" zoom %1+%2").arg(x()->graph()->scale()).arg(x()->graph()->offset());
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
        QTest::addColumn<SaveFailuresRow>("row");
        QTest::newRow("no such folder") << SaveFailuresRow{"no/such/folder.txt", 3, ""};
        QTest::newRow("a folder in the way") << SaveFailuresRow{"taken", 3, ""};
        // Below and above the 16 KiB a file device buffers.
        QTest::newRow("size limit, small") << SaveFailuresRow{"kept.txt", 200, "File too large"};
        QTest::newRow("size limit, large") << SaveFailuresRow{"kept.txt", 5000, "File too large"};
    }

    // A failed save says why, reports false, keeps the modified mark and
    // leaves the old file as it was, without a temporary file beside it.
    void saveFailures()
    {
        const auto [target, records, reason] = TestSupport::row<SaveFailuresRow>();
        const QTemporaryDir folder;
        const QByteArray original(1000, '#');
        const QString path = writeFile(folder, QStringLiteral("kept.txt"), original);
        QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("taken")));
        QString text;
        for (int i = 0; i < records; ++i)
            text += QStringLiteral("acceleration;%1;%2;%3\n").arg(i).arg(i * 3).arg(-i);
        view->appendText(text);
        view->setWindowModified(true);
        bool written = true;
        if (reason.isEmpty()) {
            written = view->saveFile(folder.filePath(target), 0);
        } else {
#ifdef Q_OS_UNIX
            // What the viewer does at start; the limit would end the test otherwise.
            std::signal(SIGXFSZ, SIG_IGN);
            const TestSupport::FileSizeLimit limit(2048);
            written = view->saveFile(path, 0);
#else
            QSKIP("File size limits are a Unix feature");
#endif
        }
        QVERIFY(!written);
        const QString error = lastFileReport(view.get()).error;
        QVERIFY2(!error.isEmpty() && error.contains(reason), qPrintable(error));
        QCOMPARE(TestSupport::readFile(path), original);
        QVERIFY(view->isWindowModified());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"kept.txt"});
    }

private:
    SensorViewX *x() const { return static_cast<SensorViewX *>(view.get()); }
    double value(double time, const char *name = "a") const { return view->valueAt(QLatin1String(name), 0, time); }

    void select(double from, double to)
    {
        x()->graph()->setAnchorTime(from);
        x()->graph()->setCursorTime(to);
    }

    // The recording's lines as a save writes them.
    QStringList saved(int mode = 0)
    {
        const QString file = dir.filePath(QStringLiteral("saved.txt"));
        return view->saveFile(file, mode) ? readLines(file) : QStringList{"<not saved>"};
    }

    // Each record's time and first value, then the selection in seconds and
    // the marks that are set.
    QString state(bool withHistory = true)
    {
        QStringList records;
        for (const QString &line : saved())
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
};

QTEST_MAIN(tst_SensorView)
#include "tst_sensorview.moc"
