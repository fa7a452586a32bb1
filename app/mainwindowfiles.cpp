#include "mainwindow.h"
#include "ui_MainWindow.h"

#include "settingsstore.h"
#include "sourcefile.h"
#include "unsavedchanges.h"
#include "vestracodeeditor.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

// Opening, saving and re-reading the source file, and the board list read
// from the Makefile beside it.

namespace {

const QString SourceFilter = QStringLiteral("Source Files (*.c *.cpp)");
const QString DefaultBoard = QStringLiteral("<Default>");
const QString MakefileName = QStringLiteral("Makefile");

} // namespace

// The text in the editor as the unsaved-changes question sees it.
class MainWindow::EditedSource : public UnsavedChanges::Document
{
public:
    explicit EditedSource(MainWindow &window) : w(window) {}

    bool isModified() const override { return w.ui->codeEditor->document()->isModified(); }

    QMessageBox::StandardButton ask() override
    {
        QMessageBox box;
        box.setText(QStringLiteral("The source file has been modified."));
        box.setInformativeText(QStringLiteral("Do you want to save your changes?"));
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Save);
        return QMessageBox::StandardButton(box.exec());
    }

    bool save() override { return w.saveDocument(); }
    void reload() override { w.reloadSourceFile(); }

private:
    MainWindow &w;
};

bool MainWindow::mayLeaveText()
{
    EditedSource source(*this);
    return UnsavedChanges::mayLeave(source);
}

void MainWindow::on_actionSelect_Example_Project_triggered()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Select a source file..."),
                                                      lastWorkingDirectory, SourceFilter);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !QFileInfo(path).isReadable())
        return;
    // Replacing the text would otherwise drop the user's edits unasked.
    if (!mayLeaveText())
        return;
    loadSourceFile(path);
}

void MainWindow::takeFileIdentity(const QString &path)
{
    currentFilePath = path;
    projectName = SourceFile::projectNameOf(path);
    lastWorkingDirectory = QFileInfo(path).absoluteDir().absolutePath();
}

void MainWindow::showTitle()
{
    windowTitleText = SourceFile::titleOf(true, projectName);
    setWindowTitle(windowTitleText);
}

void MainWindow::fillExamplesMenu()
{
    ui->menuExamples->clear();
    const auto examples = SourceFile::examplesIn(examplesPath);
    for (const auto &example : examples) {
        const QString source = example.second;
        ui->menuExamples->addAction(example.first, this, [this, source]() {
            if (mayLeaveText())
                loadSourceFile(source);
        });
    }
    if (examples.isEmpty())
        ui->menuExamples->addAction(QStringLiteral("No examples in '%1'").arg(QDir::toNativeSeparators(examplesPath)))
            ->setEnabled(false);
}

void MainWindow::loadSourceFile(const QString &path)
{
    const std::optional<SourceFile::ReadResult> content = SourceFile::read(path);
    if (!content)
        return;

    takeFileIdentity(path);
    VestraSettings::writeLastWorkingDirectory(lastWorkingDirectory);
    VestraSettings::writeLastLoadedFile(currentFilePath);

    ui->codeEditor->setPlainText(content->text);
    loadBoardList();
    showTitle();
    fileLoaded = true;
    markDocumentClean();
    // The last build may have had something to say about this file too.
    showDiagnosticMarks();

    if (content->truncatedAtZeroByte)
        showTruncationWarning(path);
}

void MainWindow::reloadSourceFile()
{
    const std::optional<SourceFile::ReadResult> content = SourceFile::read(currentFilePath);
    if (!content)
        return;
    ui->codeEditor->setPlainText(content->text);
    showTitle();
    fileLoaded = true;
    markDocumentClean();

    if (content->truncatedAtZeroByte)
        showTruncationWarning(currentFilePath);
}

void MainWindow::showTruncationWarning(const QString &path)
{
    QMessageBox box(QMessageBox::Warning, QString(),
                    QStringLiteral("The source file contains a zero byte."),
                    QMessageBox::Ok);
    box.setInformativeText(
        QStringLiteral("The text after the zero byte in '%1' is not shown, and saving the file would drop it.")
            .arg(QDir::toNativeSeparators(path)));
    box.setWindowIcon(windowIcon());
    box.exec();
}

bool MainWindow::writeDocumentTo(const QString &path)
{
    QString reason;
    if (SourceFile::write(path, ui->codeEditor->toPlainText(), &reason))
        return true;
    showSaveFailure(path, reason);
    return false;
}

void MainWindow::showSaveFailure(const QString &path, const QString &reason)
{
    QMessageBox box(QMessageBox::Warning, QString(),
                    QStringLiteral("The source file could not be saved."), QMessageBox::Ok);
    box.setInformativeText(QStringLiteral("Cannot write '%1': %2")
                               .arg(QDir::toNativeSeparators(path), reason));
    box.setWindowIcon(windowIcon());
    box.exec();
}

// True when nothing is left unsaved: the document was clean, or it was
// written. With no file loaded there is nowhere to write, so unsaved text
// stays unsaved and the answer is false.
bool MainWindow::saveDocument()
{
    if (!ui->codeEditor->document()->isModified())
        return true;
    if (!fileLoaded)
        return false;
    if (!writeDocumentTo(currentFilePath))
        return false;
    setWindowTitle(windowTitleText);
    markDocumentClean();
    return true;
}

void MainWindow::on_actionSave_triggered()
{
    saveDocument();
}

void MainWindow::on_actionSave_As_triggered()
{
    if (!fileLoaded)
        return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save file as..."),
                                                      lastWorkingDirectory, SourceFilter);
    if (path.isEmpty() || !writeDocumentTo(path))
        return;

    takeFileIdentity(path);
    VestraSettings::writeLastWorkingDirectory(lastWorkingDirectory);
    showTitle();
    markDocumentClean();
}

QMessageBox::StandardButton MainWindow::askToSaveChanges()
{
    EditedSource source(*this);
    return UnsavedChanges::askToSave(source);
}

void MainWindow::codeEditor_modifiedStatusChanged(bool fileDirty)
{
    setWindowTitle(SourceFile::shownTitle(windowTitleText, fileDirty));
}

void MainWindow::loadBoardList()
{
    const QString makefile = lastWorkingDirectory + QDir::separator() + MakefileName;
    boardComboBox->clear();
    boardComboBox->addItem(DefaultBoard);

    const std::optional<QStringList> boards = SourceFile::readBoardDefinitions(makefile);
    if (!boards)
        return;
    boardList = *boards;
    boardComboBox->clear();
    boardComboBox->addItems(boardList);
}
