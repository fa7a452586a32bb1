#include "edithistory.h"
#include "testsupport.h"
#include "sensorview.h"
#include "signaltext.h"

// White-box helpers only where the public interface has no way in.
#include "datalist.h"
#include "graphview.h"
#include "sensorviewx.h"
#include "signallist.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

struct HostileFile
{
    QByteArray text;
    int signalCount;
    QString probeName;
    double probeTime;
    double probeValue;
};

using CloneCase = std::tuple<int, bool, bool, double, bool>;

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

std::unique_ptr<SignalData> storeOfSize(int records)
{
    auto store = std::make_unique<SignalData>();
    const double v = 1;
    for (int i = 0; i < records; ++i)
        store->addRecord(QStringView(u"s"), i, &v, 1);
    return store;
}

} // namespace

Q_DECLARE_METATYPE(HostileFile)
Q_DECLARE_METATYPE(CloneCase)

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

    void cleanup()
    {
        view.reset();
    }

    void enablingOnEmptyAndFilled()
    {
        for (int command : {GoToStart, GoToEnd, Delete, Crop, Cut, Copy, Undo, Redo, FormatDecimal, HideRows})
            QVERIFY2(!view->isEnabled(command), qPrintable(QString::number(command)));
        for (int command : {ShowSelection, Clear, ClearHistory})
            QVERIFY(view->isEnabled(command));
        QVERIFY(!view->isEnabled(EditLayout));
        QVERIFY(!view->isEnabled(99));
        QVERIFY(!view->isChecked(99));

        view->appendText(QStringLiteral("a;0;1\na;1;2\n"));
        for (int command : {GoToStart, GoToEnd, Delete, ShiftToZero, SelectAll, FormatDecimal})
            QVERIFY(view->isEnabled(command));
        select(0, 0);
        QVERIFY(!view->isEnabled(Crop));
        QVERIFY(!view->isEnabled(Copy));
        select(0, 500);
        QVERIFY(view->isEnabled(Crop));
        QVERIFY(view->isEnabled(Cut));
        QApplication::clipboard()->setText(QStringLiteral("x"));
        QVERIFY(view->isEnabled(Paste));
    }

    void checkedFollowsCommonFormat()
    {
        view->appendText(QStringLiteral("a;0;1;2\n"));
        QVERIFY(view->isChecked(FormatDecimal));
        QVERIFY(view->isChecked(StyleSteps));
        view->setChannelFormat(QStringLiteral("a"), 1, 2);
        // Mixed formats check nothing.
        QVERIFY(!view->isChecked(FormatDecimal));
        QVERIFY(!view->isChecked(FormatHex));
        view->execute(FormatHex);
        QVERIFY(view->isChecked(FormatHex));
        view->execute(StyleEvents);
        QVERIFY(view->isChecked(StyleEvents));
        QVERIFY(!view->isChecked(StyleSteps));
    }

    // An empty selection crops nothing and records no step; a reversed one
    // crops like its forward twin.
    void crop()
    {
        view->appendText(QStringLiteral("a;0;1\na;0.1;2\na;0.2;3\na;0.5;4\na;0.8;5\na;0.9;6\n"));
        select(500, 500);
        view->execute(Crop);
        QVERIFY(!view->isEnabled(Undo));
        QCOMPARE(value(0.9), 6.0);
        select(800, 200);
        view->execute(Crop);
        QCOMPARE(view->selectionStart(), 0.0);
        QCOMPARE(view->selectionEnd(), 0.6);
        QCOMPARE(value(0.0), 3.0);
        QCOMPARE(value(0.6), 5.0);
        QVERIFY(std::isnan(value(-0.1)));
        QVERIFY(view->isWindowModified());
        QVERIFY(view->isEnabled(Undo));
    }

    // A new edit empties Redo; an insert whose file does not open is none.
    void newEditEmptiesRedo()
    {
        view->appendText(QStringLiteral("a;0;1\na;1;2\na;2;3\n"));
        select(0, 1000);
        view->execute(Delete);
        view->execute(Undo);
        QVERIFY(!view->loadFile(dir.filePath(QStringLiteral("missing.txt")), 1));
        QVERIFY(view->isEnabled(Redo));
        select(0, 500);
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
            step->store = storeOfSize(size);
            history.record(std::move(step));
        }
        history.commit(true);
        QList<int> remaining;
        for (const auto &step : history.undoSteps())
            remaining << step->store->recordCount();
        QCOMPARE(remaining, kept);
    }

    void mergeRows()
    {
        view->appendText(QStringLiteral("a;0;1;2;3;4;5\n"));
        DataList *rows = x()->signalList()->valueList();
        for (int row : {1, 2, 4})
            rows->setRowSelected(row, true);
        QVERIFY(view->isEnabled(MergeRows));
        view->execute(MergeRows);
        QStringList merged;
        for (int row = 0; row < rows->rowCount(); ++row)
            merged << (rows->rowData(row, DataList::MergedRole).toBool() ? QStringLiteral("m") : QStringLiteral("-"));
        QCOMPARE(merged, (QStringList{"-", "m", "-", "-", "-"}));
        QVERIFY(view->isEnabled(SplitRows));
        view->execute(SplitRows);
        QVERIFY(!rows->rowData(1, DataList::MergedRole).toBool());
    }

    void distributeRows()
    {
        view->appendText(QStringLiteral("a;0;1;2;3\n"));
        SignalList *list = x()->signalList();
        list->setRowHeight(0, 10);
        list->setRowHeight(1, 20);
        list->setRowHeight(2, 31);
        for (int row = 0; row < 3; ++row)
            list->valueList()->setRowSelected(row, true);
        view->execute(DistributeRows);
        QCOMPARE(list->valueList()->sectionSize(0), 20);
        QCOMPARE(list->valueList()->sectionSize(1), 20);
        QCOMPARE(list->valueList()->sectionSize(2), 21);
    }

    void signalKeysAndValues()
    {
        view->appendText(QStringLiteral("b;0;1\na;1;2\n"));
        QCOMPARE(view->signalCount(), 2);
        QCOMPARE(view->signalKey(0), QStringLiteral("b"));
        QCOMPARE(view->signalKey(-1), QString());
        QCOMPARE(view->signalKey(2), QString());
        QCOMPARE(view->signalLabel(2), QString());
        view->setSignalLabel(QStringLiteral("a"), QStringLiteral("Accel"));
        QCOMPARE(view->signalLabel(1), QStringLiteral("Accel"));
        QVERIFY(std::isnan(value(1.0, "nobody")));
        QCOMPARE(view->signalCount(), 2);
        // Removing is an undo step; data arriving later under the name gets
        // rows again.
        view->removeSignal(QStringLiteral("b"));
        QCOMPARE(view->signalCount(), 1);
        QVERIFY(std::isnan(value(1.0, "b")));
        QVERIFY(view->isEnabled(Undo));
        view->appendText(QStringLiteral("b;3;5\n"));
        QCOMPARE(view->signalCount(), 2);
        QCOMPARE(view->signalKey(1), QStringLiteral("b"));
        QCOMPARE(value(3.5, "b"), 5.0);
    }

    void cloneModes_data()
    {
        // Mode, modified before, empty selection, first value, layout copied.
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
        if (mode == 1 && !emptySelection) {
            QCOMPARE(copy->selectionStart(), 0.0);
            QCOMPARE(copy->selectionEnd(), 1.0);
            QVERIFY(std::isnan(copy->valueAt(QStringLiteral("a"), 0, -0.5)));
            QCOMPARE(copy->valueAt(QStringLiteral("a"), 0, 5.0), 3.0);
        } else {
            QCOMPARE(copy->selectionStart(), view->selectionStart());
            QCOMPARE(copy->selectionEnd(), view->selectionEnd());
        }
        auto *copied = static_cast<SensorViewX *>(copy.get());
        QCOMPARE(copied->signalList()->labelList()->rowData(0, DataList::LabelRole).toString(),
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

    void loadModes()
    {
        const QString first = writeFile(dir, QStringLiteral("first.txt"), "a;0;1\na;1;2\n");
        const QString second = writeFile(dir, QStringLiteral("second.txt"), "b;0;5\nb;0.5;6\n");
        QVERIFY(!view->loadFile(dir.filePath(QStringLiteral("missing.txt")), 0));
        QVERIFY(!view->loadFile(dir.filePath(QStringLiteral("missing.txt")), 1));
        QVERIFY(!view->isEnabled(Undo));

        QVERIFY(view->loadFile(first, 0));
        QCOMPARE(view->signalCount(), 1);
        QCOMPARE(view->selectionStart(), 0.0);
        // Inserting at the cursor is an undo step. With nothing selected the
        // cursor stands on the sample at 1 s, which stays.
        select(1000, 1000);
        QVERIFY(view->loadFile(second, 1));
        QVERIFY(std::isnan(value(0.9, "b")));
        QCOMPARE(value(1.0, "b"), 5.0);
        QCOMPARE(value(1.5, "b"), 6.0);
        QCOMPARE(value(1.0), 2.0);
        QVERIFY(view->isEnabled(Undo));
        QVERIFY(view->isWindowModified());
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

    void appendTextThrottles()
    {
        view->appendText(QStringLiteral("a;0;1\na;0.5;2"));
        QCOMPARE(view->selectionEnd(), 0.5);
        QVERIFY(view->isWindowModified());
        view->appendText(QStringLiteral("a;1;3\n"));
        // Within 100 ms: the data is there, the view did not move to it.
        QCOMPARE(value(1.0), 3.0);
        QCOMPARE(view->selectionEnd(), 0.5);
        QTest::qWait(120);
        view->appendText(QStringLiteral("a;2;4\n"));
        QCOMPARE(view->selectionEnd(), 2.0);
    }

    void cutAndPaste()
    {
        view->appendText(QStringLiteral("a;0;1\na;1;2\na;2;3\na;3;4\n"));
        select(1000, 2000);
        view->execute(Cut);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("a\t0\t2\na\t1\t3\n"));
        // 1 s and 2 s went, 3 s moved to 2 s.
        QCOMPARE(saved(), (QStringList{"a\t0\t1", "a\t2\t4"}));
        view->execute(Undo);
        // Paste with the cursor on the sample at 3 s and nothing selected:
        // every reading stays, the records land at 3 and 4 s.
        select(3000, 3000);
        view->execute(Paste);
        QCOMPARE(view->selectionEnd(), 3.0);
        QCOMPARE(saved(), (QStringList{"a\t0\t1", "a\t1\t2", "a\t2\t3", "a\t3\t4", "a\t3\t2", "a\t4\t3"}));
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

    void unreadableFileIsAFailure()
    {
        view->appendText(QStringLiteral("a;0;1\n"));
        // A folder opens, but reading it fails; and binary data is no recording.
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
        view->hideChannels(QStringLiteral("a"), 1, INT_MAX);
        QVERIFY(!rows->isSectionHidden(0));
        QVERIFY(rows->isSectionHidden(1) && rows->isSectionHidden(2));
        view->showChannels(QStringLiteral("a"), INT_MAX, INT_MAX);
        QVERIFY(rows->isSectionHidden(1));
        view->showChannels(QStringLiteral("a"), 0, INT_MAX);
        QVERIFY(!rows->isSectionHidden(1) && !rows->isSectionHidden(2));
        view->mergeChannels(QStringLiteral("a"), 1, INT_MAX);
        QVERIFY(rows->rowData(1, DataList::MergedRole).toBool());
        view->unmergeChannels(QStringLiteral("a"), INT_MAX - 1, INT_MAX);
        view->hideSignal(QStringLiteral("unknown"));
        view->showSignal(QStringLiteral("unknown"));
        QVERIFY(!rows->isSectionHidden(3));
    }

    // Every edit undone one by one walks back through the states the edits went
    // through, to the original; redone, forward to the last.
    void undoAndRedoEverything()
    {
        view->appendText(QStringLiteral("a;1;1\nb;1.5;7\na;2;2\na;3;3\nb;3.5;8\na;4;4\na;5;5\n"));
        view->setWindowModified(false);
        const auto state = [&]() {
            return saved().join(QLatin1Char('|'))
                   + QStringLiteral(" sel %1..%2 mod %3 zoom %4+%5")
                         .arg(view->selectionStart())
                         .arg(view->selectionEnd())
                         .arg(view->isWindowModified())
                         .arg(x()->graph()->scale())
                         .arg(x()->graph()->offset());
        };
        QStringList before;
        QStringList after;
        double zoom = 0.05;
        const auto edit = [&](double from, double to, int command) {
            x()->graph()->setScale(zoom *= 2);
            select(from, to);
            before << state();
            view->execute(command);
            after << state();
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
            QVERIFY(view->isEnabled(Undo));
            view->execute(Undo);
            QCOMPARE(state(), before.at(step));
        }
        QVERIFY(!view->isEnabled(Undo));
        // A redo brings back the state its undo left: after the edit, with the
        // selection the next edit began from.
        for (int step = 0; step < after.size(); ++step) {
            QVERIFY(view->isEnabled(Redo));
            view->execute(Redo);
            QCOMPARE(state(), step + 1 < before.size() ? before.at(step + 1) : after.at(step));
        }
        QVERIFY(!view->isEnabled(Redo));
    }

    void saveFailures_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such folder") << "no/such/folder.txt" << 3 << "";
        QTest::newRow("a folder in the way") << "taken" << 3 << "";
        // Below and above the 16 KiB a file device buffers.
        QTest::newRow("size limit, small") << "kept.txt" << 200 << "File too large";
        QTest::newRow("size limit, large") << "kept.txt" << 5000 << "File too large";
    }

    // A failed save says why, reports false, keeps the modified mark and
    // leaves the old file as it was, without a temporary file beside it.
    void saveFailures()
    {
        QFETCH(QString, target);
        QFETCH(int, records);
        QFETCH(QString, reason);
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

    // The recording's lines as a save writes them.
    QStringList saved(int mode = 0)
    {
        const QString file = dir.filePath(QStringLiteral("saved.txt"));
        return view->saveFile(file, mode) ? readLines(file) : QStringList{"<not saved>"};
    }

    void select(double from, double to)
    {
        x()->graph()->setAnchorTime(from);
        x()->graph()->setCursorTime(to);
    }

    std::unique_ptr<SensorView> view;
    QTemporaryDir dir;
};

QTEST_MAIN(tst_SensorView)
#include "tst_sensorview.moc"
