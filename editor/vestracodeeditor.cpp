#include "vestracodeeditor.h"

#include <QHash>
#include <QHelpEvent>
#include <QPainter>
#include <QTextBlock>
#include <QToolTip>

namespace {

const QColor GutterBackground = Qt::lightGray;
const QColor LineNumberColor = Qt::black;
constexpr int CurrentLineLightness = 160;
// The gutter behind a line the last build found an error or a warning in.
const QColor ErrorMark(240, 110, 100);
const QColor WarningMark(255, 170, 70);
constexpr int GutterPadding = 3;
const QLatin1String LineCommentMarker("//");

// A block's length counts its line break too.
int lineLength(const QTextBlock &block)
{
    return block.length() - 1;
}

QColor currentLineColor()
{
    return QColor(Qt::yellow).lighter(CurrentLineLightness);
}

} // namespace

VESTRACodeEditor::VESTRACodeEditor(QWidget *parent)
    : QPlainTextEdit(parent)
{
    numberArea = new LineNumberArea(this);

    connect(this, &QPlainTextEdit::blockCountChanged, this, &VESTRACodeEditor::updateLineNumberAreaWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, &VESTRACodeEditor::updateLineNumberArea);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &VESTRACodeEditor::highlightCurrentLine);
    // Told before the changed text is laid out, so a long line is never
    // laid out wrapped.
    connect(document(), &QTextDocument::contentsChange, this, &VESTRACodeEditor::followLongLines);

    updateLineNumberAreaWidth(0);
    highlightCurrentLine();
}

VESTRACodeEditor::~VESTRACodeEditor() = default;

int VESTRACodeEditor::computeLineNumberAreaWidth() const
{
    int lines = qMax(1, blockCount());
    int digits = 1;
    while (lines > 9) {
        lines /= 10;
        ++digits;
    }
    return GutterPadding + digits * QFontMetrics(font()).horizontalAdvance(QLatin1Char('9'));
}

void VESTRACodeEditor::updateLineNumberAreaWidth(int /*newBlockCount*/)
{
    setViewportMargins(computeLineNumberAreaWidth(), 0, 0, 0);
}

void VESTRACodeEditor::updateLineNumberArea(const QRect &rect, int dy)
{
    if (dy != 0)
        numberArea->scroll(0, dy);
    else
        numberArea->update(0, rect.y(), numberArea->width(), rect.height());

    if (rect.contains(viewport()->rect()))
        updateLineNumberAreaWidth(0);
}

// Only the changed lines can have grown past the limit; only a removal can
// have taken the last long line away, and then the whole document is looked
// at (a pass over its lines, not their text).
void VESTRACodeEditor::followLongLines(int position, int charsRemoved, int charsAdded)
{
    bool longLine = false;
    const QTextDocument *doc = document();
    for (QTextBlock block = doc->findBlock(position); block.isValid(); block = block.next()) {
        if (lineLength(block) > LongestWrappedLine) {
            longLine = true;
            // A line's layout is dropped once it is made and made again for
            // every cursor move and paint; for a long line each costs tens
            // of milliseconds, so its layout is kept.
            block.layout()->setCacheEnabled(true);
        }
        if (block.position() > position + charsAdded)
            break;
    }
    const bool wrapping = lineWrapMode() != QPlainTextEdit::NoWrap;
    if (wrapping && longLine)
        setLineWrapMode(QPlainTextEdit::NoWrap);
    else if (!wrapping && charsRemoved > 0 && !holdsLongLine())
        setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

bool VESTRACodeEditor::holdsLongLine() const
{
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (lineLength(block) > LongestWrappedLine)
            return true;
    }
    return false;
}

void VESTRACodeEditor::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect cr = contentsRect();
    numberArea->setGeometry(QRect(cr.left(), cr.top(), computeLineNumberAreaWidth(), cr.height()));
}

void VESTRACodeEditor::highlightCurrentLine()
{
    QList<QTextEdit::ExtraSelection> extraSelections;
    if (!isReadOnly()) {
        QTextEdit::ExtraSelection selection;
        selection.format.setBackground(currentLineColor());
        selection.format.setProperty(QTextFormat::FullWidthSelection, true);
        selection.cursor = textCursor();
        selection.cursor.clearSelection();
        extraSelections.append(selection);
    }
    setExtraSelections(extraSelections);
}

void VESTRACodeEditor::paintLineNumbers(QPaintEvent *event)
{
    QPainter painter(numberArea);
    painter.fillRect(event->rect(), GutterBackground);
    painter.setPen(LineNumberColor);
    // The gutter's own font does not follow the editor's; the numbers must.
    painter.setFont(font());
    const QFontMetrics metrics(font());

    QTextBlock block = firstVisibleBlock();
    int number = block.blockNumber();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    qreal bottom = top + blockBoundingRect(block).height();

    // A line with an error shows red, else orange when it has a warning.
    QHash<int, bool> marked;
    for (const HeldMark &mark : qAsConst(marks)) {
        bool &error = marked[mark.at.blockNumber()];
        error = error || mark.error;
    }

    while (block.isValid() && top <= event->rect().bottom()) {
        if (block.isVisible() && bottom >= event->rect().top()) {
            const auto mark = marked.constFind(number);
            if (mark != marked.constEnd())
                painter.fillRect(QRectF(0, top, numberArea->width(), bottom - top), *mark ? ErrorMark : WarningMark);
            const QString text = QString::number(number + 1);
            // Each number sits on the baseline of its line's first row.
            const QTextLayout *layout = block.layout();
            qreal baseline = top + metrics.ascent();
            if (layout && layout->lineCount() > 0) {
                const QTextLine first = layout->lineAt(0);
                baseline = top + layout->position().y() + first.y() + first.ascent();
            }
            painter.drawText(QPointF(numberArea->width() - metrics.horizontalAdvance(text), baseline), text);
        }
        block = block.next();
        top = bottom;
        bottom = top + blockBoundingRect(block).height();
        ++number;
    }
}

void VESTRACodeEditor::setLineMarks(const QVector<LineMark> &lineMarks)
{
    marks.clear();
    for (const LineMark &mark : lineMarks) {
        const QTextBlock block = document()->findBlockByNumber(mark.line - 1);
        if (block.isValid())
            marks.append({QTextCursor(block), mark.error, mark.message});
    }
    numberArea->update();
}

QVector<LineMark> VESTRACodeEditor::lineMarks() const
{
    QVector<LineMark> lines;
    for (const HeldMark &mark : marks)
        lines.append({mark.at.blockNumber() + 1, mark.error, mark.message});
    return lines;
}

QString VESTRACodeEditor::markToolTipAt(int y) const
{
    const QTextBlock block = cursorForPosition(QPoint(0, y)).block();
    QStringList messages;
    for (const HeldMark &mark : marks) {
        if (mark.at.block() == block)
            messages << mark.message;
    }
    return messages.join(QLatin1Char('\n'));
}

void VESTRACodeEditor::keyPressEvent(QKeyEvent *event)
{
    const bool hasSelection = textCursor().hasSelection();
    switch (event->key()) {
    case Qt::Key_Escape:
        emit pressedEscape();
        break;
    case Qt::Key_Tab:
        if (hasSelection) {
            indentSelectedLines(QStringLiteral("\t"));
            return;
        }
        break;
    case Qt::Key_Slash:
        if ((event->modifiers() & Qt::ControlModifier) && hasSelection) {
            toggleLineComments();
            return;
        }
        break;
    default:
        break;
    }
    QPlainTextEdit::keyPressEvent(event);
}

// Runs editLine once per line the selection touches, each time with the
// cursor at the start of that line, inside one edit block; then selects
// exactly those lines (found again by number, since the edits move text).
template<typename EditLine>
void VESTRACodeEditor::editSelectedLines(EditLine editLine)
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return;

    const int start = qMin(cursor.anchor(), cursor.position());
    const int end = qMax(cursor.anchor(), cursor.position());
    QTextDocument *doc = document();
    const int first = doc->findBlock(start).blockNumber();
    const int last = doc->findBlock(end).blockNumber();

    cursor.setPosition(start);
    cursor.beginEditBlock();
    for (int line = first; line <= last; ++line) {
        cursor.movePosition(QTextCursor::StartOfBlock);
        editLine(cursor);
        cursor.movePosition(QTextCursor::NextBlock);
    }
    cursor.endEditBlock();

    cursor.setPosition(doc->findBlockByNumber(first).position());
    const QTextBlock lastBlock = doc->findBlockByNumber(last);
    cursor.setPosition(lastBlock.position() + lastBlock.length() - 1, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void VESTRACodeEditor::indentSelectedLines(const QString &prefix)
{
    editSelectedLines([&prefix](QTextCursor &cursor) { cursor.insertText(prefix); });
}

void VESTRACodeEditor::toggleLineComments()
{
    // Only the two characters at the line start decide, and a block's text
    // holds exactly those (its line break is never a slash), so the
    // document's whole text is never copied.
    editSelectedLines([](QTextCursor &cursor) {
        if (cursor.block().text().startsWith(LineCommentMarker)) {
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor,
                                LineCommentMarker.size());
            cursor.removeSelectedText();
        } else {
            cursor.insertText(LineCommentMarker);
        }
    });
}

LineNumberArea::LineNumberArea(VESTRACodeEditor *owner)
    : QWidget(owner)
    , editor(owner)
{
}

LineNumberArea::~LineNumberArea() = default;

QSize LineNumberArea::sizeHint() const
{
    return QSize(editor->computeLineNumberAreaWidth(), 0);
}

void LineNumberArea::paintEvent(QPaintEvent *event)
{
    editor->paintLineNumbers(event);
}

bool LineNumberArea::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QString text = editor->markToolTipAt(help->pos().y());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, this);
    return true;
}
