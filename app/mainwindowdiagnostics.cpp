#include "mainwindow.h"
#include "ui_MainWindow.h"

#include "vestracodeeditor.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>

// The last build's diagnostics: a click on one in the console, or F4 and
// Shift+F4, puts the editor's cursor where it points; the gutter marks the
// open file's errors and warnings. What the console shows stays as it is.

void MainWindow::setUpDiagnostics()
{
    QWidget *consoleView = ui->cmdOutputText->viewport();
    consoleView->setMouseTracking(true);
    consoleView->installEventFilter(this);
}

void MainWindow::on_actionNext_Diagnostic_triggered()
{
    goToDiagnostic(Diagnostics::step(diagnostics.found(), currentDiagnostic, 1));
}

void MainWindow::on_actionPrevious_Diagnostic_triggered()
{
    goToDiagnostic(Diagnostics::step(diagnostics.found(), currentDiagnostic, -1));
}

void MainWindow::showDiagnosticMarks()
{
    ui->codeEditor->setLineMarks(
        fileLoaded ? Diagnostics::marksFor(diagnostics.found(), diagnosticsFolder, currentFilePath) : QVector<LineMark>());
}

int MainWindow::diagnosticAt(const QPoint &position) const
{
    QTextEdit *console = ui->cmdOutputText;
    const QTextBlock block = console->cursorForPosition(position).block();
    // Below the last paragraph is on none.
    const QRectF area = console->document()->documentLayout()->blockBoundingRect(block);
    if (position.y() + console->verticalScrollBar()->value() > area.bottom())
        return -1;
    return Diagnostics::shownIn(diagnostics.found(), block.text());
}

void MainWindow::goToDiagnostic(int index)
{
    const QVector<Diagnostics::Diagnostic> &found = diagnostics.found();
    if (index < 0 || index >= found.size())
        return;
    currentDiagnostic = index;
    const Diagnostics::Diagnostic &diagnostic = found.at(index);

    // The console shows the line it came from.
    QTextEdit *console = ui->cmdOutputText;
    QTextCursor shown = console->document()->find(diagnostic.text.left(200));
    if (shown.isNull())
        shown = console->document()->find(diagnostic.text.left(diagnostic.text.indexOf(QLatin1Char(':'))));
    if (!shown.isNull()) {
        console->setTextCursor(shown);
        console->ensureCursorVisible();
    }

    const QString path = Diagnostics::pathOf(diagnostic, diagnosticsFolder);
    if (!fileLoaded || QFileInfo(path).absoluteFilePath() != QFileInfo(currentFilePath).absoluteFilePath()) {
        if (!QFileInfo(path).isFile())
            return;
        const auto answer = QMessageBox::question(
            this, windowTitle(),
            QStringLiteral("'%1' is not open. Open it?").arg(QDir::toNativeSeparators(diagnostic.file)));
        if (answer != QMessageBox::Yes || !mayLeaveText())
            return;
        loadSourceFile(path);
        if (QFileInfo(currentFilePath).absoluteFilePath() != QFileInfo(path).absoluteFilePath())
            return;
    }
    VESTRACodeEditor *editor = ui->codeEditor;
    const QTextBlock block = editor->document()->findBlockByNumber(diagnostic.line - 1);
    QTextCursor cursor(block.isValid() ? block : editor->document()->lastBlock());
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                        std::min(std::max(diagnostic.column - 1, 0), cursor.block().length() - 1));
    editor->setTextCursor(cursor);
    editor->centerCursor();
    editor->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui->cmdOutputText->viewport())
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int index = diagnosticAt(mouse->pos());
        ui->cmdOutputText->viewport()->setCursor(index >= 0 ? Qt::PointingHandCursor : Qt::IBeamCursor);
        if (index >= 0) {
            const Diagnostics::Diagnostic &diagnostic = diagnostics.found().at(index);
            QToolTip::showText(mouse->globalPos(),
                               QStringLiteral("Go to %1, line %2").arg(diagnostic.file).arg(diagnostic.line),
                               ui->cmdOutputText->viewport());
        } else {
            QToolTip::hideText();
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // A drag selects text, as it always did.
        if (mouse->button() == Qt::LeftButton && !ui->cmdOutputText->textCursor().hasSelection()) {
            const int index = diagnosticAt(mouse->pos());
            if (index >= 0)
                goToDiagnostic(index);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
