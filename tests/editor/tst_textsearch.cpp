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
        QTest::addColumn<QString>("found");
        // Text "alpha Beta\nbeta gamma\nonce", cursor at 8 (inside "Beta").
        QTest::newRow("case-insensitive finds other case") << "Beta" << false << 1 << "11-15";
        QTest::newRow("case-sensitive skips other case") << "Beta" << true << 1 << "6-10";
        QTest::newRow("wraps to the first match") << "beta" << false << 2 << "6-10";
        QTest::newRow("only match found again and again") << "once" << false << 3 << "22-26";
        QTest::newRow("no match goes to the start") << "delta" << false << 1 << "at 0";
        QTest::newRow("no match across a line break") << "Beta beta" << false << 1 << "at 0";
        QTest::newRow("empty text leaves the cursor") << "" << false << 1 << "at 8";
    }

    void findWrapping()
    {
        QFETCH(QString, needle);
        QFETCH(bool, matchCase);
        QFETCH(int, searches);
        QFETCH(QString, found);
        QTextDocument document(QStringLiteral("alpha Beta\nbeta gamma\nonce"));
        QTextCursor cursor(&document);
        cursor.setPosition(8);
        for (int i = 0; i < searches; ++i)
            cursor = TextSearch::findWrapping(document, cursor, needle,
                                              matchCase ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags());
        QCOMPARE(cursor.hasSelection() ? QStringLiteral("%1-%2").arg(cursor.selectionStart()).arg(cursor.selectionEnd())
                                       : QStringLiteral("at %1").arg(cursor.position()),
                 found);
    }
};

QTEST_MAIN(tst_TextSearch)
#include "tst_textsearch.moc"
