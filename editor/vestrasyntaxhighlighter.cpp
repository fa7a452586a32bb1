#include "vestrasyntaxhighlighter.h"

#include <QElapsedTimer>
#include <QStringView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <vector>

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

// Changes longer than this read the document's text in pieces this long.
constexpr int PieceLength = 16 * 1024;

// Lines highlighted as soon as they change: more than a screen holds. The
// rest follows in slices, each well within what a user notices.
constexpr int ScreenBlocks = 256;
constexpr qint64 SliceMilliseconds = 15;

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

// The keywords by their first letter (all of them start with a small one).
using KeywordsByLetter = std::array<std::vector<const char *>, 26>;

const KeywordsByLetter &keywordsByLetter()
{
    static const KeywordsByLetter table = [] {
        KeywordsByLetter byLetter;
        for (const char *keyword : Keywords)
            byLetter[size_t(keyword[0] - 'a')].push_back(keyword);
        return byLetter;
    }();
    return table;
}

// Most words are no keyword: the length and the first letter settle that
// before more than a few keywords are compared.
bool isKeyword(QStringView word)
{
    if (word.size() < ShortestKeyword || word.size() > LongestKeyword)
        return false;
    const ushort first = word.front().unicode();
    if (first < 'a' || first > 'z')
        return false;
    for (const char *keyword : keywordsByLetter()[first - 'a']) {
        if (sameWord(word, keyword))
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

    for (int kind = Plain; kind <= BlockComment; ++kind) {
        formatClass[size_t(kind)] = static_cast<unsigned char>(kind);
        for (int earlier = Keyword; earlier < kind; ++earlier) {
            if (*formatOf(Paint(earlier)) == *formatOf(Paint(kind))) {
                formatClass[size_t(kind)] = formatClass[size_t(earlier)];
                break;
            }
        }
    }

    idle.setSingleShot(true);
    idle.setInterval(0);
    connect(&idle, &QTimer::timeout, this, &VESTRASyntaxHighlighter::highlightSlice);
    if (document) {
        disconnect(document, &QTextDocument::contentsChange, this, nullptr);
        connect(document, &QTextDocument::contentsChange, this,
                [this](int from, int removed, int added) { followChange(from, removed, added); });
    }
}

VESTRASyntaxHighlighter::~VESTRASyntaxHighlighter()
{
    // The base class clears the document's formats as it goes, which must
    // not come back to this half-destroyed object.
    if (document())
        disconnect(document(), &QTextDocument::contentsChange, this, nullptr);
}

// One pass over the line gives what the rule table gives rule by rule:
// every word rule matches whole words only (a maximal run of word
// characters), the line comment runs from the first "//" to the end, and the
// greedy string from the first to the last quote. Each is painted in table
// order, so later rules win as they do when applied one after the other.
void VESTRASyntaxHighlighter::highlightBlock(const QString &text)
{
    setCurrentBlockState(paintLine(QStringView(text), previousBlockState()));
    applyPaint(text.size());
}

int VESTRASyntaxHighlighter::paintLine(QStringView text, int previousState)
{
    const int length = int(text.size());
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

    return paintBlockComments(text, marks.commentOpener, previousState);
}

VESTRASyntaxHighlighter::Marks VESTRASyntaxHighlighter::paintWords(QStringView text)
{
    Marks marks;
    const int length = int(text.size());
    const QChar *chars = text.data();
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

int VESTRASyntaxHighlighter::paintBlockComments(QStringView text, int firstOpener, int previousState)
{
    int state = OutsideComment;
    int start = previousState == InsideComment ? 0 : firstOpener;
    while (start >= 0) {
        // The closer is looked for from the opener itself, so "/*/" closes.
        const int end = int(text.indexOf(CommentCloser, start));
        int commentLength;
        if (end < 0) {
            state = InsideComment;
            commentLength = int(text.size()) - start;
        } else {
            commentLength = end - start + CommentCloser.size();
        }
        std::fill(paint.begin() + start, paint.begin() + start + commentLength, BlockComment);
        start = int(text.indexOf(CommentOpener, start + commentLength));
    }
    return state;
}

const QTextCharFormat *VESTRASyntaxHighlighter::formatOf(Paint kind) const
{
    const QTextCharFormat *const formats[] = {
        nullptr, &keywordFormat, &classNameFormat, &lineCommentFormat, &stringFormat,
        &functionCallFormat, &outputKeywordFormat, &blockCommentFormat,
    };
    return formats[kind];
}

void VESTRASyntaxHighlighter::applyPaint(int length)
{
    int start = 0;
    while (start < length) {
        const Paint kind = paint[size_t(start)];
        int end = start + 1;
        while (end < length && paint[size_t(end)] == kind)
            ++end;
        if (kind != Plain)
            setFormat(start, end - start, *formatOf(kind));
        start = end;
    }
}

// The blocks the base class would highlight again after a change: those the
// change touched, and after them every block whose state at the start has
// changed. A screenful is done at once, the rest when the program is idle:
// a file of a hundred thousand lines shows at the speed of plain text.
void VESTRASyntaxHighlighter::followChange(int from, int charsRemoved, int charsAdded)
{
    QTextDocument *doc = document();
    QTextBlock block = doc->findBlock(from);
    if (!block.isValid())
        return;
    const QTextBlock lastBlock = doc->findBlock(from + charsAdded + (charsRemoved > 0 ? 1 : 0));
    const int endPosition = lastBlock.isValid() ? lastBlock.position() + lastBlock.length()
                                                : doc->characterCount();
    int count = 0;
    highlightFrom(block, endPosition, [&count]() { return ++count > ScreenBlocks; });
}

void VESTRASyntaxHighlighter::highlightFrom(QTextBlock block, int endPosition, const std::function<bool()> &overBudget)
{
    QTextDocument *doc = document();
    int position = block.position();
    // Asking each block for its text costs more than reading the document
    // in pieces of many lines, once a change spans many, as loading a file
    // does. A piece holds the text of the positions from pieceStart on.
    const bool inPieces = endPosition - position > PieceLength;
    QString piece;
    int pieceStart = 0;
    int previousState = block.previous().userState();
    bool stateChanged = false;
    while (block.isValid() && (position < endPosition || stateChanged)) {
        if (overBudget()) {
            // A block whose state at the start changed is done in any case.
            deferFrom(position, std::max(endPosition, position + 1));
            return;
        }
        const int stateBefore = block.userState();
        const int length = block.length() - 1;
        if (!inPieces) {
            const QString text = block.text();
            formatBlock(block, QStringView(text), position, previousState);
        } else {
            if (position + length > pieceStart + piece.size()) {
                QTextCursor reader(doc);
                reader.setPosition(position);
                reader.setPosition(std::min(doc->characterCount() - 1, position + std::max(length, PieceLength)),
                                   QTextCursor::KeepAnchor);
                piece = reader.selectedText();
                pieceStart = position;
            }
            formatBlock(block, QStringView(piece).mid(position - pieceStart, length), position, previousState);
        }
        previousState = block.userState();
        stateChanged = previousState != stateBefore;
        position += block.length();
        block = block.next();
    }
}

// What is left joins what was left before: one stretch from the earliest
// start to the latest end, which the cursors carry along through edits.
void VESTRASyntaxHighlighter::deferFrom(int from, int to)
{
    QTextDocument *doc = document();
    to = std::min(to, doc->characterCount() - 1);
    from = std::min(from, to);
    if (!pending) {
        pendingFrom = QTextCursor(doc);
        pendingTo = QTextCursor(doc);
        pendingFrom.setPosition(from);
        pendingTo.setPosition(to);
        pending = true;
    } else {
        if (from < pendingFrom.position())
            pendingFrom.setPosition(from);
        if (to > pendingTo.position())
            pendingTo.setPosition(to);
    }
    idle.start();
}

void VESTRASyntaxHighlighter::continueHighlighting(const std::function<bool()> &overBudget)
{
    if (!pending || !document())
        return;
    pending = false;
    const int from = pendingFrom.position();
    const int to = std::max(pendingTo.position(), from + 1);
    highlightFrom(document()->findBlock(from), to, overBudget);
}

void VESTRASyntaxHighlighter::highlightSlice()
{
    QElapsedTimer clock;
    clock.start();
    int count = 0;
    // The clock is read every few blocks: a line takes a few microseconds.
    continueHighlighting([&]() { return ++count % 16 == 0 && clock.elapsed() >= SliceMilliseconds; });
}

void VESTRASyntaxHighlighter::finishHighlighting()
{
    while (pending)
        continueHighlighting([]() { return false; });
}

// Gives the block the formats and the state the base class would give it.
void VESTRASyntaxHighlighter::formatBlock(QTextBlock block, QStringView text, int position,
                                          int previousState)
{
    block.setUserState(paintLine(text, previousState));
    QVector<QTextLayout::FormatRange> ranges = paintedRanges(int(text.size()));

    QTextLayout *layout = block.layout();
    const QVector<QTextLayout::FormatRange> current = layout->formats();
    // Text being composed by an input method keeps its own formats, and the
    // line's formats are moved around it.
    const int preeditStart = layout->preeditAreaPosition();
    const int preeditLength = layout->preeditAreaText().size();
    if (preeditLength > 0) {
        for (QTextLayout::FormatRange &range : ranges) {
            if (range.start >= preeditStart)
                range.start += preeditLength;
            else if (range.start + range.length >= preeditStart)
                range.length += preeditLength;
        }
        QVector<QTextLayout::FormatRange> kept;
        for (const QTextLayout::FormatRange &range : current) {
            if (range.start >= preeditStart && range.start + range.length <= preeditStart + preeditLength)
                kept.append(range);
        }
        ranges = kept + ranges;
    }
    // Unchanged formats need no new layout.
    if (ranges == current)
        return;
    layout->setFormats(ranges);
    document()->markContentsDirty(position, block.length());
}

QVector<QTextLayout::FormatRange> VESTRASyntaxHighlighter::paintedRanges(int length) const
{
    QVector<QTextLayout::FormatRange> ranges;
    int start = 0;
    while (start < length) {
        const Paint kind = paint[size_t(start)];
        const unsigned char sameFormat = formatClass[kind];
        int end = start + 1;
        while (end < length && formatClass[paint[size_t(end)]] == sameFormat)
            ++end;
        if (kind != Plain)
            ranges.append({start, end - start, *formatOf(kind)});
        start = end;
    }
    return ranges;
}
