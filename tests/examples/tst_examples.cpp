#include "testsupport.h"

#include <QProcess>

// The bundled Makefiles on the platform the editor is mainly used on: make
// there runs recipes with cmd.exe and the compiler is called gcc.

class tst_Examples : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("make")).isEmpty())
            QSKIP("GNU make is not installed");
        QVERIFY(dir.isValid());
    }

    void windowsBranch_data()
    {
        QTest::addColumn<QString>("example");
        for (const char *name : {"thermo_monitor", "accel_tracker", "sensor_demo"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void windowsBranch()
    {
        QFETCH(QString, example);
        const QString folder = copyExample(example);
        const QByteArray build = make(folder, {QStringLiteral("-n"), QStringLiteral("OS=Windows_NT"), QStringLiteral("all")});
        QVERIFY2(build.startsWith("gcc "), build.constData());
        const QByteArray clean = make(folder, {QStringLiteral("-n"), QStringLiteral("OS=Windows_NT"), QStringLiteral("clean")});
        QVERIFY2(clean.contains("del /Q " + example.toLatin1() + ".exe"), clean.constData());
        QVERIFY2(!clean.contains("rm "), clean.constData());
    }
    void crossCompiles_data() { windowsBranch_data(); }

    void crossCompiles()
    {
        QFETCH(QString, example);
        const QString compiler = QStringLiteral("x86_64-w64-mingw32-gcc");
        if (QStandardPaths::findExecutable(compiler).isEmpty())
            QSKIP("The MinGW cross compiler is not installed");
        const QString folder = copyExample(example);
        // The Windows branch with this machine's shell: the build recipe reads
        // the same in both.
        make(folder, {QStringLiteral("OS=Windows_NT"), QStringLiteral("SHELL=/bin/sh"), QStringLiteral("CC=") + compiler,
                      QStringLiteral("CARTRIX_BOARD=Board \"7\""), QStringLiteral("all")});
        QFile program(folder + QLatin1Char('/') + example + QStringLiteral(".exe"));
        QVERIFY(program.open(QIODevice::ReadOnly));
        QCOMPARE(program.read(2), QByteArray("MZ"));
    }

private:
    QString copyExample(const QString &name)
    {
        static int copies = 0;
        return TestSupport::copyExample(name, dir.filePath(name + QString::number(++copies)));
    }

    // Runs make in `folder`; returns its standard output, or fails.
    QByteArray make(const QString &folder, const QStringList &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start(QStringLiteral("make"), arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            qWarning() << process.readAllStandardError();
            return QByteArray("<make failed>");
        }
        return process.readAllStandardOutput();
    }

    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(tst_Examples)
#include "tst_examples.moc"
