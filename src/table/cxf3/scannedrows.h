#pragma once

#include "base/kalidorerror.h"
#include "table/cxf3/colourobjects.h"
#include "table/cxf3/cxf3values.h"
#include "table/cxf3/measuredobject.h"
#include "table/cxf3/measuredrows.h"
#include "table/cxf3/measuringconditions.h"

#include <QHash>
#include <QString>

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
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
//
// For D50 values the producer hands on what each object gives as written, and the consumer's
// thread makes its row (see MeasuredRows), so that the sums run beside the scan.
class ScannedRows {
public:
    static constexpr std::size_t defaultBound = std::size_t(4) << 20;

    // With `keptForTable`, forEachRow keeps the rows it has given to the consumer, for the
    // table. With `measured`, the objects added by addMeasured become rows through it.
    explicit ScannedRows(bool keptForTable = false, std::size_t bound = defaultBound,
        std::optional<MeasuredRows> measured = std::nullopt);

    // The producer's side: the row of a colour object (see ColourObjects::Row), its text in
    // UTF-8. Waits while the queue is full; drops the row once the consumer has stopped.
    void add(int childIndex, qint64 line, std::string_view text, const QString &conditionsId);
    // The same for an object of which a row of D50 values is to be made; its texts are copied.
    void addMeasured(const MeasuredObject &object);
    // The row of the object `childIndex`, added next, notes a colour object nested in it (see
    // ColourObjects::Row::nestedNote).
    void noteNested(int childIndex, const QString &note);
    // The scan went well: the rows added are all there are, and `otherConditions` and
    // `conditions` are what it found (see ColourObjects). Waits as add does.
    void finish(const QHash<QString, QString> &otherConditions,
        const QHash<QString, MeasuringConditions> &conditions = {});
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
        for (Batch batch = next(); !batch.entries.empty(); batch = next(std::move(batch))) {
            std::size_t textStart = 0;
            for (const Batch::Entry &entry : batch.entries) {
                std::optional<ColourObjects::Row> row = rowOf(batch, entry, textStart);
                textStart = entry.textEnd;
                // From an object whose values could not be made on, there are no more rows.
                if (!row)
                    continue;
                use(std::as_const(*row), ++line);
                if (m_keptForTable)
                    m_kept.push_back(std::move(*row));
            }
        }
        return line;
    }
    // The consumer takes no more rows: it is done, it failed, or it will never come. The queue
    // is emptied, and a producer waiting for room goes on, dropping every row from then on.
    void stopTaking();
    // Once forEachRow is done.
    const QHash<QString, QString> &otherConditions() const { return m_otherConditions; }
    // Once forEachRow is done: the D50 rows were made as if the file listed no measuring
    // conditions, and its conditions change them (see MeasuredRows::voidedBy). The file is to
    // be read again, with `conditions()` known.
    bool mustBeReadAgain() const;
    const QHash<QString, MeasuringConditions> &conditions() const { return m_conditions; }
    // Once forEachRow is done: why the D50 values of an object could not be made, if they could
    // not; no row was made from it on.
    std::optional<KalidorError> measuredFailure() const;
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
            std::int32_t measured; // its index in measured, or -1 for a row
        };
        // An object added by addMeasured: its texts follow one another in `texts` from where its
        // entry's text starts, in the order of `Text`.
        struct Measured {
            enum Text { Name, L, A, B, StartWavelength, Factors, X, Y, Z, TextCount };
            std::array<std::uint32_t, TextCount> ends; // from the start of the entry's text
            bool hasLab;
            bool hasSpectrum;
            bool hasXyz;
            // Indices in conditionsIds of the Lab's, the spectrum's and the XYZ's.
            std::array<std::uint32_t, 3> conditions;
        };
        std::vector<Entry> entries;
        std::string texts;
        // Each measuring-conditions Id once for a run of rows that share it, as they mostly do.
        std::vector<QString> conditionsIds;
        std::vector<Measured> measured;
        // The one row of a file that notes a nested object, by its object's child index.
        std::optional<std::pair<int, QString>> nested;

        // The row of `entry`, whose text starts at `textStart`.
        ColourObjects::Row row(const Entry &entry, std::size_t textStart) const;
        // The object of `entry`, whose texts start at `textStart`.
        MeasuredObject measuredObject(const Entry &entry, std::size_t textStart) const;
        // The index in conditionsIds of `id`, which is added unless it is there.
        std::uint32_t conditionsIndex(const QString &id);
        // Empties it, keeping the memory it holds.
        void clear();
        // What counts against the bound: the entries too, so that rows without text are
        // bounded as well.
        std::size_t bytes() const { return texts.size() + entries.size() * sizeof(Entry); }
    };

    // The row of `entry` of `batch`: as added, or made from the object added; nothing for an
    // object whose values could not be made and all after it.
    std::optional<ColourObjects::Row> rowOf(
        const Batch &batch, const Batch::Entry &entry, std::size_t textStart);
    // Starts the batch being filled, and hands it over once it is full.
    void startEntry();
    void endEntry();
    // Puts the batch being filled into the queue, waiting for room.
    void handOver();
    // The next rows in document order, waiting for them while the scan goes on; empty once the
    // scan is over and every row is taken. `used`, the batch taken before, is kept for the
    // producer to fill again, so that batches are not allocated (and their pages faulted in)
    // anew.
    Batch next(Batch used = {});

    const bool m_keptForTable;
    std::optional<MeasuredRows> m_measuredRows; // the consumer's alone
    const std::size_t m_bound;
    const std::size_t m_batchBytes;
    std::deque<ColourObjects::Row> m_kept; // the consumer's alone until it is done
    Batch m_filling; // the producer's, not yet handed over
    std::mutex m_mutex;
    std::condition_variable m_rowsReady; // the consumer waits on it
    std::condition_variable m_roomMade; // the producer waits on it
    std::deque<Batch> m_ready;
    std::optional<Batch> m_spare; // a batch taken, for the producer to fill next
    std::size_t m_waiting = 0; // the bytes of m_ready
    std::size_t m_mostWaiting = 0;
    bool m_finished = false;
    bool m_consumerStopped = false;
    QHash<QString, QString> m_otherConditions;
    QHash<QString, MeasuringConditions> m_conditions;
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
    // Which values the rows are to give.
    virtual Cxf3Values values() const { return Cxf3Values::AsGiven; }
    // For D50 values: forgets every row taken, for the file is to be read again (see
    // ScannedRows::mustBeReadAgain).
    virtual void restart() { }
};
