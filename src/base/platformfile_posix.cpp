#include "kalidorerror.h"
#include "platformfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace {

[[noreturn]] void failWith(int error)
{
    throw KalidorError(qt_error_string(error));
}

QByteArray nativeName(const QString &path)
{
    return QFile::encodeName(path);
}

FileStatus statusFrom(const struct stat &info)
{
    FileStatus status;
    status.device = info.st_dev;
    status.inode = info.st_ino;
    status.size = info.st_size;
    status.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    status.changedNs = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    status.links = info.st_nlink;
    status.owner = info.st_uid;
    status.group = info.st_gid;
    status.mode = info.st_mode & 07777;
    return status;
}

// Refused writing for the file's own permissions, not for a folder on the way.
bool isReadOnly(const QString &path)
{
    const QByteArray name = nativeName(path);
    return ::access(name.constData(), F_OK) == 0 && ::access(name.constData(), W_OK) != 0;
}

int openRetrying(const QByteArray &name, int flags, mode_t mode = 0)
{
    int descriptor = -1;
    do
        descriptor = ::open(name.constData(), flags, mode);
    while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

// The names of a file's extended attributes, ACLs included; empty where the file system
// keeps none.
QList<QByteArray> attributeNames(int descriptor)
{
    const ssize_t size = flistxattr(descriptor, nullptr, 0);
    if (size <= 0)
        return {};
    QByteArray list(size, Qt::Uninitialized);
    const ssize_t got = flistxattr(descriptor, list.data(), list.size());
    if (got < 0)
        failWith(errno);
    list.truncate(got);
    QList<QByteArray> names = list.split('\0');
    names.removeAll(QByteArray());
    return names;
}

bool copyAttribute(int from, int to, const QByteArray &name)
{
    const ssize_t size = fgetxattr(from, name.constData(), nullptr, 0);
    if (size < 0)
        return false;
    QByteArray value(size, Qt::Uninitialized);
    const ssize_t got = fgetxattr(from, name.constData(), value.data(), value.size());
    return got >= 0 && fsetxattr(to, name.constData(), value.constData(), got, 0) == 0;
}

} // namespace

OpenFile::OpenFile(int descriptor)
    : m_descriptor(descriptor)
{
}

OpenFile::OpenFile(OpenFile &&other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1))
{
}

OpenFile::~OpenFile()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

std::optional<OpenFile> OpenFile::openIfExists(const QString &path, bool forWriting)
{
    // Without O_NONBLOCK, opening a named pipe waits for a writer, and some devices wait for
    // a carrier.
    const int access = forWriting ? O_RDWR : O_RDONLY;
    const int descriptor
        = openRetrying(nativeName(path), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        const int error = errno;
        if (error == ENOENT)
            return std::nullopt;
        if (error == EISDIR)
            throw KalidorError(QStringLiteral("it is a folder"));
        if (error == EACCES && forWriting && isReadOnly(path))
            throw KalidorError(QStringLiteral("the file is read-only"));
        failWith(error);
    }
    OpenFile file(descriptor);
    struct stat info { };
    if (fstat(descriptor, &info) != 0)
        failWith(errno);
    if (S_ISDIR(info.st_mode))
        throw KalidorError(QStringLiteral("it is a folder"));
    if (!S_ISREG(info.st_mode))
        throw KalidorError(QStringLiteral("it is not a regular file"));
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0)
        failWith(errno);
    return file;
}

OpenFile OpenFile::createUnique(const QString &stem, uint mode, QString &createdPath)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString path = stem + u'-';
        for (int i = 0; i < 6; ++i)
            path += QChar(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
        const int descriptor = openRetrying(
            nativeName(path), O_RDWR | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        if (descriptor >= 0) {
            createdPath = path;
            return OpenFile(descriptor);
        }
        if (errno != EEXIST)
            failWith(errno);
    }
    failWith(EEXIST);
}

OpenFile OpenFile::createUnnamed(const QString &folder)
{
    const int descriptor = openRetrying(
        nativeName(folder), O_TMPFILE | O_RDWR | O_EXCL | O_NOCTTY | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (descriptor >= 0)
        return OpenFile(descriptor);
    // File systems without unnamed files: a named one, whose name goes at once.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        failWith(errno);
    QString path;
    OpenFile file
        = createUnique(folder + QStringLiteral("/.kalidor-scratch"), S_IRUSR | S_IWUSR, path);
    if (!removeFile(path))
        failWith(errno);
    return file;
}

FileStatus OpenFile::status() const
{
    struct stat info { };
    if (fstat(m_descriptor, &info) != 0)
        failWith(errno);
    return statusFrom(info);
}

QByteArray OpenFile::readAll() const
{
    QByteArray bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = pread(m_descriptor, buffer, sizeof buffer, bytes.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failWith(errno);
        if (got == 0)
            return bytes;
        bytes.append(buffer, got);
    }
}

qint64 OpenFile::readAt(qint64 offset, char *data, qint64 size) const
{
    for (;;) {
        const ssize_t got = pread(m_descriptor, data, size, offset);
        if (got >= 0)
            return got;
        if (errno != EINTR)
            failWith(errno);
    }
}

void OpenFile::overwrite(const QByteArray &bytes) const
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t put
            = pwrite(m_descriptor, bytes.constData() + written, bytes.size() - written, written);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            failWith(errno);
        if (put == 0)
            failWith(ENOSPC);
        written += put;
    }
    if (ftruncate(m_descriptor, bytes.size()) != 0)
        failWith(errno);
}

void OpenFile::writeAt(qint64 offset, QByteArrayView bytes) const
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t put = pwrite(
            m_descriptor, bytes.data() + written, bytes.size() - written, offset + written);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            failWith(errno);
        if (put == 0)
            failWith(ENOSPC);
        written += put;
    }
}

void OpenFile::close()
{
    // The descriptor is gone whatever close says, also after EINTR.
    if (::close(std::exchange(m_descriptor, -1)) != 0 && errno != EINTR)
        failWith(errno);
}

void OpenFile::sync() const
{
    if (fsync(m_descriptor) != 0)
        failWith(errno);
}

bool OpenFile::takeIdentityOf(const OpenFile &original) const
{
    const FileStatus wanted = original.status();
    const FileStatus mine = status();
    if ((mine.owner != wanted.owner || mine.group != wanted.group)
        && fchown(m_descriptor, wanted.owner, wanted.group) != 0)
        return false;

    // An attribute the folder gave the new file (an inherited ACL) goes unless the original
    // has it too.
    const QList<QByteArray> kept = attributeNames(original.m_descriptor);
    for (const QByteArray &name : attributeNames(m_descriptor)) {
        if (!kept.contains(name) && fremovexattr(m_descriptor, name.constData()) != 0)
            return false;
    }
    for (const QByteArray &name : kept) {
        if (!copyAttribute(original.m_descriptor, m_descriptor, name))
            return false;
    }
    // After fchown, which clears the set-user-ID bit.
    return fchmod(m_descriptor, wanted.mode) == 0;
}

bool OpenFile::tryLock() const
{
    int result = 0;
    do
        result = flock(m_descriptor, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return true;
    if (errno == EWOULDBLOCK)
        return false;
    failWith(errno);
}

FolderLock::FolderLock(OpenFile folder)
    : m_folder(std::move(folder))
{
}

std::optional<FolderLock> FolderLock::tryLock(const QString &folder)
{
    const int descriptor
        = openRetrying(nativeName(folder), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == EACCES || errno == ENOENT)
            return FolderLock(OpenFile(-1));
        failWith(errno);
    }
    OpenFile opened(descriptor);
    if (!opened.tryLock())
        return std::nullopt;
    return FolderLock(std::move(opened));
}

OpenFile openInputFile(const QString &path)
{
    try {
        std::optional<OpenFile> opened = OpenFile::openIfExists(path, false);
        if (!opened)
            failWith(ENOENT);
        return std::move(*opened);
    } catch (const KalidorError &error) {
        throw KalidorError::at(path, QStringLiteral("cannot be opened: %1").arg(error.reason()));
    }
}

void openRegularFile(QFile &file, const QString &path)
{
    OpenFile opened = openInputFile(path);
    if (!file.open(opened.m_descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        throw KalidorError::at(
            path, QStringLiteral("cannot be opened: %1").arg(file.errorString()));
    opened.m_descriptor = -1;
}

QString symbolicLinkTarget(const QString &path)
{
    QString target = path;
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo link(target);
        if (!link.isSymLink())
            break;
        target = link.symLinkTarget();
    }
    return target;
}

std::optional<FileStatus> statusOf(const QString &path)
{
    struct stat info { };
    if (::stat(nativeName(path).constData(), &info) == 0)
        return statusFrom(info);
    if (errno == ENOENT || errno == ENOTDIR)
        return std::nullopt;
    failWith(errno);
}

bool renameOver(const QString &from, const QString &to)
{
    if (::rename(nativeName(from).constData(), nativeName(to).constData()) == 0)
        return true;
    if (errno == EPERM || errno == EACCES)
        return false;
    failWith(errno);
}

bool removeFile(const QString &path)
{
    return ::unlink(nativeName(path).constData()) == 0;
}

void syncFolder(const QString &folder)
{
    const int descriptor
        = openRetrying(nativeName(folder), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        failWith(errno);
    // A file system that cannot sync a folder says EINVAL; its names are then as safe as it
    // makes them.
    const int error = fsync(descriptor) == 0 || errno == EINVAL ? 0 : errno;
    ::close(descriptor);
    if (error)
        failWith(error);
}
