#pragma once

#include <QRegularExpression>
#include <QStringView>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextLayout>
#include <QTimer>
#include <QVector>

#include <array>
#include <functional>

#include <vector>

struct HighlightRule
{
    QRegularExpression pattern;
    QTextCharFormat format;
};

// Colours C source: keywords, Qt class names, line comments, strings,
// function calls and the board's output keyword, by a fixed, ordered rule
// table in which a later rule wins where matches overlap; then block
// comments, which are tracked from line to line through the block state
// (1: the line ends inside an open comment).
//
// Edits of the document it was made for are followed by the highlighter
// itself rather than by the base class: the base class goes through a
// format object per character of every line, which more than doubles the
// time it takes to load a big file. The lines, formats and block states it
// arrives at are the same.
class VESTRASyntaxHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit VESTRASyntaxHighlighter(QTextDocument *document);
    ~VESTRASyntaxHighlighter() override;

    // The rule table, in the order in which its rules apply.
    const QVector<HighlightRule> &ruleTable() const { return rules; }
    QTextCharFormat blockFormat() const { return blockCommentFormat; }

    // A change of many lines is highlighted a screenful at once and the rest
    // in slices when the program is idle: whether some is left, and doing it
    // all now.
    bool isHighlighting() const { return pending; }
    void finishHighlighting();

protected:
    void highlightBlock(const QString &text) override;

private:
    // What each character ends up coloured as. The order is the order in
    // which the table applies them.
    enum Paint : unsigned char {
        Plain,
        Keyword,
        ClassName,
        LineComment,
        String,
        FunctionCall,
        OutputKeyword,
        BlockComment,
    };

    // Where the line's first "//", first and last quote and first "/*" are
    // (-1 where there is none).
    struct Marks
    {
        int lineComment = -1;
        int firstQuote = -1;
        int lastQuote = -1;
        int commentOpener = -1;
    };

    // Paints `text` and returns the state the line ends in.
    int paintLine(QStringView text, int previousState);
    Marks paintWords(QStringView text);
    int paintBlockComments(QStringView text, int firstOpener, int previousState);
    void applyPaint(int length);
    const QTextCharFormat *formatOf(Paint kind) const;

    void followChange(int from, int charsRemoved, int charsAdded);
    // Highlights from `block` on every block before `endPosition` and then
    // those whose state at the start changed, until `overBudget` says to
    // leave the rest for later.
    void highlightFrom(QTextBlock block, int endPosition, const std::function<bool()> &overBudget);
    void deferFrom(int from, int to);
    void continueHighlighting(const std::function<bool()> &overBudget);
    void highlightSlice();
    void formatBlock(QTextBlock block, QStringView text, int position, int previousState);
    QVector<QTextLayout::FormatRange> paintedRanges(int length) const;

    QVector<HighlightRule> rules;
    QRegularExpression blockCommentStart;
    QRegularExpression blockCommentEnd;
    QTextCharFormat keywordFormat;
    QTextCharFormat outputKeywordFormat;
    QTextCharFormat classNameFormat;
    QTextCharFormat lineCommentFormat;
    QTextCharFormat blockCommentFormat;
    QTextCharFormat stringFormat;
    QTextCharFormat functionCallFormat;

    // Paints whose formats are equal share a number: a run of them is one
    // format range.
    std::array<unsigned char, BlockComment + 1> formatClass{};

    // What is left to highlight: from the block at `pendingFrom` at least
    // to `pendingTo`, then on while the states change.
    bool pending = false;
    QTextCursor pendingFrom;
    QTextCursor pendingTo;
    QTimer idle;

    // Scratch space reused from line to line.
    std::vector<Paint> paint;
    struct Word { int start; int end; Paint late; };
    std::vector<Word> lateWords;
};
