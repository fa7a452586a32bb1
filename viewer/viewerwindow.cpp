#include "viewerwindow.h"

#include "physicalmemory.h"
#include "recordingfolder.h"
#include "viewerstatus.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

namespace {
const QString FileFilter = QStringLiteral("Sensor recordings (*.txt *.csv *.log);;All files (*)");
const QString AppTitle = QStringLiteral("VESTRA Sensor Viewer");
constexpr int InitialWidth = 1100;
constexpr int InitialHeight = 650;
// Of the screen's free area, what the first size may take at most.
constexpr double MostOfScreen = 0.9;
// How often the status line counts anew.
constexpr int StatusIntervalMs = 500;
constexpr qint64 BytesPerMegabyte = 1024 * 1024;
// Of the machine's memory, what live input may take unless told otherwise.
constexpr int MemoryShare = 4;
const QString ScaleToDataKey = QStringLiteral("ScaleToData");
const QString ValueScalesKey = QStringLiteral("ValueScales");
const QString LastFolderKey = QStringLiteral("LastFolder");
}

ViewerWindow::ViewerWindow(QWidget *parent)
    : QMainWindow(parent)
    , sensorView(createSensorView())
{
    setCentralWidget(sensorView);
    setRowsFillHeight(sensorView, true);
    const QSettings settings;
    setScaleToData(sensorView, settings.value(ScaleToDataKey, false).toBool());
    setValueScalesShown(sensorView, settings.value(ValueScalesKey, true).toBool());
    sensorView->addObserver(this);
    buildMenus();
    status = new QLabel(this);
    statusBar()->addPermanentWidget(status);
    statusClock = new QTimer(this);
    connect(statusClock, &QTimer::timeout, this, &ViewerWindow::updateStatus);
    statusClock->start(StatusIntervalMs);
    sinceCount.start();
    QSize size(InitialWidth, InitialHeight);
    if (const QScreen *display = screen())
        size = size.boundedTo(display->availableGeometry().size() * MostOfScreen);
    resize(size);
    setMemoryBudget(physicalMemoryBytes() / MemoryShare);
    viewChanged(sensorView);
}

ViewerWindow::~ViewerWindow()
{
    sensorView->removeObserver(this);
}

QAction *ViewerWindow::addCommand(QMenu *menu, const QString &text, int command, const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(text);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, command]() { sensorView->execute(command); });
    commands.append({action, command});
    return action;
}

void ViewerWindow::addSetting(QMenu *menu, const QString &text, const QString &key, bool on,
                              const std::function<void(bool)> &apply)
{
    QAction *action = menu->addAction(text);
    action->setCheckable(true);
    action->setChecked(on);
    connect(action, &QAction::toggled, this, [key, apply](bool checked) {
        apply(checked);
        QSettings().setValue(key, checked);
    });
}

void ViewerWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open..."), this, &ViewerWindow::open, QKeySequence::Open);
    file->addAction(QStringLiteral("&Insert at Cursor..."), this, &ViewerWindow::insertFile,
                    QKeySequence(Qt::CTRL + Qt::Key_I));
    file->addAction(QStringLiteral("&Save"), this, [this]() { save(0, false); }, QKeySequence::Save);
    file->addAction(QStringLiteral("Save &As..."), this, [this]() { save(0, true); }, QKeySequence::SaveAs);
    file->addAction(QStringLiteral("Save Se&lection..."), this, [this]() { save(1, true); },
                    QKeySequence(Qt::CTRL + Qt::ALT + Qt::Key_S));
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), this, &QWidget::close, QKeySequence::Quit);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    addCommand(edit, QStringLiteral("&Undo"), Undo, QKeySequence::Undo);
    addCommand(edit, QStringLiteral("&Redo"), Redo, QKeySequence::Redo);
    edit->addSeparator();
    addCommand(edit, QStringLiteral("Cu&t"), Cut, QKeySequence::Cut);
    addCommand(edit, QStringLiteral("&Copy"), Copy, QKeySequence::Copy);
    addCommand(edit, QStringLiteral("&Paste"), Paste, QKeySequence::Paste);
    addCommand(edit, QStringLiteral("&Delete"), Delete, QKeySequence::Delete);
    edit->addSeparator();
    addCommand(edit, QStringLiteral("C&rop"), Crop, QKeySequence(Qt::CTRL + Qt::Key_K));
    addCommand(edit, QStringLiteral("Shift to &Zero"), ShiftToZero);
    edit->addSeparator();
    addCommand(edit, QStringLiteral("Select &All"), SelectAll, QKeySequence::SelectAll);
    addCommand(edit, QStringLiteral("Select &None"), SelectNone, QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_A));
    edit->addSeparator();
    addCommand(edit, QStringLiteral("C&lear"), Clear);

    QMenu *viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    addCommand(viewMenu, QStringLiteral("Go to &Start"), GoToStart, QKeySequence(Qt::CTRL + Qt::Key_Home));
    addCommand(viewMenu, QStringLiteral("Go to &End"), GoToEnd, QKeySequence(Qt::CTRL + Qt::Key_End));
    addCommand(viewMenu, QStringLiteral("&Next Sample"), NextSample, QKeySequence(Qt::CTRL + Qt::Key_Right));
    addCommand(viewMenu, QStringLiteral("&Previous Sample"), PreviousSample, QKeySequence(Qt::CTRL + Qt::Key_Left));
    viewMenu->addSeparator();
    addCommand(viewMenu, QStringLiteral("&Zoom to Selection"), ZoomToSelection, QKeySequence(Qt::CTRL + Qt::Key_0));
    viewMenu->addAction(QStringLiteral("Zoom to &Fit"), this, [this]() { zoomToFit(sensorView); },
                        QKeySequence(Qt::Key_F));
    viewMenu->addAction(QStringLiteral("Fit &Rows to Window"), this, [this]() { fitRowsToHeight(sensorView); },
                        QKeySequence(Qt::CTRL + Qt::Key_R));
    viewMenu->addSeparator();
    addSetting(viewMenu, QStringLiteral("Scale to &Data"), ScaleToDataKey, scalesToData(sensorView),
               [this](bool on) { setScaleToData(sensorView, on); });
    addSetting(viewMenu, QStringLiteral("Value &Scales"), ValueScalesKey, valueScalesShown(sensorView),
               [this](bool on) { setValueScalesShown(sensorView, on); });
    addCommand(viewMenu, QStringLiteral("Show Se&lection"), ShowSelection, QKeySequence(Qt::CTRL + Qt::Key_L));
    addCommand(viewMenu, QStringLiteral("&Reset Columns"), ResetColumns);
    viewMenu->addSeparator();
    viewMenu->addAction(QStringLiteral("&Keep Last..."), this, &ViewerWindow::askKeepLast);
    viewMenu->addAction(QStringLiteral("Keep &Everything"), this, [this]() { keepLast(0); });
    viewMenu->addAction(QStringLiteral("&Memory Budget..."), this, &ViewerWindow::askMemoryBudget);
    for (QMenu *menu : {edit, viewMenu})
        connect(menu, &QMenu::aboutToShow, this, &ViewerWindow::refreshActions);

    graphMenu = std::make_unique<QMenu>();
    addCommand(graphMenu.get(), QStringLiteral("&Zoom to Selection"), ZoomToSelection);
    addCommand(graphMenu.get(), QStringLiteral("Show Se&lection"), ShowSelection);
    graphMenu->addSeparator();
    addCommand(graphMenu.get(), QStringLiteral("&Copy"), Copy);
    addCommand(graphMenu.get(), QStringLiteral("C&rop"), Crop);
    addCommand(graphMenu.get(), QStringLiteral("&Delete"), Delete);
    connect(graphMenu.get(), &QMenu::aboutToShow, this, &ViewerWindow::refreshActions);
    sensorView->setContextMenu(graphMenu.get());
}

void ViewerWindow::refreshActions()
{
    for (const auto &entry : qAsConst(commands))
        entry.first->setEnabled(sensorView->isEnabled(entry.second));
}

void ViewerWindow::viewChanged(SensorView *)
{
    refreshActions();
    const QString unnamed = live ? QStringLiteral("standard input") : QStringLiteral("untitled");
    const QString name = fileName.isEmpty() ? unnamed : QFileInfo(fileName).fileName();
    const double window = liveWindow(sensorView);
    const QString windowed = window > 0 ? QStringLiteral(" (last %1 s)").arg(window) : QString();
    setWindowTitle(QStringLiteral("%1[*]%2 - %3").arg(name, windowed, AppTitle));
    setWindowModified(sensorView->isWindowModified());
    status->setText(statusText());
}

void ViewerWindow::keepLast(double seconds)
{
    setLiveWindow(sensorView, seconds);
    viewChanged(sensorView);
}

void ViewerWindow::beginLiveInput()
{
    live = true;
    viewChanged(sensorView);
}

void ViewerWindow::setMemoryBudget(qint64 bytes)
{
    setLiveMemoryBudget(sensorView, bytes);
    viewChanged(sensorView);
}

void ViewerWindow::askMemoryBudget()
{
    bool ok = false;
    const int current = int(qMin<qint64>(liveMemoryBudget(sensorView) / BytesPerMegabyte, INT_MAX));
    const QString question = QStringLiteral("Megabytes live input may take before its oldest records are dropped "
                                            "(0: no limit):");
    const int megabytes = QInputDialog::getInt(this, AppTitle, question, current, 0, INT_MAX, 256, &ok);
    if (ok)
        setMemoryBudget(megabytes * BytesPerMegabyte);
}

void ViewerWindow::askKeepLast()
{
    bool ok = false;
    const double current = liveWindow(sensorView);
    const QString question = QStringLiteral("Seconds to keep, counted back from the newest record:");
    const double seconds = QInputDialog::getDouble(this, AppTitle, question, current > 0 ? current : 30.0, 0.001, 1e9, 3, &ok);
    if (ok)
        keepLast(seconds);
}

QString ViewerWindow::statusText() const
{
    const SensorViewHoldings held = holdings(sensorView);
    ViewerStatus::Figures figures;
    figures.records = held.records;
    figures.signalCount = sensorView->signalCount();
    figures.unreadableLines = liveInputCount(sensorView).unreadableLines + droppedLiveLines;
    figures.recordsPerSecond = recordsPerSecond;
    figures.bytes = held.bytes;
    figures.following = followsLiveInput(sensorView);
    figures.pausedAt = sensorView->selectionEnd();
    figures.keepSeconds = liveWindow(sensorView);
    figures.inputEnded = inputEnded;
    figures.live = live;
    figures.budgetBytes = liveMemoryBudget(sensorView);
    figures.dropping = liveInputCount(sensorView).droppedForMemory > 0;
    return ViewerStatus::line(figures);
}

void ViewerWindow::updateStatus()
{
    const qint64 elapsed = sinceCount.restart();
    const qint64 records = liveInputCount(sensorView).records;
    if (elapsed > 0)
        recordsPerSecond = ViewerStatus::perSecond(recordsCounted, records, elapsed);
    recordsCounted = records;
    status->setText(statusText());
}

bool ViewerWindow::maySpoilChanges()
{
    if (!sensorView->isWindowModified())
        return true;
    const auto answer = QMessageBox::question(this, AppTitle, QStringLiteral("The recording has unsaved changes."),
                                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                              QMessageBox::Save);
    if (answer == QMessageBox::Save) {
        const QString path = fileName.isEmpty()
                                 ? QFileDialog::getSaveFileName(this, QStringLiteral("Save Recording"), dialogFolder(), FileFilter)
                                 : fileName;
        return !path.isEmpty() && saveTo(path, 0);
    }
    return answer == QMessageBox::Discard;
}

bool ViewerWindow::openFile(const QString &path)
{
    if (!replaceWithFile(sensorView, path)) {
        showFailure(QStringLiteral("open"), path);
        return false;
    }
    fileName = path;
    separator = lastFileReport(sensorView).separator;
    rememberFolderOf(path);
    sensorView->execute(ResetColumns);
    viewChanged(sensorView);
    showReadCounts();
    return true;
}

// A file that held nothing readable would otherwise just leave a blank view.
void ViewerWindow::showReadCounts()
{
    const SensorViewReport report = lastFileReport(sensorView);
    const QString text = ViewerStatus::readCounts(report.records, sensorView->signalCount(), report.unreadableLines,
                                                  report.tooWideLines);
    statusBar()->showMessage(text);
}

namespace {
const QString CommandMark = QStringLiteral("#vestra:");

// Where the next of the editor's command lines starts, or -1.
int commandAt(const QString &lines, int from)
{
    for (int at = lines.indexOf(CommandMark, from); at >= 0; at = lines.indexOf(CommandMark, at + 1)) {
        if (at == 0 || lines.at(at - 1) == QLatin1Char('\n'))
            return at;
    }
    return -1;
}
} // namespace

// The editor's Run and Plot speaks in comment lines of its own, which any
// other reader passes over: "#vestra:clear" when a new run starts, and
// "#vestra:skipped N" for lines it had to leave out.
void ViewerWindow::appendLive(const QString &lines, int droppedLines)
{
    droppedLiveLines += droppedLines;
    if (!live)
        beginLiveInput();
    int from = 0;
    for (int at = commandAt(lines, from); at >= 0; at = commandAt(lines, from)) {
        if (at > from)
            sensorView->appendText(lines.mid(from, at - from));
        const int end = lines.indexOf(QLatin1Char('\n'), at);
        const QStringRef command = lines.midRef(at + CommandMark.size(), (end < 0 ? lines.size() : end) - at - CommandMark.size()).trimmed();
        if (command == QLatin1String("clear")) {
            sensorView->execute(Clear);
            droppedLiveLines = 0;
            inputEnded = false;
        } else if (command.startsWith(QLatin1String("skipped "))) {
            droppedLiveLines += std::max<qint64>(0, command.mid(8).toLongLong());
        }
        from = end < 0 ? lines.size() : end + 1;
    }
    if (from < lines.size())
        sensorView->appendText(from == 0 ? lines : lines.mid(from));
}

// What arrived stays, ready to be saved.
void ViewerWindow::liveInputEnded()
{
    inputEnded = true;
    if (holdings(sensorView).records > 0)
        sensorView->setWindowModified(true);
    viewChanged(sensorView);
}

bool ViewerWindow::saveTo(const QString &path, int mode)
{
    if (!saveFileWith(sensorView, path, mode, separator)) {
        showFailure(QStringLiteral("save"), path);
        return false;
    }
    if (mode == 0) {
        fileName = path;
        sensorView->setWindowModified(false);
    }
    rememberFolderOf(path);
    viewChanged(sensorView);
    return true;
}

void ViewerWindow::showFailure(const QString &what, const QString &path)
{
    QString text = QStringLiteral("Could not %1 '%2'.").arg(what, QDir::toNativeSeparators(path));
    const QString reason = lastFileReport(sensorView).error;
    if (!reason.isEmpty())
        text += QStringLiteral("\n\n") + reason + QLatin1Char('.');
    QMessageBox::warning(this, AppTitle, text);
}

QString ViewerWindow::dialogFolder() const
{
    const QStringList examples = RecordingFolder::examples(QDir::currentPath(), QCoreApplication::applicationDirPath());
    return RecordingFolder::start(QSettings().value(LastFolderKey).toString(), examples, QDir::homePath());
}

void ViewerWindow::rememberFolderOf(const QString &path)
{
    QSettings().setValue(LastFolderKey, QFileInfo(path).absolutePath());
}

void ViewerWindow::open()
{
    if (!maySpoilChanges())
        return;
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open Recording"), dialogFolder(), FileFilter);
    if (!path.isEmpty())
        openFile(path);
}

void ViewerWindow::insertFile()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Insert Recording"), dialogFolder(), FileFilter);
    if (path.isEmpty())
        return;
    if (sensorView->loadFile(path, 1))
        showReadCounts();
    else
        showFailure(QStringLiteral("insert"), path);
}

void ViewerWindow::save(int mode, bool choose)
{
    if (!choose && !fileName.isEmpty()) {
        saveTo(fileName, mode);
        return;
    }
    const QString path = QFileDialog::getSaveFileName(this, mode == 0 ? QStringLiteral("Save Recording")
                                                                      : QStringLiteral("Save Selection"),
                                                      fileName.isEmpty() ? dialogFolder() : fileName, FileFilter);
    if (!path.isEmpty())
        saveTo(path, mode);
}

void ViewerWindow::closeEvent(QCloseEvent *event)
{
    if (maySpoilChanges())
        event->accept();
    else
        event->ignore();
}
