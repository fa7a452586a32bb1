// The editor at scale, on a 100,000-line C source:
//   build/bench/bench_editor
// - loading it and showing the first screen with the highlighter against
//   the same without one, and the highlighting the idle time does after;
// - the re-highlight that typing one character in the middle causes;
// - toggling comments on 10,000 selected lines (one undo step).
//   build/bench/bench_editor oneline [BYTES]
// - a source that is one long line, as generated tables come (1 MB unless
//   given): loading and painting it, and a key typed in its middle.

#include "benchsupport.h"
#include "vestracodeeditor.h"
#include "vestrasyntaxhighlighter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextCursor>

namespace {

int Lines = 100000;

double loadMs(VESTRACodeEditor &editor, const QString &text)
{
    editor.clear();
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    // With a highlighter attached, the first screen is highlighted before
    // the call returns, the rest when the program is idle.
    editor.setPlainText(text);
    editor.repaint();
    return clock.nsecsElapsed() / 1e6;
}

// Turns the event loop until the highlighter is done; the longest turn and
// the whole time.
std::pair<double, double> idleHighlighting(const VESTRASyntaxHighlighter &highlighter)
{
    QElapsedTimer whole;
    whole.start();
    double longest = 0;
    while (highlighter.isHighlighting()) {
        QElapsedTimer turn;
        turn.start();
        QApplication::processEvents();
        longest = std::max(longest, turn.nsecsElapsed() / 1e6);
    }
    return {longest, whole.nsecsElapsed() / 1e6};
}

// A table of numbers on one line, as a generator writes it.
QString oneLineSource(int bytes)
{
    QString text = QStringLiteral("static const unsigned short table[] = {");
    for (int i = 0; text.size() < bytes; ++i)
        text += QString::number((i * 7919) % 65536) + QLatin1Char(',');
    text += QStringLiteral("0};\n");
    return text;
}

int oneLine(int bytes)
{
    const QString text = oneLineSource(bytes);
    VESTRACodeEditor editor;
    editor.resize(900, 600);
    editor.show();
    auto *highlighter = new VESTRASyntaxHighlighter(editor.document());
    QApplication::processEvents();
    std::vector<double> loads, keys;
    for (int run = 0; run < 3; ++run) {
        editor.clear();
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        editor.setPlainText(text);
        editor.repaint();
        QApplication::processEvents();
        loads.push_back(clock.nsecsElapsed() / 1e6);
    }
    QTextCursor middle(editor.document());
    middle.setPosition(text.size() / 2);
    editor.setTextCursor(middle);
    editor.repaint();
    std::vector<double> typed, painted;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer clock;
        clock.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(&editor, &press);
        typed.push_back(clock.nsecsElapsed() / 1e6);
        editor.repaint();
        QApplication::processEvents();
        keys.push_back(clock.nsecsElapsed() / 1e6);
        painted.push_back(keys.back() - typed.back());
    }
    std::printf("one line of %.2f MB, %s\n", text.size() / 1e6,
                editor.lineWrapMode() == QPlainTextEdit::NoWrap ? "shown without wrapping" : "wrapped");
    Bench::report("load and paint", loads);
    Bench::report("a key typed in its middle, painted", keys);
    Bench::report("  of which the key's edit", typed);
    Bench::report("  of which the paint", painted);
    delete highlighter;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "oneline")
        return oneLine(argc > 2 ? std::atoi(argv[2]) : 1000 * 1000);
    if (argc > 1)
        Lines = std::max(100, atoi(argv[1]));
    const QString text = QString::fromUtf8(Bench::cSource(Lines));
    std::printf("source: %d lines, %.2f MB\n", Lines, text.toUtf8().size() / 1e6);

    VESTRACodeEditor plain;
    plain.resize(900, 600);
    plain.show();
    VESTRACodeEditor coloured;
    coloured.resize(900, 600);
    coloured.show();
    auto *highlighter = new VESTRASyntaxHighlighter(coloured.document());
    QApplication::processEvents();

    std::vector<double> without, with, ratio, slice, idle;
    for (int run = 0; run < 7; ++run) {
        without.push_back(loadMs(plain, text));
        with.push_back(loadMs(coloured, text));
        ratio.push_back(with.back() / without.back());
        const auto [longest, all] = idleHighlighting(*highlighter);
        slice.push_back(longest);
        idle.push_back(all);
    }
    Bench::report("load and first screen without highlighter", without);
    Bench::report("load and first screen with highlighter", with);
    Bench::report("ratio with / without", ratio, "x");
    Bench::report("then highlighting at idle: the longest turn", slice);
    Bench::report("  all of it", idle);

    // Typing in the middle of a line outside any block comment.
    std::vector<double> typing;
    QTextCursor cursor(coloured.document()->findBlockByNumber(Lines / 2 + 1));
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, 4);
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer clock;
        clock.start();
        cursor.insertText(QStringLiteral("x"));
        typing.push_back(clock.nsecsElapsed() / 1e6);
    }
    Bench::report("typing one character (with its re-highlight)", typing);

    std::vector<double> toggling;
    for (int run = 0; run < 5; ++run) {
        QTextCursor selection(coloured.document()->findBlockByNumber(20000));
        selection.setPosition(coloured.document()->findBlockByNumber(29999).position() + 3,
                              QTextCursor::KeepAnchor);
        coloured.setTextCursor(selection);
        const QString before = coloured.document()->findBlockByNumber(25000).text();
        QElapsedTimer clock;
        clock.start();
        coloured.toggleLineComments();
        toggling.push_back(clock.nsecsElapsed() / 1e6);
        // One undo step takes all of it back.
        coloured.undo();
        if (coloured.document()->findBlockByNumber(25000).text() != before)
            std::printf("one undo did not restore the lines!\n");
        coloured.redo();
    }
    Bench::report("toggling comments on 10,000 lines", toggling);
    delete highlighter;
    return 0;
}
