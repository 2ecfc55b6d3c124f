#pragma once

#include "labvalues.h"

#include <QHash>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

// A record that a database file holds before records are appended to it.
struct HeldRecord {
    // Its line in the file, counting from 1.
    qsizetype line = 0;
    // Its values as the file gives them: what follows the name and its separator.
    QStringView values;
    // The same, when they are three plain decimal numbers.
    std::optional<LabValues> lab;
};

// The records of a database file's lines, in either form, by name as decoded from the file,
// so that a name appended can be looked up in constant time. A CSV record's name is what comes
// before its last three commas, a legacy record's what comes between its first tag and the last
// of its second, as the records are written. A line that is neither, or whose values hold no
// number at all (a header line such as "Name,L,a,b"), names nothing.
class HeldRecords {
public:
    explicit HeldRecords(QStringList lines);
    HeldRecords(const HeldRecords &) = delete;
    HeldRecords &operator=(const HeldRecords &) = delete;

    bool isEmpty() const { return m_firstLineOfName.isEmpty(); }
    // The first record named `name` exactly, if the file holds one.
    std::optional<HeldRecord> find(QStringView name) const;
    // Every record named `name` exactly, in the order of the file.
    std::vector<HeldRecord> findAll(QStringView name) const;
    // Every line of the file, as decoded.
    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
    // Views into m_lines, by index into it.
    QHash<QStringView, qsizetype> m_firstLineOfName;
    // Of a name held more than once, the later lines, by the index of its first.
    QHash<qsizetype, std::vector<qsizetype>> m_laterLines;

    HeldRecord recordAt(qsizetype index) const;
};
