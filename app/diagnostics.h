#pragma once

#include "linemark.h"

#include <QString>
#include <QStringView>
#include <QVector>

#include <optional>

// The compiler's and make's messages about places in files, found in a
// step's output: gcc and clang write "file:line:column: error: text" (the
// column may be missing), make writes "Makefile:12: *** text".
namespace Diagnostics {

enum class Kind { Error, Warning, Note };

struct Diagnostic
{
    QString file;
    // From 1; a column of 0 means none was given.
    int line = 0;
    int column = 0;
    Kind kind = Kind::Error;
    QString message;
    // The whole line of output, as the console shows it.
    QString text;
};

// The diagnostic a line of output holds, if any.
std::optional<Diagnostic> parse(QStringView line);

// Where a diagnostic's file is: its name is make's, taken from `folder`.
QString pathOf(const Diagnostic &diagnostic, const QString &folder);

// Which diagnostic a console paragraph shows, whole or a piece of it (the
// output came in chunks, or a long line was broken for display); -1 for
// none. Equal lines name equal places, so the first that fits is the one.
int shownIn(const QVector<Diagnostic> &found, QStringView paragraph);

// The gutter's marks for the file at `path`: the errors and warnings found
// in it, a line each, an error's mark red whatever else is said of it.
QVector<LineMark> marksFor(const QVector<Diagnostic> &found, const QString &folder, const QString &path);

// The next (or previous, `step` -1) error or warning from `current`, round
// the ends; -1 when there is none.
int step(const QVector<Diagnostic> &found, int current, int step);

// Gathers the diagnostics of a step's output as it comes, in chunks that
// may end anywhere, even inside a line; standard output and standard error
// each keep their own unfinished line.
class Collector
{
public:
    // A flood of them is capped: the first are the ones a user fixes.
    static constexpr int MostKept = 1000;
    enum Stream { Output = 0, Error = 1 };

    void add(Stream stream, QStringView chunk);
    // The step ended: its unfinished lines are lines too.
    void finish();
    void clear();

    const QVector<Diagnostic> &found() const { return diagnostics; }

private:
    void take(QStringView line);
    void scan(QStringView lines);

    QString unfinished[2];
    // The unfinished line grew too long to be a diagnostic: the rest of it
    // is passed over.
    bool overlong[2] = {false, false};
    QVector<Diagnostic> diagnostics;
};

} // namespace Diagnostics
