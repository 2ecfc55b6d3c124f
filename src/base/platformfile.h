#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QFile;

// The platform's file calls, all in one place: POSIX in platformfile_posix.cpp. A Windows
// build fills in its own (ReplaceFileW keeps a file's identity there). Failures throw
// KalidorError with the platform's reason and no path; the caller names the file.

// What the platform tells about a file: who it is, what it holds, who owns it.
struct FileStatus {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0; // the status change time, which no program can set back
    quint64 links = 0;
    uint owner = 0;
    uint group = 0;
    uint mode = 0; // permission bits

    // Same file with the same size, modification and change time: nobody wrote it in
    // between, not even a program that set the modification time back.
    bool isUnchangedFrom(const FileStatus &earlier) const
    {
        return device == earlier.device && inode == earlier.inode && size == earlier.size
            && modifiedNs == earlier.modifiedNs && changedNs == earlier.changedNs;
    }
    // Anybody at all may write it, as the mode bits say.
    bool hasWriteBits() const { return mode & 0222; }
};

// An open regular file, closed when it goes.
class OpenFile {
public:
    // Opens the regular file `path` to read (and write) it without waiting on a named pipe
    // or a device put under the path: the opened file is judged, not the path. Nothing when
    // no file is there. Reasons: "it is a folder", "it is not a regular file", "the file is
    // read-only" (to this process) or the platform's.
    static std::optional<OpenFile> openIfExists(const QString &path, bool forWriting);
    // A new file of the caller's own, named `stem` and a random ending, with the permission
    // bits `mode` less the umask; `createdPath` tells the name.
    static OpenFile createUnique(const QString &stem, uint mode, QString &createdPath);
    // A new file without a name in `folder`, for scratch data: it goes when it is closed, also
    // when the process dies.
    static OpenFile createUnnamed(const QString &folder);

    OpenFile(OpenFile &&other) noexcept;
    OpenFile &operator=(OpenFile &&) = delete;
    OpenFile(const OpenFile &) = delete;
    ~OpenFile();

    FileStatus status() const;
    QByteArray readAll() const;
    // Reads up to `size` bytes from `offset` on, leaving no position behind, so that several
    // readers, on several threads, may read the one file side by side. 0 at the end.
    qint64 readAt(qint64 offset, char *data, qint64 size) const;
    // The file holds `bytes` and nothing else; a write that stops short throws.
    void overwrite(const QByteArray &bytes) const;
    // Writes all of `bytes` from `offset` on; a write that stops short throws.
    void writeAt(qint64 offset, QByteArrayView bytes) const;
    // Returns once the data has reached the disk.
    void sync() const;
    // Gives the file the owner, group, extended attributes and mode of `original`. False when
    // the platform does not let this process set them all.
    bool takeIdentityOf(const OpenFile &original) const;
    // Takes the exclusive advisory lock (flock) of the file without waiting; false when
    // another open of it holds the lock. Held until the file is closed.
    bool tryLock() const;
    // Closes the file now, so that a failure to close (a file system that writes on close)
    // is seen; the file cannot be used afterwards.
    void close();

private:
    explicit OpenFile(int descriptor);
    friend void openRegularFile(QFile &file, const QString &path);
    friend class FolderLock;

    int m_descriptor = -1;
};

// The exclusive advisory lock (flock) of a folder, held while it lives. Programs that take it
// wait for each other; a program that does not is not stopped by it.
class FolderLock {
public:
    // Nothing when another open of the folder holds the lock. A folder that this process may
    // not read (or that is missing) gives a lock that holds nothing: the file's own lock
    // stands alone then.
    static std::optional<FolderLock> tryLock(const QString &folder);

private:
    explicit FolderLock(OpenFile folder);

    OpenFile m_folder; // no file when the folder could not be opened
};

// Opens an input file for reading as OpenFile does, so that no open waits for ever.
// Throws KalidorError naming `path`: "cannot be opened: reason".
OpenFile openInputFile(const QString &path);
// openInputFile, into `file`.
void openRegularFile(QFile &file, const QString &path);

// `path` with its symbolic links followed, the last one too when it points at nothing, as
// deep as the kernel follows them; `path` itself when it is no link.
QString symbolicLinkTarget(const QString &path);

// The status of whatever `path` names now, following symbolic links; nothing when no file is
// there.
std::optional<FileStatus> statusOf(const QString &path);

// Gives `from` the name `to`, replacing the file there. False when the folder's rules refuse
// it (a sticky folder, a file of another owner); throws on any other failure.
bool renameOver(const QString &from, const QString &to);

// False when the file cannot be removed.
bool removeFile(const QString &path);

// Returns once the names in `folder` have reached the disk.
void syncFolder(const QString &folder);
