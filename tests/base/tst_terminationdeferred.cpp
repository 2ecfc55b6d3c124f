#include "base/terminationdeferred.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

// Where the polite signal arrives, in a child process that has the handlers.
enum class Moment {
    OutsideScope,
    InsideScope,
    // Handled on a thread outside any scope while another thread is inside one.
    WhileOtherThreadInScope,
    // Nested scopes: the signal waits for the outer one.
    InsideNestedScope,
};

// A file that the child makes once the signal has been handled, while it should still run.
void mark(const char *path)
{
    const int descriptor = open(path, O_WRONLY | O_CREAT, 0600);
    if (descriptor >= 0)
        close(descriptor);
}

// Sends the process `signal` and returns once its handler has run, if the process still runs
// then: the signal is blocked, sent, and let in by sigsuspend, which returns after the handler.
void sendAndHandle(int signal)
{
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, signal);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    kill(getpid(), signal);
    sigset_t open = previous;
    sigdelset(&open, signal);
    sigsuspend(&open);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

// The child's part, in a process of its own: made by exec rather than fork, since a process
// with threads (ThreadSanitizer's own) may not start threads after a fork.
constexpr char childVariable[] = "KALIDOR_TERMINATION_CHILD";

[[noreturn]] void runChild(Moment moment, int signal, const char *marker)
{
    // A child that waits for ever fails its row by SIGALRM instead of hanging the test.
    alarm(60);
    installTerminationHandlers();
    switch (moment) {
    case Moment::OutsideScope:
        sendAndHandle(signal);
        mark(marker);
        break;
    case Moment::InsideScope: {
        const TerminationDeferred deferred;
        sendAndHandle(signal);
        mark(marker);
        break;
    }
    case Moment::WhileOtherThreadInScope: {
        std::atomic<int> stage { 0 };
        std::thread holder([&stage, signal] {
            // So that the signal is handled on the other thread.
            sigset_t blocked;
            sigemptyset(&blocked);
            sigaddset(&blocked, signal);
            pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
            const TerminationDeferred deferred;
            stage = 1;
            while (stage != 2) {
                std::this_thread::yield();
            }
        });
        while (stage != 1) {
            std::this_thread::yield();
        }
        // Handled on this thread, which is in no scope.
        sendAndHandle(signal);
        mark(marker);
        stage = 2;
        holder.join();
        break;
    }
    case Moment::InsideNestedScope: {
        const TerminationDeferred outer;
        {
            const TerminationDeferred inner;
            sendAndHandle(signal);
        }
        mark(marker);
        break;
    }
    }
    // Reached only when no signal ended the process.
    _exit(0);
}

} // namespace

class TestTerminationDeferred : public QObject {
    Q_OBJECT

private slots:
    void politeSignal_data();
    void politeSignal();
};

void TestTerminationDeferred::politeSignal_data()
{
    QTest::addColumn<Moment>("moment");
    QTest::addColumn<int>("signal");

    const struct {
        const char *name;
        Moment moment;
    } moments[] = {
        { "outside a scope", Moment::OutsideScope },
        { "inside a scope", Moment::InsideScope },
        { "while another thread is in a scope", Moment::WhileOtherThreadInScope },
        { "inside nested scopes", Moment::InsideNestedScope },
    };
    const struct {
        const char *name;
        int signal;
    } signals_[] = { { "SIGTERM", SIGTERM }, { "SIGINT", SIGINT }, { "SIGHUP", SIGHUP } };
    for (const auto &moment : moments) {
        for (const auto &signal : signals_)
            QTest::addRow("%s, %s", signal.name, moment.name) << moment.moment << signal.signal;
    }
}

// Outside a scope the signal ends the process at once; inside one, the process goes on to the
// end of the last scope and then ends by that signal, as a shell sees it (128 + N).
void TestTerminationDeferred::politeSignal()
{
    QFETCH(Moment, moment);
    QFETCH(int, signal);

    const QTemporaryDir dir;
    const QByteArray marker = QFile::encodeName(dir.filePath(QStringLiteral("went-on")));
    const QByteArray task
        = QByteArray::number(int(moment)) + ' ' + QByteArray::number(signal) + ' ' + marker;
    setenv(childVariable, task.constData(), 1);
    char program[] = "/proc/self/exe";
    char *arguments[] = { program, nullptr };
    pid_t child = -1;
    const int spawned = posix_spawn(&child, program, nullptr, nullptr, arguments, environ);
    unsetenv(childVariable);
    QCOMPARE(spawned, 0);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);

    QVERIFY2(WIFSIGNALED(status), qPrintable(QStringLiteral("status %1").arg(status)));
    QCOMPARE(WTERMSIG(status), signal);
    QCOMPARE(QFile::exists(QFile::decodeName(marker)), moment != Moment::OutsideScope);
}

int main(int argc, char **argv)
{
    if (const char *task = std::getenv(childVariable)) {
        // "MOMENT SIGNAL MARKER", the marker's path last since it may hold spaces.
        const QList<QByteArray> parts = QByteArray(task).split(' ');
        if (parts.size() < 3)
            return 1;
        const QByteArray marker = parts.mid(2).join(' ');
        runChild(Moment(parts.at(0).toInt()), parts.at(1).toInt(), marker.constData());
    }
    TestTerminationDeferred test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_terminationdeferred.moc"
