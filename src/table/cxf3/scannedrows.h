#pragma once

#include "table/cxf3/colourobjects.h"

#include <QHash>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The rows of a CxF3 file handed from the thread that scans it (the producer) to a thread that
// uses them meanwhile (the consumer), through a queue of batches, so that neither waits on the
// other for each row and a row need not be kept once it is used. Only the producer adds; only
// the consumer takes.
//
// The producer adds a row's text as the UTF-8 it read; the consumer's thread makes it a row.
// So the scanning thread, which the whole read waits for, neither allocates nor decodes for
// each row.
//
// The queue is bounded: once the rows waiting in it take `bound` bytes, the producer waits for
// the consumer to take some. A batch is handed over when it holds 512 rows or a quarter of the
// bound, so the rows waiting never take more than the bound unless one batch alone does,
// which takes a row of nearly the bound's size.
class ScannedRows {
public:
    static constexpr std::size_t defaultBound = std::size_t(4) << 20;

    // With `keptForTable`, forEachRow keeps the rows it has given to the consumer, for the
    // table.
    explicit ScannedRows(bool keptForTable = false, std::size_t bound = defaultBound);

    // The producer's side: the row of a colour object (see ColourObjects::Row), its text in
    // UTF-8. Waits while the queue is full; drops the row once the consumer has stopped.
    void add(int childIndex, qint64 line, std::string_view text, const QString &conditionsId);
    // The scan went well: the rows added are all there are, and `otherConditions` is what
    // it found (see ColourObjects). Waits as add does.
    void finish(const QHash<QString, QString> &otherConditions);
    // The scan failed: the rows in the queue are all the consumer gets, and they do not count.
    // Never waits.
    void fail();

    // The consumer's side: takes every row in document order, waiting for them while the scan
    // goes on, and calls `use(row, line)` for each, `line` being its line in the table the
    // reader makes (the header line is 0). Returns the number of rows once the scan is over
    // and every row is taken.
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
    // The consumer takes no more rows: it is done, it failed, or it will never come. The queue
    // is emptied, and a producer waiting for room goes on, dropping every row from then on.
    void stopTaking();
    // Once forEachRow is done.
    const QHash<QString, QString> &otherConditions() const { return m_otherConditions; }
    // Once forEachRow is done: the rows it kept, in document order.
    std::deque<ColourObjects::Row> takeKeptRows() { return std::exchange(m_kept, {}); }

    // The most bytes of rows that have waited in the queue at once so far.
    std::size_t mostWaiting();

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
        // What counts against the bound: the entries too, so that rows without text are
        // bounded as well.
        std::size_t bytes() const { return texts.size() + entries.size() * sizeof(Entry); }
    };

    // Puts the batch being filled into the queue, waiting for room.
    void handOver();
    // The next rows in document order, waiting for them while the scan goes on; empty once the
    // scan is over and every row is taken.
    Batch next();

    const bool m_keptForTable;
    const std::size_t m_bound;
    const std::size_t m_batchBytes;
    std::deque<ColourObjects::Row> m_kept; // the consumer's alone until it is done
    Batch m_filling; // the producer's, not yet handed over
    std::mutex m_mutex;
    std::condition_variable m_rowsReady; // the consumer waits on it
    std::condition_variable m_roomMade; // the producer waits on it
    std::deque<Batch> m_ready;
    std::size_t m_waiting = 0; // the bytes of m_ready
    std::size_t m_mostWaiting = 0;
    bool m_finished = false;
    bool m_consumerStopped = false;
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
    // How many bytes of rows may wait in the queue for the consumer (see ScannedRows).
    virtual std::size_t queueBound() const { return ScannedRows::defaultBound; }
};
