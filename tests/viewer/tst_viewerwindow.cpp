#include "testsupport.h"
#include "viewerwindow.h"

// To measure the list columns, which a host never sees directly.
#include "datalist.h"
#include "sectionlist.h"
#include "sensorviewx.h"
#include "signallist.h"

#include <QAction>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

QAction *menuAction(QMainWindow &window, const QString &text)
{
    for (QAction *menu : window.menuBar()->actions()) {
        for (QAction *action : menu->menu()->actions()) {
            if (action->text() == text)
                return action;
        }
    }
    return nullptr;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_ViewerWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openEditUndoSaveReopen();
    void actionsFollowTheView();
    void closingAsksAboutChanges_data();
    void closingAsksAboutChanges();
    void liveSignalsGetRoom();

private:
    QTemporaryDir dir;
    QString recording;
    std::unique_ptr<ViewerWindow> window;
};

void tst_ViewerWindow::init()
{
    recording = dir.filePath(QStringLiteral("recording.txt"));
    QFile file(recording);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("accel\t0\t1\t2\naccel\t0.5\t3\t4\nbaro\t1\t1013.25\naccel\t1.5\t5\t6\n");
    file.close();
    window.reset(new ViewerWindow);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void tst_ViewerWindow::cleanup()
{
    TestSupport::dropPendingAnswers();
    if (window)
        window->view()->setWindowModified(false);
    window.reset();
}

void tst_ViewerWindow::openEditUndoSaveReopen()
{
    QVERIFY(window->openFile(recording));
    SensorView *view = window->view();
    QCOMPARE(view->signalCount(), 2);
    QVERIFY(window->windowTitle().startsWith(QStringLiteral("recording.txt")));

    // Edit: select all and shift... delete the first sample, then undo it.
    view->execute(GoToStart);
    view->execute(NextSample);
    view->execute(Delete);
    QVERIFY(window->isWindowModified());
    view->execute(Undo);
    QVERIFY(!window->isWindowModified());

    const QString copy = dir.filePath(QStringLiteral("copy.txt"));
    QVERIFY(window->saveTo(copy, 0));
    QCOMPARE(readFile(copy), readFile(recording));

    ViewerWindow again;
    QVERIFY(again.openFile(copy));
    QCOMPARE(again.view()->valueAt(QStringLiteral("accel"), 1, 1.6), 6.0);
    QCOMPARE(again.view()->valueAt(QStringLiteral("baro"), 0, 1.0), 1013.25);
    bool warned = false;
    TestSupport::pressButton(QMessageBox::Ok, &warned);
    QVERIFY(!again.openFile(dir.filePath(QStringLiteral("missing.txt"))));
    QVERIFY(warned);
}

void tst_ViewerWindow::actionsFollowTheView()
{
    QAction *undo = menuAction(*window, QStringLiteral("&Undo"));
    QAction *crop = menuAction(*window, QStringLiteral("C&rop"));
    QVERIFY(undo && crop);
    QVERIFY(!undo->isEnabled());
    QVERIFY(window->openFile(recording));
    window->view()->execute(SelectAll);
    window->viewChanged(window->view());
    QVERIFY(crop->isEnabled());
    crop->trigger();
    QVERIFY(undo->isEnabled());
    QVERIFY(window->isWindowModified());
}

void tst_ViewerWindow::closingAsksAboutChanges_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("cancel keeps it open") << int(QMessageBox::Cancel) << false;
    QTest::newRow("discard closes") << int(QMessageBox::Discard) << true;
}

void tst_ViewerWindow::closingAsksAboutChanges()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QVERIFY(window->openFile(recording));
    window->view()->execute(SelectAll);
    window->view()->execute(Crop);
    bool asked = false;
    TestSupport::pressButton(QMessageBox::StandardButton(answer), &asked);
    QCOMPARE(window->close(), closes);
    QVERIFY(asked);
}

// Live records of signals with long names and values: once shown, both
// fit their columns.
void tst_ViewerWindow::liveSignalsGetRoom()
{
    window->appendLive(QStringLiteral("pressure;0;1013.25\ntemperature;0;-21.375\n"));
    for (int i = 1; i < 20; ++i) {
        QTest::qWait(30);
        window->appendLive(QStringLiteral("pressure;%1;1012.75\ntemperature;%1;-21.125\n").arg(i * 0.1));
    }
    QTest::qWait(400);
    auto *view = static_cast<SensorViewX *>(window->view());
    const DataList *values = view->signalList->valueList;
    QVERIFY(values->rowCount() >= 2);
    for (int row = 0; row < values->rowCount(); ++row) {
        const QString text = values->model()->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
        QVERIFY2(!text.isEmpty(), "values are on show");
        QVERIFY2(values->fontMetrics().horizontalAdvance(text) <= values->width(), qPrintable(text));
    }
    const SectionList *names = view->signalList->sectionList;
    QVERIFY(names->fontMetrics().horizontalAdvance(QStringLiteral("temperature")) <= names->width());
}

QTEST_MAIN(tst_ViewerWindow)
#include "tst_viewerwindow.moc"
