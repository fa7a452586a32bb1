#pragma once

// A plain, rule-by-rule reading of the highlighter's rule table, to hold the
// fast highlighter against: the test suite and the fuzzing harness share it.
// What the table holds is checked by the painted lines of the test.

#include "vestrasyntaxhighlighter.h"

#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace ReferenceHighlighting {

// The formats the highlighter paints in, written out here on their own so
// that the painted lines are checked against them and not against itself.
struct Formats
{
    QTextCharFormat keyword, className, lineComment, blockComment, string, call, output;
    Formats()
    {
        keyword.setForeground(Qt::darkBlue);
        keyword.setFontWeight(QFont::Bold);
        className.setForeground(Qt::darkMagenta);
        className.setFontWeight(QFont::Bold);
        lineComment.setForeground(Qt::darkGreen);
        blockComment.setForeground(Qt::darkGreen);
        string.setForeground(Qt::darkBlue);
        call.setFontItalic(false);
        call.setForeground(Qt::black);
        output.setForeground(Qt::red);
        output.setFontWeight(QFont::Bold);
    }
};

// The plain reading of the highlighter's rule table: every rule one after
// the other over the whole line, later rules replacing earlier ones, then
// the block comments.
class ReferenceHighlighter : public QSyntaxHighlighter
{
public:
    explicit ReferenceHighlighter(QTextDocument *doc)
        : QSyntaxHighlighter(doc)
    {
        const VESTRASyntaxHighlighter table(nullptr);
        rules = table.ruleTable();
        comment = table.blockFormat();
    }

protected:
    void highlightBlock(const QString &text) override
    {
        for (const HighlightRule &rule : qAsConst(rules)) {
            QRegularExpressionMatchIterator it = rule.pattern.globalMatch(text);
            while (it.hasNext()) {
                const QRegularExpressionMatch match = it.next();
                setFormat(match.capturedStart(), match.capturedLength(), rule.format);
            }
        }
        setCurrentBlockState(0);
        const QRegularExpression open(QStringLiteral("/\\*"));
        const QRegularExpression close(QStringLiteral("\\*/"));
        int start = previousBlockState() == 1 ? 0 : text.indexOf(open);
        while (start >= 0) {
            const QRegularExpressionMatch end = close.match(text, start);
            int length;
            if (!end.hasMatch()) {
                setCurrentBlockState(1);
                length = text.length() - start;
            } else {
                length = end.capturedStart() - start + end.capturedLength();
            }
            setFormat(start, length, comment);
            start = text.indexOf(open, start + length);
        }
    }

private:
    QVector<HighlightRule> rules;
    QTextCharFormat comment;
};

// One entry per character: the name of its format, or "." for none.
inline QString formatName(const QTextCharFormat &format)
{
    static const Formats f;
    const std::pair<const QTextCharFormat *, char> names[] = {
        {&f.keyword, 'K'}, {&f.className, 'C'}, {&f.lineComment, 'G'}, {&f.string, 'S'},
        {&f.call, 'F'}, {&f.output, 'O'}};
    for (const auto &entry : names) {
        if (*entry.first == format)
            return QString(QLatin1Char(entry.second));
    }
    return format == QTextCharFormat() ? QStringLiteral(".") : QStringLiteral("?");
}

inline QString paintOf(const QTextBlock &block)
{
    QString paint(block.length() - 1, QLatin1Char('.'));
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        const QString name = formatName(range.format);
        for (int i = range.start; i < range.start + range.length && i < paint.size(); ++i)
            paint[i] = name.at(0);
    }
    return paint;
}

inline QStringList paintOf(const QTextDocument &doc)
{
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        lines << paintOf(block) + QStringLiteral(" state %1").arg(block.userState());
    return lines;
}

// A document as an editor holds it: with its layout in place, which would
// otherwise be made later and drop the formats set before.
struct LaidOutDocument : QTextDocument
{
    LaidOutDocument() { documentLayout(); }
};

// Where two documents' lines first differ in formats or state; empty when
// they agree throughout.
inline QString firstDifference(const QTextDocument &fast, const QTextDocument &reference)
{
    QTextBlock a = fast.begin();
    QTextBlock b = reference.begin();
    for (; a.isValid() && b.isValid(); a = a.next(), b = b.next()) {
        // The layouts' format ranges exactly, not only their names.
        if (a.userState() != b.userState() || a.layout()->formats() != b.layout()->formats()) {
            return QStringLiteral("line %1 \"%2\": %3 state %4, expected %5 state %6")
                .arg(a.blockNumber())
                .arg(a.text(), paintOf(a))
                .arg(a.userState())
                .arg(paintOf(b))
                .arg(b.userState());
        }
    }
    return a.isValid() || b.isValid() ? QStringLiteral("line counts differ") : QString();
}

} // namespace ReferenceHighlighting
