#pragma once

// What nearly every test uses, included once.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

// A table row held as one tuple, so a case is one line and a test reads
// it in one: `QTest::addColumn<Row>("row")`, then
// `const auto [a, b, c] = TestSupport::row<Row>();`.
#define VESTRA_TEST_ROW(Name, ...)                                                                           \
    using Name = std::tuple<__VA_ARGS__>;                                                                    \
    Q_DECLARE_METATYPE(Name)

namespace TestSupport {

template<typename Row>
Row row()
{
    return *static_cast<Row *>(QTest::qData("row", qMetaTypeId<Row>()));
}

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

// Keeps the settings in the test's own store, emptied for a fresh start.
inline void isolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwell Quorimat"));
    QCoreApplication::setApplicationName(QStringLiteral("VESTRA CodeEditor"));
    QSettings().clear();
}

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
#endif

} // namespace TestSupport
