#pragma once

#include "table/cxf3/colourobjects.h"

#include <QHash>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The rows of a CxF3 file handed from the thread that scans it to a thread that uses them
// meanwhile, a batch at a time, so that neither waits on the other for each row and a row
// need not be kept once it is used. Only the scan adds; only the user takes.
//
// The scan adds a row's text as the UTF-8 it read; the user's thread makes it a row. So the
// scanning thread, which the whole read waits for, neither allocates nor decodes for each row.
class ScannedRows {
public:
    // With `keptForTable`, forEachRow keeps the rows it has given to the user, for the table.
    explicit ScannedRows(bool keptForTable = false)
        : m_keptForTable(keptForTable)
    {
    }

    // The scan's side: the row of a colour object (see ColourObjects::Row), its text in UTF-8.
    void add(int childIndex, qint64 line, std::string_view text, const QString &conditionsId);
    // The scan is over, whether it went well or not: the rows added so far are all there
    // are, and `otherConditions` is what it found (see ColourObjects).
    void finish(const QHash<QString, QString> &otherConditions);

    // The user's side: takes every row in document order, waiting for them while the scan goes
    // on, and calls `use(row, line)` for each, `line` being its line in the table the reader
    // makes (the header line is 0). Returns the number of rows once the scan is over and every
    // row is taken.
    template<class Use> qsizetype forEachRow(Use &&use)
    {
        qsizetype line = 0;
        for (Batch batch = next(); !batch.entries.empty(); batch = next()) {
            std::size_t textStart = 0;
            for (const Batch::Entry &entry : batch.entries) {
                ColourObjects::Row row = batch.row(entry, textStart);
                use(std::as_const(row), ++line);
                if (m_keptForTable)
                    m_kept.push_back(std::move(row));
                textStart = entry.textEnd;
            }
        }
        return line;
    }
    // Once forEachRow is done.
    const QHash<QString, QString> &otherConditions() const { return m_otherConditions; }
    // Once forEachRow is done: the rows it kept, in document order. They are put together on
    // the user's thread, so that the scanning thread only takes them over.
    std::deque<ColourObjects::Row> takeKeptRows() { return std::exchange(m_kept, {}); }

private:
    struct Batch {
        struct Entry {
            int childIndex;
            std::uint32_t conditions; // its index in conditionsIds
            qint64 line;
            std::size_t textEnd; // in texts; the text starts where the previous entry's ends
        };
        std::vector<Entry> entries;
        std::string texts;
        // Each measuring-conditions Id once for a run of rows that share it, as they mostly do.
        std::vector<QString> conditionsIds;

        // The row of `entry`, whose text starts at `textStart`.
        ColourObjects::Row row(const Entry &entry, std::size_t textStart) const;
    };

    void publish(std::unique_lock<std::mutex> &lock);
    // The next rows in document order, waiting for them while the scan goes on; empty once the
    // scan is over and every row is taken.
    Batch next();

    const bool m_keptForTable;
    std::deque<ColourObjects::Row> m_kept; // the user's alone until it is done
    Batch m_filling; // the scan's, not yet handed over
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_ready;
    bool m_finished = false;
    QHash<QString, QString> m_otherConditions;
};

// Uses the rows of a file while it is scanned as a CxF3 file (see openColourTable).
class ScannedRowsConsumer {
public:
    virtual ~ScannedRowsConsumer() = default;
    // Takes every row from `rows` through forEachRow.
    virtual void consume(ScannedRows &rows) = 0;
    // Whether the opened table is to hold the rows as well, as it does without a consumer; the
    // consumer then takes them through forEachRow.
    virtual bool tableKeepsRows() const { return false; }
};
