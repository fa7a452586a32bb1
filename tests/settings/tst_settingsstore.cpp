#include "settingsstore.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace VestraSettings;

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        setApplicationIdentity();
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Tarnwell Quorimat"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("VESTRA CodeEditor"));
    }

    void init()
    {
        QSettings().clear();
    }

    void defaultsOnEmptyStore()
    {
        const UserSettings values = readUserSettings();
        QCOMPARE(values.editorFontSize, 10);
        QCOMPARE(values.consoleFontSize, 9);
        QCOMPARE(values.editorTabSize, 4);
#ifdef Q_OS_WIN
        QCOMPARE(values.makePath, QStringLiteral("mingw32-make"));
#else
        QCOMPARE(values.makePath, QStringLiteral("make"));
#endif
        QCOMPARE(readLastWorkingDirectory(QStringLiteral("/fallback")), QStringLiteral("/fallback"));
        QCOMPARE(readLastLoadedFile(), QString());
    }

    void usableSizes_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("editorSize");
        QTest::addColumn<int>("consoleSize");
        QTest::addColumn<int>("tabSize");
        QTest::newRow("in range") << QVariant(14) << 14 << 14 << 14;
        QTest::newRow("above the dialog's range") << QVariant(45) << 30 << 30 << 20;
        QTest::newRow("largest integer") << QVariant(2147483647) << 30 << 30 << 20;
        QTest::newRow("just below the fonts' range") << QVariant(7) << 8 << 8 << 7;
        QTest::newRow("edges of the ranges") << QVariant(1) << 8 << 8 << 1;
        QTest::newRow("zero falls back") << QVariant(0) << 10 << 9 << 4;
        QTest::newRow("negative falls back") << QVariant(-3) << 10 << 9 << 4;
        QTest::newRow("not a number falls back") << QVariant(QStringLiteral("big")) << 10 << 9 << 4;
    }

    void usableSizes()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, editorSize);
        QFETCH(int, consoleSize);
        QFETCH(int, tabSize);
        {
            QSettings settings;
            settings.setValue(KeyEditorFontSize, stored);
            settings.setValue(KeyConsoleFontSize, stored);
            settings.setValue(KeyEditorTabSize, stored);
            settings.setValue(KeyMakePath, QString());
        }
        const UserSettings values = usableSettings(readUserSettings());
        QCOMPARE(values.editorFontSize, editorSize);
        QCOMPARE(values.consoleFontSize, consoleSize);
        QCOMPARE(values.editorTabSize, tabSize);
        // An empty make path is the user's choice and stays.
        QCOMPARE(values.makePath, QString());
    }

    void writesAndReadsBack()
    {
        UserSettings values;
        values.editorFontSize = 12;
        values.consoleFontSize = 11;
        values.editorTabSize = 8;
        values.makePath = QStringLiteral("/opt/tools/bin/gmake");
        writeUserSettings(values);
        writeLastWorkingDirectory(QStringLiteral("/work/examples"));
        writeLastLoadedFile(QStringLiteral("x.c"));

        const QSettings settings;
        QCOMPARE(settings.value(KeyEditorFontSize).toInt(), 12);
        QCOMPARE(settings.value(KeyConsoleFontSize).toInt(), 11);
        QCOMPARE(settings.value(KeyEditorTabSize).toInt(), 8);
        QCOMPARE(settings.value(KeyMakePath).toString(), values.makePath);
        QCOMPARE(readLastWorkingDirectory(QString()), QStringLiteral("/work/examples"));
        QCOMPARE(readLastLoadedFile(), QStringLiteral("x.c"));
    }
};

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
