#pragma once

#include "base/kalidorerror.h"
#include "base/textencoding.h"
#include "databasewriter.h"
#include "saveoptions.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class FileSave;
class HeldRecords;

// One save of special-colour records as the database `path`, the file held open from the read
// of its lines to the write, so that what is checked for a change is the file that was read.
// Without `append` the file holds the records alone, in the default code page. With `append`
// an existing file keeps its lines and its encoding and the records follow; a missing file is
// created as without `append`, and a change that another program makes to the file meanwhile
// is refused. The file stays the same file (links, owner, mode), a failure leaves what it held
// before, and success is reported once the bytes are on the disk. Another run saving to the
// same file waits from this one's open to the end of its commit (see FileSave).
class DatabaseSave {
public:
    // Locks and opens the file as `options` say and, with `append`, reads it. A file that
    // cannot be locked, written or read in full is reported by commit(), so that the records
    // can be made in encoding() first.
    DatabaseSave(const QString &path, bool append, const SaveOptions &options = {});
    ~DatabaseSave();

    // The encoding the records are written in: with `append`, that of the existing file as its
    // byte-order mark says; otherwise, or when there is no file that could be opened, the
    // default code page.
    TextEncoding encoding() const { return m_encoding; }
    // With `append`, the records that the existing file holds, by name as decoded from it;
    // nothing when it holds none, or could not be read.
    const HeldRecords *heldRecords() const;

    // Writes the kept lines and then `records`; called once. Throws KalidorError, "path:
    // reason", when the file cannot be written, and, with `append`, when it could not be read
    // in full (its lines would be lost) or another program changed it after it was read.
    // Returns a note for the operator, empty unless a copy of the old content was left beside
    // the file.
    QString commit(const QStringList &records);
    // The same for records encoded in encoding(). With `append`, the kept lines at the indexes
    // of `replacedLines` are written as the texts given there instead.
    QString commit(
        const EncodedLines &records, const QHash<qsizetype, QString> &replacedLines = {});

private:
    void readKept();
    // The byte-order mark and the kept lines, encoded once, as they are written back.
    QByteArray keptWith(const QHash<qsizetype, QString> &replacedLines) const;
    void throwIfFailed() const;

    QString m_path; // as the operator named it, for messages
    std::unique_ptr<FileSave> m_save;
    TextEncoding m_encoding = TextEncoding::DefaultCodePage;
    std::optional<KalidorError> m_failure; // why the file cannot be saved, kept for commit()
    // With `append`, the existing file's lines, kept until they are written back.
    std::unique_ptr<const HeldRecords> m_kept;
};
