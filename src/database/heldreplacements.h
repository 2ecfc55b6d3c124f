#pragma once

#include "base/textencoding.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringView>

class HeldRecords;

// What a record does to the database it goes to.
enum class RecordAction { Added, Replaced, Unchanged };

// The records that take the place of the first record of their name that a database holds,
// when they are appended with replacement. A later record of a name already taken is added,
// so that no record of the run is lost.
class HeldReplacements {
public:
    // `held` must outlive the replacements.
    HeldReplacements(const HeldRecords &held, TextEncoding encoding);

    // `record` as it will be written, named `writtenName` once written.
    RecordAction offer(QStringView writtenName, const QString &record);

    qsizetype replaced() const { return m_replacedLines.size(); }
    qsizetype unchanged() const { return m_unchangedLines.size(); }
    // The new text of the lines replaced, by index into the held lines.
    const QHash<qsizetype, QString> &replacedLines() const { return m_replacedLines; }

private:
    const HeldRecords &m_held;
    TextEncoding m_encoding;
    // A held line is taken by one record at most: it is replaced or left unchanged.
    QHash<qsizetype, QString> m_replacedLines;
    QSet<qsizetype> m_unchangedLines;
};
