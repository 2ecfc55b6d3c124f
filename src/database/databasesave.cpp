#include "databasesave.h"

#include "databaseencoding.h"
#include "filesave.h"
#include "heldrecords.h"
#include "table/linelist.h"

#include <utility>

DatabaseSave::DatabaseSave(const QString &path, bool append, const SaveOptions &options)
    : m_path(path)
{
    try {
        // Appending refuses to save over a change that another program made after the read.
        m_save = std::make_unique<FileSave>(path, append, options);
        if (append && m_save->exists())
            readKept();
    } catch (const KalidorError &error) {
        m_failure = error;
        // A file that cannot be written may still be read: the records are checked for the
        // encoding they would be appended in, so that a run fails for the file, not for them.
        if (!m_save)
            m_encoding = databaseEncoding(path, append);
    }
}

DatabaseSave::~DatabaseSave() = default;

// Keeps the existing file's lines and sets m_encoding.
void DatabaseSave::readKept()
{
    LoadedLines loaded;
    try {
        const QByteArray bytes = m_save->readExisting();
        // Known even when the lines cannot be decoded, so that the records can be checked for
        // the file that refused them.
        qsizetype markLength = 0;
        m_encoding = ByteOrderMark::find(bytes, markLength);
        loaded = decodeLines(bytes);
    } catch (const KalidorError &error) {
        throw appendRefused(m_path, error.reason(), error.line(), error.column());
    }
    if (loaded.stoppedAtNul)
        throw appendRefused(
            m_path, QStringLiteral("it holds a NUL character, so it cannot be read in full"));
    // Writing back whole code units would lose that byte.
    if (loaded.droppedOddByte)
        throw appendRefused(m_path,
            QStringLiteral("it ends in half a UTF-16 character, so it cannot be read in full"));
    m_kept = std::make_unique<const HeldRecords>(std::move(loaded.lines));
}

const HeldRecords *DatabaseSave::heldRecords() const
{
    return m_kept && !m_kept->isEmpty() ? m_kept.get() : nullptr;
}

QString DatabaseSave::commit(const QStringList &records)
{
    throwIfFailed();
    return commit(LineEncoder::encodeAll(records, m_encoding));
}

QString DatabaseSave::commit(
    const EncodedLines &records, const QHash<qsizetype, QString> &replacedLines)
{
    // The encoding is settled by the read, and a file changed since is refused: records made
    // in encoding() always match the bytes before them.
    Q_ASSERT(records.encoding == m_encoding);
    throwIfFailed();
    QByteArray bytes = keptWith(replacedLines);
    bytes += records.bytes;
    return m_save->commit(bytes);
}

// Each replaced line as its new text, the others as they were read.
QByteArray DatabaseSave::keptWith(const QHash<qsizetype, QString> &replacedLines) const
{
    LineEncoder encoder(m_encoding);
    if (!m_kept)
        return encoder.take().withMark();
    const QStringList &lines = m_kept->lines();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto replaced = replacedLines.constFind(i);
        encoder.append(replaced == replacedLines.cend() ? lines.at(i) : *replaced);
    }
    return encoder.take().withMark();
}

void DatabaseSave::throwIfFailed() const
{
    if (m_failure)
        throw *m_failure;
}
