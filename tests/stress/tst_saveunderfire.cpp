#include "base/kalidorerror.h"
#include "base/silentobserver.h"
#include "conversion/conversion.h"
#include "database/databasesave.h"
#include "filetestsupport.h"
#include "table/cxf3/xmldocument.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

extern char **environ;

namespace {

// Large enough that writing it takes a while, small enough for a few tens of seconds in all.
constexpr int heldRecords = 50000;
constexpr int addedRecords = 2000;
// Rounds of each pairing of rival saves.
constexpr int rivalRounds = 20;

const QString databaseName = u"db.csv"_s;

QByteArray databaseBytes()
{
    QByteArray bytes;
    for (int i = 0; i < heldRecords; ++i)
        bytes += "KALIDOR Colour " + QByteArray::number(i) + ",50.5,1.25,-3.75\r\n";
    return bytes;
}

// A text table: `added` new names starting with `prefix`, and, with `replacing`, new values for
// every name the database holds.
QByteArray inputTable(const QByteArray &prefix, int added, bool replacing)
{
    QByteArray bytes = "Name\tL*\ta*\tb*\r\n";
    if (replacing) {
        for (int i = 0; i < heldRecords; ++i)
            bytes += "KALIDOR Colour " + QByteArray::number(i) + "\t61.5\t2.25\t-4.75\r\n";
    }
    for (int i = 0; i < added; ++i)
        bytes += prefix + QByteArray::number(i) + "\t40\t10\t20\r\n";
    return bytes;
}

struct Started {
    pid_t pid = -1;
    QString standardError; // a file
};

// Starts the built converter; its standard error goes to a file.
Started startConverter(const QStringList &arguments, const QString &standardError)
{
    QList<QByteArray> owned { QByteArrayLiteral(KALIDOR_CONVERT) };
    for (const QString &argument : arguments)
        owned << QFile::encodeName(argument);
    QList<char *> argv;
    for (QByteArray &argument : owned)
        argv << argument.data();
    argv << nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray errorFile = QFile::encodeName(standardError);
    posix_spawn_file_actions_addopen(
        &actions, STDERR_FILENO, errorFile.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv.first(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return { pid, standardError };
}

int waitFor(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, 0) == pid ? status : -1;
}

qint64 modifiedNs(const QString &path)
{
    struct stat info { };
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// What saves left beside the database.
QStringList leftoversIn(const QString &folder)
{
    return QDir(folder).entryList({ databaseName + u".*-??????"_s }, QDir::Files);
}

qsizetype linesStartingWith(const QByteArray &bytes, const QByteArray &prefix)
{
    qsizetype count = bytes.startsWith(prefix) ? 1 : 0;
    return count + bytes.count("\n" + prefix);
}

// A database of heldRecords records in a folder of its own, with a second link elsewhere.
struct Database {
    explicit Database(const QTemporaryDir &dir, int round, bool twoLinks)
        : folder(dir.filePath(u"round-%1"_s.arg(round)))
        , path(folder + u'/' + databaseName)
    {
        made = QDir().mkdir(folder) && writeFile(path, databaseBytes());
        if (made && twoLinks)
            made = link(QFile::encodeName(path).constData(),
                       QFile::encodeName(dir.filePath(u"link-%1.csv"_s.arg(round))).constData())
                == 0;
    }
    QString folder;
    QString path;
    bool made = false;
};

} // namespace

class TestSaveUnderFire : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void killedDuringReplace_data();
    void killedDuringReplace();
    void rivalRuns_data();
    void rivalRuns();
    void windowAgainstConverter();

private:
    QTemporaryDir m_dir;
    QString m_replacing; // input: every held name with new values, and new names
    QByteArray m_oldBytes;
    QByteArray m_newBytes; // the database once m_replacing is saved over it
};

void TestSaveUnderFire::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_oldBytes = databaseBytes();
    m_replacing = m_dir.filePath(u"replacing.txt"_s);
    QVERIFY(writeFile(m_replacing, inputTable("KALIDOR Added ", addedRecords, true)));
    const Database database(m_dir, -1, true);
    QVERIFY(database.made);
    const Started run = startConverter(
        { u"--append"_s, u"--replace"_s, u"--quiet"_s, m_replacing, database.path },
        m_dir.filePath(u"first.err"_s));
    QVERIFY(run.pid > 0);
    const int status = waitFor(run.pid);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    m_newBytes = readAll(database.path);
    QCOMPARE(linesStartingWith(m_newBytes, "KALIDOR Added "), addedRecords);
    QVERIFY(m_newBytes.startsWith("KALIDOR Colour 0,61.5,2.25,-4.75\r\n"));
}

// When the polite or the hard signal comes.
enum class KillMoment {
    AtFirstWrite, // the moment the database's modification time changes
    AtScratchFile, // the moment the commit's first scratch file shows
    AfterDelay, // at a random moment of the run
};

void TestSaveUnderFire::killedDuringReplace_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<KillMoment>("moment");

    for (const int signal : { SIGKILL, SIGTERM }) {
        const char *name = signal == SIGKILL ? "SIGKILL" : "SIGTERM";
        QTest::addRow("%s at the first write", name) << signal << KillMoment::AtFirstWrite;
        QTest::addRow("%s at the first scratch file", name) << signal << KillMoment::AtScratchFile;
        QTest::addRow("%s at a random moment", name) << signal << KillMoment::AfterDelay;
    }
}

// `--append --replace` on a hard-linked database, killed while it runs: afterwards (after a
// SIGTERM at once, after a SIGKILL once the next save has opened it) the database holds its
// old bytes or its new bytes whole, and nothing else is left beside it. Each row runs several
// rounds.
void TestSaveUnderFire::killedDuringReplace()
{
    QFETCH(int, signal);
    QFETCH(KillMoment, moment);

    int mixed = 0;
    int killedInCommit = 0;
    for (int round = 0; round < 4; ++round) {
        const QTemporaryDir dir;
        const Database database(dir, round, true);
        QVERIFY(database.made);
        const qint64 before = modifiedNs(database.path);
        const Started run = startConverter(
            { u"--append"_s, u"--replace"_s, u"--quiet"_s, m_replacing, database.path },
            dir.filePath(u"run.err"_s));
        QVERIFY(run.pid > 0);
        QElapsedTimer elapsed;
        elapsed.start();
        const qint64 delayNs = QRandomGenerator::global()->bounded(400) * 1000000LL;
        bool sent = false;
        int status = 0;
        // Bounded: a run takes well under a second.
        while (!sent && elapsed.elapsed() < 20000) {
            if (waitpid(run.pid, &status, WNOHANG) == run.pid)
                break;
            const bool now = moment == KillMoment::AtFirstWrite
                ? modifiedNs(database.path) != before
                : moment == KillMoment::AtScratchFile ? !leftoversIn(database.folder).isEmpty()
                                                      : elapsed.nsecsElapsed() >= delayNs;
            if (now) {
                kill(run.pid, signal);
                sent = true;
            }
        }
        if (sent)
            status = waitFor(run.pid);
        const bool killed = WIFSIGNALED(status);
        QVERIFY2(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0),
            qPrintable(readAll(run.standardError)));
        if (killed)
            QCOMPARE(WTERMSIG(status), signal);

        const QStringList left = leftoversIn(database.folder);
        QByteArray found = readAll(database.path);
        if (found != m_oldBytes && found != m_newBytes)
            ++mixed;
        if (signal == SIGTERM) {
            // A polite signal waits for the commit, which leaves nothing behind.
            QCOMPARE(left, QStringList());
        } else {
            if (!left.isEmpty())
                ++killedInCommit;
            // The next save: the converter, or the window's save, in turns.
            QStringList notes;
            if (round % 2 == 0) {
                const QString emptyInput = dir.filePath(u"empty.txt"_s);
                QVERIFY(writeFile(emptyInput, "Name\tL*\ta*\tb*\r\n"));
                const Started next = startConverter(
                    { u"--append"_s, emptyInput, database.path }, dir.filePath(u"next.err"_s));
                const int nextStatus = waitFor(next.pid);
                QVERIFY(WIFEXITED(nextStatus) && WEXITSTATUS(nextStatus) == 0);
                notes = QString::fromLocal8Bit(readAll(next.standardError))
                            .split(u'\n', Qt::SkipEmptyParts);
            } else {
                DatabaseSave next(database.path, true,
                    SaveOptions { .tell = [&notes](const QString &note) { notes << note; } });
                next.commit(QStringList());
            }
            found = readAll(database.path);
            QCOMPARE(notes.size(), left.size());
            for (const QString &leftover : left)
                QVERIFY2(notes.join(u'\n').contains(leftover), qPrintable(notes.join(u'\n')));
            QCOMPARE(leftoversIn(database.folder), QStringList());
        }
        QVERIFY2(found == m_oldBytes || found == m_newBytes,
            qPrintable(u"round %1: %2 bytes, neither the old %3 nor the new %4"_s.arg(round)
                           .arg(found.size())
                           .arg(m_oldBytes.size())
                           .arg(m_newBytes.size())));
        QCOMPARE(readAll(dir.filePath(u"link-%1.csv"_s.arg(round))), found);
    }
    qInfo("%d of 4 rounds left a mix before the next save, %d left scratch files", mixed,
        killedInCommit);
}

void TestSaveUnderFire::rivalRuns_data()
{
    QTest::addColumn<bool>("secondReplaces");
    QTest::addColumn<bool>("twoLinks");

    for (const bool twoLinks : { false, true }) {
        const char *links = twoLinks ? "hard-linked" : "one link";
        QTest::addRow("append and append, %s", links) << false << twoLinks;
        QTest::addRow("append and replace, %s", links) << true << twoLinks;
    }
}

// Two converter runs saving to one database at once: each that says it succeeded has its
// records in the database; one that did not says that another run was saving to it.
void TestSaveUnderFire::rivalRuns()
{
    QFETCH(bool, secondReplaces);
    QFETCH(bool, twoLinks);

    const QTemporaryDir dir;
    const QString first = dir.filePath(u"first.txt"_s);
    const QString second = dir.filePath(u"second.txt"_s);
    QVERIFY(writeFile(first, inputTable("KALIDOR First ", addedRecords, false)));
    QVERIFY(writeFile(second, inputTable("KALIDOR Second ", addedRecords, secondReplaces)));
    int bothSaved = 0;
    for (int round = 0; round < rivalRounds; ++round) {
        const Database database(dir, round, twoLinks);
        QVERIFY(database.made);
        const Started runs[] = {
            startConverter({ u"--append"_s, u"--quiet"_s, first, database.path },
                dir.filePath(u"first.err"_s)),
            startConverter(QStringList { u"--append"_s, u"--quiet"_s }
                    << (secondReplaces ? QStringList { u"--replace"_s } : QStringList()) << second
                    << database.path,
                dir.filePath(u"second.err"_s)),
        };
        const QByteArray prefixes[] = { "KALIDOR First ", "KALIDOR Second " };
        int saved = 0;
        QByteArray found;
        int statuses[2] = {};
        for (const Started &run : runs) {
            QVERIFY(run.pid > 0);
            statuses[&run - runs] = waitFor(run.pid);
        }
        found = readAll(database.path);
        for (int i = 0; i < 2; ++i) {
            const QByteArray error = readAll(runs[i].standardError);
            QVERIFY2(WIFEXITED(statuses[i]), error.constData());
            if (WEXITSTATUS(statuses[i]) == 0) {
                ++saved;
                QCOMPARE(linesStartingWith(found, prefixes[i]), addedRecords);
            } else {
                QCOMPARE(WEXITSTATUS(statuses[i]), 5);
                QVERIFY2(
                    error.contains("another run is saving to it; try again"), error.constData());
                QCOMPARE(linesStartingWith(found, prefixes[i]), 0);
            }
        }
        if (saved == 2)
            ++bothSaved;
        QCOMPARE(leftoversIn(database.folder), QStringList());
    }
    qInfo("both runs saved in %d of %d rounds", bothSaved, rivalRounds);
}

// The window's save (Conversion::save, as the window calls it) against a converter run.
void TestSaveUnderFire::windowAgainstConverter()
{
    const QTemporaryDir dir;
    const QString first = dir.filePath(u"converter.txt"_s);
    const QString second = dir.filePath(u"window.txt"_s);
    QVERIFY(writeFile(first, inputTable("KALIDOR Converter ", addedRecords, false)));
    QVERIFY(writeFile(second, inputTable("KALIDOR Window ", addedRecords, false)));
    XmlDocument document;
    SilentObserver observer;
    Conversion window(second, document, observer, {});
    for (int round = 0; round < rivalRounds; ++round) {
        const Database database(dir, round, round % 2 == 1);
        QVERIFY(database.made);
        const NumberedLines records
            = window.makeRecords(RecordForm::Csv, database.path, true, observer);
        const Started converter = startConverter(
            { u"--append"_s, u"--quiet"_s, first, database.path }, dir.filePath(u"run.err"_s));
        QVERIFY(converter.pid > 0);
        // Let the converter start first in some rounds, the window in others.
        if (round % 5 >= 2)
            QTest::qSleep(round % 5 * 20);
        std::optional<QString> windowError;
        QList<RecordWarning> warnings;
        try {
            window.save(database.path, records.lines, true, warnings, std::chrono::seconds(2));
        } catch (const KalidorError &error) {
            windowError = error.text();
        }
        const int status = waitFor(converter.pid);
        const QByteArray found = readAll(database.path);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == 0)
            QCOMPARE(linesStartingWith(found, "KALIDOR Converter "), addedRecords);
        else
            QVERIFY2(readAll(converter.standardError).contains("another run is saving to it"),
                readAll(converter.standardError).constData());
        if (windowError)
            QVERIFY2(
                windowError->contains(u"another run is saving to it"_s), qPrintable(*windowError));
        else
            QCOMPARE(linesStartingWith(found, "KALIDOR Window "), addedRecords);
        QCOMPARE(leftoversIn(database.folder), QStringList());
    }
}

QTEST_APPLESS_MAIN(TestSaveUnderFire)
#include "tst_saveunderfire.moc"
