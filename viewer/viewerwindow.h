#pragma once

#include "sensorview.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QTimer;

// A window around one sensor view, reached through the view's factory
// only, as any host would: files, the edit commands and the view commands,
// each kept enabled and checked from the view.
class ViewerWindow : public QMainWindow, public SensorViewObserver
{
public:
    explicit ViewerWindow(QWidget *parent = nullptr);
    ~ViewerWindow() override;

    SensorView *view() const { return sensorView; }
    QString currentFile() const { return fileName; }

    // Opens a file in place of the recording; says what was read in the
    // status bar, or why nothing was.
    bool openFile(const QString &path);
    // Records arriving live, as the lines of a running program, with the
    // count of lines the reader dropped before them; and the end of them.
    void appendLive(const QString &lines, int droppedLines = 0);
    void liveInputEnded();
    // Records will arrive live, from standard input.
    void beginLiveInput();
    // Keeps only the last `seconds` of the recording; 0 keeps everything.
    void keepLast(double seconds);
    // Live input past `bytes` drops its oldest records; 0 sets no bound.
    // A window starts with a quarter of the machine's memory.
    void setMemoryBudget(qint64 bytes);
    // The figures of the status line, as it shows them now.
    QString statusText() const;
    bool saveTo(const QString &path, int mode);
    // Asks about unsaved changes; false when the user cancels.
    bool maySpoilChanges();

    void viewChanged(SensorView *view) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    // A checkable entry for a view setting that the next start remembers.
    void addSetting(QMenu *menu, const QString &text, const QString &key, bool on,
                    const std::function<void(bool)> &apply);
    QAction *addCommand(QMenu *menu, const QString &text, int command,
                        const QKeySequence &shortcut = QKeySequence());
    void open();
    void insertFile();
    // Saves to the recording's own file, or asks for a name (`choose`, or
    // when it has none).
    void save(int mode, bool choose);
    void refreshActions();
    // Where the file dialogs begin, and the folder they remember.
    QString dialogFolder() const;
    static void rememberFolderOf(const QString &path);
    void showFailure(const QString &what, const QString &path);
    void showReadCounts();
    void askKeepLast();
    void askMemoryBudget();
    void updateStatus();

    SensorView *sensorView = nullptr;
    std::unique_ptr<QMenu> graphMenu;
    QList<QPair<QAction *, int>> commands;
    QString fileName;
    QLabel *status = nullptr;
    QTimer *statusClock = nullptr;
    // Live records when the status line last counted them, and since when.
    qint64 recordsCounted = 0;
    QElapsedTimer sinceCount;
    double recordsPerSecond = 0.0;
    // Live lines that were not text, or too long, dropped by the reader.
    qint64 droppedLiveLines = 0;
    bool inputEnded = false;
    bool live = false;
    // Between the fields of the file opened, kept when it is written back.
    char separator = '\t';
};
