#include "settingsdialog.h"
#include "settingsstore.h"
#include "testsupport.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace VestraSettings;

VESTRA_TEST_ROW(DialogShowsTheStoreRow, QVariant, int, int)

VESTRA_TEST_ROW(UsableSizesRow, QVariant, int, int, int)

class tst_Settings : public QObject
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

    void identitySelectsTheStore()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("x"));
        QCoreApplication::setApplicationName(QStringLiteral("y"));
        setApplicationIdentity();
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Tarnwell Quorimat"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("VESTRA CodeEditor"));
    }

    void usableSizes_data()
    {
        QTest::addColumn<UsableSizesRow>("row");
        QTest::newRow("nothing stored") << UsableSizesRow{QVariant(), 10, 9, 4};
        QTest::newRow("in range") << UsableSizesRow{QVariant(14), 14, 14, 14};
        QTest::newRow("above the dialog's range") << UsableSizesRow{QVariant(45), 30, 30, 20};
        QTest::newRow("largest integer") << UsableSizesRow{QVariant(2147483647), 30, 30, 20};
        QTest::newRow("just below the fonts' range") << UsableSizesRow{QVariant(7), 8, 8, 7};
        QTest::newRow("edges of the ranges") << UsableSizesRow{QVariant(1), 8, 8, 1};
        QTest::newRow("zero falls back") << UsableSizesRow{QVariant(0), 10, 9, 4};
        QTest::newRow("negative falls back") << UsableSizesRow{QVariant(-3), 10, 9, 4};
        QTest::newRow("not a number falls back") << UsableSizesRow{QVariant(QStringLiteral("big")), 10, 9, 4};
    }

    void usableSizes()
    {
        const auto [stored, editorSize, consoleSize, tabSize] = TestSupport::row<UsableSizesRow>();
        if (stored.isValid()) {
            QSettings settings;
            for (const char *key : {KeyEditorFontSize, KeyConsoleFontSize, KeyEditorTabSize})
                settings.setValue(key, stored);
            // An empty make path is the user's choice and stays.
            settings.setValue(KeyMakePath, QString());
        }
        const UserSettings values = usableSettings(readUserSettings());
        QCOMPARE(values.editorFontSize, editorSize);
        QCOMPARE(values.consoleFontSize, consoleSize);
        QCOMPARE(values.editorTabSize, tabSize);
        QCOMPARE(values.makePath, stored.isValid() ? QString() : QString(DefaultMakePath));
        QCOMPARE(readLastWorkingDirectory(QStringLiteral("/fallback")), QStringLiteral("/fallback"));
        QCOMPARE(readLastLoadedFile(), QString());
    }

    void dialogShowsTheStore_data()
    {
        QTest::addColumn<DialogShowsTheStoreRow>("row");
        QTest::newRow("nothing stored") << DialogShowsTheStoreRow{QVariant(), 10, 4};
        QTest::newRow("too small") << DialogShowsTheStoreRow{QVariant(0), 8, 1};
        QTest::newRow("too large") << DialogShowsTheStoreRow{QVariant(99), 30, 20};
        QTest::newRow("in range") << DialogShowsTheStoreRow{QVariant(12), 12, 12};
    }

    // The dialog shows what is stored, brought into its ranges, with the
    // previews in the sizes shown; OK stores what it shows.
    void dialogShowsTheStore()
    {
        const auto [stored, fontShown, tabShown] = TestSupport::row<DialogShowsTheStoreRow>();
        if (stored.isValid()) {
            QSettings settings;
            for (const char *key : {KeyEditorFontSize, KeyConsoleFontSize, KeyEditorTabSize})
                settings.setValue(key, stored);
        }
        dialog.reset(new SettingsDialog(nullptr));
        QCOMPARE(spin("spinEditorFntSize")->value(), fontShown);
        QCOMPARE(spin("spinConsoleFntSize")->value(), stored.isValid() ? fontShown : 9);
        QCOMPARE(spin("spinEditorTabSize")->value(), tabShown);
        QCOMPARE(field("textEditorExample")->font().pointSize(), fontShown);
        QCOMPARE(field("textConsoleExample")->font().pointSize(), stored.isValid() ? fontShown : 9);
        QCOMPARE(field("textMakePath")->text(), QString(DefaultMakePath));
        boxButton(QDialogButtonBox::Ok)->click();
        QCOMPARE(QSettings().value(KeyEditorFontSize).toInt(), fontShown);
        QCOMPARE(QSettings().value(KeyEditorTabSize).toInt(), tabShown);
    }

    void okStoresCancelDoesNot_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    // Each preview follows its own spin box at once; the store is written
    // only by OK, field by field as typed.
    void okStoresCancelDoesNot()
    {
        QFETCH(bool, accept);
        spin("spinEditorFntSize")->setValue(14);
        QCOMPARE(field("textEditorExample")->font().pointSize(), 14);
        QCOMPARE(field("textConsoleExample")->font().pointSize(), 9);
        spin("spinConsoleFntSize")->setValue(21);
        QCOMPARE(field("textConsoleExample")->font().pointSize(), 21);
        QCOMPARE(field("textEditorExample")->font().pointSize(), 14);
        spin("spinEditorTabSize")->setValue(8);
        field("textMakePath")->setText(QStringLiteral("  /opt/my tools/make "));
        QVERIFY(QSettings().allKeys().isEmpty());
        boxButton(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        QCOMPARE(dialog->result(), int(accept ? QDialog::Accepted : QDialog::Rejected));
        if (!accept) {
            QVERIFY(QSettings().allKeys().isEmpty());
            return;
        }
        const UserSettings values = readUserSettings();
        QCOMPARE(values.editorFontSize, 14);
        QCOMPARE(values.consoleFontSize, 21);
        QCOMPARE(values.editorTabSize, 8);
        QCOMPARE(values.makePath, QStringLiteral("  /opt/my tools/make "));
        writeLastWorkingDirectory(QStringLiteral("/work/examples"));
        writeLastLoadedFile(QStringLiteral("x.c"));
        QCOMPARE(readLastWorkingDirectory(QString()), QStringLiteral("/work/examples"));
        QCOMPARE(readLastLoadedFile(), QStringLiteral("x.c"));
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
            settings.setValue(KeyEditorFontSize, 20);
            settings.setValue(KeyMakePath, QStringLiteral("gmake"));
            settings.setValue(KeyLastLoadedFile, QStringLiteral("/x/y.c"));
        }
        dialog.reset(new SettingsDialog(nullptr));
        const auto question = TestSupport::answer(QMessageBox::StandardButton(answer));
        button("btnResetSettings")->click();
        QVERIFY(question->seen);
        QCOMPARE(question->text, QStringLiteral("Reset settings"));
        QCOMPARE(question->informativeText, QStringLiteral("Are you sure you want to reset all settings to default ?"));
        const QString make = reset ? QString(DefaultMakePath) : QStringLiteral("gmake");
        QCOMPARE(spin("spinEditorFntSize")->value(), reset ? 10 : 20);
        QCOMPARE(field("textEditorExample")->font().pointSize(), reset ? 10 : 20);
        QCOMPARE(field("textMakePath")->text(), make);
        // A reset is in the store at once, even when the dialog is cancelled.
        boxButton(QDialogButtonBox::Cancel)->click();
        const QSettings settings;
        QCOMPARE(settings.value(KeyEditorFontSize).toInt(), reset ? 10 : 20);
        QCOMPARE(settings.value(KeyMakePath).toString(), make);
        QCOMPARE(settings.value(KeyLastLoadedFile).toString(), QStringLiteral("/x/y.c"));
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
        QVERIFY(TestSupport::writeFile(tool, QByteArray()));
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

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
