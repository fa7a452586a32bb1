// The highlighter against the plain rule-by-rule reading of its table: the
// input is a document; both must colour it, and follow an edit of it, alike.
#include "referencehighlighter.h"

#include <QGuiApplication>
#include <QTextCursor>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace ReferenceHighlighting;

namespace {

// Made on the first input, so the harness needs no set-up call and runs the
// same under the fuzzer and under the replay.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz_highlighter";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    }
}

// Lines past the first screenful are highlighted when the program is idle.
void compare(const VESTRASyntaxHighlighter &highlighter, const QTextDocument &fast, const QTextDocument &reference)
{
    while (highlighter.isHighlighting())
        QCoreApplication::processEvents();
    const QString difference = firstDifference(fast, reference);
    if (!difference.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(difference));
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks where an edit goes; the rest is the text.
    if (size < 1 || size > 4096)
        return 0;
    ensureApplication();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data) + 1, int(size) - 1);
    LaidOutDocument fast;
    VESTRASyntaxHighlighter highlighter(&fast);
    LaidOutDocument reference;
    ReferenceHighlighter plain(&reference);
    QCoreApplication::processEvents();
    fast.setPlainText(text);
    reference.setPlainText(text);
    compare(highlighter, fast, reference);

    // Move the first half of the text to a spot that the first byte picks.
    const int at = text.isEmpty() ? 0 : data[0] % (text.size() + 1);
    for (QTextDocument *doc : {static_cast<QTextDocument *>(&fast), static_cast<QTextDocument *>(&reference)}) {
        QTextCursor cursor(doc);
        cursor.setPosition(0);
        cursor.setPosition(text.size() / 2, QTextCursor::KeepAnchor);
        const QString piece = cursor.selectedText();
        cursor.removeSelectedText();
        cursor.setPosition(qMin(at, doc->characterCount() - 1));
        cursor.insertText(piece);
    }
    compare(highlighter, fast, reference);
    return 0;
}
