#include "buildrunner.h"
#include "testsupport.h"

#include <QTextCodec>


using TestSupport::readFile;

namespace {

// True while a process of the group `group` is alive (zombies count as
// gone: nothing reaps them inside some containers).
bool groupAlive(qint64 group)
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        entry.toLongLong(&number);
        if (!number)
            continue;
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(entry));
        // pid (name) state ppid pgrp ...
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields.at(2).toLongLong() == group && fields.at(0) != "Z")
            return true;
    }
    return false;
}

// True while the process `pid` is alive (a zombie counts as gone).
bool processAlive(qint64 pid)
{
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat != "<unreadable>" && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

} // namespace

class tst_BuildRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#ifndef Q_OS_LINUX
        QSKIP("The stand-in programs are shell scripts, and the process table is read from /proc");
#endif
        qRegisterMetaType<BuildRunner::StepEnd>();
        QVERIFY(dir.isValid());
        // What the editor does at start-up.
        adoptEscapedDescendants();
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("daemon.sh")),
                                       "#!/bin/sh\necho $$ > '" + dir.filePath(QStringLiteral("daemon")).toUtf8()
                                           + "'\ntrap '' TERM HUP\nexec sleep 1000\n",
                                       true));
    }

    void stopSequence_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("obeys");
        const QByteArray readStopByte = "dd bs=1 count=1 of='" + dir.filePath(QStringLiteral("stdin")).toUtf8() + "' 2>/dev/null\n";
        QTest::newRow("obeys the stop byte") << readStopByte + "exit 0\n" << true;
        QTest::newRow("ignores the stop byte") << readStopByte + "sleep 30\n" << false;
        QTest::newRow("ignores SIGTERM too") << "trap '' TERM\n" + readStopByte + "sleep 30\n" << false;
        QTest::newRow("leaves a grandchild") << "sleep 1000 &\n" + readStopByte + "exit 0\n" << true;
        QTest::newRow("waits on a grandchild") << "sh -c 'sleep 1000' &\n" + readStopByte + "wait\n" << false;
        // A daemon leaves the process group and the session, and ignores the
        // signals that end a session; one that forks once more is left
        // without a parent at all.
        const QByteArray daemon = "setsid '" + dir.filePath(QStringLiteral("daemon.sh")).toUtf8() + "'";
        QTest::newRow("starts a daemon") << daemon + " &\n" + readStopByte + "exit 0\n" << true;
        QTest::newRow("starts a daemon and ignores the byte") << daemon + " &\n" + readStopByte + "sleep 30\n" << false;
        QTest::newRow("starts a daemon that loses its parent")
            << "sh -c \"" + daemon + " & exit 0\" &\n" + readStopByte + "exit 0\n" << true;
    }

    // Stop writes the byte, waits for the program for at most 400 ms, then ends
    // the program and everything it started.
    void stopSequence()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, obeys);
        QFile::remove(dir.filePath(QStringLiteral("stdin")));
        QFile::remove(dir.filePath(QStringLiteral("daemon")));
        const QString program = dir.filePath(QStringLiteral("program.sh"));
        QVERIFY(TestSupport::writeFile(program, "#!/bin/sh\necho $$\n" + body, true));

        BuildRunner runner;
        QSignalSpy ended(&runner, &BuildRunner::stepEnded);
        QSignalSpy output(&runner, &BuildRunner::outputRead);
        runner.enqueue(BuildRunner::StepKind::Run, [&]() {
            runner.launch(program, {}, dir.path());
            return true;
        });
        runner.startNext();
        QVERIFY(output.wait(5000));
        const qint64 group = output.first().first().toString().trimmed().toLongLong();
        QVERIFY(groupAlive(group));
        const bool daemon = body.contains("setsid");
        if (daemon)
            QTRY_VERIFY(!readFile(dir.filePath(QStringLiteral("daemon"))).trimmed().isEmpty()
                        && readFile(dir.filePath(QStringLiteral("daemon"))) != "<unreadable>");
        const qint64 daemonPid = readFile(dir.filePath(QStringLiteral("daemon"))).trimmed().toLongLong();
        if (daemon)
            QVERIFY(processAlive(daemonPid));

        QElapsedTimer clock;
        clock.start();
        runner.stop();
        const qint64 took = clock.elapsed();
        QVERIFY2(obeys ? took < 250 : took >= 400 && took < 1500, qPrintable(QString::number(took)));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("stdin"))), QByteArray("\x02"));
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<BuildRunner::StepEnd>(), BuildRunner::StepEnd::Cancelled);
        QVERIFY(runner.isIdle());
        QTRY_VERIFY_WITH_TIMEOUT(!groupAlive(group), 2000);
        if (daemon)
            QTRY_VERIFY_WITH_TIMEOUT(!processAlive(daemonPid), 2000);
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QString>("text");
        QTest::newRow("a character split across reads") << QByteArrayList{"caf\xc3", "\xa9 \xe2\x82", "\xac"}
                                                        << QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac");
        QTest::newRow("zero bytes dropped, the rest kept") << QByteArrayList{QByteArray("a\0b\n\0", 5), QByteArray("\0c", 2)}
                                                           << QStringLiteral("ab\nc");
        QTest::newRow("invalid bytes") << QByteArrayList{"x\xff", "y"} << QStringLiteral("x\uFFFDy");
    }

    void decoding()
    {
        QFETCH(QByteArrayList, reads);
        QFETCH(QString, text);
        std::unique_ptr<QTextDecoder> decoder(QTextCodec::codecForName("UTF-8")->makeDecoder());
        QString shown;
        for (const QByteArray &read : reads)
            shown += BuildRunner::decode(decoder.get(), read);
        QCOMPARE(shown, text);
    }

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(tst_BuildRunner)
#include "tst_buildrunner.moc"
