#pragma once

#include "linemark.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVector>

class LineNumberArea;

// The source pane: a plain-text editor with a line-number gutter, a band on
// the cursor's line, and line-wise indentation and comment toggling.
class VESTRACodeEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit VESTRACodeEditor(QWidget *parent = nullptr);
    ~VESTRACodeEditor() override;

    int computeLineNumberAreaWidth() const;
    void paintLineNumbers(QPaintEvent *event);

    // Both work on every line the selection touches, as one undo step, and
    // leave those lines fully selected. Without a selection they do nothing.
    void indentSelectedLines(const QString &prefix);
    void toggleLineComments();

    // Wrapping a line costs in proportion to its length for every row it
    // makes, which for a line of hundreds of thousands of characters (a
    // generated table, minified data) is minutes. A document that holds a
    // line longer than this is shown without wrapping.
    static constexpr int LongestWrappedLine = 10000;

    // Marks lines in the gutter (errors red, warnings orange, their
    // messages as tooltips). The marks stay with their lines as the text
    // above them changes, until replaced or cleared.
    void setLineMarks(const QVector<LineMark> &marks);
    void clearLineMarks() { setLineMarks({}); }
    // The marks where their lines stand now.
    QVector<LineMark> lineMarks() const;
    // The tooltip of the gutter at `y` (viewport coordinates): the messages
    // of the line there, if it is marked.
    QString markToolTipAt(int y) const;

signals:
    void pressedEscape();

private slots:
    void updateLineNumberAreaWidth(int newBlockCount);
    void highlightCurrentLine();
    void updateLineNumberArea(const QRect &rect, int dy);
    void followLongLines(int position, int charsRemoved, int charsAdded);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    template<typename EditLine>
    void editSelectedLines(EditLine editLine);

    bool holdsLongLine() const;

    LineNumberArea *numberArea = nullptr;
    // A cursor at each marked line's start moves with the edits above it.
    struct HeldMark
    {
        QTextCursor at;
        bool error = true;
        QString message;
    };
    QVector<HeldMark> marks;
};

// The gutter: owns no logic, the editor sizes and paints it.
class LineNumberArea : public QWidget
{
public:
    explicit LineNumberArea(VESTRACodeEditor *owner);
    ~LineNumberArea() override;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    VESTRACodeEditor *editor = nullptr;
};
