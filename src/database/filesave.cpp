#include "filesave.h"

#include "base/kalidorerror.h"
#include "base/terminationdeferred.h"
#include "savestephook.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>

#include <utility>

namespace {

SaveStepHook stepHook = nullptr;

bool stepMayRun(SaveStep step)
{
    return !stepHook || stepHook(step);
}

void reach(SaveStep step)
{
    if (!stepMayRun(step))
        throw KalidorError(QStringLiteral("the step was made to fail"));
}

// The scratch files a save makes beside the file, each named after it and a random ending of
// six characters (see OpenFile::createUnique).
const QString savingSuffix = QStringLiteral(".saving");
const QString copySuffix = QStringLiteral(".copy-before-save");
// The complete new bytes, on the disk before the first byte is written in place: a journal
// that outlives its save means that the file may hold a mix, which the next save mends.
const QString journalSuffix = QStringLiteral(".writing-in-place");
constexpr qsizetype randomEnding = 7; // "-" and six characters

// How often a save that waits for another one tries the lock again.
constexpr int lockRetryMs = 20;

} // namespace

KalidorError appendRefused(const QString &path, const QString &reason, qint64 line, qint64 column)
{
    return KalidorError::at(path,
        QStringLiteral("could not be appended to, so it was left as it was: %1").arg(reason), line,
        column);
}

void setSaveStepHook(SaveStepHook hook)
{
    stepHook = hook;
}

// A file of the save's own, removed when it goes unless it was kept.
struct FileSave::ScratchFile {
    ScratchFile(OpenFile opened, const QString &name)
        : file(std::move(opened))
        , path(name)
    {
    }
    ScratchFile(ScratchFile &&other) noexcept
        : file(std::move(other.file))
        , path(std::exchange(other.path, QString()))
    {
    }
    ~ScratchFile()
    {
        if (!path.isEmpty())
            removeFile(path);
    }
    // Keeps the file where it is; returns its name.
    QString keep() { return std::exchange(path, QString()); }

    OpenFile file;
    QString path;
};

FileSave::FileSave(const QString &path, bool refuseIfChanged, const SaveOptions &options)
    : m_path(path)
    , m_target(symbolicLinkTarget(path))
    , m_refuseIfChanged(refuseIfChanged)
    , m_tell(options.tell)
{
    lockAndOpen(options.rivalWait);
    clearLeftovers();
    if (m_existing) {
        m_opened = m_existing->status();
        // Root may write any file; one that nobody may write is read-only to root too.
        if (!m_opened->hasWriteBits())
            fail(QStringLiteral("the file is read-only"));
    }
}

FileSave::~FileSave() = default;

// The folder's lock first, so that the file opened is the one that a save before this one
// left under the name; then the file's own, which saves through its other links take too.
// Neither is waited for while the other is held, so that two saves cannot wait for each other.
void FileSave::lockAndOpen(std::chrono::milliseconds wait)
{
    const QDeadlineTimer deadline(wait);
    bool told = false;
    while (!tryLockAndOpen()) {
        if (deadline.hasExpired())
            fail(QStringLiteral("another run is saving to it; try again when it has finished"));
        if (!told)
            tell(QStringLiteral("%1: another run is saving to it; waiting for it to finish")
                     .arg(QDir::toNativeSeparators(m_path)));
        told = true;
        QThread::msleep(lockRetryMs);
    }
}

// True with both locks held and the file (if any) open; else holds nothing.
bool FileSave::tryLockAndOpen()
{
    try {
        std::optional<FolderLock> folderLock
            = FolderLock::tryLock(QFileInfo(m_target).absolutePath());
        if (!folderLock)
            return false;
        std::optional<OpenFile> file = OpenFile::openIfExists(m_target, true);
        if (file && !file->tryLock())
            return false;
        m_folderLock.emplace(std::move(*folderLock));
        if (file)
            m_existing.emplace(std::move(*file));
        return true;
    } catch (const KalidorError &error) {
        fail(error.reason());
    }
}

// Under the lock no other save is under way, so what is beside the file was left by a save
// that was stopped (or by one whose copy could not be removed). A journal is written into the
// file again; the other files were made before the file was touched, or after it was whole.
void FileSave::clearLeftovers()
{
    const QFileInfo target(m_target);
    const QDir folder = target.absoluteDir();
    const QString name = target.fileName();
    QStringList journals;
    QStringList others;
    // No name filter: the file's name may hold the filter's wildcards.
    for (const QString &candidate :
        folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (!candidate.startsWith(name))
            continue;
        const QString suffix = candidate.mid(name.size());
        const auto madeWith = [&suffix](const QString &stem) {
            return suffix.size() == stem.size() + randomEnding && suffix.startsWith(stem + u'-');
        };
        if (madeWith(journalSuffix))
            journals << folder.filePath(candidate);
        else if (madeWith(savingSuffix) || madeWith(copySuffix))
            others << folder.filePath(candidate);
    }
    if (journals.isEmpty() && others.isEmpty())
        return;
    const TerminationDeferred deferred;
    if (m_existing && !journals.isEmpty()) {
        // Only one save writes in place at a time, so there is one journal.
        rollForward(journals.takeFirst());
    }
    for (const QString &leftover : std::as_const(journals) + others) {
        const QString shown = QDir::toNativeSeparators(leftover);
        tell(removeFile(leftover)
                ? QStringLiteral("%1: %2, left by an earlier save that was stopped, was removed")
                      .arg(QDir::toNativeSeparators(m_path), shown)
                : QStringLiteral("%1: %2, left by an earlier save that was stopped, could not be "
                                 "removed")
                      .arg(QDir::toNativeSeparators(m_path), shown));
    }
}

// The file may hold part of the new bytes and part of the old: the journal's bytes, complete,
// are written into it again (the new bytes, or the old ones that a failed save left there).
void FileSave::rollForward(const QString &journal)
{
    try {
        const QByteArray bytes = openInputFile(journal).readAll();
        m_existing->overwrite(bytes);
        m_existing->sync();
    } catch (const KalidorError &error) {
        fail(QStringLiteral("an earlier save was stopped while it wrote the file, and its new "
                            "content in %1 could not be written again: %2")
                 .arg(QDir::toNativeSeparators(journal), error.reason()));
    }
    removeFile(journal);
    tell(QStringLiteral("%1: an earlier save was stopped while it wrote the file; the content "
                        "it had kept for it in %2 was written to it again")
             .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(journal)));
}

void FileSave::tell(const QString &note) const
{
    if (m_tell)
        m_tell(note);
}

QByteArray FileSave::readExisting() const
{
    reach(SaveStep::ReadExisting);
    return m_existing->readAll();
}

QString FileSave::commit(const QByteArray &bytes)
{
    // First, so that a polite signal ends the process only once the scratch files are gone.
    const TerminationDeferred deferred;
    const auto unlock = qScopeGuard([this] {
        m_existing.reset();
        m_folderLock.reset();
    });
    try {
        return commitLocked(bytes);
    } catch (const KalidorError &error) {
        if (!error.path().isEmpty())
            throw;
        fail(error.reason());
    }
}

QString FileSave::commitLocked(const QByteArray &bytes)
{
    std::optional<ScratchFile> temporary = writeTemporary(bytes);
    const bool mayRename = !m_existing || m_opened->links == 1;
    if (temporary && mayRename && replaceByRename(*temporary))
        return QString();
    if (!m_existing)
        fail(QStringLiteral("the folder does not allow the new file its name"));
    return writeInPlace(bytes, std::move(temporary));
}

// The new bytes in a file beside the old one: the file that a rename puts in its place, or
// else the journal of the write in place. Nothing when the folder takes no new file
// and the file exists, so that it can still be written in place.
std::optional<FileSave::ScratchFile> FileSave::writeTemporary(const QByteArray &bytes) const
{
    QString path;
    std::optional<OpenFile> file;
    try {
        // Private until it has the old file's identity; a new database gets the usual mode.
        file.emplace(
            OpenFile::createUnique(m_target + savingSuffix, m_existing ? 0600 : 0666, path));
    } catch (const KalidorError &) {
        if (!m_existing)
            throw;
        return std::nullopt;
    }
    ScratchFile temporary(std::move(*file), path);
    reach(SaveStep::WriteTemporary);
    temporary.file.overwrite(bytes);
    reach(SaveStep::SyncTemporary);
    temporary.file.sync();
    return temporary;
}

// False when the new file cannot be made the same as the old one, or the folder refuses the
// rename: then the file is written in place.
bool FileSave::replaceByRename(ScratchFile &temporary) const
{
    if (m_existing) {
        reach(SaveStep::KeepIdentity);
        if (!temporary.file.takeIdentityOf(*m_existing))
            return false;
    }
    checkUnchanged();
    reach(SaveStep::Rename);
    if (!renameOver(temporary.path, m_target))
        return false;
    temporary.keep();
    reach(SaveStep::SyncFolder);
    syncFolder(QFileInfo(m_target).absolutePath());
    return true;
}

QString FileSave::writeInPlace(const QByteArray &bytes, std::optional<ScratchFile> temporary) const
{
    const OpenFile &file = *m_existing;
    const QByteArray old = readExisting();
    ScratchFile copy = keepCopy(old);
    checkUnchanged();
    std::optional<ScratchFile> journal = beginJournal(std::move(temporary));
    try {
        reach(SaveStep::Overwrite);
        file.overwrite(bytes);
        reach(SaveStep::SyncInPlace);
        file.sync();
    } catch (const KalidorError &error) {
        try {
            file.overwrite(old);
            file.sync();
        } catch (const KalidorError &) {
            // The copy becomes the journal, so that the next save puts the old bytes back.
            QString kept = copy.keep();
            if (journal) {
                const QString journalPath = journal->keep();
                if (renameOver(kept, journalPath))
                    kept = journalPath;
            }
            fail(QStringLiteral("%1; its earlier content is kept in %2")
                     .arg(error.reason(), QDir::toNativeSeparators(kept)));
        }
        fail(error.reason());
    }
    // The file is whole: nothing is left to mend.
    journal.reset();
    if (stepMayRun(SaveStep::RemoveCopy) && removeFile(copy.path)) {
        copy.keep();
        return QString();
    }
    return QStringLiteral("%1: its earlier content was left in %2, which could not be removed")
        .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(copy.keep()));
}

// Gives the new bytes, synced, the journal's name, and that name to the disk, before the first
// byte is written in place. Without new bytes beside the file (the folder took none) there is
// no journal, and a kill can leave a mix that only the copy mends.
std::optional<FileSave::ScratchFile> FileSave::beginJournal(
    std::optional<ScratchFile> temporary) const
{
    if (!temporary)
        return std::nullopt;
    const QString journal = m_target + journalSuffix + temporary->path.right(randomEnding);
    reach(SaveStep::BeginJournal);
    if (!renameOver(temporary->path, journal))
        return std::nullopt;
    temporary->keep();
    ScratchFile begun(std::move(temporary->file), journal);
    syncFolder(QFileInfo(m_target).absolutePath());
    return begun;
}

// The old bytes, safe on the disk before the file is touched: beside it where the folder
// allows, else in the temporary folder.
FileSave::ScratchFile FileSave::keepCopy(const QByteArray &old) const
{
    const QString elsewhere = QDir(QDir::tempPath()).filePath(QFileInfo(m_target).fileName());
    QString path;
    std::optional<OpenFile> file;
    try {
        file.emplace(OpenFile::createUnique(m_target + copySuffix, 0600, path));
    } catch (const KalidorError &) {
        file.emplace(OpenFile::createUnique(elsewhere + copySuffix, 0600, path));
    }
    ScratchFile copy(std::move(*file), path);
    reach(SaveStep::WriteCopy);
    copy.file.overwrite(old);
    reach(SaveStep::SyncCopy);
    copy.file.sync();
    return copy;
}

void FileSave::checkUnchanged() const
{
    if (!m_refuseIfChanged)
        return;
    const std::optional<FileStatus> now = statusOf(m_target);
    const bool unchanged = m_opened ? now && now->isUnchangedFrom(*m_opened) : !now;
    if (!unchanged)
        throw appendRefused(m_path, QStringLiteral("another program changed it after it was read"));
}

void FileSave::fail(const QString &reason) const
{
    throw KalidorError::at(m_path, QStringLiteral("could not be written: %1").arg(reason));
}
