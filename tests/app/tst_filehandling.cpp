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

    // A user types before any file is there (nothing asks where to save),
    // opens an example (the draft is given up when asked), edits and saves
    // it, saves it under another name (a folder that is not there changes
    // nothing); the next start reopens the file loaded, unless it has gone.
    // Opening what is no file changes nothing.
    void openEditSaveReopen()
    {
        const QString path = makeExample(QStringLiteral("blink"), "#VCE_Board_Definitions: A; B C", "x\n", "blink.v2.c");
        MainWindow &w = newWindow();
        QTest::keyClicks(editor(w), QStringLiteral("draft"));
        bool asked = false;
        TestSupport::cancelFileDialog(&asked);
        action(w, "actionSave")->trigger();
        action(w, "actionSave_As")->trigger();
        QVERIFY(!asked);
        TestSupport::dropPendingAnswers();
        QCOMPARE(w.windowTitle(), QStringLiteral("VESTRA *"));

        TestSupport::chooseFile(path);
        const auto question = TestSupport::answer(QMessageBox::Discard);
        action(w, "actionSelect_Example_Project")->trigger();
        QVERIFY(question->seen);
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

        QTest::keyClicks(editor(w), QStringLiteral("w"));
        QVERIFY(QDir().mkpath(dir->filePath(QStringLiteral("other"))));
        for (const char *target : {"no-such-folder/new.c", "other/copy.v2.c"}) {
            const auto warning = TestSupport::answer(QMessageBox::Ok);
            TestSupport::chooseFile(dir->filePath(QLatin1String(target)), &asked);
            action(w, "actionSave_As")->trigger();
            QVERIFY(asked);
            QCOMPARE(warning->seen, target[0] == 'n');
        }
        const QString copy = dir->filePath(QStringLiteral("other/copy.v2.c"));
        QCOMPARE(seen(w), QStringLiteral("VESTRA - copy | zwx/ | [A],B C"));
        QCOMPARE(readFile(copy) + readFile(path), QByteArray("zwx\nzx\n"));
        QCOMPARE(stored("LastLoadedFile") + '|' + stored("LastWorkingDirectory"), path + '|' + QFileInfo(copy).absolutePath());
        // Settings applied later do not take the window back to the old file.
        w.applySettings();
        QTest::keyClicks(editor(w), QStringLiteral("v"));
        action(w, "actionSave")->trigger();
        QCOMPARE(readFile(copy) + readFile(path), QByteArray("zwvx\nzx\n"));

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

    // Edits are never given up unasked: no file chosen asks nothing, Cancel
    // keeps the window open, a save that fails says why and keeps both the
    // edits and the window; only Discard lets it close.
    void editsAreNeverLost()
    {
        const QString first = makeExample(QStringLiteral("demo"), QByteArray(), "one\n");
        MainWindow &w = newWindow();
        w.loadSourceFile(first);
        w.show();
        QTest::keyClicks(editor(w), QStringLiteral("edit"));
        const QString stays = QStringLiteral("VESTRA - demo * | editone/ | [<Default>]");
        auto question = TestSupport::answer(QMessageBox::Save);
        TestSupport::cancelFileDialog();
        action(w, "actionSelect_Example_Project")->trigger();
        QVERIFY(!question->seen);
        TestSupport::dropPendingAnswers();

        question = TestSupport::answer(QMessageBox::Cancel);
        QVERIFY(!w.close());
        QCOMPARE(question->text + ' ' + question->informativeText,
                 QStringLiteral("The source file has been modified. Do you want to save your changes?"));
        QCOMPARE(seen(w), stays);

        QVERIFY(QDir(QFileInfo(first).absolutePath()).removeRecursively());
        auto warning = TestSupport::answer(QMessageBox::Ok);
        action(w, "actionSave")->trigger();
        QCOMPARE(warning->text, QStringLiteral("The source file could not be saved."));
        QVERIFY2(warning->informativeText.contains(QDir::toNativeSeparators(first)), qPrintable(warning->informativeText));
        QCOMPARE(seen(w), stays);

        question = TestSupport::answer(QMessageBox::Save);
        warning = TestSupport::answer(QMessageBox::Ok);
        QVERIFY(!w.close());
        QVERIFY(question->seen && warning->seen);
        QCOMPARE(seen(w), stays);
        question = TestSupport::answer(QMessageBox::Discard);
        QVERIFY(w.close());
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
