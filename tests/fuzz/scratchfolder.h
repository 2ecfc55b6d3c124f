#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A folder of the fuzzer's own for the files a target reads and writes. In memory when the
// system offers one, since every input is written to a file and a save syncs it to disk.
inline const QTemporaryDir &scratchFolder()
{
    static const QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
            ? QStringLiteral("/dev/shm/kalidor-fuzz-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/kalidor-fuzz-XXXXXX"));
    return folder;
}

// Replaces the file's content with `bytes`; false when it cannot.
inline bool writeScratchFile(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush();
}
