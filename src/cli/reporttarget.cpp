#include "reporttarget.h"

#include "base/kalidorerror.h"
#include "base/platformfile.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace {

// `path` with every symbolic link followed, the last one too when it points at nothing, and
// its folder made canonical.
QString resolved(const QString &path)
{
    const QFileInfo file(symbolicLinkTarget(QFileInfo(path).absoluteFilePath()));
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(file.absoluteFilePath())
                            : QDir(folder).filePath(file.fileName());
}

// Nothing also when the file cannot be looked at: writing it fails later, with the reason.
std::optional<FileStatus> identity(const QString &path)
{
    try {
        return statusOf(path);
    } catch (const KalidorError &) {
        return std::nullopt;
    }
}

bool sameFile(const QString &path, const std::optional<FileStatus> &status, const QString &other)
{
    if (path == resolved(other))
        return true;
    const std::optional<FileStatus> otherStatus = identity(other);
    return status && otherStatus && status->device == otherStatus->device
        && status->inode == otherStatus->inode;
}

} // namespace

QString reportTarget(const QString &path, const QString &input, const QString &output)
{
    const QString target = resolved(path);
    const std::optional<FileStatus> status = identity(target);
    if (sameFile(target, status, input))
        throw KalidorError(QStringLiteral("--report names INPUT, which it would overwrite."));
    if (output != u"-" && sameFile(target, status, output))
        throw KalidorError(QStringLiteral("--report names OUTPUT, which it would overwrite."));
    const QFileInfo file(target);
    if (file.exists() && !file.isFile())
        throw KalidorError(
            QStringLiteral("--report names %1, which is no regular file; a report replaces only "
                           "a regular file or makes a new one.")
                .arg(QDir::toNativeSeparators(path)));
    return target;
}
