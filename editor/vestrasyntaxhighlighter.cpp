#include "vestrasyntaxhighlighter.h"

#include <QStringView>

#include <algorithm>

namespace {

const char *const Keywords[] = {
    "char", "class", "const", "double", "enum", "explicit", "friend", "inline", "int", "long",
    "namespace", "operator", "private", "protected", "public", "short", "signals", "signed",
    "slots", "static", "struct", "template", "typedef", "typename", "union", "unsigned",
    "virtual", "void", "volatile", "bool",
};

const QLatin1String CommentOpener("/*");
const QLatin1String CommentCloser("*/");
const QChar OpenParenthesis = QLatin1Char('(');

constexpr int InsideComment = 1;
constexpr int OutsideComment = 0;

// Word characters as the rule table's \b and [A-Za-z0-9_] see them: the
// expressions are compiled without Unicode properties, so only ASCII counts.
inline bool isWordChar(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
}

inline bool isLetter(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

constexpr int ShortestKeyword = 3;
constexpr int LongestKeyword = 9;

bool sameWord(QStringView word, const char *keyword)
{
    for (int i = 0; i < word.size(); ++i) {
        if (word[i].unicode() != ushort(keyword[i]))
            return false;
    }
    return keyword[word.size()] == '\0';
}

// Most words are no keyword: the length and the first letter settle that
// before any keyword is compared.
bool isKeyword(QStringView word)
{
    if (word.size() < ShortestKeyword || word.size() > LongestKeyword)
        return false;
    const ushort first = word.front().unicode();
    for (const char *keyword : Keywords) {
        if (ushort(keyword[0]) == first && sameWord(word, keyword))
            return true;
    }
    return false;
}

// \bQ[A-Za-z]+\b: a whole word of a Q and one or more letters only.
bool isClassName(QStringView word)
{
    return word.size() >= 2 && word.front().unicode() == 'Q'
           && std::all_of(word.begin() + 1, word.end(), isLetter);
}

} // namespace

VESTRASyntaxHighlighter::VESTRASyntaxHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
{
    keywordFormat.setForeground(Qt::darkBlue);
    keywordFormat.setFontWeight(QFont::Bold);
    for (const char *keyword : Keywords)
        rules.append({QRegularExpression(QStringLiteral("\\b%1\\b").arg(QLatin1String(keyword))), keywordFormat});

    classNameFormat.setForeground(Qt::darkMagenta);
    classNameFormat.setFontWeight(QFont::Bold);
    rules.append({QRegularExpression(QStringLiteral("\\bQ[A-Za-z]+\\b")), classNameFormat});

    lineCommentFormat.setForeground(Qt::darkGreen);
    rules.append({QRegularExpression(QStringLiteral("//[^\n]*")), lineCommentFormat});

    blockCommentFormat.setForeground(Qt::darkGreen);

    stringFormat.setForeground(Qt::darkBlue);
    rules.append({QRegularExpression(QStringLiteral("\".*\"")), stringFormat});

    functionCallFormat.setFontItalic(false);
    functionCallFormat.setForeground(Qt::black);
    rules.append({QRegularExpression(QStringLiteral("\\b[A-Za-z0-9_]+(?=\\()")), functionCallFormat});

    outputKeywordFormat.setForeground(Qt::red);
    outputKeywordFormat.setFontWeight(QFont::Bold);
    rules.append({QRegularExpression(QStringLiteral("\\bkvqoutput\\b")), outputKeywordFormat});

    blockCommentStart = QRegularExpression(QStringLiteral("/\\*"));
    blockCommentEnd = QRegularExpression(QStringLiteral("\\*/"));
}

VESTRASyntaxHighlighter::~VESTRASyntaxHighlighter() = default;

// One pass over the line gives what the rule table gives rule by rule:
// every word rule matches whole words only (a maximal run of word
// characters), the line comment runs from the first "//" to the end, and the
// greedy string from the first to the last quote. Each is painted in table
// order, so later rules win as they do when applied one after the other.
void VESTRASyntaxHighlighter::highlightBlock(const QString &text)
{
    const int length = text.size();
    paint.assign(size_t(length), Plain);
    lateWords.clear();
    const Marks marks = paintWords(text);

    if (marks.lineComment >= 0)
        std::fill(paint.begin() + marks.lineComment, paint.end(), LineComment);
    if (marks.lastQuote > marks.firstQuote)
        std::fill(paint.begin() + marks.firstQuote, paint.begin() + marks.lastQuote + 1, String);

    // Function calls and the output keyword: the two rules after strings.
    // The output keyword wins where it is called too, so it is all that
    // is kept of such a word.
    for (const Word &word : lateWords)
        std::fill(paint.begin() + word.start, paint.begin() + word.end, word.late);

    paintBlockComments(text, marks.commentOpener);
    applyPaint(length);
}

VESTRASyntaxHighlighter::Marks VESTRASyntaxHighlighter::paintWords(const QString &text)
{
    Marks marks;
    const int length = text.size();
    const QChar *chars = text.constData();
    int start = 0;
    while (start < length) {
        const ushort c = chars[start].unicode();
        if (!isWordChar(chars[start])) {
            // The other rules' landmarks are picked up on the same pass.
            if (c == '"') {
                if (marks.firstQuote < 0)
                    marks.firstQuote = start;
                marks.lastQuote = start;
            } else if (c == '/' && start + 1 < length) {
                const ushort next = chars[start + 1].unicode();
                if (next == '/' && marks.lineComment < 0)
                    marks.lineComment = start;
                else if (next == '*' && marks.commentOpener < 0)
                    marks.commentOpener = start;
            }
            ++start;
            continue;
        }
        int end = start + 1;
        while (end < length && isWordChar(chars[end]))
            ++end;
        const QStringView word(chars + start, end - start);
        if (isClassName(word))
            std::fill(paint.begin() + start, paint.begin() + end, ClassName);
        else if (isKeyword(word))
            std::fill(paint.begin() + start, paint.begin() + end, Keyword);

        if (sameWord(word, "kvqoutput"))
            lateWords.push_back({start, end, OutputKeyword});
        else if (end < length && chars[end] == OpenParenthesis)
            lateWords.push_back({start, end, FunctionCall});
        start = end;
    }
    return marks;
}

void VESTRASyntaxHighlighter::paintBlockComments(const QString &text, int firstOpener)
{
    setCurrentBlockState(OutsideComment);
    int start = previousBlockState() == InsideComment ? 0 : firstOpener;
    while (start >= 0) {
        // The closer is looked for from the opener itself, so "/*/" closes.
        const int end = text.indexOf(CommentCloser, start);
        int commentLength;
        if (end < 0) {
            setCurrentBlockState(InsideComment);
            commentLength = text.size() - start;
        } else {
            commentLength = end - start + CommentCloser.size();
        }
        std::fill(paint.begin() + start, paint.begin() + start + commentLength, BlockComment);
        start = text.indexOf(CommentOpener, start + commentLength);
    }
}

void VESTRASyntaxHighlighter::applyPaint(int length)
{
    const QTextCharFormat *formats[] = {
        nullptr, &keywordFormat, &classNameFormat, &lineCommentFormat, &stringFormat,
        &functionCallFormat, &outputKeywordFormat, &blockCommentFormat,
    };
    int start = 0;
    while (start < length) {
        const Paint kind = paint[size_t(start)];
        int end = start + 1;
        while (end < length && paint[size_t(end)] == kind)
            ++end;
        if (kind != Plain)
            setFormat(start, end - start, *formats[kind]);
        start = end;
    }
}
