#include "vestracodeeditor.h"
#include "testsupport.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

// Records which keys its children let through to it.
class KeySink : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys.append(event->key()); }
};

QString linesOf(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("line %1").arg(i + 1);
    return lines.join(QLatin1Char('\n'));
}

// The strip reserved left of the text viewport for the gutter.
int gutterMargin(const QPlainTextEdit *editor)
{
    return editor->viewport()->geometry().left() - editor->contentsRect().left();
}

} // namespace

class tst_VESTRACodeEditor : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        host = new KeySink;
        auto *layout = new QVBoxLayout(host);
        editor = new VESTRACodeEditor(host);
        layout->addWidget(editor);
        host->resize(400, 300);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        editor->setFocus();
    }

    void cleanup()
    {
        delete host;
        host = nullptr;
        editor = nullptr;
    }

    void gutterWidth_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("digits");
        QTest::addColumn<int>("digitsWithOneMore");
        QTest::newRow("empty document") << 0 << 1 << 1;
        QTest::newRow("9 lines") << 9 << 1 << 2;
        QTest::newRow("10 lines") << 10 << 2 << 2;
        QTest::newRow("99 lines") << 99 << 2 << 3;
        QTest::newRow("1000 lines") << 1000 << 4 << 4;
    }

    // The gutter is as wide as the line count needs, and follows a line
    // added and taken back, moving the text with it.
    void gutterWidth()
    {
        QFETCH(int, lines);
        QFETCH(int, digits);
        QFETCH(int, digitsWithOneMore);
        editor->setPlainText(lines == 0 ? QString() : linesOf(lines));
        const int nine = QFontMetrics(editor->font()).horizontalAdvance(QLatin1Char('9'));
        QCOMPARE(editor->computeLineNumberAreaWidth(), 3 + digits * nine);
        QCOMPARE(gutterMargin(editor), 3 + digits * nine);
        const int viewport = editor->viewport()->width();
        QTextCursor cursor(editor->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("\nmore"));
        QCOMPARE(gutterMargin(editor), 3 + digitsWithOneMore * nine);
        QCOMPARE(editor->viewport()->width(), viewport - (digitsWithOneMore - digits) * nine);
        editor->document()->undo();
        QCOMPARE(gutterMargin(editor), 3 + digits * nine);
        QCOMPARE(editor->viewport()->width(), viewport);
    }

    // A full-width yellow band marks the line of the selection's moving end,
    // not its anchor; a read-only editor has none.
    void currentLineBand()
    {
        editor->setPlainText(linesOf(3));
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(editor->document()->findBlockByNumber(1).position() + 2);
        cursor.setPosition(editor->document()->findBlockByNumber(2).position() + 1, QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
        const QList<QTextEdit::ExtraSelection> bands = editor->extraSelections();
        QCOMPARE(bands.size(), 1);
        QCOMPARE(bands.first().format.background().color(), QColor(255, 255, 153));
        QVERIFY(bands.first().format.property(QTextFormat::FullWidthSelection).toBool());
        QVERIFY(!bands.first().cursor.hasSelection() && bands.first().cursor.blockNumber() == 2);
        editor->setReadOnly(true);
        editor->moveCursor(QTextCursor::Start);
        QVERIFY(editor->extraSelections().isEmpty());
    }

    void escapeSignalsAndPassesOn()
    {
        QSignalSpy escapes(editor, &VESTRACodeEditor::pressedEscape);
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(escapes.count(), 1);
        // The base editor ignores Escape, so reaching the parent proves it got it.
        QCOMPARE(host->keys, QList<int>{Qt::Key_Escape});
    }

    // The text with its selection: ^ the anchor, | the cursor (| alone when
    // nothing is selected); the key is Tab or Ctrl+/.
    void lineEdits_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("after");
        QTest::newRow("comment and uncomment mixed") << "^a\n//|b" << "//" << "^//a\nb|";
        QTest::newRow("backwards selection") << "|a\n//^b" << "//" << "^//a\nb|";
        QTest::newRow("two slashes alone") << "^/|/\nx" << "//" << "|\nx";
        QTest::newRow("single slash on last line") << "x\n^/|" << "//" << "x\n^///|";
        QTest::newRow("indented comment gains slashes") << "^   | //c" << "//" << "^//    //c|";
        QTest::newRow("selection inside one line") << "one\nt^w|o\nthree" << "//" << "one\n^//two|\nthree";
        QTest::newRow("ends at column 0 includes that line")
            << "l^1\nl2\n|l3\nl4" << "//" << "^//l1\n//l2\n//l3|\nl4";
        QTest::newRow("uncomment from end of first line") << "//ab^\nc|d" << "//" << "^ab\n//cd|";
        QTest::newRow("tab without a selection is a tab") << "a|b" << "tab" << "a\t|b";
        QTest::newRow("Ctrl+/ without a selection does nothing") << "a|bc" << "//" << "a|bc";
        QTest::newRow("tab indents three lines") << "^a\nb\nc|" << "tab" << "^\ta\n\tb\n\tc|";
        QTest::newRow("tab indents empty lines too") << "^a\n\nc|" << "tab" << "^\ta\n\t\n\tc|";
    }

    void lineEdits()
    {
        QFETCH(QString, before);
        QFETCH(QString, key);
        QFETCH(QString, after);
        setMarkedText(before);
        if (key == QLatin1String("tab"))
            QTest::keyClick(editor, Qt::Key_Tab);
        else
            QTest::keyClick(editor, Qt::Key_Slash, Qt::ControlModifier);
        QCOMPARE(markedText(), after);
        // Each edit is one undo step.
        const QString unmarked = QString(before).remove(QRegularExpression(QStringLiteral("[|^]")));
        editor->undo();
        QCOMPARE(editor->toPlainText(), unmarked);
        editor->redo();
        QCOMPARE(editor->toPlainText(), QString(after).remove(QRegularExpression(QStringLiteral("[|^]"))));
    }

    // Toggling comments twice gives back every line, commented or not.
    void longLinesDoNotWrap_data()
    {
        constexpr int Limit = VESTRACodeEditor::LongestWrappedLine;
        // Minified data: no blank to wrap at, the costliest line to wrap.
        const QString longest(Limit, QLatin1Char('7'));
        const QString tooLong(Limit + 1, QLatin1Char('7'));
        const QString code = QStringLiteral("int a;\nint b;\n");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<bool>("wrappedAfterLoad");
        QTest::addColumn<bool>("wrappedAfterEdit");
        QTest::newRow("short lines wrap") << code << 0 << 0 << QString() << true << true;
        QTest::newRow("a line at the limit wraps") << code + longest << 0 << 0 << QString() << true << true;
        QTest::newRow("one line over it: none wraps") << code + tooLong + "\nint c;" << 0 << 0 << QString() << false << false;
        QTest::newRow("typing makes a line too long") << code + longest << code.size() << 0 << "7" << true << false;
        QTest::newRow("a paste brings a long line") << code << 0 << 0 << tooLong << true << false;
        QTest::newRow("joining two lines makes one too long")
            << longest + "\n" + longest << Limit << 1 << QString() << true << false;
        QTest::newRow("deleting the long line wraps again") << code + tooLong << code.size() << Limit + 1 << QString() << false << true;
        QTest::newRow("cutting it short wraps again") << code + tooLong << code.size() << 2 << QString() << false << true;
        QTest::newRow("another edit keeps it unwrapped") << code + tooLong << 0 << 1 << "x" << false << false;
    }

    // A line of hundreds of thousands of characters takes minutes to wrap:
    // a document that holds a line longer than the limit shows all its
    // lines unwrapped, and wraps again once no such line is left. The text
    // stays as it is.
    void longLinesDoNotWrap()
    {
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(int, removed);
        QFETCH(QString, inserted);
        QFETCH(bool, wrappedAfterLoad);
        QFETCH(bool, wrappedAfterEdit);
        const auto wraps = [this]() { return editor->lineWrapMode() != QPlainTextEdit::NoWrap; };
        editor->setPlainText(text);
        QCOMPARE(wraps(), wrappedAfterLoad);
        QTextCursor cursor(editor->document());
        cursor.setPosition(at);
        cursor.setPosition(at + removed, QTextCursor::KeepAnchor);
        cursor.insertText(inserted);
        QCOMPARE(wraps(), wrappedAfterEdit);
        QCOMPARE(editor->toPlainText(), QString(text).replace(at, removed, inserted));
        editor->setPlainText(QStringLiteral("short"));
        QVERIFY(wraps());
    }

    void commentsToggleBack()
    {
        const QString original = QStringLiteral("//a\nb\n\n//d\ne");
        editor->setPlainText(original);
        editor->selectAll();
        editor->toggleLineComments();
        QCOMPARE(editor->toPlainText(), QStringLiteral("a\n//b\n//\nd\n//e"));
        editor->selectAll();
        editor->toggleLineComments();
        QCOMPARE(editor->toPlainText(), original);
    }

private:
    void setMarkedText(QString text)
    {
        const int cursorAt = text.indexOf(QLatin1Char('|'));
        text.remove(cursorAt, 1);
        int anchorAt = text.indexOf(QLatin1Char('^'));
        int position = cursorAt;
        if (anchorAt >= 0) {
            text.remove(anchorAt, 1);
            if (anchorAt < cursorAt)
                --position;
        } else {
            anchorAt = position;
        }
        editor->setPlainText(text);
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(anchorAt);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
    }

    QString markedText() const
    {
        QString text = editor->toPlainText();
        const QTextCursor cursor = editor->textCursor();
        const int anchor = cursor.anchor();
        const int position = cursor.position();
        if (anchor == position)
            return text.insert(position, QLatin1Char('|'));
        text.insert(std::max(anchor, position), anchor > position ? QLatin1Char('^') : QLatin1Char('|'));
        return text.insert(std::min(anchor, position), anchor > position ? QLatin1Char('|') : QLatin1Char('^'));
    }

    KeySink *host = nullptr;
    VESTRACodeEditor *editor = nullptr;
};

QTEST_MAIN(tst_VESTRACodeEditor)
#include "tst_vestracodeeditor.moc"
#include "testsupport.h"
