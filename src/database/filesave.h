#pragma once

#include "base/kalidorerror.h"
#include "base/platformfile.h"

#include <QString>

#include <optional>

class QByteArray;

// The failure of an append that left the existing file as it was; `reason` says why.
KalidorError appendRefused(
    const QString &path, const QString &reason, qint64 line = 0, qint64 column = 0);

// One save of a whole file that keeps the file as others see it: its name, links, owner, group,
// mode and extended attributes hold the new bytes afterwards, a failure leaves the old bytes
// whole in it, and a kill at any point leaves them whole in the file or in a copy beside it. A
// file of one link gets the new bytes in a new file that takes its identity and then its name
// (so its inode changes); a file of several links, or one whose identity a new file cannot
// take, is written in place, from a copy of its old bytes. A symbolic link is followed and
// kept. Every failure throws KalidorError naming the path.
class FileSave {
public:
    // Opens the file that `path` names now. With `refuseIfChanged`, commit() refuses when the
    // file is no longer the one opened here, with the same size and modification time.
    FileSave(const QString &path, bool refuseIfChanged);

    bool exists() const { return m_existing.has_value(); }
    // The file's bytes as they are now; the file must exist.
    QByteArray readExisting() const;
    // Makes `bytes` the file's whole content and returns once they are on the disk. The
    // result is a note for the operator: empty, unless a copy of the old content could not
    // be removed.
    QString commit(const QByteArray &bytes);

private:
    struct ScratchFile;

    std::optional<OpenFile> openTarget() const;
    std::optional<ScratchFile> writeTemporary(const QByteArray &bytes) const;
    bool replaceByRename(ScratchFile &temporary) const;
    QString writeInPlace(const QByteArray &bytes, std::optional<ScratchFile> proof) const;
    ScratchFile keepCopy(const QByteArray &old) const;
    void checkUnchanged() const;
    [[noreturn]] void fail(const QString &reason) const;

    QString m_path; // as the operator named it, for messages
    QString m_target; // the file itself, symbolic links followed
    bool m_refuseIfChanged = false;
    std::optional<OpenFile> m_existing;
    std::optional<FileStatus> m_opened;
};
