#pragma once

#include "table/cxf3/colourobjects.h"

#include <QHash>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

// The rows of a CxF3 file handed from the thread that scans it to a thread that uses them
// meanwhile, a batch at a time, so that neither waits on the other for each row and a row
// need not be kept once it is used. Only the scan adds; only the user takes.
class ScannedRows {
public:
    using Batch = std::vector<ColourObjects::Row>;

    // With `scanKeepsRows`, the scan keeps every row for its table as well and hands on
    // copies, which share the rows' text.
    explicit ScannedRows(bool scanKeepsRows = false)
        : m_scanKeepsRows(scanKeepsRows)
    {
    }

    bool scanKeepsRows() const { return m_scanKeepsRows; }

    // The scan's side.
    void add(ColourObjects::Row &&row);
    // The scan is over, whether it went well or not: the rows added so far are all there
    // are, and `otherConditions` is what it found (see ColourObjects).
    void finish(const QHash<QString, QString> &otherConditions);

    // The user's side: the next rows in document order, waiting for them while the scan
    // goes on; empty once the scan is over and every row is taken.
    Batch next();
    // Once next() has come back empty.
    const QHash<QString, QString> &otherConditions() const { return m_otherConditions; }

    // The user's side, row by row: takes every row as next() does and calls `use(row, line)`
    // for each, `line` being its line in the table the reader makes (the header line is 0).
    // Returns the number of rows.
    template<class Use> qsizetype forEachRow(Use &&use)
    {
        qsizetype line = 0;
        for (Batch batch = next(); !batch.empty(); batch = next()) {
            for (const ColourObjects::Row &row : batch)
                use(row, ++line);
        }
        return line;
    }

private:
    void publish(std::unique_lock<std::mutex> &lock);

    const bool m_scanKeepsRows;
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
    // Takes every row from `rows` until it comes back empty.
    virtual void consume(ScannedRows &rows) = 0;
    // Whether the opened table is to hold the rows as well, as it does without a consumer.
    virtual bool tableKeepsRows() const { return false; }
};
