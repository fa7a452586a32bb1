#include "recordingfolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_RecordingFolder : public QObject
{
    Q_OBJECT

private slots:
    void start_data()
    {
        QTest::addColumn<QString>("last");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("begins");
        const QStringList all{"last", "tree", "shared"};
        QTest::newRow("the last folder used") << "last" << all << "last";
        QTest::newRow("no last folder: the user's examples") << "" << all << "tree";
        QTest::newRow("the last folder is gone") << "last" << QStringList{"tree", "shared"} << "tree";
        QTest::newRow("no user tree: the shared examples") << "" << QStringList{"shared"} << "shared";
        QTest::newRow("nothing there: home") << "last" << QStringList() << "home";
    }

    // Where the Open dialog begins, of the folders that exist.
    void start()
    {
        QFETCH(QString, last);
        QFETCH(QStringList, present);
        QFETCH(QString, begins);
        const QTemporaryDir dir;
        for (const QString &folder : present)
            QVERIFY(QDir(dir.path()).mkpath(folder));
        const auto path = [&dir](const QString &name) { return name.isEmpty() ? name : dir.filePath(name); };
        const QString started = RecordingFolder::start(path(last), {path("tree"), path("shared")}, path("home"));
        QCOMPARE(started, path(begins));
    }

    // Started by the launcher in the user's tree, or from a system install.
    void examples()
    {
        QCOMPARE(RecordingFolder::examples("/home/u/.local/share/vestra-code-editor/bin", "/usr/bin"),
                 (QStringList{"/home/u/.local/share/vestra-code-editor/examples/sensor_demo",
                              "/usr/examples/sensor_demo", "/usr/share/vestra-code-editor/examples/sensor_demo"}));
    }
};

QTEST_APPLESS_MAIN(tst_RecordingFolder)
#include "tst_recordingfolder.moc"
