#include "mainwindowuser.h"

using TestSupport::readFile;
using TestSupport::writeFile;
using namespace WindowUser;

namespace {

const QByteArray Source("int main(void) { return 0; }\n");

QString stored(const char *key)
{
    return QSettings().value(QLatin1String(key)).toString();
}

} // namespace

// Open, edit, save, leave: the window's part of each. The rules behind them
// (titles, reading and writing files, the unsaved-changes question) are
// checked without a window beside the code that holds them.
class tst_FileHandling : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::isolateSettings();
        dir.reset(new QTemporaryDir);
        QVERIFY(dir->isValid());
    }

    void cleanup()
    {
        discard(window);
        dir.reset();
    }

    // A user opens an example, edits and saves it; the next start reopens
    // it, unless it has gone. Opening what is no file changes nothing.
    void openEditSaveReopen()
    {
        const QString path = makeExample(QStringLiteral("blink"), "#VCE_Board_Definitions: A; B C", "x\n", "blink.v2.c");
        MainWindow &w = newWindow();
        TestSupport::chooseFile(path);
        action(w, "actionSelect_Example_Project")->trigger();
        QCOMPARE(seen(w), QStringLiteral("VESTRA - blink | x/ | [A],B C"));
        QCOMPARE(stored("LastLoadedFile") + '|' + stored("LastWorkingDirectory"), path + '|' + QFileInfo(path).absolutePath());
        for (const QString &next : {dir->filePath(QStringLiteral("nothing.c")), dir->path()})
            w.loadSourceFile(next);
        QCOMPARE(seen(w), QStringLiteral("VESTRA - blink | x/ | [A],B C"));

        // Saving an unmodified file writes nothing.
        writeFile(path, "changed on disk\n");
        action(w, "actionSave")->trigger();
        QCOMPARE(readFile(path), QByteArray("changed on disk\n"));
        QTest::keyClicks(editor(w), QStringLiteral("y"));
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - blink *"));
        editor(w)->undo();
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - blink"));
        QTest::keyClicks(editor(w), QStringLiteral("z"));
        action(w, "actionSave")->trigger();
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA - blink"));
        QCOMPARE(readFile(path), QByteArray("zx\n"));

        QCOMPARE(seen(newWindow()), QStringLiteral("VESTRA - blink | zx/ | [A],B C"));
        QVERIFY(QFile::remove(path));
        QCOMPARE(seen(newWindow()), QStringLiteral("VESTRA |  | "));
    }

#ifdef Q_OS_UNIX
    // A pipe stored as the last file would block whoever opens it until
    // something writes to it: the editor would never start again.
    void pipeAsLastFileDoesNotBlockTheStart()
    {
        TestSupport::NamedPipe pipe(dir->filePath(QStringLiteral("pipe.c")));
        QVERIFY(pipe.isMade());
        QSettings().setValue(QStringLiteral("LastLoadedFile"), dir->filePath(QStringLiteral("pipe.c")));
        QCOMPARE(seen(newWindow()), QStringLiteral("VESTRA |  | "));
        QVERIFY(!pipe.wasOpened());
    }
#endif

    // A failed save says why and keeps the edits.
    void saveFailureKeepsEdits()
    {
        const QString path = makeExample(QStringLiteral("demo"), QByteArray());
        MainWindow &w = open(path);
        QTest::keyClicks(editor(w), QStringLiteral("x"));
        QVERIFY(QDir(QFileInfo(path).absolutePath()).removeRecursively());
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        action(w, "actionSave")->trigger();
        QVERIFY(warning->seen);
        QCOMPARE(warning->text, QStringLiteral("The source file could not be saved."));
        QVERIFY2(warning->informativeText.contains(QDir::toNativeSeparators(path)), qPrintable(warning->informativeText));
        QCOMPARE(seen(w), "VESTRA - demo * | x" + QString::fromLatin1(Source).replace('\n', '/') + " | [<Default>]");
    }

    void saveAs_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("seen");
        QTest::newRow("to a new file") << "other/copy.v2.c" << "VESTRA - copy | zx/ | [A]";
        QTest::newRow("to a folder that is not there") << "no-such-folder/new.c" << "VESTRA - demo * | zx/ | [A]";
        QTest::newRow("dialog cancelled") << QString() << "VESTRA - demo * | zx/ | [A]";
    }

    // Save As moves the window to the new file (the boards stay), but the
    // next start still reopens the file that was loaded. A failure or a
    // cancel changes nothing.
    void saveAs()
    {
        QFETCH(QString, target);
        QFETCH(QString, seen);
        const bool moves = seen.startsWith(QLatin1String("VESTRA - copy"));
        QDir().mkpath(dir->filePath(QStringLiteral("other")));
        const QString path = makeExample(QStringLiteral("demo"), "#VCE_Board_Definitions: A", "x\n");
        MainWindow &w = open(path);
        QTest::keyClicks(editor(w), QStringLiteral("z"));
        bool asked = false;
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        if (target.isNull())
            TestSupport::cancelFileDialog(&asked);
        else
            TestSupport::chooseFile(dir->filePath(target), &asked);
        action(w, "actionSave_As")->trigger();
        QVERIFY(asked);
        QCOMPARE(warning->seen, !moves && !target.isNull());
        QCOMPARE(WindowUser::seen(w), seen);
        const QString now = moves ? dir->filePath(target) : path;
        QCOMPARE(stored("LastLoadedFile") + '|' + stored("LastWorkingDirectory"), path + '|' + QFileInfo(now).absolutePath());
        QCOMPARE(readFile(path) + readFile(now), moves ? "x\nzx\n" : "x\nx\n");
        // Settings applied later do not take the window back to the old file.
        w.applySettings();
        QTest::keyClicks(editor(w), QStringLiteral("w"));
        if (moves) {
            action(w, "actionSave")->trigger();
            QCOMPARE(readFile(now), QByteArray("zwx\n"));
        }
    }

    // With no file yet neither Save nor Save As asks for one. Each shows
    // its dialog before it returns, so none came if none was seen.
    void saveBeforeAnyFileDoesNothing()
    {
        MainWindow &w = newWindow();
        QTest::keyClicks(editor(w), QStringLiteral("draft"));
        bool asked = false;
        TestSupport::cancelFileDialog(&asked);
        action(w, "actionSave")->trigger();
        action(w, "actionSave_As")->trigger();
        QVERIFY(!asked);
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA *"));
    }

    void leavingModifiedText_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QByteArray>("firstOnDisk");
        const QString stays = "VESTRA - demo * | editone/ | [<Default>]";
        QTest::newRow("open, discard") << "open" << QMessageBox::Discard << "VESTRA - second | two/ | [<Default>]"
                                       << QByteArray("one\n");
        QTest::newRow("no file chosen: no question") << "open, no file" << QMessageBox::Discard << stays << QByteArray("one\n");
        QTest::newRow("close, cancel") << "close" << QMessageBox::Cancel << stays << QByteArray("one\n");
        QTest::newRow("close, the save fails") << "close, folder gone" << QMessageBox::Save << stays << QByteArray("<unreadable>");
    }

    // Opening another file or closing the window asks about unsaved edits
    // before it returns, so no question came if none was seen.
    void leavingModifiedText()
    {
        QFETCH(QString, how);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, after);
        QFETCH(QByteArray, firstOnDisk);
        const QString second = makeExample(QStringLiteral("second"), QByteArray(), "two\n");
        const QString first = makeExample(QStringLiteral("demo"), QByteArray(), "one\n");
        MainWindow &w = open(first);
        w.show();
        QTest::keyClicks(editor(w), QStringLiteral("edit"));
        if (how == QLatin1String("close, folder gone"))
            QVERIFY(QDir(QFileInfo(first).absolutePath()).removeRecursively());
        if (how == QLatin1String("open, no file"))
            TestSupport::cancelFileDialog();
        else if (how == QLatin1String("open"))
            TestSupport::chooseFile(second);
        const auto question = TestSupport::answer(answer);
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        if (how.startsWith(QLatin1String("open")))
            action(w, "actionSelect_Example_Project")->trigger();
        else
            QVERIFY(!w.close());
        QCOMPARE(seen(w), after);
        QCOMPARE(readFile(first), firstOnDisk);
        QCOMPARE(warning->seen, how == QLatin1String("close, folder gone"));
        QCOMPARE(question->seen ? question->text + ' ' + question->informativeText : QString(),
                 how == QLatin1String("open, no file")
                     ? QString() : QStringLiteral("The source file has been modified. Do you want to save your changes?"));
    }

    void zeroByteWarns()
    {
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        MainWindow &w = open(makeExample(QStringLiteral("demo"), QByteArray(), QByteArray("int a;\n\0tail\n", 13)));
        QVERIFY(warning->seen);
        QVERIFY(warning->informativeText.contains("not shown") && warning->informativeText.contains("drop"));
        QCOMPARE(editor(w)->toPlainText(), QStringLiteral("int a;\n"));
    }

private:
    // A folder with a Makefile and a source file, like a bundled example.
    QString makeExample(const QString &name, const QByteArray &boardLine, const QByteArray &source = Source,
                        const QString &fileName = QString())
    {
        const QString folder = dir->filePath(name);
        QDir().mkpath(folder);
        if (!boardLine.isNull())
            writeFile(folder + "/Makefile", "all:\n\tcc x.c\n" + boardLine + "\n");
        const QString path = folder + '/' + (fileName.isNull() ? name + ".c" : fileName);
        writeFile(path, source);
        return path;
    }

    MainWindow &newWindow()
    {
        if (window)
            editor(*window)->document()->setModified(false);
        window.reset(new MainWindow);
        return *window;
    }

    MainWindow &open(const QString &path)
    {
        newWindow().loadSourceFile(path);
        return *window;
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MainWindow> window;
};

QTEST_MAIN(tst_FileHandling)
#include "tst_filehandling.moc"
