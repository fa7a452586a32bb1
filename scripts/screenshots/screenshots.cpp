// Shows each window the way a user meets it and grabs it into a PNG file.

#include "aboutdialog.h"
#include "mainwindow.h"
#include "settingsdialog.h"
#include "settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

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
