// Shows each window the way a user meets it and grabs it into a PNG file.

#include "aboutdialog.h"
#include "mainwindow.h"
#include "settingsdialog.h"
#include "settingsstore.h"
#include "vestracodeeditor.h"

#include "curvestyle.h"
#include "datalist.h"
#include "graphview.h"
#include "sensorviewx.h"
#include "signallist.h"
#include "signaltext.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

bool grabInto(QWidget *widget, const QDir &out, const QString &name)
{
    widget->show();
    QTest::qWait(300);
    const bool ok = widget->grab().save(out.filePath(name));
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(out.filePath(name)));
    return ok;
}

void trigger(QWidget &window, const char *action)
{
    if (auto *found = window.findChild<QAction *>(QLatin1String(action)))
        found->trigger();
}

// Waits until Build is enabled again, that is until no step runs.
void waitWhileBusy(QWidget &window, int timeoutMs)
{
    QTest::qWait(200);
    auto *build = window.findChild<QAction *>(QStringLiteral("actionBuild"));
    QElapsedTimer clock;
    clock.start();
    while (build && !build->isEnabled() && clock.elapsed() < timeoutMs)
        QTest::qWait(50);
    QTest::qWait(300);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    VestraSettings::registerFontSubstitutes();
    // Never disturb the settings of whoever runs this.
    QStandardPaths::setTestModeEnabled(true);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: vestra-screenshots OUTPUT_FOLDER [SOURCE_FILE]\n");
        return 2;
    }
    const QDir out(args.at(1));
    bool ok = true;

    {
        // The sensor view over a short recording of the demo board.
        auto *store = new SignalData;
        QString text;
        for (int i = 0; i < 3000; ++i) {
            const double t = i * 0.01;
            text += QStringLiteral("pressure;%1;%2\n").arg(t).arg(1013.25 + 2.5 * std::sin(t * 0.4));
            text += QStringLiteral("light;%1;%2\n").arg(t).arg(std::sin(t * 0.9) > 0 ? 550 : 300);
            text += QStringLiteral("gyro;%1;%2;%3;%4\n").arg(t).arg(20 * std::sin(t * 2.1)).arg(15 * std::cos(t * 1.7)).arg(-5 + 5 * std::sin(t * 0.4));
        }
        parseText(*store, text);
        SensorViewX view(store);
        view.resize(1000, 520);
        view.show();
        QTest::qWait(100);
        view.setChannelStyle(QStringLiteral("light"), 0, int(CurveStyle::Blocks));
        view.setChannelStyle(QStringLiteral("gyro"), -1, int(CurveStyle::Linear));
        view.mergeChannels(QStringLiteral("gyro"), 0, 2);
        view.setChannelTrigger(QStringLiteral("pressure"), 0, 5, 1014.5);
        view.signalList()->setRowHeight(2, 80);
        view.signalList()->setRowHeight(3, 80);
        view.signalList()->fitSignalSections();
        view.graph()->setFitPending(true);
        view.graph()->setAnchorTime(8000);
        view.graph()->setCursorTime(12500);
        view.graph()->setFitPending(false);
        view.graph()->setScale(view.graph()->viewport()->width() / 30000.0);
        view.signalList()->valueList()->setRowSelected(4, true);
        ok = grabInto(&view, out, QStringLiteral("sensorview.png")) && ok;
    }

    AboutDialog splash(true, nullptr);
    splash.setWindowOpacity(1.0);
    ok = grabInto(&splash, out, QStringLiteral("splash.png")) && ok;
    splash.close();

    AboutDialog about(false, nullptr);
    ok = grabInto(&about, out, QStringLiteral("about.png")) && ok;
    about.close();

    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwell Quorimat"));
    QCoreApplication::setApplicationName(QStringLiteral("VESTRA CodeEditor"));
    QSettings().clear();

    SettingsDialog settings(nullptr);
    ok = grabInto(&settings, out, QStringLiteral("settings.png")) && ok;
    settings.close();
    if (args.size() > 2)
        QSettings().setValue(QStringLiteral("LastLoadedFile"), QFileInfo(args.at(2)).absoluteFilePath());
    MainWindow window;
    ok = grabInto(&window, out, QStringLiteral("mainwindow.png")) && ok;
    trigger(window, "actionFind");
    ok = grabInto(&window, out, QStringLiteral("mainwindow-find.png")) && ok;
    trigger(window, "actionFind");
    // An opener typed on line 13 turns the lines below it into comment, and
    // taking it back brings their colours back.
    if (auto *editor = window.findChild<VESTRACodeEditor *>()) {
        QTextCursor line(editor->document()->findBlockByNumber(12));
        line.insertText(QStringLiteral("/* "));
        ok = grabInto(&window, out, QStringLiteral("mainwindow-opener.png")) && ok;
        editor->undo();
        ok = grabInto(&window, out, QStringLiteral("mainwindow-undone.png")) && ok;
    }
    if (args.size() < 3)
        return ok ? 0 : 1;

    // Build, run for a while, stop: the console in each state.
    trigger(window, "actionBuild");
    waitWhileBusy(window, 20000);
    ok = grabInto(&window, out, QStringLiteral("build.png")) && ok;
    trigger(window, "actionRun");
    QTest::qWait(2500);
    ok = grabInto(&window, out, QStringLiteral("run.png")) && ok;
    trigger(window, "actionStop");
    waitWhileBusy(window, 5000);
    ok = grabInto(&window, out, QStringLiteral("stopped.png")) && ok;
    return ok ? 0 : 1;
}
