#include "settingsdialog.h"
#include "settingsstore.h"
#include "testsupport.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <memory>

class tst_SettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::isolateSettings();
        dialog.reset(new SettingsDialog(nullptr));
    }

    void cleanup()
    {
        TestSupport::dropPendingAnswers();
        dialog.reset();
    }

    void freshStore()
    {
        QCOMPARE(spin("spinEditorFntSize")->value(), 10);
        QCOMPARE(spin("spinConsoleFntSize")->value(), 9);
        QCOMPARE(spin("spinEditorTabSize")->value(), 4);
        QCOMPARE(field("textMakePath")->text(), QString::fromLatin1(VestraSettings::DefaultMakePath));
        QCOMPARE(field("textEditorExample")->font().pointSize(), 10);
        QCOMPARE(field("textConsoleExample")->font().pointSize(), 9);
    }

    void storedValuesClamped_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("fontShown");
        QTest::addColumn<int>("tabShown");
        QTest::newRow("too small") << 0 << 8 << 1;
        QTest::newRow("too large") << 99 << 30 << 20;
        QTest::newRow("in range") << 12 << 12 << 12;
    }

    void storedValuesClamped()
    {
        QFETCH(int, stored);
        QFETCH(int, fontShown);
        QFETCH(int, tabShown);
        {
            QSettings settings;
            settings.setValue(QStringLiteral("EditorFontSize"), stored);
            settings.setValue(QStringLiteral("ConsoleFontSize"), stored);
            settings.setValue(QStringLiteral("EditorTabSize"), stored);
        }
        dialog.reset(new SettingsDialog(nullptr));
        QCOMPARE(spin("spinEditorFntSize")->value(), fontShown);
        QCOMPARE(spin("spinConsoleFntSize")->value(), fontShown);
        QCOMPARE(spin("spinEditorTabSize")->value(), tabShown);
        boxButton(QDialogButtonBox::Ok)->click();
        QCOMPARE(QSettings().value(QStringLiteral("EditorFontSize")).toInt(), fontShown);
        QCOMPARE(QSettings().value(QStringLiteral("EditorTabSize")).toInt(), tabShown);
    }

    void previewsFollowTheirSpinBox()
    {
        spin("spinEditorFntSize")->setValue(17);
        QCOMPARE(field("textEditorExample")->font().pointSize(), 17);
        QCOMPARE(field("textConsoleExample")->font().pointSize(), 9);
        spin("spinConsoleFntSize")->setValue(21);
        QCOMPARE(field("textConsoleExample")->font().pointSize(), 21);
        QCOMPARE(field("textEditorExample")->font().pointSize(), 17);
        // Nothing reaches the store before OK.
        QVERIFY(!QSettings().contains(QStringLiteral("EditorFontSize")));
    }

    void okWritesTheFields()
    {
        spin("spinEditorFntSize")->setValue(14);
        spin("spinConsoleFntSize")->setValue(11);
        spin("spinEditorTabSize")->setValue(8);
        field("textMakePath")->setText(QStringLiteral("  /opt/my tools/make "));
        boxButton(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        const QSettings settings;
        QCOMPARE(settings.value(QStringLiteral("EditorFontSize")).toInt(), 14);
        QCOMPARE(settings.value(QStringLiteral("ConsoleFontSize")).toInt(), 11);
        QCOMPARE(settings.value(QStringLiteral("EditorTabSize")).toInt(), 8);
        QCOMPARE(settings.value(QStringLiteral("MakePath")).toString(), QStringLiteral("  /opt/my tools/make "));
    }

    void cancelWritesNothing()
    {
        spin("spinEditorFntSize")->setValue(14);
        boxButton(QDialogButtonBox::Cancel)->click();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(QSettings().allKeys().isEmpty());
    }

    void resetAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("reset");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("no") << int(QMessageBox::No) << false;
    }

    void resetAnswers()
    {
        QFETCH(int, answer);
        QFETCH(bool, reset);
        {
            QSettings settings;
            settings.setValue(QStringLiteral("EditorFontSize"), 20);
            settings.setValue(QStringLiteral("MakePath"), QStringLiteral("gmake"));
            settings.setValue(QStringLiteral("LastLoadedFile"), QStringLiteral("/x/y.c"));
        }
        dialog.reset(new SettingsDialog(nullptr));
        QCOMPARE(field("textEditorExample")->font().pointSize(), 20);

        bool asked = false;
        QString text;
        QString informative;
        TestSupport::pressButton(QMessageBox::StandardButton(answer), &asked, &text, &informative);
        button("btnResetSettings")->click();
        QVERIFY(asked);
        QCOMPARE(text, QStringLiteral("Reset settings"));
        QCOMPARE(informative, QStringLiteral("Are you sure you want to reset all settings to default ?"));

        const QString make = reset ? QString::fromLatin1(VestraSettings::DefaultMakePath) : QStringLiteral("gmake");
        QCOMPARE(spin("spinEditorFntSize")->value(), reset ? 10 : 20);
        QCOMPARE(field("textEditorExample")->font().pointSize(), reset ? 10 : 20);
        QCOMPARE(field("textMakePath")->text(), make);

        // A reset is in the store at once, even when the dialog is cancelled.
        boxButton(QDialogButtonBox::Cancel)->click();
        const QSettings settings;
        QCOMPARE(settings.value(QStringLiteral("EditorFontSize")).toInt(), reset ? 10 : 20);
        QCOMPARE(settings.value(QStringLiteral("MakePath")).toString(), make);
        QCOMPARE(settings.value(QStringLiteral("LastLoadedFile")).toString(), QStringLiteral("/x/y.c"));
    }

    void browse_data()
    {
        QTest::addColumn<bool>("choose");
        QTest::newRow("chosen") << true;
        QTest::newRow("cancelled keeps the field") << false;
    }

    void browse()
    {
        QFETCH(bool, choose);
        QTemporaryDir dir;
        const QString tool = dir.filePath(QStringLiteral("gmake"));
        QFile file(tool);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        field("textMakePath")->setText(QStringLiteral("make"));

        bool asked = false;
        if (choose)
            TestSupport::chooseFile(tool, &asked);
        else
            TestSupport::cancelFileDialog(&asked);
        button("btnMakePathBrowse")->click();
        QVERIFY(asked);
        QCOMPARE(field("textMakePath")->text(), choose ? tool : QStringLiteral("make"));
    }

private:
    QSpinBox *spin(const char *name) { return dialog->findChild<QSpinBox *>(QLatin1String(name)); }
    QLineEdit *field(const char *name) { return dialog->findChild<QLineEdit *>(QLatin1String(name)); }
    QPushButton *button(const char *name) { return dialog->findChild<QPushButton *>(QLatin1String(name)); }
    QPushButton *boxButton(QDialogButtonBox::StandardButton which)
    {
        return dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(which);
    }

    std::unique_ptr<SettingsDialog> dialog;
};

QTEST_MAIN(tst_SettingsDialog)
#include "tst_settingsdialog.moc"
