#pragma once

#include "consolewriter.h"
#include "mainwindow.h"
#include "qsearchfield.h"
#include "testsupport.h"
#include "vestracodeeditor.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QTextEdit>

// The main window as a user meets it: through its widgets and actions,
// found by their object names.
namespace WindowUser {

inline VESTRACodeEditor *editor(QWidget &w) { return w.findChild<VESTRACodeEditor *>(QStringLiteral("codeEditor")); }
inline QTextEdit *console(QWidget &w) { return w.findChild<QTextEdit *>(QStringLiteral("cmdOutputText")); }
inline QComboBox *boards(QWidget &w) { return w.findChild<QComboBox *>(QStringLiteral("boardComboBox")); }
inline QAction *action(QWidget &w, const char *name) { return w.findChild<QAction *>(QLatin1String(name)); }

// What a user sees, in one line: the title, the text with its line breaks
// as "/", and the boards with the chosen one in brackets.
inline QString seen(QWidget &w)
{
    QStringList names;
    QComboBox *box = boards(w);
    for (int i = 0; i < box->count(); ++i)
        names << (i == box->currentIndex() ? '[' + box->itemText(i) + ']' : box->itemText(i));
    return w.windowTitle() + " | " + editor(w)->toPlainText().replace('\n', '/') + " | " + names.join(',');
}

// True once no step runs and the console shows all it was given.
inline bool settled(QWidget &w)
{
    return action(w, "actionBuild")->isEnabled() && !w.findChild<ConsoleWriter *>()->hasPending();
}

// Ends a test's window without the question about unsaved changes, and
// forgets the answers no dialog came for.
inline void discard(std::unique_ptr<MainWindow> &window)
{
    TestSupport::dropPendingAnswers();
    if (window)
        editor(*window)->document()->setModified(false);
    window.reset();
}

} // namespace WindowUser
