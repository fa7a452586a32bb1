#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>

#include "buildrunner.h"
#include "consolereport.h"
#include "diagnostics.h"
#include "plotfeed.h"

#include <memory>

class ConsoleWriter;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QSearchField;
class VESTRASyntaxHighlighter;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void initEditor();
    void markDocumentClean();
    void applySettings();

    void loadSourceFile(const QString &path);
    void reloadSourceFile();
    QMessageBox::StandardButton askToSaveChanges();
    void loadBoardList();
    void openReferenceDocument(const QString &documentName);

    void startNextOperation();
    // A step's start; false when its precondition refuses.
    bool runMake(const QString &target);
    // With `plot`, the run's output goes to a viewer window too.
    bool runExample(const QString &executablePath, bool plot = false);
    bool canStartMake();
    bool canRunExample(const QString &executablePath) const;
    void stopOperation();
    void updateActions();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_actionRun_triggered();
    void on_actionSelect_Example_Project_triggered();
    void on_actionSave_triggered();
    void on_actionBuild_triggered();
    void on_actionSave_As_triggered();
    void readExtProcessOutput(const QString &text);
    void readExtProcessError(const QString &text);
    void extProcessError(QProcess::ProcessError err);
    void extProcessFinished(int exitCode);
    void on_actionSettings_triggered();
    void on_actionAbout_triggered();
    void on_actionClean_triggered();
    void on_actionExit_triggered();
    void on_actionCancel_Build_triggered();
    void on_actionStop_triggered();
    void on_actionGoTo_Examples_Folder_triggered();
    void on_actionReference_Documentation_triggered();
    void codeEditor_modifiedStatusChanged(bool fileDirty);
    void closeSearchField();
    void executeCodeSearch();
    void on_actionFind_triggered();
    void on_actionCodeEditor_quick_start_guide_triggered();
    void on_actionToggle_Comment_Section_triggered();
    void on_actionNext_Diagnostic_triggered();
    void on_actionRun_and_Plot_triggered();
    void on_actionFind_Next_triggered();
    void on_actionFind_Previous_triggered();
    void on_actionGo_to_Line_triggered();
    void on_actionPrevious_Diagnostic_triggered();

private:
    class EditedSource;

    void addToolBarWidgets();
    void connectProcess();
    // Diagnostics of the last build: links in the console, marks in the
    // gutter, F4 and Shift+F4.
    void setUpDiagnostics();
    void showDiagnosticMarks();
    // Run and Plot's viewer: started when none is open, cleared when one is.
    void openPlotViewer();
    void feedPlotViewer(const QByteArray &lines);
    // Searches the field's text forward or back from the cursor; says so in
    // the status bar when it is nowhere.
    void searchFor(bool backward);
    void showPosition();
    // The examples folder's examples, as they are when the menu opens.
    void fillExamplesMenu();
    void showBoard();
    void goToDiagnostic(int index);
    // The console paragraph under `position` (viewport coordinates) as a
    // diagnostic of the last build; -1 for none.
    int diagnosticAt(const QPoint &position) const;
    void reportStepEnd(BuildRunner::StepEnd end, int exitCode);
    void writeLines(const QVector<ConsoleReport::Line> &lines);
    void openWithDesktop(const QString &path);
    bool saveDocument();
    // True when the text may be replaced or left: it holds no unsaved
    // edits, or the user's answer settled them.
    bool mayLeaveText();
    bool writeDocumentTo(const QString &path);
    void showSaveFailure(const QString &path, const QString &reason);
    void showTruncationWarning(const QString &path);
    void takeFileIdentity(const QString &path);
    void showTitle();

    bool eventFilter(QObject *watched, QEvent *event) override;

    Ui::MainWindow *ui = nullptr;
    Diagnostics::Collector diagnostics;
    // The folder make ran in, which the diagnostics' file names start from.
    QString diagnosticsFolder;
    // The diagnostic F4 went to last.
    int currentDiagnostic = -1;
    // Run and Plot's viewer, its own process, which outlives a run and the
    // window; what the running example prints goes to it while `plotting`.
    QProcess *plotViewer = nullptr;
    PlotFeed plotFeed;
    bool plotting = false;
    VESTRASyntaxHighlighter *highlighter = nullptr;
    QSearchField *searchField = nullptr;
    QAction *searchFieldAction = nullptr;
    QCheckBox *caseSensitiveCheckBox = nullptr;
    QAction *caseSensitiveAction = nullptr;
    QComboBox *boardComboBox = nullptr;
    QLabel *positionLabel = nullptr;
    QLabel *boardLabel = nullptr;
    // The queue of steps and the child process; the window's process is
    // the runner's.
    std::unique_ptr<BuildRunner> runner;
    ChildProcess &extProcess;
    bool fileLoaded = false;
    QString examplesPath;
    QString basePath;
    QString lastWorkingDirectory;
    QString currentFilePath;
    QString projectName;
    QString windowTitleText;
    // The boards of the last board line read, kept when a Makefile has
    // none; the combo box is filled from it and is what the steps read.
    QStringList boardList;
    QString makePath;
    // Only start-up restores the working directory and the last file from the
    // store; later calls must keep naming the file shown in the editor.
    bool sessionRestored = false;
    ConsoleWriter *console = nullptr;
};
