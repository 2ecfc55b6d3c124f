#pragma once

#include "base/platformfile.h"
#include "base/terminationdeferred.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// The file --report writes, whole or not at all: a scratch file beside it is written, synced
// and closed, and only then renamed over it, so that after a database is saved only the rename
// remains. A scratch file left behind goes with the object, and a polite signal waits while
// one exists, so that it never outlives the run. Every step throws KalidorError "path: why"
// on failure.
class ReportFile {
public:
    // `path` names a regular file or none, its links already followed.
    explicit ReportFile(const QString &path);
    ~ReportFile();
    ReportFile(const ReportFile &) = delete;
    ReportFile &operator=(const ReportFile &) = delete;

    // Starts a new scratch file, in place of one written before.
    void begin();
    void append(QByteArrayView bytes);
    // Syncs and closes the scratch file.
    void finish();
    // Gives the finished scratch file the report's name, and syncs the folder.
    void publish();

private:
    void removeScratch();
    void keepIdentityOfReplaced();

    QString m_path;
    QString m_scratchPath;
    std::optional<OpenFile> m_scratch;
    qint64 m_written = 0;
    std::optional<TerminationDeferred> m_signalsWait;
};
