#pragma once

#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QVector>

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
class VESTRASyntaxHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit VESTRASyntaxHighlighter(QTextDocument *document);
    ~VESTRASyntaxHighlighter() override;

    // The rule table, in the order in which its rules apply.
    const QVector<HighlightRule> &ruleTable() const { return rules; }
    QTextCharFormat blockFormat() const { return blockCommentFormat; }

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

    Marks paintWords(const QString &text);
    void paintBlockComments(const QString &text, int firstOpener);
    void applyPaint(int length);

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

    // Scratch space reused from line to line.
    std::vector<Paint> paint;
    struct Word { int start; int end; Paint late; };
    std::vector<Word> lateWords;
};
