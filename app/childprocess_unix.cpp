#include "childprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QThread>

#include <csignal>
#include <map>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

const char StepVariable[] = "VESTRA_STEP";
// How long Stop waits for the killed processes that came back to the
// editor, to take their exit status.
constexpr int ReapMs = 200;

#ifdef Q_OS_LINUX
struct ProcessEntry
{
    pid_t parent = 0;
    char state = 0;
};

// The processes the system lists now, with their parents and states.
std::map<pid_t, ProcessEntry> processTable()
{
    std::map<pid_t, ProcessEntry> table;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool number = false;
        const pid_t pid = pid_t(entry.toLongLong(&number));
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...: the name may hold blanks and brackets.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            table[pid] = ProcessEntry{pid_t(fields.at(1).toLongLong()), fields.at(0).isEmpty() ? '?' : fields.at(0).at(0)};
    }
    return table;
}

// The processes below the editor, however deep.
std::vector<pid_t> descendants(const std::map<pid_t, ProcessEntry> &table)
{
    std::multimap<pid_t, pid_t> children;
    for (const auto &[pid, entry] : table)
        children.emplace(entry.parent, pid);
    std::vector<pid_t> found{::getpid()};
    for (size_t i = 0; i < found.size(); ++i) {
        const auto range = children.equal_range(found[i]);
        for (auto it = range.first; it != range.second; ++it)
            found.push_back(it->second);
    }
    found.erase(found.begin());
    return found;
}

// Takes the exit status of the processes that came back to the editor and
// ended since (they would stay as zombies): every child of the editor but
// `keep`, the toolkit's own.
void reapAdopted(const std::map<pid_t, ProcessEntry> &table, pid_t keep)
{
    for (const auto &[pid, entry] : table) {
        if (entry.parent == ::getpid() && entry.state == 'Z' && pid != keep)
            ::waitpid(pid, nullptr, WNOHANG);
    }
}

bool carriesMark(pid_t pid, const QByteArray &entry)
{
    QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!environ.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> variables = environ.readAll().split('\0');
    return variables.contains(entry);
}
#endif

} // namespace

ChildProcess::~ChildProcess() = default;

// Runs in the child between fork and exec: only async-signal-safe calls.
void ChildProcess::setupChildProcess()
{
    setpgid(0, 0);
    // The editor ignores SIGXFSZ for itself; its children get the default.
    signal(SIGXFSZ, SIG_DFL);
}

void ChildProcess::startStep(const QString &program, const QStringList &arguments)
{
#ifdef Q_OS_LINUX
    reapAdopted(processTable(), 0);
#endif
    static quint64 steps = 0;
    stepMark = QByteArray::number(qint64(::getpid())) + '-' + QByteArray::number(++steps);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(StepVariable), QString::fromLatin1(stepMark));
    setProcessEnvironment(environment);
    start(program, arguments, QIODevice::ReadWrite);
}

void ChildProcess::rememberTree()
{
    tree = qintptr(processId());
}

void ChildProcess::forgetTree()
{
    tree = 0;
}

void ChildProcess::terminateTree()
{
    if (state() == QProcess::NotRunning || tree <= 0)
        return;
    ::kill(-pid_t(tree), SIGTERM);
}

void ChildProcess::killTree()
{
    const pid_t root = pid_t(tree);
    if (tree > 0) {
        ::kill(-pid_t(tree), SIGKILL);
        tree = 0;
    }
#ifdef Q_OS_LINUX
    if (stepMark.isEmpty())
        return;
    // Those that left the group came back to the editor: the step's mark
    // tells them from its other children (a document viewer it opened).
    const QByteArray entry = QByteArray(StepVariable) + '=' + stepMark;
    stepMark.clear();
    const std::map<pid_t, ProcessEntry> table = processTable();
    std::vector<pid_t> ended;
    for (pid_t pid : descendants(table)) {
        if (carriesMark(pid, entry) && ::kill(pid, SIGKILL) == 0)
            ended.push_back(pid);
    }
    // Their exit status is the editor's to take now, or they stay as
    // zombies; the step's own program is the toolkit's to take.
    QElapsedTimer clock;
    clock.start();
    for (pid_t pid : ended) {
        const auto it = table.find(pid);
        if (pid == root || it == table.end() || it->second.parent != ::getpid())
            continue;
        while (::waitpid(pid, nullptr, WNOHANG) == 0 && clock.elapsed() < ReapMs)
            QThread::msleep(1);
    }
#else
    Q_UNUSED(root)
#endif
}

void adoptEscapedDescendants()
{
#ifdef Q_OS_LINUX
    prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
}
