#pragma once

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// Helpers for the tests that save database files and look at what is left on the disk.

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// The names in a folder, so that a test can see that no temporary file was left behind.
inline QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Lowers the largest file size this process may write, to make a disk that is full for it
// alone; writes beyond the limit fail with EFBIG instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool isActive() const { return m_active; }

private:
    rlimit m_previous {};
    void (*m_previousHandler)(int) = nullptr;
    bool m_active = false;
};

// Runs as another account (nobody, unless told) while it lives, when the process is root:
// root may add files to any folder and own any file, so the rules for everyone else need
// someone else.
class OtherUser {
public:
    explicit OtherUser(uid_t user = nobody, gid_t group = nobody)
    {
        if (geteuid() != 0)
            return;
        m_switched = setegid(group) == 0 && seteuid(user) == 0;
    }
    ~OtherUser()
    {
        if (m_switched && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("could not become root again");
    }
    OtherUser(const OtherUser &) = delete;
    OtherUser &operator=(const OtherUser &) = delete;

    bool isNotRoot() const { return geteuid() != 0; }

    static constexpr uid_t nobody = 65534;

private:
    bool m_switched = false;
};
