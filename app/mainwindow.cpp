#include "mainwindow.h"
#include "ui_MainWindow.h"

#include "aboutdialog.h"
#include "qsearchfield.h"
#include "resources.h"
#include "settingsstore.h"
#include "sourcefile.h"
#include "textsearch.h"
#include "settingsdialog.h"
#include "vestracodeeditor.h"
#include "vestrasyntaxhighlighter.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

namespace {

const QString ReferenceDocument = QStringLiteral("KVQ-VESTRA-SD001.pdf");
const QString QuickStartDocument = QStringLiteral("KVQ-VESTRA-SD011.pdf");
const QString EditorStyleSheet = QStringLiteral("QMenu::item:selected { background-color: darkblue }")
                                 + QString(36, QLatin1Char(' '))
                                 + QStringLiteral("QPlainTextEdit { selection-background-color: darkblue; selection-color: white }");
const QString ConsoleStyleSheet = QStringLiteral("QMenu::item:selected { background-color: darkblue }");
constexpr int SearchFieldWidth = 150;
constexpr int SearchFieldHeightReduction = 5;
constexpr int ToolBarGap = 10;
constexpr int BoardComboWidth = 120;
constexpr int BoardComboHeight = 20;
// How long the status bar says that a search found nothing.
constexpr int NotFoundShownMs = 4000;

QWidget *makeGap(QWidget *parent)
{
    auto *gap = new QWidget(parent);
    gap->setMinimumWidth(ToolBarGap);
    gap->setMaximumWidth(ToolBarGap);
    gap->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    return gap;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , runner(std::make_unique<BuildRunner>())
    , extProcess(runner->process())
{
    initVestraResources();
    ui->setupUi(this);
    addToolBarWidgets();
    // A style sheet set after the fonts would put the console back to the
    // default font.
    ui->codeEditor->setStyleSheet(EditorStyleSheet);
    ui->cmdOutputText->setStyleSheet(ConsoleStyleSheet);
    VestraSettings::setApplicationIdentity();
    applySettings();

    windowTitleText = SourceFile::titleOf(false, QString());
    setWindowTitle(windowTitleText);

    if (!currentFilePath.isEmpty())
        loadSourceFile(QString(currentFilePath));

    connectProcess();
    setUpDiagnostics();
    connect(ui->menuExamples, &QMenu::aboutToShow, this, &MainWindow::fillExamplesMenu);
    updateActions();
    initEditor();
}

MainWindow::~MainWindow()
{
    // The runner ends what still runs and reports nothing of it.
    runner.reset();
    // The plot stays open for the user to look at: its input ends, and its
    // process object is let go rather than deleted, which would end it.
    if (plotViewer) {
        plotViewer->closeWriteChannel();
        plotViewer->disconnect(this);
        plotViewer->setParent(nullptr);
        plotViewer = nullptr;
    }
    delete highlighter;
    delete ui;
}

void MainWindow::addToolBarWidgets()
{
    QToolBar *toolBar = ui->mainToolBar;

    auto *spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    toolBar->addWidget(spacer);

    searchField = new QSearchField(this);
    searchField->setObjectName(QStringLiteral("searchField"));
    searchField->setClearButtonEnabled(true);
    searchField->addAction(QIcon(QStringLiteral(":/menu/Icons/icons8-search-24.png")),
                           QLineEdit::LeadingPosition);
    searchField->setPlaceholderText(QStringLiteral("Search..."));
    searchField->setFixedWidth(SearchFieldWidth);
    searchField->setFixedHeight(toolBar->height() - SearchFieldHeightReduction);
    searchField->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    connect(searchField, &QSearchField::requestClose, this, &MainWindow::closeSearchField);
    connect(searchField, &QLineEdit::returnPressed, this, &MainWindow::executeCodeSearch);
    // The keypad Enter key searches as Return does.
    connect(searchField, &QSearchField::requestSearch, this, &MainWindow::executeCodeSearch);
    connect(searchField, &QSearchField::requestPreviousSearch, this, [this]() { searchFor(true); });
    searchFieldAction = toolBar->addWidget(searchField);
    searchFieldAction->setVisible(false);

    toolBar->addWidget(makeGap(this));

    caseSensitiveCheckBox = new QCheckBox(QStringLiteral("Case Sensitive"));
    caseSensitiveCheckBox->setObjectName(QStringLiteral("caseSensitiveCheckBox"));
    caseSensitiveAction = toolBar->addWidget(caseSensitiveCheckBox);
    caseSensitiveAction->setVisible(false);

    toolBar->addWidget(makeGap(this));
    toolBar->addWidget(new QLabel(QStringLiteral("Sensor board:  ")));

    boardComboBox = new QComboBox(this);
    boardComboBox->setObjectName(QStringLiteral("boardComboBox"));
    boardComboBox->setFixedSize(BoardComboWidth, BoardComboHeight);
    toolBar->addWidget(boardComboBox);

    positionLabel = new QLabel(this);
    positionLabel->setObjectName(QStringLiteral("positionLabel"));
    boardLabel = new QLabel(this);
    boardLabel->setObjectName(QStringLiteral("boardLabel"));
    statusBar()->addPermanentWidget(boardLabel);
    statusBar()->addPermanentWidget(positionLabel);
    connect(boardComboBox, &QComboBox::currentTextChanged, this, &MainWindow::showBoard);
}

void MainWindow::initEditor()
{
    highlighter = new VESTRASyntaxHighlighter(ui->codeEditor->document());
    markDocumentClean();
    connect(ui->codeEditor, &QPlainTextEdit::modificationChanged, this, &MainWindow::codeEditor_modifiedStatusChanged);
    connect(ui->codeEditor, &VESTRACodeEditor::pressedEscape, this, &MainWindow::closeSearchField);
    connect(ui->codeEditor, &QPlainTextEdit::cursorPositionChanged, this, &MainWindow::showPosition);
    showPosition();
}

void MainWindow::markDocumentClean()
{
    ui->codeEditor->document()->setModified(false);
}

void MainWindow::applySettings()
{
    basePath = QFileInfo(QStringLiteral("..")).absoluteFilePath();
    examplesPath = basePath + QDir::separator() + QStringLiteral("examples");

    const VestraSettings::UserSettings values =
        VestraSettings::usableSettings(VestraSettings::readUserSettings());

    if (!sessionRestored) {
        lastWorkingDirectory = VestraSettings::readLastWorkingDirectory(examplesPath);
        currentFilePath = VestraSettings::readLastLoadedFile();
        sessionRestored = true;
    }
    makePath = values.makePath;

    // No font file is carried: the call only lets a packaged font win over
    // the system's match for the family.
    QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/Fonts/CourierNew.ttf"));

    const QString family = QString::fromLatin1(VestraSettings::MonospaceFamily);
    const QFont editorFont(family, values.editorFontSize);
    const QFont consoleFont(family, values.consoleFontSize);
    ui->codeEditor->setFont(editorFont);
    ui->cmdOutputText->setFont(consoleFont);

    // Measured on the font as the editor resolved it, which is what lays
    // out the tabs.
    const int spaceWidth = ui->codeEditor->fontMetrics().horizontalAdvance(QLatin1Char(' '));
    ui->codeEditor->setTabStopDistance(spaceWidth * values.editorTabSize);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    stopOperation();
    if (!mayLeaveText()) {
        event->ignore();
        return;
    }
    event->accept();
}

// ---- Search ---------------------------------------------------------------

void MainWindow::on_actionFind_triggered()
{
    if (!searchFieldAction->isVisible()) {
        caseSensitiveAction->setVisible(true);
        searchFieldAction->setVisible(true);
        searchField->setFocus(Qt::OtherFocusReason);
    } else {
        closeSearchField();
    }
}

void MainWindow::closeSearchField()
{
    searchFieldAction->setVisible(false);
    caseSensitiveAction->setVisible(false);
    // Hiding the field hands the focus on along the tab chain, to the board
    // selector, where the next letter typed would switch the board.
    ui->codeEditor->setFocus(Qt::OtherFocusReason);
}

void MainWindow::executeCodeSearch()
{
    searchFor(false);
}

void MainWindow::searchFor(bool backward)
{
    const QString text = searchField->text();
    if (text.isEmpty())
        return;
    QTextDocument::FindFlags flags;
    if (caseSensitiveCheckBox->isChecked())
        flags |= QTextDocument::FindCaseSensitively;
    if (backward)
        flags |= QTextDocument::FindBackward;
    const QTextCursor found =
        TextSearch::findWrapping(*ui->codeEditor->document(), ui->codeEditor->textCursor(), text, flags);
    ui->codeEditor->setTextCursor(found);
    if (!found.hasSelection())
        statusBar()->showMessage(QStringLiteral("'%1' not found").arg(text), NotFoundShownMs);
}

// With nothing to search for yet, they open the search field as Find does.
void MainWindow::on_actionFind_Next_triggered()
{
    if (searchField->text().isEmpty())
        on_actionFind_triggered();
    else
        searchFor(false);
}

void MainWindow::on_actionFind_Previous_triggered()
{
    if (searchField->text().isEmpty())
        on_actionFind_triggered();
    else
        searchFor(true);
}

void MainWindow::on_actionGo_to_Line_triggered()
{
    bool ok = false;
    const QTextCursor cursor = ui->codeEditor->textCursor();
    const QString typed = QInputDialog::getText(
        this, QStringLiteral("Go to Line"), QStringLiteral("Line, or line:column:"), QLineEdit::Normal,
        QStringLiteral("%1:%2").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1), &ok);
    if (!ok)
        return;
    const int position = TextSearch::placeOf(*ui->codeEditor->document(), typed);
    if (position < 0) {
        statusBar()->showMessage(QStringLiteral("'%1' is no line number").arg(typed), NotFoundShownMs);
        return;
    }
    QTextCursor place(ui->codeEditor->document());
    place.setPosition(position);
    ui->codeEditor->setTextCursor(place);
    ui->codeEditor->centerCursor();
    ui->codeEditor->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showPosition()
{
    const QTextCursor cursor = ui->codeEditor->textCursor();
    positionLabel->setText(QStringLiteral("Line %1, Column %2").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1));
}

void MainWindow::showBoard()
{
    const QString board = boardComboBox->currentText();
    boardLabel->setText(board.isEmpty() ? QString() : QStringLiteral("Board: %1").arg(board));
}

void MainWindow::on_actionToggle_Comment_Section_triggered()
{
    ui->codeEditor->toggleLineComments();
}

// ---- Dialogs, help and folder commands -------------------------------------

void MainWindow::on_actionSettings_triggered()
{
    SettingsDialog dialog(nullptr);
    dialog.setModal(true);
    if (dialog.exec() == QDialog::Accepted)
        applySettings();
}

void MainWindow::on_actionAbout_triggered()
{
    AboutDialog about(false, nullptr);
    about.setModal(true);
    about.exec();
}

void MainWindow::on_actionExit_triggered()
{
    close();
}

void MainWindow::openReferenceDocument(const QString &documentName)
{
    const QString path = basePath + QDir::separator() + QStringLiteral("doc") + QDir::separator()
                         + documentName;
    if (QFile::exists(path)) {
        openWithDesktop(path);
        return;
    }
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setText(QStringLiteral("Missing Reference Documentation."));
    box.setInformativeText(QStringLiteral("Cannot find the reference document '%1' !").arg(path));
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

void MainWindow::on_actionReference_Documentation_triggered()
{
    openReferenceDocument(ReferenceDocument);
}

void MainWindow::on_actionCodeEditor_quick_start_guide_triggered()
{
    openReferenceDocument(QuickStartDocument);
}

void MainWindow::on_actionGoTo_Examples_Folder_triggered()
{
    openWithDesktop(examplesPath);
}

void MainWindow::openWithDesktop(const QString &path)
{
    QString urlPath = path;
    urlPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(urlPath)))
        return;
    QMessageBox::warning(this, windowTitleText,
                         QStringLiteral("No application could open '%1'.").arg(QDir::toNativeSeparators(path)));
}
