#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QTextDecoder>
#include <QStringList>

#include "childprocess.h"

#include <deque>
#include <memory>

class ConsoleWriter;
class QAction;
class QCheckBox;
class QComboBox;
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
    void runMake(const QString &target);
    void runExample(const QString &executablePath);
    bool canStartMake();
    bool canRunExample(const QString &executablePath) const;
    void dropCurrentOperation();
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
    void readExtProcessOutput();
    void readExtProcessError();
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

private:
    enum class OperationKind { Make, Run };

    // One queued step of a build, clean or run command.
    struct Operation
    {
        void (MainWindow::*handler)(const QString &);
        QString argument;
        OperationKind kind;
    };

    static constexpr char TitleBase[] = "VESTRA";

    void addToolBarWidgets();
    void connectProcess();
    void enqueue(void (MainWindow::*handler)(const QString &), const QString &argument,
                 OperationKind kind);
    void clearQueue();
    void writeDiagnostics();
    void resetOutputDecoders();
    static QString decodeOutput(QTextDecoder *decoder, QByteArray bytes);
    void openWithDesktop(const QString &path);
    bool saveDocument();
    bool writeDocumentTo(const QString &path);
    void showSaveFailure(const QString &path, const QString &reason);
    void showTruncationWarning(const QString &path);
    void takeFileIdentity(const QString &path);
    void showTitle();

    Ui::MainWindow *ui = nullptr;
    VESTRASyntaxHighlighter *highlighter = nullptr;
    QSearchField *searchField = nullptr;
    QAction *searchFieldAction = nullptr;
    QCheckBox *caseSensitiveCheckBox = nullptr;
    QAction *caseSensitiveAction = nullptr;
    QComboBox *boardComboBox = nullptr;
    ChildProcess extProcess;
    std::unique_ptr<QTextDecoder> outputDecoder;
    std::unique_ptr<QTextDecoder> errorDecoder;
    std::unique_ptr<Operation> currentOperation;
    std::deque<std::unique_ptr<Operation>> operationQueue;
    bool fileLoaded = false;
    bool operationCanceled = false;
    QString examplesPath;
    QString basePath;
    QString lastWorkingDirectory;
    QString currentFilePath;
    QString projectName;
    QString windowTitleText;
    QStringList boardList;
    QString makePath;
    // Only start-up restores the working directory and the last file from the
    // store; later calls must keep naming the file shown in the editor.
    bool sessionRestored = false;
    ConsoleWriter *console = nullptr;

    // Lets the tests read the state the window keeps to itself.
    friend struct MainWindowProbe;
};
