#pragma once

#include "base/kalidorerror.h"
#include "base/platformfile.h"
#include "saveoptions.h"

#include <QString>

#include <optional>

class QByteArray;

// The failure of an append that left the existing file as it was; `reason` says why.
KalidorError appendRefused(
    const QString &path, const QString &reason, qint64 line = 0, qint64 column = 0);

// One save of a whole file that keeps the file as others see it: its name, links, owner, group,
// mode and extended attributes hold the new bytes afterwards, and a failure leaves the old
// bytes whole in it. A file of one link gets the new bytes in a new file that takes its
// identity and then its name (so its inode changes); a file of several links, or one whose
// identity a new file cannot take, is written in place, from a copy of its old bytes, once the
// new bytes are on the disk in a journal beside it. A symbolic link is followed and kept.
//
// Saves that run at once wait for each other: from the open to the end of the commit a save
// holds the lock of the file and of its folder (see FolderLock). Under the lock it first
// clears what a stopped save left beside the file: a journal is written into the file again,
// so that a kill at any moment leaves the old or the new bytes whole by the next save; other
// scratch files are removed. Every failure throws KalidorError naming the path.
class FileSave {
public:
    // Locks and opens the file that `path` names now, waiting for another save as `options`
    // say. With `refuseIfChanged`, commit() refuses when the file is no longer the one opened
    // here, with the same size, modification and change time.
    FileSave(const QString &path, bool refuseIfChanged, const SaveOptions &options = {});
    ~FileSave();

    bool exists() const { return m_existing.has_value(); }
    // The file's bytes as they are now; the file must exist.
    QByteArray readExisting() const;
    // Makes `bytes` the file's whole content and returns once they are on the disk; the locks
    // are let go. The result is a note for the operator: empty, unless a copy of the old
    // content could not be removed.
    QString commit(const QByteArray &bytes);

private:
    struct ScratchFile;

    void lockAndOpen(std::chrono::milliseconds wait);
    bool tryLockAndOpen();
    void clearLeftovers();
    void rollForward(const QString &journal);
    void tell(const QString &note) const;
    QString commitLocked(const QByteArray &bytes);
    std::optional<ScratchFile> writeTemporary(const QByteArray &bytes) const;
    bool replaceByRename(ScratchFile &temporary) const;
    QString writeInPlace(const QByteArray &bytes, std::optional<ScratchFile> temporary) const;
    ScratchFile keepCopy(const QByteArray &old) const;
    std::optional<ScratchFile> beginJournal(std::optional<ScratchFile> temporary) const;
    void checkUnchanged() const;
    [[noreturn]] void fail(const QString &reason) const;

    QString m_path; // as the operator named it, for messages
    QString m_target; // the file itself, symbolic links followed
    bool m_refuseIfChanged = false;
    std::function<void(const QString &)> m_tell;
    std::optional<FolderLock> m_folderLock;
    std::optional<OpenFile> m_existing; // locked while the save holds it
    std::optional<FileStatus> m_opened;
};
