#pragma once

#include "mainwindow.h"
#include "consolewriter.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QTextEdit>

#include <memory>

#include "qsearchfield.h"
#include "vestracodeeditor.h"

// Reads the state MainWindow keeps to itself.
struct MainWindowProbe
{
    explicit MainWindowProbe(MainWindow &window) : w(window) {}

    VESTRACodeEditor *editor() const { return w.findChild<VESTRACodeEditor *>(QStringLiteral("codeEditor")); }
    QTextEdit *console() const { return w.findChild<QTextEdit *>(QStringLiteral("cmdOutputText")); }
    QAction *action(const char *name) const { return w.findChild<QAction *>(QLatin1String(name)); }
    QComboBox *boards() const { return w.boardComboBox; }
    QSearchField *searchField() const { return w.searchField; }
    QAction *searchFieldAction() const { return w.searchFieldAction; }
    QCheckBox *caseSensitive() const { return w.caseSensitiveCheckBox; }
    QAction *caseSensitiveAction() const { return w.caseSensitiveAction; }
    const QString &basePath() const { return w.basePath; }
    const QString &examplesPath() const { return w.examplesPath; }
    const QString &lastWorkingDirectory() const { return w.lastWorkingDirectory; }
    const QString &currentFilePath() const { return w.currentFilePath; }
    const QString &projectName() const { return w.projectName; }
    const QString &makePath() const { return w.makePath; }
    bool fileLoaded() const { return w.fileLoaded; }
    bool idle() const { return w.runner->isIdle(); }
    bool running() const { return w.extProcess.state() != QProcess::NotRunning; }
    const QProcess &process() const { return w.extProcess; }
    // True once nothing waits to be shown in the console.
    bool consoleSettled() const { return !w.console->hasPending(); }
    const ConsoleWriter *consoleWriter() const { return w.console; }

    // What a user sees, in one line: the title, the text with its line
    // breaks as "/", and the boards with the chosen one in brackets.
    QString seen() const
    {
        QStringList boards;
        for (int i = 0; i < w.boardComboBox->count(); ++i)
            boards << (i == w.boardComboBox->currentIndex() ? '[' + w.boardComboBox->itemText(i) + ']'
                                                             : w.boardComboBox->itemText(i));
        return w.windowTitle() + " | " + editor()->toPlainText().replace('\n', '/') + " | " + boards.join(',');
    }

    void save() { w.on_actionSave_triggered(); }
    void saveAs() { w.on_actionSave_As_triggered(); }
    void openExample() { w.on_actionSelect_Example_Project_triggered(); }

    MainWindow &w;
};

// Ends a test's window without the question about unsaved changes, and
// forgets the answers no dialog came for.
inline void discardWindow(std::unique_ptr<MainWindow> &window)
{
    TestSupport::dropPendingAnswers();
    if (window)
        window->findChild<VESTRACodeEditor *>()->document()->setModified(false);
    window.reset();
}
