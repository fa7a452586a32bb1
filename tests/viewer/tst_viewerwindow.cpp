#include "stdinreader.h"
#include "viewerwindow.h"
#include "testsupport.h"

// To measure the list columns, which a host never sees directly.
#include "datalist.h"
#include "sectionlist.h"
#include "sensorviewx.h"
#include "signallist.h"

#include <QAction>
#include <QMenuBar>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#endif

namespace {

QAction *menuAction(QMainWindow &window, const QString &text)
{
    for (QAction *menu : window.menuBar()->actions()) {
        for (QAction *action : menu->menu()->actions()) {
            if (action->text() == text)
                return action;
        }
    }
    return nullptr;
}

#ifdef Q_OS_UNIX
// A pipe whose read end a reader takes as its standard input.
FILE *pipeInto(int ends[2])
{
    return ::pipe(ends) == 0 ? ::fdopen(ends[0], "r") : nullptr;
}
#endif

} // namespace

class tst_ViewerWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        recording = dir.filePath(QStringLiteral("recording.txt"));
        QVERIFY(TestSupport::writeFile(recording, "accel\t0\t1\t2\naccel\t0.5\t3\t4\nbaro\t1\t1013.25\naccel\t1.5\t5\t6\n"));
        window.reset(new ViewerWindow);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup()
    {
        TestSupport::dropPendingAnswers();
        if (window)
            window->view()->setWindowModified(false);
        window.reset();
    }

    // A user's round: the window fits the screen; a file opens with a word
    // on what was read; the menu's actions follow the view, and an edit made
    // through them is undone to the file as it was and saved as read. The
    // copy reopens with the same values; an edit asks before the window
    // closes, and Cancel keeps it open.
    void openEditSaveReopenClose()
    {
        const QRect free = window->screen()->availableGeometry();
        QVERIFY(window->width() <= free.width() && window->height() <= free.height());
        QAction *undo = menuAction(*window, QStringLiteral("&Undo"));
        QAction *crop = menuAction(*window, QStringLiteral("C&rop"));
        QVERIFY(undo && crop && !undo->isEnabled());
        QVERIFY(window->openFile(recording));
        QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("4 records read; 2 signals"));
        QVERIFY(window->windowTitle().startsWith(QStringLiteral("recording.txt")));
        window->view()->execute(SelectAll);
        window->viewChanged(window->view());
        crop->trigger();
        QVERIFY(undo->isEnabled() && window->isWindowModified());
        undo->trigger();
        QVERIFY(!window->isWindowModified());
        const QString copy = dir.filePath(QStringLiteral("copy.txt"));
        QVERIFY(window->saveTo(copy, 0));
        QCOMPARE(TestSupport::readFile(copy), TestSupport::readFile(recording));

        ViewerWindow again;
        QVERIFY(again.openFile(copy));
        QCOMPARE(again.view()->valueAt(QStringLiteral("accel"), 1, 1.6), 6.0);
        QCOMPARE(again.view()->valueAt(QStringLiteral("baro"), 0, 1.0), 1013.25);
        const auto warning = TestSupport::answer(QMessageBox::Ok);
        QVERIFY(!again.openFile(dir.filePath(QStringLiteral("missing.txt"))));
        QVERIFY(warning->seen);

        crop->trigger();
        QVERIFY(window->isWindowModified());
        for (const auto answer : {QMessageBox::Cancel, QMessageBox::Discard}) {
            const auto question = TestSupport::answer(answer);
            QCOMPARE(window->close(), answer == QMessageBox::Discard);
            QVERIFY(question->seen);
        }
    }

    // Save writes the recording back to its file, without asking, with the
    // file's own separator.
    void saveWritesBackAsRead()
    {
        QVERIFY(TestSupport::writeFile(recording, "a;0;1\nb;0.5;2\na;1;3\n"));
        QVERIFY(window->openFile(recording));
        window->view()->removeSignal(QStringLiteral("b"));
        menuAction(*window, QStringLiteral("&Save"))->trigger();
        QCOMPARE(TestSupport::readFile(recording), QByteArray("a;0;1\na;1;3\n"));
        QVERIFY(!window->isWindowModified());
    }

    void columnsShowWholeTexts_data()
    {
        TestSupport::bothWays("live", "live input", "opened file");
    }

    // Names and values, live or from a file, are never cut: a cut "1010.91"
    // reads as "10.91".
    void columnsShowWholeTexts()
    {
        QFETCH(bool, live);
        QString text = QStringLiteral("pressure_outside;0;1013.25\ntemperature;0;-21.375\n");
        for (int i = 1; i < 20; ++i)
            text += QStringLiteral("pressure_outside;%1;1012.75\ntemperature;%1;-21.125\n").arg(i * 0.1);
        text += QStringLiteral("pressure_outside;5;-1234567\n");
        if (live) {
            window->appendLive(text);
        } else {
            QVERIFY(TestSupport::writeFile(recording, text.toUtf8()));
            QVERIFY(window->openFile(recording));
        }
        auto *view = static_cast<SensorViewX *>(window->view());
        const DataList *values = view->signalList()->valueList();
        const SectionList *names = view->signalList()->sectionList();
        const auto checkWhole = [&]() {
            QVERIFY(values->rowCount() >= 2);
            for (int row = 0; row < values->rowCount(); ++row) {
                const QString shown = values->rowData(row, Qt::DisplayRole).toString();
                QVERIFY2(shown.contains(QLatin1Char('.')) || shown.startsWith(QLatin1Char('-')), qPrintable(shown));
                QVERIFY2(values->fontMetrics().horizontalAdvance(shown) < values->width(), qPrintable(shown));
            }
            QVERIFY(names->fontMetrics().horizontalAdvance(QStringLiteral("pressure_outside")) < names->width());
        };
        QTRY_VERIFY(values->rowCount() >= 2 && !values->rowData(0, DataList::ValueRole).isNull());
        checkWhole();
        // Wider values further on get room too.
        window->view()->execute(GoToEnd);
        QCOMPARE(values->rowData(0, Qt::DisplayRole).toString(), QStringLiteral("-1.23457e+06"));
        checkWhole();
    }

#ifdef Q_OS_UNIX
    // A pipe as a recording would block the viewer before its window shows;
    // as a save target it would be replaced by a file. Both are refused
    // with a word naming what stands there, and the recording stays.
    void pipesAreRefused()
    {
        QVERIFY(window->openFile(recording));
        TestSupport::NamedPipe pipe(dir.filePath(QStringLiteral("pipe.txt")));
        QVERIFY(pipe.isMade());
        for (const char *what : {"open", "save"}) {
            const auto warning = TestSupport::answer(QMessageBox::Ok);
            if (QByteArray(what) == "open")
                QVERIFY(!window->openFile(dir.filePath(QStringLiteral("pipe.txt"))));
            else
                QVERIFY(!window->saveTo(dir.filePath(QStringLiteral("pipe.txt")), 0));
            QVERIFY(warning->seen);
            QVERIFY2(warning->text.contains(QStringLiteral("not a regular file")), qPrintable(warning->text));
        }
        QVERIFY(!pipe.wasOpened() && pipe.isStillAPipe());
        QCOMPARE(holdings(window->view()).records, 4);
        QCOMPARE(window->currentFile(), recording);
    }
#endif

    // What a file held is said as it is opened (the wording is the status
    // rules' own).
    void statusSaysWhatWasRead()
    {
        QVERIFY(TestSupport::writeFile(recording, "a;0;1\nnot a record\n\n# note\nb;1;2\nx\n"));
        QVERIFY(window->openFile(recording));
        QCOMPARE(window->statusBar()->currentMessage(),
                 QStringLiteral("2 records read; 2 signals; 2 lines could not be read"));
    }

    // The reader and the feed hand on whole lines, all of them and in
    // order, in smaller pieces while taking them is slow; the lines that are
    // no text are counted on the way, and the last line goes on at the end
    // of the input, before the end is told. (How bytes become lines is the
    // line splitter's rule.)
    void feedHandsOnWholeLines()
    {
#ifndef Q_OS_UNIX
        QSKIP("Feeds the reader through a pipe");
#else
        int ends[2];
        FILE *readEnd = pipeInto(ends);
        QVERIFY(readEnd);
        StdinReader reader(nullptr, readEnd);
        QStringList pieces;
        int unreadable = 0;
        LiveFeed feed(reader, [&](const QString &lines, int dropped) {
            pieces << lines;
            unreadable += dropped;
            // The first takes are slow, as thousands of new signals are.
            if (pieces.size() < 4)
                QTest::qSleep(LiveFeed::TurnMs + 10);
        });
        // The end comes after the last of the lines.
        int piecesAtTheEnd = -1;
        QSignalSpy ended(&feed, &LiveFeed::inputEnded);
        connect(&feed, &LiveFeed::inputEnded, &feed, [&]() { piecesAtTheEnd = pieces.size(); });
        reader.start();
        QByteArray sent;
        for (int i = 0; i < 20000; ++i)
            sent += "signal" + QByteArray::number(i) + ";" + QByteArray::number(i) + ";1\n";
        const QByteArray notText("not\0text\n", 9);
        const QByteArray last("last;9;9");
        // Written on a thread of its own: the pipe takes 64 KiB, and the
        // rest waits for the window, which is this thread.
        std::thread producer([&]() {
            const QByteArray bytes = sent + notText + last;
            for (qint64 done = 0; done < bytes.size();) {
                const ssize_t n = ::write(ends[1], bytes.constData() + done, size_t(bytes.size() - done));
                if (n <= 0)
                    break;
                done += n;
            }
            ::close(ends[1]);
        });
        QTRY_COMPARE(ended.count(), 1);
        producer.join();
        QCOMPARE(piecesAtTheEnd, pieces.size());
        QVERIFY(reader.wait(5000));
        std::fclose(readEnd);
        QCOMPARE(pieces.join(QString()), QString::fromLatin1(sent + last));
        QCOMPARE(unreadable, 1);
        QVERIFY(pieces.takeLast().endsWith(QString::fromLatin1(last)));
        for (const QString &piece : qAsConst(pieces))
            QVERIFY(piece.endsWith(QLatin1Char('\n')));
        QVERIFY2(std::any_of(pieces.cbegin(), pieces.cend(),
                             [](const QString &piece) { return piece.size() < StdinReader::ChunkBytes / 2; }),
                 "no chunk was handed on in pieces");
#endif
    }

    // A producer far faster than the window: once two chunks wait, the
    // reader stops reading and the pipe fills, so the producer is held
    // with little read; taking chunks lets everything through.
    void producerWaitsForTheWindow()
    {
#ifndef Q_OS_UNIX
        QSKIP("Feeds the reader through a pipe");
#else
        int ends[2];
        FILE *readEnd = pipeInto(ends);
        QVERIFY(readEnd && ::fcntl(ends[1], F_SETFL, O_NONBLOCK) == 0);
        StdinReader reader(nullptr, readEnd);
        QSignalSpy chunks(&reader, &StdinReader::linesRead);
        reader.start();
        bool writing = true;
        const auto finish = qScopeGuard([&]() {
            if (writing)
                ::close(ends[1]);
            reader.stop();
            while (!reader.wait(10))
                reader.chunkTaken();
            std::fclose(readEnd);
        });
        const QByteArray lines = QByteArray("s;1;2;3\n").repeated(1000);
        qint64 written = 0;
        QElapsedTimer clock;
        clock.start();
        // Write until the pipe has stayed full for a while (or far more than
        // a held producer could).
        for (QElapsedTimer full; (!full.isValid() || full.elapsed() < 300) && written < 8 * 1024 * 1024;) {
            const ssize_t n = ::write(ends[1], lines.constData(), size_t(lines.size()));
            if (n > 0) {
                written += n;
                full.invalidate();
            } else if (!full.isValid()) {
                full.start();
            }
            QCoreApplication::processEvents();
        }
        QVERIFY2(written < 1024 * 1024, qPrintable(QString::number(written)));
        QCOMPARE(chunks.count(), StdinReader::MaxWaitingChunks);
        ::close(ends[1]);
        writing = false;
        qint64 received = 0;
        for (int taken = 0; !reader.wait(10); ++taken) {
            if (taken < chunks.count())
                reader.chunkTaken();
            QCoreApplication::processEvents();
            QVERIFY(clock.elapsed() < 10000);
        }
        QCoreApplication::processEvents();
        for (const QList<QVariant> &chunk : qAsConst(chunks))
            received += chunk.first().toString().size();
        QCOMPARE(received, written);
#endif
    }

    // Live input leaves the recording modified when it ends; the status line
    // says what is held, whether the view follows, and that input ended.
    void liveStatus()
    {
        window->keepLast(30);
        QVERIFY(window->windowTitle().contains(QStringLiteral("(last 30 s)")));
        // Two lines the reader dropped, and three that hold no record.
        window->appendLive(QStringLiteral("a;0;1\na;1;2\nb;1;3\na;nan;4\nlonely\nb;inf;5\n"), 2);
        window->view()->setWindowModified(false);
        window->liveInputEnded();
        QVERIFY(window->view()->isWindowModified());
        QCOMPARE(window->statusText().section(QStringLiteral(" \u00b7 "), 0, 1),
                 QStringLiteral("3 records, 2 signals \u00b7 5 lines could not be read"));
        QVERIFY2(window->statusText().endsWith(QStringLiteral("following \u00b7 keeping the last 30 s \u00b7 input ended")),
                 qPrintable(window->statusText()));
        window->view()->execute(GoToStart);
        QVERIFY(window->statusText().contains(QStringLiteral("paused at 0 s")));
        window->keepLast(0);
        QVERIFY(!window->windowTitle().contains(QStringLiteral("last")));
    }

    // The editor's Run and Plot clears the view for a new run and says how
    // many lines it left out, in lines that read as comments elsewhere.
    void runAndPlotCommands()
    {
        window->appendLive(QStringLiteral("a;0;1\na;1;2\n"));
        window->appendLive(QStringLiteral("#vestra:clear\nb;0;5\n#vestra:skipped 7\nb;1;6\n# vestra:clear\n"));
        QCOMPARE(holdings(window->view()).records, 2);
        QCOMPARE(window->view()->signalKey(0), QStringLiteral("b"));
        QVERIFY2(window->statusText().contains(QStringLiteral("7 lines could not be read")), qPrintable(window->statusText()));
    }

    // The rate counts records, not the lines that brought them.
    void liveRateCountsRecords()
    {
        const auto rate = [this]() { return window->statusText().section(QStringLiteral(" \u00b7 "), -3, -3); };
        QString records;
        for (int i = 0; i < 100; ++i)
            records += QStringLiteral("a;%1;1\n").arg(i);
        window->appendLive(records);
        QTRY_VERIFY(rate() != QStringLiteral("0 records/s"));
        window->appendLive(QStringLiteral("no record\n").repeated(100));
        QTRY_COMPARE(rate(), QStringLiteral("0 records/s"));
    }

private:
    QTemporaryDir dir;
    QString recording;
    std::unique_ptr<ViewerWindow> window;
};

QTEST_MAIN(tst_ViewerWindow)
#include "tst_viewerwindow.moc"
