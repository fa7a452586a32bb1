#include "mainwindowprobe.h"

#include <QRegularExpression>
#include <QTextBlock>

using TestSupport::readFile;
using TestSupport::writeFile;

// Boards line (null: no Makefile), the board chosen, make's arguments.
VESTRA_TEST_ROW(MakeRow, QByteArray, QString, QByteArray)
// Make's script, the program's (null: none made), the console's lines.
VESTRA_TEST_ROW(EndingRow, QByteArray, QByteArray, QStringList)

namespace {

// Each console paragraph with its colour as one letter: b(lue), g(reen),
// r(ed, dark), R(ed), o(range), k (black or anything else).
QStringList paragraphsOf(QTextEdit *console, bool withColour = false)
{
    static const QHash<QRgb, char> letters{{qRgb(0, 0, 128), 'b'}, {qRgb(0, 128, 0), 'g'},
                                          {qRgb(128, 0, 0), 'r'}, {qRgb(255, 0, 0), 'R'},
                                          {qRgb(255, 101, 0), 'o'}};
    QStringList result;
    for (QTextBlock block = console->document()->begin(); block.isValid(); block = block.next()) {
        const QTextCharFormat format = block.begin().atEnd() ? block.charFormat()
                                                             : block.begin().fragment().charFormat();
        const char colour = letters.value(format.foreground().color().rgb(), 'k');
        result << (withColour ? QLatin1Char(colour) + QStringLiteral(" ") + block.text() : block.text());
    }
    return result;
}

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
        discardWindow(window);
        dir.reset();
        qputenv("PATH", savedPath);
    }

    // A real build, run and clean of a bundled example, for a board whose
    // name neither make nor a shell may read as anything but text.
    void realMakeBuildsRunsAndCleans()
    {
        const QString board = QStringLiteral("$(shell touch pwned) \"q\" 'z' `touch pwned2` & \\ $HOME x\\");
        const QString folder = TestSupport::copyExample(QStringLiteral("thermo_monitor"), dir->filePath(QStringLiteral("thermo")));
        QByteArray rules = readFile(folder + "/Makefile");
        rules.replace("#VCE_Board_Definitions: TH100;", "#VCE_Board_Definitions: TH100; " + board.toUtf8() + ";");
        QVERIFY(writeFile(folder + "/Makefile", rules));
        MainWindowProbe probe(newWindow(QStringLiteral("make")));
        window->loadSourceFile(folder + "/thermo_monitor.c");
        probe.boards()->setCurrentText(board);
        QCOMPARE(probe.boards()->currentText(), board);

        QStringList lines = runAction("actionBuild", true);
        QVERIFY2(lines.first().startsWith("b ") && lines.first().contains("thermo_monitor.exe"), qPrintable(lines.first()));
        QCOMPARE(lines.mid(lines.size() - 2), (QStringList{"g ", "g Operation finished successfully"}));
        QVERIFY(QFile::exists(folder + "/thermo_monitor.exe"));

        lines = runAction("actionRun", true);
        QCOMPARE(lines.first(), QStringLiteral("g Running example 'thermo_monitor.exe' ..."));
        QVERIFY2(lines.contains(QStringLiteral("b Thermo monitor on board %1 (sensor profile TH100)").arg(board)),
                 qPrintable(lines.join('\n').left(500)));
        QVERIFY(lines.contains("b Done: 20 readings."));
        QCOMPARE(lines.last(), QStringLiteral("g Operation finished successfully"));
        QVERIFY(!QFile::exists(folder + "/pwned") && !QFile::exists(folder + "/pwned2"));

        QCOMPARE(runAction("actionClean").last(), QStringLiteral("Operation finished successfully"));
        QVERIFY(!QFile::exists(folder + "/thermo_monitor.exe"));
    }

    void makeArguments_data()
    {
        QTest::addColumn<MakeRow>("row");
        QTest::newRow("no Makefile: <Default>") << MakeRow{QByteArray(), QString(), "[CARTRIX_BOARD=<Default>]\n[all]\n"};
        QTest::newRow("clean") << MakeRow{"#VCE_Board_Definitions: A;B", "B", "[CARTRIX_BOARD=B]\n[clean]\n"};
        QTest::newRow("empty board list") << MakeRow{"#VCE_Board_Definitions", QString(), "[CARTRIX_BOARD=]\n[all]\n"};
        QTest::newRow("blanks and shell characters")
            << MakeRow{"#VCE_Board_Definitions: x; My $(touch pwned) \"q\" 'z' `id` &; y", "My $(touch pwned) \"q\" 'z' `id` &",
                       "[CARTRIX_BOARD=My $$(touch pwned) \"q\" 'z' `id` &]\n[all]\n"};
    }

    void makeArguments()
    {
        const auto [boards, choose, expected] = TestSupport::row<MakeRow>();
        MainWindowProbe probe = openProject(makeScript("exit 0\n"), QByteArray(), boards);
        if (!choose.isNull())
            probe.boards()->setCurrentText(choose);
        QCOMPARE(runAction(expected.contains("clean") ? "actionClean" : "actionBuild").last(),
                 QStringLiteral("Operation finished successfully"));
        QCOMPARE(readFile(recordPath("args")), expected);
        QCOMPARE(QString::fromUtf8(readFile(recordPath("cwd"))).trimmed(), QFileInfo(probe.currentFilePath()).canonicalPath());
        QVERIFY(!QFile::exists(QFileInfo(probe.currentFilePath()).absolutePath() + "/pwned"));
    }

    // The actions follow the steps. Cancel Build and Stop send the stop byte
    // and end the console with the cancel line; closing the window stops a
    // build before it asks about unsaved edits, and closes whatever runs.
    void actionStatesAndStopping()
    {
        const QString source = makeProject(QByteArray(), "echo example\nsleep 10\n");
        MainWindowProbe probe(newWindow(makeScript(stdinRecorder() + "echo making\nsleep 10\n")));
        const auto states = [&probe]() {
            QString s;
            for (const char *name : {"actionBuild", "actionClean", "actionCancel_Build", "actionRun", "actionStop"})
                s += probe.action(name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
            return s;
        };
        // Without a file nothing starts.
        probe.action("actionBuild")->trigger();
        probe.action("actionRun")->trigger();
        QVERIFY(probe.idle() && !probe.running() && !QFile::exists(recordPath("args")));
        QCOMPARE(states(), QStringLiteral("11010"));

        window->loadSourceFile(source);
        probe.action("actionBuild")->trigger();
        QCOMPARE(states(), QStringLiteral("00100"));
        probe.action("actionCancel_Build")->trigger();
        waitUntilIdle();
        QCOMPARE(states(), QStringLiteral("11010"));
        QTRY_COMPARE(readFile(recordPath("stdin")), QByteArray("\x02"));
        QCOMPARE(paragraphsOf(probe.console(), true).last(), QStringLiteral("g Operation canceled !"));

        QFile::remove(recordPath("stdin"));
        probe.action("actionBuild")->trigger();
        QTRY_VERIFY(paragraphsOf(probe.console()).contains("making"));
        QTest::keyClicks(probe.editor(), QStringLiteral("x"));
        TestSupport::answer(QMessageBox::Cancel);
        QVERIFY(!window->close());
        QVERIFY(!probe.running());
        QTRY_COMPARE(readFile(recordPath("stdin")), QByteArray("\x02"));
        probe.editor()->document()->setModified(false);

        // Make succeeds at once; the example then runs on.
        QVERIFY(writeFile(makeScript("exit 0\n"), QByteArray("#!/bin/sh\nexit 0\n"), true));
        probe.action("actionRun")->trigger();
        QTRY_VERIFY(paragraphsOf(probe.console()).contains("example"));
        QCOMPARE(states(), QStringLiteral("00001"));
        probe.action("actionStop")->trigger();
        waitUntilIdle();
        QCOMPARE(states(), QStringLiteral("11010"));
        probe.action("actionRun")->trigger();
        QTRY_COMPARE(probe.process().state(), QProcess::Running);
        QVERIFY(window->close());
        QVERIFY(!probe.running());
    }

    void consoleEndings_data()
    {
        QTest::addColumn<EndingRow>("row");
        QTest::newRow("failed build discards the run")
            << EndingRow{"echo compiling\nexit 2\n", "echo ran\n",
                         {"b compiling", "b ", "r ", "r Operation finished with error code: 2", "r *"}};
        QTest::newRow("no program was made")
            << EndingRow{"echo built\n", QByteArray(), {"b built", "b ", "g ", "g Operation finished successfully"}};
        // One chunk holding a warning is orange throughout.
        QTest::newRow("errors and warnings")
            << EndingRow{"printf 'plain problem\\nsome WARNING here\\n' >&2\nsleep 0.3\nprintf 'only an error\\n' >&2\n",
                         QByteArray(), {"o plain problem", "o some WARNING here", "o ", "R only an error", "R ", "g ",
                                        "g Operation finished successfully"}};
        QTest::newRow("crashing program")
            << EndingRow{"exit 0\n", "echo before the crash\nkill -SEGV $$\n", {"g Running example 'proj.exe' ...", "g ",
                         "b before the crash", "b ", "r ", "r Operation finished with error code: *", "r *"}};
    }

    // How a step's end reads in the console; "*" stands for any text.
    void consoleEndings()
    {
        const auto [make, program, lines] = TestSupport::row<EndingRow>();
        MainWindowProbe probe = openProject(makeScript(make), program);
        const QStringList shown = runAction("actionRun", true);
        const QRegularExpression expected(
            QRegularExpression::anchoredPattern(QRegularExpression::escape(lines.join('\n')).replace("\\*", ".+")));
        QVERIFY2(expected.match(shown.join('\n')).hasMatch(), qPrintable(shown.join('\n')));
        QVERIFY(probe.action("actionRun")->isEnabled());
    }

    void cancelledPromptLeavesQueueEmpty()
    {
        MainWindowProbe probe = openProject(makeScript("echo built\n"), QByteArray("echo ran\n"));
        QTest::keyClicks(probe.editor(), QStringLiteral("x"));
        const auto question = TestSupport::answer(QMessageBox::Cancel);
        probe.action("actionRun")->trigger();
        QVERIFY(question->seen && probe.idle() && probe.console()->toPlainText().isEmpty());
        QVERIFY(!QFile::exists(recordPath("args")));

        // A later Build only builds: the run step is gone with the cancel.
        TestSupport::answer(QMessageBox::Discard);
        const QStringList shown = runAction("actionBuild");
        QCOMPARE(shown.first(), QStringLiteral("built"));
        QVERIFY(!shown.contains("ran"));
    }

    void diagnostics_data()
    {
        QTest::addColumn<QString>("makePath");
        QTest::addColumn<QStringList>("head");
        const QStringList advice{"", "Check if compiler is installed ! Refer documentation regarding compiler installation .", "",
                                 "It is recommended to install TDM-GCC from https://jmeubank.github.io/tdm-gcc/download/"};
        QTest::newRow("make") << "make" << QStringList{"'make' not found !"} + advice;
        QTest::newRow("mingw32-make") << "mingw32-make" << QStringList{"'mingw32-make' not found !"} + advice;
        QTest::newRow("full path") << "/no/such folder/make"
                                   << QStringList{"Set Make Utility Path to \"make\" or \"mingw32-make\" in Settings option"};
    }

    void diagnostics()
    {
        QFETCH(QString, makePath);
        QFETCH(QStringList, head);
        // Nothing on the program search path, so no make can be found.
        qputenv("PATH", QFile::encodeName(dir->filePath(QStringLiteral("empty-bin"))));
        MainWindowProbe probe = openProject(makePath, QByteArray(), "#VCE_Board_Definitions: B1");
        QStringList expected;
        for (const QString &line : head)
            expected << "r " + line;
        expected << "r " << "r " << "b ---- Diagnostic data ----" << "b Command executed: " + makePath
                 << "b Arguments: CARTRIX_BOARD=B1 all " << "b Working directory: " + QFileInfo(probe.currentFilePath()).absolutePath();
        QCOMPARE(runAction("actionBuild", true), expected);
        QVERIFY(probe.action("actionBuild")->isEnabled());
    }

    void bundledExampleHearsStop()
    {
        const QString folder = TestSupport::copyExample(QStringLiteral("accel_tracker"), dir->filePath(QStringLiteral("accel")));
        MainWindowProbe probe(newWindow(QStringLiteral("make")));
        window->loadSourceFile(folder + "/accel_tracker.c");
        probe.action("actionRun")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(probe.action("actionStop")->isEnabled() && probe.console()->toPlainText().contains("accel;"),
                                 20000);
        const QStringList shown = runAction("actionStop");
        QVERIFY2(shown.contains("Stop requested, tracker halted."), qPrintable(shown.join('|').right(300)));
        QCOMPARE(shown.last(), QStringLiteral("Operation canceled !"));
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
        openProject(makeScript("{ " + producer + "; } | tee '" + recordPath("output").toUtf8() + "'\n"));
        QStringList shown = runAction("actionBuild");
        QCOMPARE(shown.takeLast(), QStringLiteral("Operation finished successfully"));
        QCOMPARE(shown.takeLast(), QString());
        for (const QString &text : qAsConst(shown))
            QVERIFY2(text.size() <= 4096, qPrintable(QString::number(text.size())));
        QByteArray written = readFile(recordPath("output"));
        QVERIFY(!written.isEmpty());
        written.replace('\0', QByteArray());
        const QString expected = QString::fromUtf8(written).remove(QLatin1Char('\n'));
        const QString joined = shown.join(QString());
        QCOMPARE(joined.size(), expected.size());
        QVERIFY(joined == expected);
        QVERIFY(!joined.contains(QChar::ReplacementCharacter));
    }

private:
    // A project folder with a source file, a Makefile whose marker line is
    // `boards` (none when null) and, if `program` is given, a built program
    // that runs it. Returns the source path.
    QString makeProject(const QByteArray &boards, const QByteArray &program = QByteArray())
    {
        const QString folder = dir->filePath(QStringLiteral("proj"));
        QDir().mkpath(folder);
        if (!boards.isNull())
            writeFile(folder + "/Makefile", "# stand-in\n" + boards + "\n");
        if (!program.isNull())
            writeFile(folder + "/proj.exe", "#!/bin/sh\n" + program, true);
        writeFile(folder + "/proj.c", "int main(void) { return 0; }\n");
        return folder + "/proj.c";
    }

    // A make stand-in: a shell script that records its arguments and working
    // folder, then runs `body`.
    QString makeScript(const QByteArray &body)
    {
        const QString path = dir->filePath(QStringLiteral("fake make"));
        writeFile(path, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + recordPath("args").toUtf8()
                            + "'\npwd > '" + recordPath("cwd").toUtf8() + "'\n" + body, true);
        return path;
    }

    MainWindow &newWindow(const QString &makePath)
    {
        QSettings().setValue(QStringLiteral("MakePath"), makePath);
        window.reset(new MainWindow);
        window->show();
        return *window;
    }

    MainWindowProbe openProject(const QString &makePath, const QByteArray &program = QByteArray(),
                                const QByteArray &boards = QByteArray())
    {
        const QString source = makeProject(boards, program);
        newWindow(makePath).loadSourceFile(source);
        return MainWindowProbe(*window);
    }

    void waitUntilIdle()
    {
        MainWindowProbe probe(*window);
        QTRY_VERIFY_WITH_TIMEOUT(probe.idle() && !probe.running() && probe.consoleSettled(), 20000);
    }

    QStringList runAction(const char *action, bool withColour = false)
    {
        MainWindowProbe probe(*window);
        probe.action(action)->trigger();
        waitUntilIdle();
        return paragraphsOf(probe.console(), withColour);
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
