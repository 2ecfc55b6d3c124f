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
    // Gives a batch taken back for the table, when the table is to keep the rows as well.
    void giveBack(Batch &&batch) { m_givenBack.push_back(std::move(batch)); }

    // Once the user is done: the batches given back, in the order they were given.
    std::vector<Batch> takeGivenBack() { return std::exchange(m_givenBack, {}); }

private:
    void publish(std::unique_lock<std::mutex> &lock);

    Batch m_filling; // the scan's, not yet handed over
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_ready;
    bool m_finished = false;
    QHash<QString, QString> m_otherConditions;
    std::vector<Batch> m_givenBack; // the user's alone until it is done
};

// Uses the rows of a file while it is scanned as a CxF3 file (see openColourTable).
class ScannedRowsConsumer {
public:
    virtual ~ScannedRowsConsumer() = default;
    // Takes every row from `rows` until it comes back empty.
    virtual void consume(ScannedRows &rows) = 0;
    // Whether the opened table is to hold the rows as well, as it does without a consumer; the
    // consumer then gives back every batch it takes.
    virtual bool tableKeepsRows() const { return false; }
};
