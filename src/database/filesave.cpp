#include "filesave.h"

#include "base/kalidorerror.h"
#include "savestephook.h"

#include <QDir>
#include <QFileInfo>

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

QString followLinks(const QString &path)
{
    QString target = path;
    // As deep as the kernel follows; a deeper chain fails when it is opened.
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            break;
        target = info.symLinkTarget();
    }
    return target;
}

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

FileSave::FileSave(const QString &path, bool refuseIfChanged)
    : m_path(path)
    , m_target(followLinks(path))
    , m_refuseIfChanged(refuseIfChanged)
    , m_existing(openTarget())
{
    if (m_existing) {
        m_opened = m_existing->status();
        // Root may write any file; one that nobody may write is read-only to root too.
        if (!m_opened->hasWriteBits())
            fail(QStringLiteral("the file is read-only"));
    }
}

std::optional<OpenFile> FileSave::openTarget() const
{
    try {
        return OpenFile::openIfExists(m_target, true);
    } catch (const KalidorError &error) {
        fail(error.reason());
    }
}

QByteArray FileSave::readExisting() const
{
    reach(SaveStep::ReadExisting);
    return m_existing->readAll();
}

QString FileSave::commit(const QByteArray &bytes)
{
    try {
        std::optional<ScratchFile> temporary = writeTemporary(bytes);
        const bool mayRename = !m_existing || m_opened->links == 1;
        if (temporary && mayRename && replaceByRename(*temporary))
            return QString();
        if (!m_existing)
            fail(QStringLiteral("the folder does not allow the new file its name"));
        return writeInPlace(bytes, std::move(temporary));
    } catch (const KalidorError &error) {
        if (!error.path().isEmpty())
            throw;
        fail(error.reason());
    }
}

// The new bytes in a file beside the old one: the file that a rename puts in its place, or
// else the proof that the bytes fit on the disk. Nothing when the folder takes no new file
// and the file exists, so that it can still be written in place.
std::optional<FileSave::ScratchFile> FileSave::writeTemporary(const QByteArray &bytes) const
{
    QString path;
    std::optional<OpenFile> file;
    try {
        // Private until it has the old file's identity; a new database gets the usual mode.
        file.emplace(OpenFile::createUnique(
            m_target + QStringLiteral(".saving"), m_existing ? 0600 : 0666, path));
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

QString FileSave::writeInPlace(const QByteArray &bytes, std::optional<ScratchFile> proof) const
{
    const OpenFile &file = *m_existing;
    const QByteArray old = readExisting();
    ScratchFile copy = keepCopy(old);
    checkUnchanged();
    // The proof's space is for the file now.
    proof.reset();
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
            fail(QStringLiteral("%1; its earlier content is kept in %2")
                     .arg(error.reason(), QDir::toNativeSeparators(copy.keep())));
        }
        fail(error.reason());
    }
    if (stepMayRun(SaveStep::RemoveCopy) && removeFile(copy.path)) {
        copy.keep();
        return QString();
    }
    return QStringLiteral("%1: its earlier content was left in %2, which could not be removed")
        .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(copy.keep()));
}

// The old bytes, safe on the disk before the file is touched: beside it where the folder
// allows, else in the temporary folder.
FileSave::ScratchFile FileSave::keepCopy(const QByteArray &old) const
{
    const QString suffix = QStringLiteral(".copy-before-save");
    const QString elsewhere = QDir(QDir::tempPath()).filePath(QFileInfo(m_target).fileName());
    QString path;
    std::optional<OpenFile> file;
    try {
        file.emplace(OpenFile::createUnique(m_target + suffix, 0600, path));
    } catch (const KalidorError &) {
        file.emplace(OpenFile::createUnique(elsewhere + suffix, 0600, path));
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
