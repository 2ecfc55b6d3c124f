#include "base/kalidorerror.h"
#include "database/databasesave.h"
#include "database/databasewriter.h"
#include "database/savestephook.h"
#include "filetestsupport.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Accounts that exist nowhere, so that only their numbers own the files.
constexpr uid_t otherOwner = 12346;
constexpr gid_t foreignGroup = 12345;

const QString databaseName = u"db.csv"_s;
const QByteArray oldBytes = "KALIDOR Old,1,2,3\r\n";
const QStringList records { u"KALIDOR New,4,5,6"_s };
const QByteArray replacedBytes = "KALIDOR New,4,5,6\r\n";
const QByteArray appendedBytes = oldBytes + replacedBytes;

std::optional<struct stat> statusOf(const QString &path)
{
    struct stat info { };
    if (lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

bool setOwner(const QString &path, uid_t owner, gid_t group)
{
    return chown(QFile::encodeName(path).constData(), owner, group) == 0;
}

bool setMode(const QString &path, mode_t mode)
{
    return chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// The test's own hook, for the length of one save; a plain function pointer cannot hold one.
std::function<bool(SaveStep)> currentHook;

class ScopedHook {
public:
    explicit ScopedHook(std::function<bool(SaveStep)> hook)
    {
        currentHook = std::move(hook);
        setSaveStepHook([](SaveStep step) { return currentHook(step); });
    }
    ~ScopedHook()
    {
        setSaveStepHook(nullptr);
        currentHook = nullptr;
    }
    ScopedHook(const ScopedHook &) = delete;
    ScopedHook &operator=(const ScopedHook &) = delete;
};

// The copies of the old bytes that a save left beside the database.
QStringList copiesIn(const QString &folder)
{
    return QDir(folder).entryList({ databaseName + u".copy-before-save-*"_s }, QDir::Files);
}

enum class Situation {
    NewFile,
    OneLink, // with a mode of its own, 0640
    TwoLinks,
    OwnedByOtherSavedByOwner, // the folder is the owner's too
    OwnedByOtherSavedByRoot,
    OwnedByOtherTwoLinksSavedByRoot,
    GroupTheSaverIsNotIn,
    ReadOnly,
    StickyFolderNotOwner, // a world-writable file of another owner in a 1777 folder
    BehindSymbolicLink,
    FullDiskOneLink,
    FullDiskTwoLinks,
};

// Where the database lives, how it was made and what is saved over it.
struct Setup {
    QString folder;
    QString path; // what the save is given
    QString database; // the file itself
    std::optional<struct stat> before;
    QStringList entriesBefore;
};

} // namespace

class TestSaveSituations : public QObject {
    Q_OBJECT

private slots:
    void situation_data();
    void situation();
    void changedAfterRead_data();
    void changedAfterRead();
    void failedStep_data();
    void failedStep();
    void stoppedStep_data();
    void stoppedStep();
    void nextSaveAfterStop_data();
    void nextSaveAfterStop();
    void rivalSave_data();
    void rivalSave();
};

void TestSaveSituations::situation_data()
{
    QTest::addColumn<Situation>("situation");
    QTest::addColumn<bool>("append");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("inPlace"); // the same inode afterwards

    const struct {
        const char *name;
        Situation situation;
        bool saved;
        bool inPlace;
    } rows[] = {
        { "new file", Situation::NewFile, true, false },
        { "one link", Situation::OneLink, true, false },
        { "two links", Situation::TwoLinks, true, true },
        { "other owner, saved by the owner", Situation::OwnedByOtherSavedByOwner, true, false },
        { "other owner, saved by root", Situation::OwnedByOtherSavedByRoot, true, false },
        { "other owner, two links, saved by root", Situation::OwnedByOtherTwoLinksSavedByRoot, true,
            true },
        { "group the saver is not in", Situation::GroupTheSaverIsNotIn, true, true },
        { "read-only", Situation::ReadOnly, false, true },
        { "sticky folder, not the owner", Situation::StickyFolderNotOwner, true, true },
        { "behind a symbolic link", Situation::BehindSymbolicLink, true, false },
        { "full disk, one link", Situation::FullDiskOneLink, false, true },
        { "full disk, two links", Situation::FullDiskTwoLinks, false, true },
    };
    for (const auto &row : rows) {
        for (const bool append : { false, true })
            QTest::addRow("%s, %s", row.name, append ? "append" : "replace")
                << row.situation << append << row.saved << row.inPlace;
    }
}

void TestSaveSituations::situation()
{
    QFETCH(Situation, situation);
    QFETCH(bool, append);
    QFETCH(bool, saved);
    QFETCH(bool, inPlace);

    const bool needsRoot = situation != Situation::NewFile && situation != Situation::OneLink
        && situation != Situation::TwoLinks && situation != Situation::BehindSymbolicLink
        && situation != Situation::FullDiskOneLink && situation != Situation::FullDiskTwoLinks;
    if (needsRoot && geteuid() != 0)
        QSKIP("needs root, to give files to other accounts and to act as them");

    const QTemporaryDir dir;
    const QString folder = dir.filePath(u"store"_s);
    QVERIFY(QDir().mkdir(folder));
    const auto unlock = qScopeGuard([&] { setMode(folder, 0700); });
    const QString database = folder + u'/' + databaseName;
    QString path = database;
    if (situation != Situation::NewFile)
        QVERIFY(writeFile(database, oldBytes));

    std::optional<OtherUser> saver; // made just before the save
    uid_t saverId = 0;
    gid_t saverGroup = 0;
    std::optional<FileSizeLimit> limit;
    switch (situation) {
    case Situation::NewFile:
        break;
    case Situation::OneLink:
        QVERIFY(setMode(database, 0640));
        break;
    case Situation::TwoLinks:
    case Situation::FullDiskTwoLinks:
        QCOMPARE(link(QFile::encodeName(database).constData(),
                     QFile::encodeName(dir.filePath(u"second-name.csv"_s)).constData()),
            0);
        break;
    case Situation::OwnedByOtherSavedByOwner:
        QVERIFY(setOwner(database, OtherUser::nobody, OtherUser::nobody));
        QVERIFY(setOwner(folder, OtherUser::nobody, OtherUser::nobody));
        saverId = saverGroup = OtherUser::nobody;
        break;
    case Situation::OwnedByOtherSavedByRoot:
        QVERIFY(setOwner(database, otherOwner, foreignGroup));
        break;
    case Situation::OwnedByOtherTwoLinksSavedByRoot:
        QVERIFY(setOwner(database, otherOwner, foreignGroup));
        QCOMPARE(link(QFile::encodeName(database).constData(),
                     QFile::encodeName(dir.filePath(u"second-name.csv"_s)).constData()),
            0);
        break;
    case Situation::GroupTheSaverIsNotIn:
        QVERIFY(setOwner(database, OtherUser::nobody, foreignGroup));
        QVERIFY(setOwner(folder, OtherUser::nobody, OtherUser::nobody));
        saverId = saverGroup = OtherUser::nobody;
        break;
    case Situation::ReadOnly:
        QVERIFY(setMode(database, 0444));
        break;
    case Situation::StickyFolderNotOwner:
        QVERIFY(setOwner(database, otherOwner, foreignGroup));
        QVERIFY(setMode(database, 0666));
        QVERIFY(setMode(folder, 01777));
        saverId = saverGroup = OtherUser::nobody;
        break;
    case Situation::BehindSymbolicLink:
        QVERIFY(setMode(database, 0604));
        path = dir.filePath(u"link.csv"_s);
        QVERIFY(QFile::link(u"store/"_s + databaseName, path));
        break;
    case Situation::FullDiskOneLink:
        break;
    }
    // The temporary folder's root would otherwise hold it.
    QVERIFY(setMode(dir.path(), 0755));

    const std::optional<struct stat> before = statusOf(database);
    const QStringList folderBefore = entries(folder);
    const QByteArray expected = append && before ? appendedBytes : replacedBytes;
    // Large enough to pass a limit of 8 KiB.
    const QStringList written
        = situation == Situation::FullDiskOneLink || situation == Situation::FullDiskTwoLinks
        ? QStringList(400, records.first() + u" padded to make a long line of forty-odd"_s)
        : records;

    std::optional<QString> error;
    {
        if (saverId != 0) {
            saver.emplace(saverId, saverGroup);
            QVERIFY(saver->isNotRoot());
        }
        if (written.size() > 1) {
            limit.emplace(8192);
            QVERIFY(limit->isActive());
        }
        try {
            saveDatabase(path, written, append);
        } catch (const KalidorError &caught) {
            error = caught.text();
        }
        limit.reset();
        saver.reset();
    }

    const std::optional<struct stat> after = statusOf(database);
    QVERIFY(after);
    QCOMPARE(error.has_value(), !saved);
    if (error)
        QVERIFY2(error->startsWith(QDir::toNativeSeparators(path) + u": "_s), qPrintable(*error));
    else
        QCOMPARE(readAll(database), expected);
    if (!saved)
        QCOMPARE(readAll(database), oldBytes);
    QStringList entriesAfter = folderBefore;
    if (situation == Situation::NewFile) {
        const mode_t mask = umask(0);
        umask(mask);
        QCOMPARE(after->st_mode & 07777, 0666 & ~mask);
        entriesAfter << databaseName;
    } else {
        QCOMPARE(after->st_ino == before->st_ino, inPlace || !saved);
        QCOMPARE(after->st_nlink, before->st_nlink);
        QCOMPARE(after->st_uid, before->st_uid);
        QCOMPARE(after->st_gid, before->st_gid);
        QCOMPARE(after->st_mode, before->st_mode);
    }
    QCOMPARE(entries(folder), entriesAfter);
    if (situation == Situation::BehindSymbolicLink)
        QCOMPARE(QFileInfo(path).symLinkTarget(), database);
    const QString secondName = dir.filePath(u"second-name.csv"_s);
    if (QFileInfo::exists(secondName))
        QCOMPARE(readAll(secondName), readAll(database));
}

// What another program did to the database between the append's read and its save.
enum class Change {
    RewrittenSameSize,
    RewrittenSameSizeTimeRestored, // as `touch -r` leaves it

    Appended,
    ReplacedByFile,
    ReplacedByPipe,
    Removed,
    Created, // where there was no file at the read
};

void TestSaveSituations::changedAfterRead_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("twoLinks");
    // Before the commit, while the records are made; else during the commit, as the new bytes
    // are written beside the file.
    QTest::addColumn<bool>("beforeCommit");

    const struct {
        const char *name;
        Change change;
    } changes[] = {
        { "rewritten, same size", Change::RewrittenSameSize },
        { "rewritten, same size, time set back", Change::RewrittenSameSizeTimeRestored },
        { "appended to", Change::Appended },
        { "replaced by another file", Change::ReplacedByFile },
        { "replaced by a named pipe", Change::ReplacedByPipe },
        { "removed", Change::Removed },
    };
    for (const bool beforeCommit : { false, true }) {
        const char *when = beforeCommit ? "before the commit" : "during the commit";
        for (const auto &row : changes) {
            QTest::addRow("%s, one link, %s", row.name, when)
                << row.change << false << beforeCommit;
            QTest::addRow("%s, two links, %s", row.name, when)
                << row.change << true << beforeCommit;
        }
        QTest::addRow("created where there was none, %s", when)
            << Change::Created << false << beforeCommit;
    }
}

void TestSaveSituations::changedAfterRead()
{
    QFETCH(Change, change);
    QFETCH(bool, twoLinks);
    QFETCH(bool, beforeCommit);

    const QTemporaryDir dir;
    const QString path = dir.filePath(databaseName);
    if (change != Change::Created)
        QVERIFY(writeFile(path, oldBytes));
    if (twoLinks)
        QCOMPARE(link(QFile::encodeName(path).constData(),
                     QFile::encodeName(path + u".link"_s).constData()),
            0);

    const QByteArray otherBytes = "KALIDOR Mid,7,8,9\r\n";
    QByteArray left; // what the other program left there
    const auto otherProgram = [&] {
        switch (change) {
        case Change::RewrittenSameSize:
            // Not every file system's clock moves between two writes.
            QTest::qSleep(20);
            left = otherBytes;
            return writeFile(path, left);
        case Change::RewrittenSameSizeTimeRestored: {
            const std::optional<struct stat> before = statusOf(path);
            left = otherBytes;
            if (!before || !writeFile(path, left))
                return false;
            const struct timespec times[] = { before->st_atim, before->st_mtim };
            return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0
                && statusOf(path)->st_mtim.tv_nsec == before->st_mtim.tv_nsec;
        }
        case Change::Appended: {
            QFile file(path);
            left = oldBytes + otherBytes;
            return file.open(QIODevice::Append) && file.write(otherBytes) == otherBytes.size();
        }
        case Change::ReplacedByFile:
            left = otherBytes;
            return QFile::remove(path) && writeFile(path, left);
        case Change::ReplacedByPipe:
            return QFile::remove(path) && mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
        case Change::Removed:
            return QFile::remove(path);
        case Change::Created:
            left = otherBytes;
            return writeFile(path, left);
        }
        return false;
    };

    std::optional<QString> error;
    bool changed = false;
    {
        const ScopedHook hook([&](SaveStep step) {
            if (step == SaveStep::WriteTemporary && !beforeCommit && !changed)
                changed = otherProgram();
            return true;
        });
        try {
            DatabaseSave save(path, true);
            if (beforeCommit)
                changed = otherProgram();
            save.commit(records);
        } catch (const KalidorError &caught) {
            error = caught.text();
        }
    }

    QVERIFY(changed);
    QVERIFY(error);
    QVERIFY2(error->startsWith(QDir::toNativeSeparators(path) + u": "_s), qPrintable(*error));
    QVERIFY2(
        error->contains(u"another program changed it after it was read"_s), qPrintable(*error));
    if (change == Change::ReplacedByPipe)
        QVERIFY(S_ISFIFO(statusOf(path)->st_mode));
    else if (change == Change::Removed)
        QVERIFY(!statusOf(path));
    else
        QCOMPARE(readAll(path), left);
    if (twoLinks && change != Change::RewrittenSameSize
        && change != Change::RewrittenSameSizeTimeRestored && change != Change::Appended)
        QCOMPARE(readAll(path + u".link"_s), oldBytes);
    QStringList expectedEntries { databaseName };
    if (change == Change::Removed)
        expectedEntries.clear();
    if (twoLinks)
        expectedEntries << databaseName + u".link"_s;
    QCOMPARE(entries(dir.path()), expectedEntries);
}

// The steps a save takes on each path: by rename for a file of one link, in place for one of
// two. Appending adds the read.
const QList<SaveStep> renameSteps { SaveStep::ReadExisting, SaveStep::WriteTemporary,
    SaveStep::SyncTemporary, SaveStep::KeepIdentity, SaveStep::Rename, SaveStep::SyncFolder };
const QList<SaveStep> inPlaceSteps { SaveStep::ReadExisting, SaveStep::WriteTemporary,
    SaveStep::SyncTemporary, SaveStep::WriteCopy, SaveStep::SyncCopy, SaveStep::BeginJournal,
    SaveStep::Overwrite, SaveStep::SyncInPlace, SaveStep::RemoveCopy };

const char *stepName(SaveStep step)
{
    switch (step) {
    case SaveStep::ReadExisting:
        return "read";
    case SaveStep::WriteTemporary:
        return "write temporary";
    case SaveStep::SyncTemporary:
        return "sync temporary";
    case SaveStep::KeepIdentity:
        return "keep identity";
    case SaveStep::Rename:
        return "rename";
    case SaveStep::SyncFolder:
        return "sync folder";
    case SaveStep::WriteCopy:
        return "write copy";
    case SaveStep::SyncCopy:
        return "sync copy";
    case SaveStep::BeginJournal:
        return "begin journal";
    case SaveStep::Overwrite:
        return "overwrite";
    case SaveStep::SyncInPlace:
        return "sync in place";
    case SaveStep::RemoveCopy:
        return "remove copy";
    }
    return "?";
}

void addStepRows()
{
    QTest::addColumn<bool>("twoLinks");
    QTest::addColumn<SaveStep>("step");

    for (const bool twoLinks : { false, true }) {
        for (const SaveStep step : twoLinks ? inPlaceSteps : renameSteps)
            QTest::addRow("%s: %s", twoLinks ? "in place" : "rename", stepName(step))
                << twoLinks << step;
    }
}

// A database of one or two links in a folder of its own, as the step tests want it.
QString makeDatabase(const QTemporaryDir &dir, bool twoLinks)
{
    const QString path = dir.filePath(databaseName);
    if (!writeFile(path, oldBytes))
        return QString();
    if (twoLinks
        && link(QFile::encodeName(path).constData(),
               QFile::encodeName(path + u".link"_s).constData())
            != 0)
        return QString();
    return path;
}

void TestSaveSituations::failedStep_data()
{
    addStepRows();
}

void TestSaveSituations::failedStep()
{
    QFETCH(bool, twoLinks);
    QFETCH(SaveStep, step);

    const QTemporaryDir dir;
    const QString path = makeDatabase(dir, twoLinks);
    QVERIFY(!path.isEmpty());
    const QStringList entriesBefore = entries(dir.path());
    const ino_t inode = statusOf(path)->st_ino;

    std::optional<QString> error;
    QString note;
    bool reached = false;
    {
        const ScopedHook hook([&](SaveStep at) {
            reached = reached || at == step;
            return at != step;
        });
        try {
            note = saveDatabase(path, records, true);
        } catch (const KalidorError &caught) {
            error = caught.text();
        }
    }

    QVERIFY(reached);
    if (step == SaveStep::RemoveCopy) {
        // The save went through; the copy that could not be removed stays, and the note says
        // where.
        QVERIFY2(!error, qPrintable(error.value_or(QString())));
        QCOMPARE(readAll(path), appendedBytes);
        const QStringList copies = copiesIn(dir.path());
        QCOMPARE(copies.size(), 1);
        QCOMPARE(readAll(dir.filePath(copies.first())), oldBytes);
        QVERIFY2(note.contains(dir.filePath(copies.first())), qPrintable(note));
        QStringList entriesAfter = QStringList(entriesBefore) << copies.first();
        entriesAfter.sort();
        QCOMPARE(entries(dir.path()), entriesAfter);
        return;
    }
    QVERIFY(error);
    QVERIFY2(error->startsWith(QDir::toNativeSeparators(path) + u": could not be "_s),
        qPrintable(*error));
    // Once renamed, the new file is the database: syncing its folder can only be reported.
    QCOMPARE(readAll(path), step == SaveStep::SyncFolder ? appendedBytes : oldBytes);
    QCOMPARE(statusOf(path)->st_ino == inode, step != SaveStep::SyncFolder);
    if (twoLinks)
        QCOMPARE(readAll(path + u".link"_s), oldBytes);
    QCOMPARE(entries(dir.path()), entriesBefore);
}

// The scratch files that saves left beside the database.
QStringList leftoversIn(const QString &folder)
{
    return QDir(folder).entryList({ databaseName + u".*-??????"_s }, QDir::Files);
}

// Runs `save` in a child process that ends just before `step`, as a kill would end it.
bool stopAt(SaveStep step, const std::function<void()> &save)
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        static SaveStep stopAt;
        stopAt = step;
        setSaveStepHook([](SaveStep at) {
            if (at == stopAt)
                _exit(0);
            return true;
        });
        try {
            save();
        } catch (...) {
        }
        _exit(1); // the step was never reached
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void TestSaveSituations::stoppedStep_data()
{
    addStepRows();
}

// As if the program were killed just before the step: the old bytes are whole in the
// database, or in a copy beside it.
void TestSaveSituations::stoppedStep()
{
    QFETCH(bool, twoLinks);
    QFETCH(SaveStep, step);

    const QTemporaryDir dir;
    const QString path = makeDatabase(dir, twoLinks);
    QVERIFY(!path.isEmpty());

    QVERIFY(stopAt(step, [&] { saveDatabase(path, records, true); }));

    const QByteArray now = readAll(path);
    QStringList oldCopies;
    for (const QString &copy : copiesIn(dir.path())) {
        if (readAll(dir.filePath(copy)) == oldBytes)
            oldCopies << copy;
    }
    // Once renamed, the new file is the database and the save is as good as done.
    const bool renamed = !twoLinks && step == SaveStep::SyncFolder;
    QVERIFY2(now == oldBytes || (now == appendedBytes && (renamed || !oldCopies.isEmpty())),
        now.constData());
    if (twoLinks)
        QCOMPARE(readAll(path + u".link"_s), now);
}

void TestSaveSituations::nextSaveAfterStop_data()
{
    QTest::addColumn<bool>("twoLinks");
    QTest::addColumn<SaveStep>("step");

    // A plain save, which reads the file only to keep a copy before writing in place.
    for (const bool twoLinks : { false, true }) {
        for (const SaveStep step : twoLinks ? inPlaceSteps : renameSteps) {
            if (twoLinks || step != SaveStep::ReadExisting)
                QTest::addRow("%s: %s", twoLinks ? "in place" : "rename", stepName(step))
                    << twoLinks << step;
        }
    }
}

// A save stopped at any step, also half way through writing in place, leaves the database
// whole for the next save: its old bytes, or the new ones of the stopped save. The next save
// names each file the stopped one left and removes it.
void TestSaveSituations::nextSaveAfterStop()
{
    QFETCH(bool, twoLinks);
    QFETCH(SaveStep, step);

    const QTemporaryDir dir;
    const QString path = makeDatabase(dir, twoLinks);
    QVERIFY(!path.isEmpty());
    const QStringList entriesBefore = entries(dir.path());
    QVERIFY(stopAt(step, [&] { saveDatabase(path, records, false); }));
    // The same length as the old bytes: a write in place that a kill cut short leaves the new
    // bytes' beginning before the old bytes' rest.
    QCOMPARE(replacedBytes.size(), oldBytes.size());
    if (twoLinks && step == SaveStep::Overwrite) {
        const qsizetype half = replacedBytes.size() / 2;
        QVERIFY(writeFile(path, replacedBytes.left(half) + oldBytes.mid(half)));
    }
    const QStringList leftovers = leftoversIn(dir.path());

    QStringList notes;
    QByteArray found;
    {
        DatabaseSave save(
            path, true, SaveOptions { .tell = [&notes](const QString &note) { notes << note; } });
        found = readAll(path);
        save.commit(QStringList());
    }

    const bool renamed = !twoLinks && step == SaveStep::SyncFolder;
    const bool journalled = twoLinks
        && (step == SaveStep::Overwrite || step == SaveStep::SyncInPlace
            || step == SaveStep::RemoveCopy);
    QCOMPARE(found, renamed || journalled ? replacedBytes : oldBytes);
    QCOMPARE(readAll(path), found);
    if (twoLinks)
        QCOMPARE(readAll(path + u".link"_s), found);
    QCOMPARE(entries(dir.path()), entriesBefore);
    QCOMPARE(notes.size(), leftovers.size());
    for (const QString &leftover : leftovers) {
        const QString named = QDir::toNativeSeparators(dir.filePath(leftover));
        QVERIFY2(std::any_of(notes.cbegin(), notes.cend(),
                     [&](const QString &note) {
                         return note.startsWith(QDir::toNativeSeparators(path) + u": "_s)
                             && note.contains(named);
                     }),
            qPrintable(notes.join(u'\n')));
    }
}

// How the rival run reaches the database.
enum class RivalPath {
    OneLink,
    TwoLinks,
    LinkInOtherFolder, // a second link in another folder, which the rival saves through
    NewFile, // none yet: both create it
};

void TestSaveSituations::rivalSave_data()
{
    QTest::addColumn<RivalPath>("rivalPath");
    QTest::addColumn<SaveStep>("step"); // where the first save lets the rival in

    QTest::newRow("one link, before the rename") << RivalPath::OneLink << SaveStep::Rename;
    QTest::newRow("one link, at the read") << RivalPath::OneLink << SaveStep::ReadExisting;
    QTest::newRow("two links, before the write in place")
        << RivalPath::TwoLinks << SaveStep::Overwrite;
    QTest::newRow("link in another folder, before the write in place")
        << RivalPath::LinkInOtherFolder << SaveStep::Overwrite;
    QTest::newRow("new file, before the rename") << RivalPath::NewFile << SaveStep::Rename;
}

// A second save that starts while the first is under way (from its open to the end of its
// commit) must not succeed with records that the first then writes over: it fails, saying
// why, or its records are kept.
void TestSaveSituations::rivalSave()
{
    QFETCH(RivalPath, rivalPath);
    QFETCH(SaveStep, step);

    const QTemporaryDir dir;
    const QString path = dir.filePath(databaseName);
    QString rivalTarget = path;
    if (rivalPath != RivalPath::NewFile)
        QVERIFY(writeFile(path, oldBytes));
    if (rivalPath == RivalPath::TwoLinks || rivalPath == RivalPath::LinkInOtherFolder) {
        const QString folder = dir.filePath(u"other"_s);
        QVERIFY(QDir().mkdir(folder));
        rivalTarget
            = rivalPath == RivalPath::TwoLinks ? path + u".link"_s : folder + u'/' + databaseName;
        QCOMPARE(
            link(QFile::encodeName(path).constData(), QFile::encodeName(rivalTarget).constData()),
            0);
    }

    const QStringList rivalRecords { u"KALIDOR Rival,7,8,9"_s };
    std::optional<QString> firstError;
    std::optional<QString> rivalError;
    bool rivalRan = false;
    const auto save
        = [](const QString &target, const QStringList &saved, std::optional<QString> &error) {
              try {
                  saveDatabase(target, saved, true);
              } catch (const KalidorError &caught) {
                  error = caught.text();
              }
          };
    {
        const ScopedHook hook([&](SaveStep at) {
            if (at != step || rivalRan)
                return true;
            rivalRan = true;
            save(rivalTarget, rivalRecords, rivalError);
            return true;
        });
        save(path, records, firstError);
    }

    QVERIFY(rivalRan);
    // The first save holds the lock throughout, so the rival is the one to fail.
    QVERIFY2(!firstError, qPrintable(firstError.value_or(QString())));
    const QByteArray saved = readAll(path);
    QVERIFY2(saved.contains(replacedBytes), saved.constData());
    if (rivalError) {
        QVERIFY2(rivalError->startsWith(QDir::toNativeSeparators(rivalTarget) + u": "_s),
            qPrintable(*rivalError));
        QVERIFY2(rivalError->contains(u"another run is saving to it; try again"_s),
            qPrintable(*rivalError));
    } else {
        QVERIFY2(saved.contains("KALIDOR Rival,7,8,9\r\n"), saved.constData());
    }
    QCOMPARE(leftoversIn(dir.path()), QStringList());
}

QTEST_APPLESS_MAIN(TestSaveSituations)
#include "tst_savesituations.moc"
