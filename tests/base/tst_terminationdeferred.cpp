#include "base/terminationdeferred.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

[[noreturn]] void runChild(Moment moment, int signal, const char *marker)
{
    installTerminationHandlers();
    switch (moment) {
    case Moment::OutsideScope:
        kill(getpid(), signal);
        mark(marker);
        break;
    case Moment::InsideScope: {
        const TerminationDeferred deferred;
        kill(getpid(), signal);
        mark(marker);
        break;
    }
    case Moment::WhileOtherThreadInScope: {
        std::atomic<int> stage { 0 };
        std::thread holder([&stage] {
            const TerminationDeferred deferred;
            stage = 1;
            while (stage != 2) {
                std::this_thread::yield();
            }
        });
        while (stage != 1) {
            std::this_thread::yield();
        }
        // A signal a process sends itself is handled by the sending thread before kill returns.
        kill(getpid(), signal);
        mark(marker);
        stage = 2;
        holder.join();
        break;
    }
    case Moment::InsideNestedScope: {
        const TerminationDeferred outer;
        {
            const TerminationDeferred inner;
            kill(getpid(), signal);
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
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0)
        runChild(moment, signal, marker.constData());
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);

    QVERIFY2(WIFSIGNALED(status), qPrintable(QStringLiteral("status %1").arg(status)));
    QCOMPARE(WTERMSIG(status), signal);
    QCOMPARE(QFile::exists(QFile::decodeName(marker)), moment != Moment::OutsideScope);
}

QTEST_APPLESS_MAIN(TestTerminationDeferred)
#include "tst_terminationdeferred.moc"
