#include "editcontroller.h"
#include "signaldata.h"
#include "storedump.h"
#include "testsupport.h"

#include <QRandomGenerator>

#include <vector>

// The view's edits and their history, without the view: random runs of
// Delete, Crop, Insert and Shift to Zero, undone and redone at random. Delete
// and Crop change the store in place and keep what they took out; the
// others keep a copy, as the steps made in place do once live input is
// about to come. Either way each undo and redo must give back exactly the
// state the run went through.
class tst_EditHistory : public QObject
{
    Q_OBJECT

private slots:
    void undoRedoWalkTheStates_data()
    {
        TestSupport::seedRows(30);
    }

    void undoRedoWalkTheStates()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        SignalData store;
        double time = 0.0;
        for (int i = 0; i < 400; ++i) {
            time += random.bounded(3) * 0.1;
            QVector<double> values;
            for (int v = seed % 2 ? random.bounded(3) : 1; v > 0; --v)
                values << (random.bounded(2000) - 1000) / 3.0;
            store.addRecord(SignalRecord{QStringLiteral("s%1").arg(random.bounded(3)), time, values});
        }
        SignalData pasted;
        pasted.addRecord(SignalRecord{QStringLiteral("p"), 0.0, {1.0}});
        pasted.addRecord(SignalRecord{QStringLiteral("s1"), 0.25, {}});
        EditController edits(store, []() { return false; });
        ViewPlace place;
        // states[i]: the store after i of the edits still in the history.
        std::vector<QByteArray> states{exactly(store)};
        size_t at = 0;
        QStringList done;
        for (int step = 0; step < 60; ++step) {
            const int action = random.bounded(100);
            const double first = store.firstTime(store.all());
            const double span = store.lastTime(store.all()) - first;
            place.anchor = first + random.generateDouble() * span;
            place.cursor = action % 5 == 0 ? place.anchor : first + random.generateDouble() * span;
            if (action < 20 && edits.canUndo()) {
                edits.undo(place);
                --at;
                done << QStringLiteral("undo");
                QVERIFY2(exactly(store) == states[at], qPrintable(done.join(QLatin1String(", "))));
                continue;
            }
            // Live input turns the steps made in place into copies first:
            // they must undo to the same states as before.
            if (action >= 96 && seed % 3 == 0) {
                edits.settleInPlaceSteps();
                done << QStringLiteral("settle");
                QVERIFY2(exactly(store) == states[at], qPrintable(done.join(QLatin1String(", "))));
                continue;
            }
            if (action < 35 && edits.canRedo()) {
                edits.redo(place);
                ++at;
                done << QStringLiteral("redo");
                QVERIFY2(exactly(store) == states[at], qPrintable(done.join(QLatin1String(", "))));
                continue;
            }
            // Every edit below makes a step: Delete even of nothing, Crop of
            // a selection, Shift to Zero of records that do not start at 0.
            if (action < 80) {
                edits.deleteSelection(place);
                done << QStringLiteral("delete");
            } else if (action < 88 && place.anchor != place.cursor) {
                edits.crop(place);
                done << QStringLiteral("crop");
            } else if (action < 96 || first == 0.0) {
                edits.insert(pasted, place);
                done << QStringLiteral("insert");
            } else {
                edits.shiftToZero(place);
                done << QStringLiteral("shift");
            }
            states.resize(at + 1);
            states.push_back(exactly(store));
            ++at;
        }
        while (edits.canUndo()) {
            edits.undo(place);
            done << QStringLiteral("undo");
        }
        QVERIFY2(exactly(store) == states.front(), qPrintable(done.join(QLatin1String(", "))));
        while (edits.canRedo())
            edits.redo(place);
        QVERIFY2(exactly(store) == states.back(), "redoing every step did not give the last state");
    }
};

QTEST_GUILESS_MAIN(tst_EditHistory)
#include "tst_edithistory.moc"
