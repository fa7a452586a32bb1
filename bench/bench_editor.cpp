// The editor at scale, on a 100,000-line C source:
//   build/bench/bench_editor
// - loading it with the highlighter against loading it without one;
// - the re-highlight that typing one character in the middle causes;
// - toggling comments on 10,000 selected lines (one undo step).

#include "benchsupport.h"
#include "vestracodeeditor.h"
#include "vestrasyntaxhighlighter.h"

#include <QApplication>
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
    // With a highlighter attached, every block is highlighted before the
    // call returns.
    editor.setPlainText(text);
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
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

    std::vector<double> without, with, ratio;
    for (int run = 0; run < 7; ++run) {
        without.push_back(loadMs(plain, text));
        with.push_back(loadMs(coloured, text));
        ratio.push_back(with.back() / without.back());
    }
    Bench::report("load without highlighter", without);
    Bench::report("load with highlighter (all blocks highlighted)", with);
    Bench::report("ratio with / without", ratio, "x");

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
