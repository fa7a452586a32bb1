#include "mainwindowuser.h"
#include "plotfeed.h"

#include <QRegularExpression>
#include <QTextBlock>

using TestSupport::readFile;
using TestSupport::writeFile;
using namespace WindowUser;


namespace {

// Each console paragraph, with its colour as the user names it when asked.
QStringList paragraphsOf(QTextEdit *console, bool withColour = false)
{
    static const QHash<QRgb, QString> names{{qRgb(0, 0, 128), "blue"}, {qRgb(0, 128, 0), "green"},
                                            {qRgb(128, 0, 0), "dark red"}, {qRgb(255, 0, 0), "red"},
                                            {qRgb(255, 101, 0), "orange"}};
    QStringList result;
    for (QTextBlock block = console->document()->begin(); block.isValid(); block = block.next()) {
        const QTextCharFormat format = block.begin().atEnd() ? block.charFormat()
                                                             : block.begin().fragment().charFormat();
        const QString colour = names.value(format.foreground().color().rgb(), "black");
        result << (withColour ? colour + ": " + block.text() : block.text());
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
        for (const char *name : {"args", "cwd", "output", "viewer"})
            QFile::remove(recordPath(name));
    }

    void cleanup()
    {
        discard(window);
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
        MainWindow &w = newWindow(QStringLiteral("make"));
        w.loadSourceFile(folder + "/thermo_monitor.c");
        boards(w)->setCurrentText(board);
        QCOMPARE(boards(w)->currentText(), board);

        QStringList lines = runAction("actionBuild", true);
        QVERIFY2(lines.first().startsWith("blue: ") && lines.first().contains("thermo_monitor.exe"), qPrintable(lines.first()));
        QCOMPARE(lines.mid(lines.size() - 2), (QStringList{"green: ", "green: Operation finished successfully"}));
        QVERIFY(QFile::exists(folder + "/thermo_monitor.exe"));

        lines = runAction("actionRun", true);
        QCOMPARE(lines.first(), QStringLiteral("green: Running example 'thermo_monitor.exe' ..."));
        QVERIFY2(lines.contains(QStringLiteral("blue: Thermo monitor on board %1 (sensor profile TH100)").arg(board)),
                 qPrintable(lines.join('\n').left(500)));
        QVERIFY(lines.contains("blue: Done: 20 readings."));
        QCOMPARE(lines.last(), QStringLiteral("green: Operation finished successfully"));
        QVERIFY(!QFile::exists(folder + "/pwned") && !QFile::exists(folder + "/pwned2"));

        QCOMPARE(runAction("actionClean").last(), QStringLiteral("Operation finished successfully"));
        QVERIFY(!QFile::exists(folder + "/thermo_monitor.exe"));
    }

    void makeArguments_data()
    {
        QTest::addColumn<QByteArray>("boardLine");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QByteArray>("arguments");
        QTest::newRow("no Makefile: <Default>") << QByteArray() << QString() << QByteArray("[CARTRIX_BOARD=<Default>]\n[all]\n");
        QTest::newRow("clean, the board chosen") << QByteArray("#VCE_Board_Definitions: A;B") << "B"
                                                 << QByteArray("[CARTRIX_BOARD=B]\n[clean]\n");
    }

    // make runs in the source's folder with the board chosen and the target.
    void makeArguments()
    {
        QFETCH(QByteArray, boardLine);
        QFETCH(QString, chosen);
        QFETCH(QByteArray, arguments);
        const QString source = makeProject(boardLine);
        MainWindow &w = newWindow(makeScript("exit 0\n"));
        w.loadSourceFile(source);
        if (!chosen.isNull())
            boards(w)->setCurrentText(chosen);
        QCOMPARE(runAction(arguments.contains("clean") ? "actionClean" : "actionBuild").last(),
                 QStringLiteral("Operation finished successfully"));
        QCOMPARE(readFile(recordPath("args")), arguments);
        QCOMPARE(QString::fromUtf8(readFile(recordPath("cwd"))).trimmed(), QFileInfo(source).canonicalPath());
    }

    // The actions follow the steps. Cancel Build and Stop end the console
    // with the cancel line; closing the window stops a build before it asks
    // about unsaved edits, and ends whatever runs.
    void actionStatesAndStopping()
    {
        const QString source = makeProject(QByteArray(), "echo example\nsleep 10\n");
        MainWindow &w = newWindow(makeScript("echo making\nsleep 10\n"));
        const QString idle = QStringLiteral("Build Project, Clean Project, Run");
        // Without a file nothing starts.
        action(w, "actionBuild")->trigger();
        action(w, "actionRun")->trigger();
        QVERIFY(!QFile::exists(recordPath("args")));
        QCOMPARE(enabledActions(), idle);

        w.loadSourceFile(source);
        action(w, "actionBuild")->trigger();
        QCOMPARE(enabledActions(), QStringLiteral("Cancel Build Operation"));
        action(w, "actionCancel_Build")->trigger();
        waitUntilSettled();
        QCOMPARE(enabledActions(), idle);
        QCOMPARE(paragraphsOf(console(w), true).last(), QStringLiteral("green: Operation canceled !"));

        action(w, "actionBuild")->trigger();
        QTRY_VERIFY(paragraphsOf(console(w)).contains("making"));
        QTest::keyClicks(editor(w), QStringLiteral("x"));
        const auto question = TestSupport::answer(QMessageBox::Cancel);
        QVERIFY(!w.close());
        QVERIFY(question->seen);
        QCOMPARE(enabledActions(), idle);
        QTRY_COMPARE(paragraphsOf(console(w)).last(), QStringLiteral("Operation canceled !"));
        editor(w)->document()->setModified(false);

        // Make succeeds at once; the example then runs on.
        QVERIFY(writeFile(makeScript("exit 0\n"), QByteArray("#!/bin/sh\nexit 0\n"), true));
        action(w, "actionRun")->trigger();
        QTRY_VERIFY(paragraphsOf(console(w)).contains("example"));
        QCOMPARE(enabledActions(), QStringLiteral("Stop"));
        action(w, "actionStop")->trigger();
        waitUntilSettled();
        QCOMPARE(enabledActions(), idle);
        action(w, "actionRun")->trigger();
        QTRY_VERIFY(paragraphsOf(console(w)).contains("example"));
        QVERIFY(w.close());
        QCOMPARE(enabledActions(), idle);
    }

    void consoleEndings_data()
    {
        QTest::addColumn<QByteArray>("make");
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("failed build: the run is dropped")
            << QByteArray("echo compiling\nexit 2\n") << QByteArray("echo ran\n")
            << QStringList{"blue: compiling", "blue: ", "dark red: ", "dark red: Operation finished with error code: 2",
                           "dark red: *"};
        QTest::newRow("no program was made: nothing runs")
            << QByteArray("echo built\n") << QByteArray()
            << QStringList{"blue: built", "blue: ", "green: ", "green: Operation finished successfully"};
        QTest::newRow("error output, a chunk at a time")
            << QByteArray("printf 'some WARNING here\\n' >&2\nsleep 0.3\nprintf 'only an error\\n' >&2\n") << QByteArray()
            << QStringList{"orange: some WARNING here", "orange: ", "red: only an error", "red: ", "green: ",
                           "green: Operation finished successfully"};
        QTest::newRow("crashing program")
            << QByteArray("exit 0\n") << QByteArray("echo before the crash\nkill -SEGV $$\n")
            << QStringList{"green: Running example 'proj.exe' ...", "green: ", "blue: before the crash", "blue: ",
                           "dark red: ", "dark red: Operation finished with error code: *", "dark red: *"};
    }

    // How Run reads in the console; "*" stands for any text.
    void consoleEndings()
    {
        QFETCH(QByteArray, make);
        QFETCH(QByteArray, program);
        QFETCH(QStringList, shown);
        newWindow(makeScript(make)).loadSourceFile(makeProject(QByteArray(), program));
        const QStringList lines = runAction("actionRun", true);
        const QRegularExpression expected(
            QRegularExpression::anchoredPattern(QRegularExpression::escape(shown.join('\n')).replace("\\*", ".+")));
        QVERIFY2(expected.match(lines.join('\n')).hasMatch(), qPrintable(lines.join('\n')));
        QVERIFY(action(*window, "actionRun")->isEnabled());
    }

    void cancelledPromptLeavesQueueEmpty()
    {
        MainWindow &w = newWindow(makeScript("echo built\n"));
        w.loadSourceFile(makeProject(QByteArray(), "echo ran\n"));
        QTest::keyClicks(editor(w), QStringLiteral("x"));
        const auto question = TestSupport::answer(QMessageBox::Cancel);
        action(w, "actionRun")->trigger();
        QVERIFY(question->seen && console(w)->toPlainText().isEmpty());
        QVERIFY(!QFile::exists(recordPath("args")));

        // A later Build only builds: the run step is gone with the cancel.
        TestSupport::answer(QMessageBox::Discard);
        const QStringList shown = runAction("actionBuild");
        QCOMPARE(shown.first(), QStringLiteral("built"));
        QVERIFY(!shown.contains("ran"));
    }

    void bundledExampleHearsStop()
    {
        const QString folder = TestSupport::copyExample(QStringLiteral("accel_tracker"), dir->filePath(QStringLiteral("accel")));
        MainWindow &w = newWindow(QStringLiteral("make"));
        w.loadSourceFile(folder + "/accel_tracker.c");
        action(w, "actionRun")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(action(w, "actionStop")->isEnabled() && console(w)->toPlainText().contains("accel;"), 20000);
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
    }

    // What the console shows, line breaks aside, is exactly what the program
    // wrote, and no paragraph is too long to lay out quickly.
    void consoleShowsEverything()
    {
        QFETCH(QByteArray, producer);
        newWindow(makeScript("{ " + producer + "; } | tee '" + recordPath("output").toUtf8() + "'\n"))
            .loadSourceFile(makeProject(QByteArray()));
        QStringList shown = runAction("actionBuild");
        QCOMPARE(shown.takeLast(), QStringLiteral("Operation finished successfully"));
        QCOMPARE(shown.takeLast(), QString());
        for (const QString &text : qAsConst(shown))
            QVERIFY2(text.size() <= 4096, qPrintable(QString::number(text.size())));
        const QString expected = QString::fromUtf8(readFile(recordPath("output"))).remove(QLatin1Char('\n'));
        const QString joined = shown.join(QString());
        QVERIFY(!expected.isEmpty());
        QCOMPARE(joined.size(), expected.size());
        QVERIFY(joined == expected);
    }

    void diagnosticsLeadToTheirPlaces_data()
    {
        QTest::addColumn<QString>("compiler");
        QTest::newRow("gcc") << "gcc";
        QTest::newRow("clang") << "clang";
    }

    // The real compiler's error and warning, and one diagnostic that comes
    // in two pieces: the gutter marks their lines, a click on each in the
    // console puts the cursor on its line and column, F4 and Shift+F4 walk
    // them in order, and the next build takes the marks away as it starts.
    void diagnosticsLeadToTheirPlaces()
    {
        QFETCH(QString, compiler);
        if (QStandardPaths::findExecutable(compiler).isEmpty())
            QSKIP("The compiler is not installed");
        const QString source = makeProject(QByteArray());
        QVERIFY(writeFile(source, "static int twice(int x)\n{\n    int unused;\n    return 2 * x;\n}\n\n"
                                  "int main(void)\n{\n    return twice(undefined_name);\n}\n"));
        MainWindow &w = newWindow(makeScript(compiler.toUtf8() + " -Wall -c proj.c\n"
                                             "printf 'proj.c:1:' >&2; sleep 0.3; printf '8: error: split\\n' >&2\nexit 1\n"));
        w.loadSourceFile(source);
        runAction("actionBuild");
        QCOMPARE(marksOf(w), QStringLiteral("1 error, 3 warning, 9 error"));

        const QStringList clicked{"proj.c:3:9: warning", "proj.c:9:18: error", "8: error: split"};
        QStringList landed;
        for (const QString &text : clicked) {
            clickConsoleLine(w, text);
            landed << placeOf(w);
        }
        QCOMPARE(landed, (QStringList{"3:9", "9:18", "1:8"}));

        landed.clear();
        for (const char *name : {"actionNext_Diagnostic", "actionNext_Diagnostic", "actionNext_Diagnostic",
                                 "actionPrevious_Diagnostic"}) {
            action(w, name)->trigger();
            landed << placeOf(w);
        }
        QCOMPARE(landed, (QStringList{"3:9", "9:18", "1:8", "9:18"}));

        QVERIFY(writeFile(makeScript("sleep 1\n"), "#!/bin/sh\nsleep 1\n", true));
        action(w, "actionBuild")->trigger();
        QCOMPARE(marksOf(w), QString());
        waitUntilSettled();
    }

    // A diagnostic in another file offers to open it, after the question
    // about the open file's changes; the cursor then stands on its place.
    void diagnosticInAnotherFileOpensIt()
    {
        const QString source = makeProject(QByteArray());
        QVERIFY(writeFile(dir->filePath("proj/other.c"), "int a;\nint b = c;\n"));
        MainWindow &w = newWindow(makeScript("printf 'other.c:2:9: error: elsewhere\\n' >&2\nexit 1\n"));
        w.loadSourceFile(source);
        runAction("actionBuild");
        QTest::keyClicks(editor(w), QStringLiteral("x"));
        const auto open = TestSupport::answer(QMessageBox::Yes);
        const auto discard = TestSupport::answer(QMessageBox::Discard);
        clickConsoleLine(w, "other.c:2:9");
        QVERIFY(open->seen && discard->seen);
        QVERIFY(editor(w)->toPlainText().startsWith("int a;"));
        QCOMPARE(placeOf(w), QStringLiteral("2:9"));
        QCOMPARE(marksOf(w), QStringLiteral("2 error"));
    }

    // Run and Plot hands the example's output to a viewer of its own, which
    // a second run reuses (cleared first) and Stop leaves open; closing the
    // viewer leaves the program running.
    void runAndPlotFeedsTheViewer()
    {
        const QString received = recordPath("output");
        QVERIFY(writeFile(dir->filePath("viewer"), "#!/bin/sh\necho \"$@\" >> '" + recordPath("viewer").toUtf8()
                                                      + "'\nexec cat > '" + received.toUtf8() + "'\n", true));
        QSettings().setValue(QStringLiteral("ViewerPath"), dir->filePath("viewer"));
        MainWindow &w = newWindow(makeScript("exit 0\n"));
        w.loadSourceFile(makeProject(QByteArray(), "i=0; while [ $i -lt 2000 ]; do echo \"s;$i;$i\"; i=$((i+1)); done\n"));
        QByteArray lines;
        for (int i = 0; i < 2000; ++i)
            lines += "s;" + QByteArray::number(i) + ";" + QByteArray::number(i) + "\n";
        runAction("actionRun_and_Plot");
        QTRY_COMPARE(readFile(received), lines);
        runAction("actionRun_and_Plot");
        QTRY_COMPARE(readFile(received), lines + "#vestra:clear\n" + lines);
        QCOMPARE(readFile(recordPath("viewer")), QByteArray("--keep 60 -\n"));

        // A program that runs on: Stop ends it, not the viewer; a viewer
        // closed meanwhile does not end the program.
        QVERIFY(writeFile(dir->filePath("proj/proj.exe"), "#!/bin/sh\nwhile true; do echo 's;1;1'; sleep 0.05; done\n", true));
        action(w, "actionRun_and_Plot")->trigger();
        auto *viewer = w.findChild<QProcess *>(QStringLiteral("plotViewer"));
        QTRY_VERIFY(console(w)->toPlainText().contains("s;1;1"));
        action(w, "actionStop")->trigger();
        waitUntilSettled();
        QCOMPARE(viewer->state(), QProcess::Running);
        action(w, "actionRun_and_Plot")->trigger();
        QTRY_VERIFY(action(w, "actionStop")->isEnabled());
        viewer->kill();
        QVERIFY(viewer->waitForFinished(5000));
        const int shown = console(w)->document()->blockCount();
        QTRY_VERIFY(console(w)->document()->blockCount() > shown + 3);
        QVERIFY(action(w, "actionStop")->isEnabled());
        action(w, "actionStop")->trigger();
        waitUntilSettled();
    }

    // The sensor demo's live board through Run and Plot: the viewer gets
    // every line the program printed, and Stop leaves it running.
    void runAndPlotTheSensorDemo()
    {
        const QString received = recordPath("output");
        QVERIFY(writeFile(dir->filePath("viewer"), "#!/bin/sh\nexec cat > '" + received.toUtf8() + "'\n", true));
        QSettings().setValue(QStringLiteral("ViewerPath"), dir->filePath("viewer"));
        const QString folder = TestSupport::copyExample(QStringLiteral("sensor_demo"), dir->filePath(QStringLiteral("demo")));
        MainWindow &w = newWindow(QStringLiteral("make"));
        w.loadSourceFile(folder + "/sensor_demo.c");
        boards(w)->setCurrentText(QStringLiteral("Demo Live"));
        action(w, "actionRun_and_Plot")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(paragraphsOf(console(w)).filter("gyro;").size() >= 3, 20000);
        action(w, "actionStop")->trigger();
        waitUntilSettled();
        QStringList printed = paragraphsOf(console(w)).filter(QRegularExpression("^[a-z]+;"));
        QTRY_COMPARE(QString::fromUtf8(readFile(received)).split('\n', Qt::SkipEmptyParts), printed);
        QCOMPARE(w.findChild<QProcess *>(QStringLiteral("plotViewer"))->state(), QProcess::Running);
    }

    // A viewer that reads nothing neither holds the program up nor fills
    // the editor's memory: what waits for it stays bounded.
    void runAndPlotWithAViewerThatReadsNothing()
    {
        QVERIFY(writeFile(dir->filePath("viewer"), "#!/bin/sh\nexec sleep 60\n", true));
        QSettings().setValue(QStringLiteral("ViewerPath"), dir->filePath("viewer"));
        MainWindow &w = newWindow(makeScript("exit 0\n"));
        w.loadSourceFile(makeProject(QByteArray(), "yes 'pressure;1.5;1013.25' | head -c 60000000\n"));
        QElapsedTimer clock;
        clock.start();
        const QStringList shown = runAction("actionRun_and_Plot");
        QCOMPARE(shown.last(), QStringLiteral("Operation finished successfully"));
        auto *viewer = w.findChild<QProcess *>(QStringLiteral("plotViewer"));
        QVERIFY2(viewer->bytesToWrite() <= PlotFeed::MostWaiting, qPrintable(QString::number(viewer->bytesToWrite())));
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        viewer->kill();
        viewer->waitForFinished(5000);
    }

private:
    // The gutter's marks, as "line kind".
    static QString marksOf(MainWindow &w)
    {
        QStringList marks;
        for (const LineMark &mark : editor(w)->lineMarks())
            marks << QStringLiteral("%1 %2").arg(mark.line).arg(mark.error ? "error" : "warning");
        return marks.join(", ");
    }

    // Where the editor's cursor stands, as "line:column".
    static QString placeOf(MainWindow &w)
    {
        const QTextCursor cursor = editor(w)->textCursor();
        return QStringLiteral("%1:%2").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1);
    }

    // Clicks the console's paragraph that holds `text`, as a user would.
    static void clickConsoleLine(MainWindow &w, const QString &text)
    {
        QTextEdit *shown = console(w);
        QTextBlock block = shown->document()->begin();
        while (block.isValid() && !block.text().contains(text))
            block = block.next();
        QVERIFY2(block.isValid(), qPrintable(text));
        QTextCursor at(block);
        shown->setTextCursor(at);
        shown->ensureCursorVisible();
        QTest::mouseClick(shown->viewport(), Qt::LeftButton, Qt::NoModifier,
                          shown->cursorRect(at).center() + QPoint(4, 0));
    }

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

    // The texts of the Build menu's enabled entries.
    QString enabledActions() const
    {
        QStringList names;
        for (const char *name : {"actionBuild", "actionClean", "actionCancel_Build", "actionRun", "actionStop"}) {
            if (action(*window, name)->isEnabled())
                names << action(*window, name)->text().remove('&');
        }
        return names.join(", ");
    }

    void waitUntilSettled() { QTRY_VERIFY_WITH_TIMEOUT(settled(*window), 20000); }

    QStringList runAction(const char *name, bool withColour = false)
    {
        action(*window, name)->trigger();
        waitUntilSettled();
        return paragraphsOf(console(*window), withColour);
    }

    QString recordPath(const char *name) const { return records.filePath(QLatin1String(name)); }

    QTemporaryDir records;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
    QByteArray savedPath;
};

QTEST_MAIN(tst_Build)
#include "tst_build.moc"
