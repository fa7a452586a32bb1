#pragma once

// What nearly every test uses, included once. The parts about windows and
// dialogs come with the widgets library, the settings with the settings.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#ifdef QT_WIDGETS_LIB
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#endif

#if __has_include("settingsstore.h")
#include "settingsstore.h"
#endif

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

#ifdef Q_OS_UNIX
#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef QT_WIDGETS_LIB
// The answers of the unsaved-changes question, as table columns.
Q_DECLARE_METATYPE(QMessageBox::StandardButton)
#endif

namespace TestSupport {

// A row a seed, for tests that draw their cases at random.
inline void seedRows(quint32 count)
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= count; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

// Two rows: `column` true in the one named `whenTrue`, false in the other.
inline void bothWays(const char *column, const char *whenTrue, const char *whenFalse)
{
    QTest::addColumn<bool>(column);
    QTest::newRow(whenTrue) << true;
    QTest::newRow(whenFalse) << false;
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// A copy of the bundled example `name` (its Makefile and source) in
// `folder`; returns the folder.
inline QString copyExample(const QString &name, const QString &folder)
{
    const QString source = qEnvironmentVariable("VESTRA_SOURCE_DIR") + QStringLiteral("/examples/") + name;
    QDir().mkpath(folder);
    for (const QString &file : {QStringLiteral("Makefile"), name + QStringLiteral(".c")})
        QFile::copy(source + QLatin1Char('/') + file, folder + QLatin1Char('/') + file);
    return folder;
}

#if __has_include("settingsstore.h")
// Keeps the settings in the test's own store, emptied for a fresh start.
inline void isolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    VestraSettings::setApplicationIdentity();
    QSettings().clear();
}
#endif

#ifdef QT_WIDGETS_LIB
// Answers the next modal dialog the way a user would: as soon as it is up,
// `answer` gets it. Gives up after a few seconds so a missing dialog fails
// the test instead of hanging it. `seen` (if given) tells whether it came.
template<typename Dialog>
void whenModal(std::function<void(Dialog *)> answer, bool *seen = nullptr,
               std::function<bool(Dialog *)> accepts = nullptr)
{
    if (seen)
        *seen = false;
    auto *poll = new QTimer(qApp);
    poll->setObjectName(QStringLiteral("pendingModalAnswer"));
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [=]() {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (dialog && (!accepts || accepts(dialog))) {
            if (seen)
                *seen = true;
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        } else if (clock->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
}

// Forgets the answers no dialog came for, so they cannot answer a dialog of
// the next test. Call from cleanup().
inline void dropPendingAnswers()
{
    const auto pending = qApp->findChildren<QTimer *>(QStringLiteral("pendingModalAnswer"));
    for (QTimer *poll : pending) {
        poll->stop();
        poll->deleteLater();
    }
}

// What a user saw in the message box they answered.
struct Answered
{
    bool seen = false;
    QString text;
    QString informativeText;
};

// Presses `which` in the next message box that offers it; one box after
// another can be answered this way, each by the answer made for it.
inline std::shared_ptr<Answered> answer(QMessageBox::StandardButton which)
{
    auto answered = std::make_shared<Answered>();
    whenModal<QMessageBox>(
        [=](QMessageBox *box) {
            answered->seen = true;
            answered->text = box->text();
            answered->informativeText = box->informativeText();
            box->button(which)->click();
        },
        nullptr, [which](QMessageBox *box) { return box->button(which) != nullptr; });
    return answered;
}

inline void chooseFile(const QString &path, bool *seen = nullptr)
{
    whenModal<QFileDialog>(
        [=](QFileDialog *dialog) {
            dialog->selectFile(path);
            QMetaObject::invokeMethod(dialog, "accept");
            // A path the dialog will not take (a folder, say) would leave it
            // open for ever: close it so the test fails instead of hanging.
            if (dialog->isVisible())
                dialog->reject();
        },
        seen);
}

inline void cancelFileDialog(bool *seen = nullptr)
{
    whenModal<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); }, seen);
}
#endif

#ifdef Q_OS_UNIX
// Lowers this process's file size limit while it lives, as a nearly full
// disk or a user's quota would.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved;
};

// A named pipe that nothing writes to, as a user's file can be. Opening it
// for reading blocks until a writer comes, so while it lives a watchdog
// thread plays that writer: it ends any such open at once (the reader sees
// an empty input) and remembers that it happened. A program that opens the
// pipe thus shows itself without hanging the test.
class NamedPipe
{
public:
    explicit NamedPipe(const QString &path)
        : path(QFile::encodeName(path))
    {
        made = ::mkfifo(this->path.constData(), 0600) == 0;
        watchdog = std::thread([this]() {
            while (!stopping) {
                const int fd = ::open(this->path.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    opened = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~NamedPipe()
    {
        stopping = true;
        watchdog.join();
    }

    bool isMade() const { return made; }
    // Whether anything opened the pipe for reading so far.
    bool wasOpened() const { return opened; }
    // Whether a pipe still stands at the path (not replaced by a file).
    bool isStillAPipe() const
    {
        struct stat info;
        return ::lstat(path.constData(), &info) == 0 && S_ISFIFO(info.st_mode);
    }

private:
    QByteArray path;
    bool made = false;
    std::atomic<bool> opened{false};
    std::atomic<bool> stopping{false};
    std::thread watchdog;
};

// Makes `folder` refuse new files while the file already in it stays
// writable, as a shared or read-only folder does; returns what undoes it,
// or nothing where it cannot be done (the superuser passes over
// permissions, so it needs the file system's immutable flag).
inline std::optional<std::function<void()>> refuseNewFiles(const QString &folder)
{
    const auto run = [](const QStringList &arguments) {
        QProcess process;
        process.start(arguments.first(), arguments.mid(1));
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
               && process.exitCode() == 0;
    };
    if (::geteuid() == 0) {
        if (!run({"chattr", "+i", folder}))
            return std::nullopt;
        return std::function<void()>([=]() { run({"chattr", "-i", folder}); });
    }
    const QFileDevice::Permissions before = QFile::permissions(folder);
    if (!QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner))
        return std::nullopt;
    return std::function<void()>([=]() { QFile::setPermissions(folder, before); });
}
#endif

} // namespace TestSupport
