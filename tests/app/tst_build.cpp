#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <memory>

namespace {

struct Paragraph
{
    QString text;
    QColor color;
};

QList<Paragraph> paragraphsOf(QTextEdit *console)
{
    QList<Paragraph> result;
    for (QTextBlock block = console->document()->begin(); block.isValid(); block = block.next()) {
        const QTextCharFormat format = block.begin().atEnd() ? block.charFormat()
                                                             : block.begin().fragment().charFormat();
        result.append({block.text(), format.foreground().color()});
    }
    return result;
}

QStringList textsOf(QTextEdit *console)
{
    QStringList texts;
    for (const Paragraph &p : paragraphsOf(console))
        texts << p.text;
    return texts;
}

void writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(bytes);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QColor DarkBlue(0, 0, 128);
const QColor DarkGreen(0, 128, 0);
const QColor DarkRed(128, 0, 0);
const QColor Red(255, 0, 0);
const QColor Orange(255, 101, 0);

} // namespace

class tst_Build : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#ifndef Q_OS_UNIX
        QSKIP("The make stand-ins are shell scripts");
#endif
        QVERIFY(records.isValid());
        savedPath = qgetenv("PATH");
    }

    void init()
    {
        TestSupport::isolateSettings();
        qputenv("PATH", savedPath);
        dir.reset(new QTemporaryDir);
        for (const char *name : {"args", "cwd", "stdin", "output"})
            QFile::remove(recordPath(name));
    }

    void cleanup()
    {
        TestSupport::dropPendingAnswers();
        if (window)
            window->findChild<VESTRACodeEditor *>()->document()->setModified(false);
        window.reset();
        dir.reset();
        qputenv("PATH", savedPath);
    }

    void realMakeBuildsAndRunsExample()
    {
        const QString folder = copyExample(QStringLiteral("thermo_monitor"));

        MainWindow &w = newWindow(QStringLiteral("make"));
        MainWindowProbe probe(w);
        w.loadSourceFile(folder + QStringLiteral("/thermo_monitor.c"));
        probe.boards()->setCurrentText(QStringLiteral("TH200 Pro"));
        QCOMPARE(probe.boards()->currentText(), QStringLiteral("TH200 Pro"));

        probe.action("actionBuild")->trigger();
        waitUntilIdle();
        QList<Paragraph> lines = paragraphsOf(probe.console());
        QVERIFY2(lines.first().text.contains(QStringLiteral("thermo_monitor.exe")), qPrintable(lines.first().text));
        QCOMPARE(lines.first().color, DarkBlue);
        QCOMPARE(lines.last().text, QStringLiteral("Operation finished successfully"));
        QCOMPARE(lines.last().color, DarkGreen);
        QCOMPARE(lines.at(lines.size() - 2).text, QString());
        QVERIFY(QFile::exists(folder + QStringLiteral("/thermo_monitor.exe")));

        probe.action("actionRun")->trigger();
        waitUntilIdle();
        lines = paragraphsOf(probe.console());
        QCOMPARE(lines.first().text, QStringLiteral("Running example 'thermo_monitor.exe' ..."));
        QCOMPARE(lines.first().color, DarkGreen);
        const QStringList texts = textsOf(probe.console());
        QVERIFY(texts.contains(QStringLiteral("Thermo monitor on board TH200 Pro (sensor profile TH200 Pro)")));
        QVERIFY(texts.contains(QStringLiteral("Done: 20 readings.")));
        QCOMPARE(texts.last(), QStringLiteral("Operation finished successfully"));

        probe.action("actionClean")->trigger();
        waitUntilIdle();
        QVERIFY(!QFile::exists(folder + QStringLiteral("/thermo_monitor.exe")));
        QCOMPARE(textsOf(probe.console()).last(), QStringLiteral("Operation finished successfully"));
    }

    void compilerWarningIsOrange()
    {
        const QString folder = copyExample(QStringLiteral("accel_tracker"));
        MainWindow &w = newWindow(QStringLiteral("make"));
        MainWindowProbe probe(w);
        w.loadSourceFile(folder + QStringLiteral("/accel_tracker.c"));
        QCOMPARE(probe.boards()->count(), 3);
        probe.action("actionBuild")->trigger();
        waitUntilIdle();
        bool sawWarning = false;
        for (const Paragraph &line : paragraphsOf(probe.console())) {
            if (line.text.contains(QStringLiteral("warning:"))) {
                QCOMPARE(line.color, Orange);
                sawWarning = true;
            }
        }
        QVERIFY(sawWarning);
    }

    void makeArguments_data()
    {
        QTest::addColumn<QByteArray>("boards");
        QTest::addColumn<QString>("choose");
        QTest::addColumn<bool>("clean");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no Makefile: <Default>") << QByteArray() << QString() << false
                                                << QByteArray("[CARTRIX_BOARD=<Default>]\n[all]\n");
        QTest::newRow("clean") << QByteArray("#VCE_Board_Definitions: A;B") << "B" << true
                               << QByteArray("[CARTRIX_BOARD=B]\n[clean]\n");
        QTest::newRow("empty board list") << QByteArray("#VCE_Board_Definitions") << QString() << false
                                          << QByteArray("[CARTRIX_BOARD=]\n[all]\n");
        QTest::newRow("blanks and shell characters")
            << QByteArray("#VCE_Board_Definitions: x; My $(touch pwned) \"q\" 'z' `id` &; y") << "My $(touch pwned) \"q\" 'z' `id` &"
            << false << QByteArray("[CARTRIX_BOARD=My $$(touch pwned) \"q\" 'z' `id` &]\n[all]\n");
    }

    void makeArguments()
    {
        QFETCH(QByteArray, boards);
        QFETCH(QString, choose);
        QFETCH(bool, clean);
        QFETCH(QByteArray, expected);
        const QString source = makeProject(QStringLiteral("proj"), boards);
        MainWindow &w = newWindow(makeScript("exit 0\n"));
        MainWindowProbe probe(w);
        w.loadSourceFile(source);
        if (!choose.isNull())
            probe.boards()->setCurrentText(choose);
        probe.action(clean ? "actionClean" : "actionBuild")->trigger();
        waitUntilIdle();
        QCOMPARE(readFile(recordPath("args")), expected);
        QCOMPARE(QString::fromUtf8(readFile(recordPath("cwd"))).trimmed(),
                 QFileInfo(source).canonicalPath());
        QVERIFY(!QFile::exists(QFileInfo(source).absolutePath() + QStringLiteral("/pwned")));
        QCOMPARE(textsOf(probe.console()).last(), QStringLiteral("Operation finished successfully"));
    }

    void actionStates()
    {
        const QString source = makeProject(QStringLiteral("proj"), QByteArray());
        const QString exe = QFileInfo(source).absolutePath() + QStringLiteral("/proj.exe");
        writeFile(exe, "#!/bin/sh\necho example\nsleep 10\n", true);
        MainWindow &w = newWindow(makeScript(stdinRecorder() + "echo making\nsleep 10\n"));
        MainWindowProbe probe(w);
        const auto states = [&probe]() {
            QString s;
            for (const char *name : {"actionBuild", "actionClean", "actionCancel_Build", "actionRun", "actionStop"})
                s += probe.action(name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
            return s;
        };
        QCOMPARE(states(), QStringLiteral("11010"));
        w.loadSourceFile(source);
        probe.action("actionBuild")->trigger();
        QCOMPARE(states(), QStringLiteral("00100"));
        // Cancel: the make stand-in gets the stop byte, the console ends with
        // the cancel line.
        probe.action("actionCancel_Build")->trigger();
        waitUntilIdle();
        QCOMPARE(states(), QStringLiteral("11010"));
        QTRY_COMPARE(readFile(recordPath("stdin")), QByteArray("\x02"));
        QCOMPARE(paragraphsOf(probe.console()).last().text, QStringLiteral("Operation canceled !"));
        QCOMPARE(paragraphsOf(probe.console()).last().color, DarkGreen);

        // Make succeeds at once; the example then runs on.
        writeFile(makeScript("exit 0\n"), QByteArray("#!/bin/sh\nexit 0\n"), true);
        probe.action("actionRun")->trigger();
        QTRY_VERIFY(textsOf(probe.console()).contains(QStringLiteral("example")));
        QCOMPARE(states(), QStringLiteral("00001"));
        probe.action("actionStop")->trigger();
        waitUntilIdle();
        QCOMPARE(states(), QStringLiteral("11010"));
    }

    void failedBuildDiscardsRun()
    {
        const QString source = makeProject(QStringLiteral("proj"), QByteArray());
        writeFile(QFileInfo(source).absolutePath() + QStringLiteral("/proj.exe"), "#!/bin/sh\necho ran\n", true);
        MainWindow &w = newWindow(makeScript("echo compiling\nexit 2\n"));
        MainWindowProbe probe(w);
        w.loadSourceFile(source);
        probe.action("actionRun")->trigger();
        waitUntilIdle();
        const QList<Paragraph> lines = paragraphsOf(probe.console());
        QCOMPARE(lines.first().text, QStringLiteral("compiling"));
        QCOMPARE(lines.at(lines.size() - 3).text, QString());
        QCOMPARE(lines.at(lines.size() - 2).text, QStringLiteral("Operation finished with error code: 2"));
        QCOMPARE(lines.at(lines.size() - 2).color, DarkRed);
        QCOMPARE(lines.last().color, DarkRed);
        QVERIFY(!textsOf(probe.console()).contains(QStringLiteral("ran")));
    }

    void missingExecutableStartsNothing()
    {
        const QString source = makeProject(QStringLiteral("proj"), QByteArray());
        MainWindow &w = newWindow(makeScript("echo built\nexit 0\n"));
        MainWindowProbe probe(w);
        w.loadSourceFile(source);
        probe.action("actionRun")->trigger();
        waitUntilIdle();
        QCOMPARE(textsOf(probe.console()),
                 (QStringList{"built", "", "", "Operation finished successfully"}));
    }

    void cancelledPromptLeavesQueueEmpty()
    {
        const QString source = makeProject(QStringLiteral("proj"), QByteArray());
        writeFile(QFileInfo(source).absolutePath() + QStringLiteral("/proj.exe"), "#!/bin/sh\necho ran\n", true);
        MainWindow &w = newWindow(makeScript("echo built\n"));
        MainWindowProbe probe(w);
        w.loadSourceFile(source);
        QTest::keyClicks(probe.editor(), QStringLiteral("x"));

        bool asked = false;
        TestSupport::pressButton(QMessageBox::Cancel, &asked);
        probe.action("actionRun")->trigger();
        QVERIFY(asked);
        QVERIFY(probe.idle());
        QVERIFY(!QFile::exists(recordPath("args")));
        QVERIFY(probe.console()->toPlainText().isEmpty());

        // A later Build only builds: the run step is gone with the cancel.
        TestSupport::pressButton(QMessageBox::Discard, &asked);
        probe.action("actionBuild")->trigger();
        waitUntilIdle();
        QCOMPARE(textsOf(probe.console()).first(), QStringLiteral("built"));
        QVERIFY(!textsOf(probe.console()).contains(QStringLiteral("ran")));
    }

    void nothingWithoutFile()
    {
        MainWindow &w = newWindow(makeScript("exit 0\n"));
        MainWindowProbe probe(w);
        probe.action("actionBuild")->trigger();
        probe.action("actionRun")->trigger();
        QVERIFY(probe.idle());
        QVERIFY(!probe.running());
        QVERIFY(probe.action("actionBuild")->isEnabled());
        QVERIFY(!QFile::exists(recordPath("args")));
    }

    void diagnostics_data()
    {
        QTest::addColumn<QString>("makePath");
        QTest::addColumn<QStringList>("head");
        const QStringList advice{"", "Check if compiler is installed ! Refer documentation regarding compiler installation .", ""};
        QTest::newRow("make") << "make"
                              << (QStringList{"'make' not found !"} + advice
                                  + QStringList{"It is recommended to install TDM-GCC from https://jmeubank.github.io/tdm-gcc/download/"});
        QTest::newRow("mingw32-make") << "mingw32-make"
                                      << (QStringList{"'mingw32-make' not found !"} + advice
                                          + QStringList{"It is recommended to install TDM-GCC from https://jmeubank.github.io/tdm-gcc/download/"});
        QTest::newRow("full path") << "/no/such folder/make"
                                   << QStringList{"Set Make Utility Path to \"make\" or \"mingw32-make\" in Settings option"};
    }

    void diagnostics()
    {
        QFETCH(QString, makePath);
        QFETCH(QStringList, head);
        const QString source = makeProject(QStringLiteral("proj"), QByteArray("#VCE_Board_Definitions: B1"));
        // Nothing on the program search path, so no make can be found.
        qputenv("PATH", QFile::encodeName(dir->filePath(QStringLiteral("empty-bin"))));
        MainWindow &w = newWindow(makePath);
        MainWindowProbe probe(w);
        w.loadSourceFile(source);
        probe.action("actionBuild")->trigger();
        waitUntilIdle();

        const QString folder = QFileInfo(source).absolutePath();
        const QStringList tail{"", "", "---- Diagnostic data ----", "Command executed: " + makePath,
                               "Arguments: CARTRIX_BOARD=B1 all ", "Working directory: " + folder};
        QCOMPARE(textsOf(probe.console()), head + tail);
        const QList<Paragraph> lines = paragraphsOf(probe.console());
        for (int i = 0; i < lines.size(); ++i) {
            const bool dataPart = i >= head.size() + 2;
            QCOMPARE(lines.at(i).color, dataPart ? DarkBlue : DarkRed);
        }
        QVERIFY(probe.action("actionBuild")->isEnabled());
    }

    void stderrColours()
    {
        const QString source = makeProject(QStringLiteral("proj"), QByteArray());
        MainWindow &w = newWindow(makeScript("printf 'plain problem\\nsome WARNING here\\n' >&2\n"
                                             "sleep 0.3\n"
                                             "printf 'only an error\\n' >&2\n"));
        MainWindowProbe probe(w);
        w.loadSourceFile(source);
        probe.action("actionBuild")->trigger();
        waitUntilIdle();
        QHash<QString, QColor> colours;
        for (const Paragraph &line : paragraphsOf(probe.console()))
            colours.insert(line.text, line.color);
        // One chunk holding a warning is orange throughout.
        QCOMPARE(colours.value(QStringLiteral("plain problem")), Orange);
        QCOMPARE(colours.value(QStringLiteral("some WARNING here")), Orange);
        QCOMPARE(colours.value(QStringLiteral("only an error")), Red);
    }

    void closingDuringBuildStopsIt()
    {
        startBusyBuild();
        if (QTest::currentTestFailed())
            return;
        MainWindow &w = *window;
        MainWindowProbe probe(w);

        QTest::keyClicks(probe.editor(), QStringLiteral("x"));
        TestSupport::pressButton(QMessageBox::Cancel);
        QVERIFY(!w.close());
        // The build was stopped before the question came.
        QVERIFY(!probe.running());
        QTRY_COMPARE(readFile(recordPath("stdin")), QByteArray("\x02"));

        probe.editor()->document()->setModified(false);
        probe.action("actionBuild")->trigger();
        QTRY_COMPARE(probe.process().state(), QProcess::Running);
        QVERIFY(w.close());
        QVERIFY(!probe.running());
    }

    // A program that crashes ends like any failure: its code and the
    // process's own description, in dark red, after what it printed.
    void crashingExample()
    {
        const QString source = makeProject(QStringLiteral("proj"), QByteArray());
        writeFile(QFileInfo(source).absolutePath() + QStringLiteral("/proj.exe"),
                  "#!/bin/sh\necho before the crash\nkill -SEGV $$\n", true);
        MainWindow &w = newWindow(makeScript("exit 0\n"));
        MainWindowProbe probe(w);
        w.loadSourceFile(source);
        probe.action("actionRun")->trigger();
        waitUntilIdle();
        const QList<Paragraph> lines = paragraphsOf(probe.console());
        QVERIFY(textsOf(probe.console()).contains(QStringLiteral("before the crash")));
        QVERIFY2(lines.at(lines.size() - 2).text.startsWith(QStringLiteral("Operation finished with error code: ")),
                 qPrintable(lines.at(lines.size() - 2).text));
        QCOMPARE(lines.at(lines.size() - 2).color, DarkRed);
        QCOMPARE(lines.last().color, DarkRed);
        QVERIFY(!lines.last().text.isEmpty());
        QVERIFY(probe.action("actionRun")->isEnabled());
    }

    void bundledExampleHearsStop()
    {
        const QString folder = copyExample(QStringLiteral("accel_tracker"));
        MainWindow &w = newWindow(QStringLiteral("make"));
        MainWindowProbe probe(w);
        w.loadSourceFile(folder + QStringLiteral("/accel_tracker.c"));
        probe.action("actionRun")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(probe.action("actionStop")->isEnabled()
                                     && probe.console()->toPlainText().contains(QStringLiteral("accel;")),
                                 20000);
        probe.action("actionStop")->trigger();
        waitUntilIdle();
        const QStringList texts = textsOf(probe.console());
        QVERIFY2(texts.contains(QStringLiteral("Stop requested, tracker halted.")), qPrintable(texts.join('|').right(300)));
        QCOMPARE(texts.last(), QStringLiteral("Operation canceled !"));
    }

    // Neither make nor a shell may read a board name as anything but text.
    void boardNameReachesProgramAsIs()
    {
        const QString board = QStringLiteral("$(shell touch pwned) \"q\" 'z' `touch pwned2` & \\ $HOME x\\");
        const QString folder = copyExample(QStringLiteral("thermo_monitor"));
        const QString makefile = folder + QStringLiteral("/Makefile");
        QByteArray rules = readFile(makefile);
        rules.replace("#VCE_Board_Definitions: TH100;", "#VCE_Board_Definitions: TH100; " + board.toUtf8() + ";");
        writeFile(makefile, rules);

        MainWindow &w = newWindow(QStringLiteral("make"));
        MainWindowProbe probe(w);
        w.loadSourceFile(folder + QStringLiteral("/thermo_monitor.c"));
        probe.boards()->setCurrentText(board);
        QCOMPARE(probe.boards()->currentText(), board);
        probe.action("actionRun")->trigger();
        waitUntilIdle();
        const QStringList texts = textsOf(probe.console());
        QVERIFY2(texts.contains(QStringLiteral("Thermo monitor on board %1 (sensor profile TH100)").arg(board)),
                 qPrintable(texts.join('\n').left(500)));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/pwned")));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/pwned2")));
    }

    void consoleShowsEverything_data()
    {
        QTest::addColumn<QByteArray>("producer");
        QTest::newRow("one long line") << QByteArray("head -c 300000 /dev/urandom | od -An -tx1 -v | tr -d ' \\n'");
        QTest::newRow("long lines and short ones")
            << QByteArray("for i in 1 2 3; do head -c 20000 /dev/zero | tr '\\0' $i; echo; echo short; done");
        QTest::newRow("characters split across reads")
            << QByteArray("printf 'caf\\303'; sleep 0.3; printf '\\251 \\342\\202'; sleep 0.3; printf '\\254 end'");
        QTest::newRow("zero bytes") << QByteArray("printf 'one\\000two\\nthree\\000\\n'; sleep 0.2; printf '\\000four\\000'");
    }

    // What the console shows, line breaks aside, is exactly what the program
    // wrote, and no paragraph is too long to lay out quickly.
    void consoleShowsEverything()
    {
        QFETCH(QByteArray, producer);
        const QString source = makeProject(QStringLiteral("proj"), QByteArray());
        MainWindow &w = newWindow(makeScript("{ " + producer + "; } | tee '" + recordPath("output").toUtf8() + "'\n"));
        MainWindowProbe probe(w);
        w.loadSourceFile(source);
        probe.action("actionBuild")->trigger();
        waitUntilIdle();

        QStringList texts = textsOf(probe.console());
        QCOMPARE(texts.takeLast(), QStringLiteral("Operation finished successfully"));
        QCOMPARE(texts.takeLast(), QString());
        for (const QString &text : qAsConst(texts))
            QVERIFY2(text.size() <= 4096, qPrintable(QString::number(text.size())));
        QByteArray written = readFile(recordPath("output"));
        QVERIFY(!written.isEmpty());
        written.replace('\0', QByteArray());
        const QString expected = QString::fromUtf8(written).remove(QLatin1Char('\n'));
        const QString shown = texts.join(QString());
        QCOMPARE(shown.size(), expected.size());
        QVERIFY(shown == expected);
        QVERIFY(!shown.contains(QChar::ReplacementCharacter));
    }

private:
    // A project folder named `name` with a source file and a Makefile whose
    // marker line is `boards` (none when null). Returns the source path.
    QString makeProject(const QString &name, const QByteArray &boards)
    {
        const QString folder = dir->filePath(name);
        QDir().mkpath(folder);
        if (!boards.isNull())
            writeFile(folder + QStringLiteral("/Makefile"), "# stand-in\n" + boards + "\n");
        const QString source = folder + QLatin1Char('/') + name + QStringLiteral(".c");
        writeFile(source, "int main(void) { return 0; }\n");
        return source;
    }
    // A make stand-in: a shell script that records its arguments, working
    // folder and input in `records`, then runs `body`.
    QString makeScript(const QByteArray &body)
    {
        const QString path = dir->filePath(QStringLiteral("fake make"));
        const QByteArray recorder = "#!/bin/sh\n"
                                    "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + recordPath("args").toUtf8() + "'\n"
                                    "pwd > '" + recordPath("cwd").toUtf8() + "'\n";
        writeFile(path, recorder + body, true);
        return path;
    }

    MainWindow &newWindow(const QString &makePath)
    {
        QSettings().setValue(QStringLiteral("MakePath"), makePath);
        window.reset(new MainWindow);
        window->show();
        return *window;
    }
    // Opens a window whose make, recording its standard input, is busy
    // building.
    void startBusyBuild()
    {
        const QString source = makeProject(QStringLiteral("proj"), QByteArray());
        MainWindow &w = newWindow(makeScript(stdinRecorder() + "echo building\nsleep 10\n"));
        MainWindowProbe probe(w);
        w.loadSourceFile(source);
        probe.action("actionBuild")->trigger();
        QTRY_VERIFY(textsOf(probe.console()).contains(QStringLiteral("building")));
    }
    // A copy of a bundled example in the test's folder; returns its folder.
    QString copyExample(const QString &name)
    {
        const QString source = qEnvironmentVariable("VESTRA_SOURCE_DIR") + QStringLiteral("/examples/") + name;
        const QString folder = dir->filePath(name);
        QDir().mkpath(folder);
        for (const QString &file : {QStringLiteral("Makefile"), name + QStringLiteral(".c")})
            QFile::copy(source + QLatin1Char('/') + file, folder + QLatin1Char('/') + file);
        return folder;
    }

    void waitUntilIdle(int timeoutMs = 20000)
    {
        MainWindowProbe probe(*window);
        QTRY_VERIFY_WITH_TIMEOUT(probe.idle() && !probe.running() && probe.consoleSettled(), timeoutMs);
    }

    QString recordPath(const char *name) const { return records.filePath(QLatin1String(name)); }
    // Shell lines that keep the first byte of standard input in the record
    // "stdin". The reader runs in the background from the start, so the
    // byte is kept even when the script is ended before it gets further.
    QByteArray stdinRecorder() const
    {
        return "exec 3<&0\ndd bs=1 count=1 of='" + recordPath("stdin").toUtf8() + "' 2>/dev/null <&3 &\n";
    }

    QTemporaryDir records;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
    QByteArray savedPath;
};

QTEST_MAIN(tst_Build)
#include "tst_build.moc"
