#include "settingsdialog.h"
#include "settingsstore.h"
#include "testsupport.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace VestraSettings;

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

    void storedSizes_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("used");
        QTest::addColumn<QString>("shownSizes");
        QTest::newRow("nothing stored") << QVariant() << "10 9 4" << "10 9 4";
        QTest::newRow("in range") << QVariant(14) << "14 14 14" << "14 14 14";
        QTest::newRow("above the dialog's range") << QVariant(45) << "30 30 20" << "30 30 20";
        QTest::newRow("largest integer") << QVariant(2147483647) << "30 30 20" << "30 30 20";
        QTest::newRow("just below the fonts' range") << QVariant(7) << "8 8 7" << "8 8 7";
        QTest::newRow("edges of the ranges") << QVariant(1) << "8 8 1" << "8 8 1";
        QTest::newRow("zero") << QVariant(0) << "10 9 4" << "8 8 1";
        QTest::newRow("negative") << QVariant(-3) << "10 9 4" << "8 8 1";
        QTest::newRow("not a number") << QVariant(QStringLiteral("big")) << "10 9 4" << "8 8 1";
    }

    // Sizes a start finds stored are brought into range, or fall back when
    // they make no sense; the dialog shows them within its ranges, with the
    // previews in the sizes shown, and OK stores what it shows. An empty make
    // path is the user's choice and stays.
    void storedSizes()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, used);
        QFETCH(QString, shownSizes);
        if (stored.isValid()) {
            QSettings settings;
            for (const char *key : {KeyEditorFontSize, KeyConsoleFontSize, KeyEditorTabSize})
                settings.setValue(key, stored);
            settings.setValue(KeyMakePath, QString());
        }
        const QString make = stored.isValid() ? QString() : QString(DefaultMakePath);
        const UserSettings values = usableSettings(readUserSettings());
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(values.editorFontSize).arg(values.consoleFontSize).arg(values.editorTabSize)
                     .arg(values.makePath), used + ' ' + make);
        QCOMPARE(readLastWorkingDirectory(QStringLiteral("/fallback")) + readLastLoadedFile(), QStringLiteral("/fallback"));
        dialog.reset(new SettingsDialog(nullptr));
        const QStringList sizes = shownSizes.split(' ');
        QCOMPARE(shown(), QStringList({shownSizes, sizes[0] + ' ' + sizes[1], make}).join(" | "));
        boxButton(QDialogButtonBox::Ok)->click();
        QCOMPARE(storedValues(), shownSizes + ' ' + make);
    }

    void okStoresCancelDoesNot_data()
    {
        TestSupport::bothWays("accept", "OK", "Cancel");
    }

    // Each preview follows its own spin box at once; the store is written
    // only by OK, field by field as typed.
    void okStoresCancelDoesNot()
    {
        QFETCH(bool, accept);
        spin("spinEditorFntSize")->setValue(14);
        QCOMPARE(shown(), QStringLiteral("14 9 4 | 14 9 | make"));
        spin("spinConsoleFntSize")->setValue(21);
        spin("spinEditorTabSize")->setValue(8);
        field("textMakePath")->setText(QStringLiteral("  /opt/my tools/make "));
        QCOMPARE(shown(), QStringLiteral("14 21 8 | 14 21 |   /opt/my tools/make "));
        QVERIFY(QSettings().allKeys().isEmpty());
        boxButton(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        QCOMPARE(dialog->result(), int(accept ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(storedValues(), accept ? QStringLiteral("14 21 8   /opt/my tools/make ") : QStringLiteral("0 0 0 "));
        writeLastWorkingDirectory(QStringLiteral("/work/examples"));
        writeLastLoadedFile(QStringLiteral("x.c"));
        QCOMPARE(readLastWorkingDirectory(QString()) + '|' + readLastLoadedFile(), QStringLiteral("/work/examples|x.c"));
    }

    void resetAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("after");
        QTest::newRow("yes") << int(QMessageBox::Yes) << "10 9 4 | 10 9 | make";
        QTest::newRow("no") << int(QMessageBox::No) << "20 9 4 | 20 9 | gmake";
    }

    // A reset is in the store at once, even when the dialog is cancelled,
    // and leaves the last file alone.
    void resetAnswers()
    {
        QFETCH(int, answer);
        QFETCH(QString, after);
        QSettings().setValue(KeyEditorFontSize, 20);
        QSettings().setValue(KeyMakePath, QStringLiteral("gmake"));
        QSettings().setValue(KeyLastLoadedFile, QStringLiteral("/x/y.c"));
        dialog.reset(new SettingsDialog(nullptr));
        const auto question = TestSupport::answer(QMessageBox::StandardButton(answer));
        button("btnResetSettings")->click();
        QCOMPARE(question->text + '|' + question->informativeText,
                 QStringLiteral("Reset settings|Are you sure you want to reset all settings to default ?"));
        QCOMPARE(shown(), after);
        boxButton(QDialogButtonBox::Cancel)->click();
        QCOMPARE(QSettings().value(KeyEditorFontSize).toInt(), after.left(2).toInt());
        QCOMPARE(QSettings().value(KeyMakePath).toString(), after.section(" | ", 2));
        QCOMPARE(readLastLoadedFile(), QStringLiteral("/x/y.c"));
    }

    void browse_data()
    {
        TestSupport::bothWays("choose", "chosen", "cancelled keeps the field");
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

    // The spin boxes, the previews' font sizes and the make path.
    QString shown()
    {
        return QStringLiteral("%1 %2 %3 | %4 %5 | %6")
            .arg(spin("spinEditorFntSize")->value()).arg(spin("spinConsoleFntSize")->value())
            .arg(spin("spinEditorTabSize")->value()).arg(field("textEditorExample")->font().pointSize())
            .arg(field("textConsoleExample")->font().pointSize()).arg(field("textMakePath")->text());
    }

    QString storedValues() const
    {
        const QSettings settings;
        return QStringLiteral("%1 %2 %3 %4").arg(settings.value(KeyEditorFontSize).toInt())
            .arg(settings.value(KeyConsoleFontSize).toInt()).arg(settings.value(KeyEditorTabSize).toInt())
            .arg(settings.value(KeyMakePath).toString());
    }

    std::unique_ptr<SettingsDialog> dialog;
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
