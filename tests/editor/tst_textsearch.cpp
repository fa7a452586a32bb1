#include "textsearch.h"

#include <QTest>

class tst_TextSearch : public QObject
{
    Q_OBJECT

private slots:
    void findWrapping_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<int>("searches");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<QString>("found");
        // Text "alpha Beta\nbeta gamma\nonce", cursor at 8 (inside "Beta").
        QTest::newRow("case-insensitive finds other case") << "Beta" << false << 1 << false << "11-15";
        QTest::newRow("case-sensitive skips other case") << "Beta" << true << 1 << false << "6-10";
        QTest::newRow("wraps to the first match") << "beta" << false << 2 << false << "6-10";
        QTest::newRow("only match found again and again") << "once" << false << 3 << false << "22-26";
        QTest::newRow("no match goes to the start") << "delta" << false << 1 << false << "at 0";
        QTest::newRow("no match across a line break") << "Beta beta" << false << 1 << false << "at 0";
        QTest::newRow("backward: the match the cursor is in") << "beta" << false << 1 << true << "6-10";
        QTest::newRow("backward wraps to the last match") << "beta" << false << 2 << true << "11-15";
        QTest::newRow("backward, no match goes to the start") << "delta" << false << 1 << true << "at 0";
        QTest::newRow("empty text leaves the cursor") << "" << false << 1 << false << "at 8";
    }

    void findWrapping()
    {
        QFETCH(QString, needle);
        QFETCH(bool, matchCase);
        QFETCH(int, searches);
        QFETCH(bool, backward);
        QFETCH(QString, found);
        QTextDocument document(QStringLiteral("alpha Beta\nbeta gamma\nonce"));
        QTextCursor cursor(&document);
        cursor.setPosition(8);
        for (int i = 0; i < searches; ++i)
            cursor = TextSearch::findWrapping(document, cursor, needle,
                                              QTextDocument::FindFlags()
                                                  | (matchCase ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags())
                                                  | (backward ? QTextDocument::FindBackward : QTextDocument::FindFlags()));
        QCOMPARE(cursor.hasSelection() ? QStringLiteral("%1-%2").arg(cursor.selectionStart()).arg(cursor.selectionEnd())
                                       : QStringLiteral("at %1").arg(cursor.position()),
                 found);
    }

    void goToLine_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("position");
        // Text "alpha Beta\nbeta gamma\nonce": lines start at 0, 11 and 22.
        QTest::newRow("a line") << "2" << 11;
        QTest::newRow("a line and column") << "2:6" << 16;
        QTest::newRow("blanks around") << " 3 : 2 " << 23;
        QTest::newRow("a line past the end: the last") << "99" << 22;
        QTest::newRow("line 0: the first") << "0" << 0;
        QTest::newRow("a negative line: the first") << "-5" << 0;
        QTest::newRow("a column past the end: the line's end") << "1:500" << 10;
        QTest::newRow("a number past any line: the last") << "99999999999999999999" << 22;
        QTest::newRow("not a number") << "ten" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("too many parts") << "1:2:3" << -1;
    }

    void goToLine()
    {
        QFETCH(QString, typed);
        QFETCH(int, position);
        const QTextDocument document(QStringLiteral("alpha Beta\nbeta gamma\nonce"));
        QCOMPARE(TextSearch::placeOf(document, typed), position);
    }
};

QTEST_MAIN(tst_TextSearch)
#include "tst_textsearch.moc"
