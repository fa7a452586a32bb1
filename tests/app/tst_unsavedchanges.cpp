#include "testsupport.h"
#include "unsavedchanges.h"

#include <QTest>

namespace {

// A document that answers as the row says and notes what was done to it.
class Document : public UnsavedChanges::Document
{
public:
    bool modified = true;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    bool saveWorks = true;
    QStringList done;

    bool isModified() const override { return modified; }
    QMessageBox::StandardButton ask() override
    {
        done << "asked";
        return answer;
    }
    bool save() override
    {
        done << (saveWorks ? "saved" : "save failed");
        return saveWorks;
    }
    void reload() override { done << "re-read"; }
};

} // namespace

class tst_UnsavedChanges : public QObject
{
    Q_OBJECT

private slots:
    void leaving_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("saveWorks");
        QTest::addColumn<QString>("done");
        QTest::addColumn<bool>("mayLeave");
        QTest::newRow("no edits: no question") << false << QMessageBox::Cancel << true << "" << true;
        QTest::newRow("save") << true << QMessageBox::Save << true << "asked, saved" << true;
        QTest::newRow("save fails: the edits stay") << true << QMessageBox::Save << false << "asked, save failed" << false;
        QTest::newRow("discard: the file is read again") << true << QMessageBox::Discard << true << "asked, re-read" << true;
        QTest::newRow("cancel") << true << QMessageBox::Cancel << true << "asked" << false;
        QTest::newRow("Escape or the box closed") << true << QMessageBox::NoButton << true << "asked" << false;
        QTest::newRow("any other button stays") << true << QMessageBox::Close << true << "asked" << false;
    }

    void leaving()
    {
        QFETCH(bool, modified);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, saveWorks);
        QFETCH(QString, done);
        QFETCH(bool, mayLeave);
        Document document;
        document.modified = modified;
        document.answer = answer;
        document.saveWorks = saveWorks;
        QCOMPARE(UnsavedChanges::mayLeave(document), mayLeave);
        QCOMPARE(document.done.join(", "), done);
    }

    // What the question reports to its callers when asked outright.
    void answerReported_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("saveWorks");
        QTest::addColumn<QMessageBox::StandardButton>("reported");
        QTest::newRow("saved") << QMessageBox::Save << true << QMessageBox::Save;
        QTest::newRow("not saved counts as cancel") << QMessageBox::Save << false << QMessageBox::Cancel;
        QTest::newRow("discarded") << QMessageBox::Discard << true << QMessageBox::Discard;
        QTest::newRow("escape") << QMessageBox::NoButton << true << QMessageBox::Cancel;
    }

    void answerReported()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, saveWorks);
        QFETCH(QMessageBox::StandardButton, reported);
        Document document;
        document.answer = answer;
        document.saveWorks = saveWorks;
        QCOMPARE(UnsavedChanges::askToSave(document), reported);
    }
};

QTEST_APPLESS_MAIN(tst_UnsavedChanges)
#include "tst_unsavedchanges.moc"
