#pragma once

#include "sensorview.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QMenu;

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
    // Records arriving live, as the lines of a running program.
    void appendLive(const QString &lines);
    bool saveTo(const QString &path, int mode);
    // Asks about unsaved changes; false when the user cancels.
    bool maySpoilChanges();

    void viewChanged(SensorView *view) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    QAction *addCommand(QMenu *menu, const QString &text, int command,
                        const QKeySequence &shortcut = QKeySequence());
    void open();
    void insertFile();
    void save(int mode);
    void refreshActions();
    void showFailure(const QString &what, const QString &path);
    void showReadCounts();

    SensorView *sensorView = nullptr;
    std::unique_ptr<QMenu> graphMenu;
    QList<QPair<QAction *, int>> commands;
    QString fileName;
};
