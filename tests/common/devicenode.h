#pragma once

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// Makes at `path`, in a folder of the test's own, a character device with the numbers of the
// machine's /dev/full, to which every write fails with "No space left on device". A save that
// wrongly replaces a device then harms this node, never the machine's. Returns why the node
// cannot serve, for the test to skip with (only root makes devices, and a node on a file
// system mounted nodev does not open); empty when it can.
inline QString makeFullDevice(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        return QStringLiteral("cannot make a device node at %1: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    const int descriptor = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return QStringLiteral("the device node at %1 cannot be opened to write (a file system "
                              "mounted nodev?): %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(descriptor);
    return QString();
}
