// Opening a colour table opens the file once and reads it twice at once, on two threads:
//
//   the calling thread                          the scanning thread
//   classifies the file by its lines            scans the file as CxF3 (Expat); each
//   a text table: stops the scan, loads it      colour object's row goes, as UTF-8, into
//   CxF3: takes the rows from the queue  <----  ScannedRows, a bounded queue; the scan
//         (the consumer: keeps them for the     waits while the queue is full, and stops
//         table, makes and checks records)      at once when the file is a text table
//         then reads the table (ReadCxF3File)
//
// A row is made and used on the calling thread alone; the scanning thread neither decodes
// nor allocates for a row. What the scan gave, or its failure, counts only when the file is
// read as CxF3.
//
// For D50 values the scanning thread hands on what each object gives as written, and the calling
// thread makes its row (the sums, the adaptation) as it takes it. The measuring conditions come
// last in a CxF3 file, so the rows are made as if it listed none; when its conditions change any
// row, the consumer forgets them and the open file is scanned once more, with them known.

#include "opencolourtable.h"

#include "base/inputfile.h"
#include "base/kalidorerror.h"
#include "base/loopobserver.h"
#include "table/cxf3/colourobjectscan.h"
#include "table/cxf3/cxf3rootverdict.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/scannedrows.h"
#include "table/filetype.h"
#include "table/linelist.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <atomic>
#include <future>
#include <memory>
#include <optional>

namespace {

// Why a path that names no regular file is passed over; empty when it names one.
QString whyNotAFile(const QFileInfo &info)
{
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("is a folder, not a colour table");
    if (!info.isFile())
        return QStringLiteral("is not a regular file");
    return QString();
}

OpenedTable notRecognised(const QString &path, const QString &reason, qint64 line = 0)
{
    OpenedTable table;
    table.notRecognisedReason = KalidorError::at(path, reason, line).text();
    return table;
}

OpenedTable notRecognised(const QString &path, const Cxf3RootVerdict &root)
{
    OpenedTable table = root.reason.isEmpty()
        ? notRecognised(path,
            QStringLiteral("neither a colour table (no line \"Name\\tL*\\ta*\\tb*\") nor a "
                           "CxF3 file (no line starting its cc:CxF root element)"))
        : notRecognised(path, root.reason, root.line);
    table.isCxf3ByRootElement = root.isCxf3;
    return table;
}

// Without a consumer of its own, the opening keeps every row for the table.
class KeptRows final : public ScannedRowsConsumer {
public:
    void consume(ScannedRows &rows) override
    {
        rows.forEachRow([](const ColourObjects::Row &, qsizetype) {});
    }
    bool tableKeepsRows() const override { return true; }
};

} // namespace

OpenedTable openColourTable(const QString &path, XmlDocument &document, LoopObserver &observer,
    Cxf3Recognition recognition, ScannedRowsConsumer *consumer)
{
    const QString notAFile = whyNotAFile(QFileInfo(path));
    if (!notAFile.isEmpty())
        return notRecognised(path, notAFile);

    // Every pass below reads this one open file, so that all of them read the same file even
    // if the path names another meanwhile.
    const InputFile file(path);
    observer.showProgress();
    KeptRows keptRows;
    ScannedRowsConsumer &taker = consumer ? *consumer : keptRows;
    const bool tableKeepsRows = taker.tableKeepsRows();
    const Cxf3Values values = taker.values();
    std::atomic<bool> notToBeRead { false };
    std::unique_ptr<ScannedRows> handedOn;
    std::future<ColourObjectScan> scanned;
    // Starts a scan of the file whose rows go to a new queue; for D50 values, made knowing
    // `conditions` when the file was read before.
    const auto startScan = [&](std::optional<QHash<QString, MeasuringConditions>> conditions) {
        handedOn = std::make_unique<ScannedRows>(tableKeepsRows, taker.queueBound(),
            values == Cxf3Values::D50
                ? std::optional<MeasuredRows>(std::in_place, path, std::move(conditions))
                : std::nullopt);
        scanned
            = std::async(std::launch::async, [&file, &notToBeRead, queue = handedOn.get(), values] {
                  return ColourObjectScan(file, notToBeRead, queue, values);
              });
    };
    startScan(std::nullopt);
    // However the opening ends, the scan stops at its next chunk or row and is waited for
    // before what it uses goes; once it is over, this changes nothing.
    const auto stopScan = qScopeGuard([&] {
        notToBeRead = true;
        handedOn->stopTaking();
        if (scanned.valid())
            scanned.wait();
    });

    // Classifying keeps no line, so a large CxF3 file is never held as lines.
    const TableKind kind = detectTableKindOfFile(file);
    OpenedTable table;
    if (kind == TableKind::TextTable) {
        notToBeRead = true;
        handedOn->stopTaking();
        table.kind = TableKind::TextTable;
        table.lines = NumberedLines::ofFile(loadLines(file).lines);
        return table;
    }
    if (kind == TableKind::NotRecognised) {
        // Only a file that the line rule passes over is looked at again, up to its root element.
        const Cxf3RootVerdict root = judgeCxf3Root(file);
        if (recognition == Cxf3Recognition::RootLine || !root.isCxf3)
            return notRecognised(path, root);
    }
    taker.consume(*handedOn);
    std::optional<ColourObjectScan> scan(scanned.get());
    if (handedOn->mustBeReadAgain()) {
        // The rows were made before the measuring conditions that change them were read.
        const QHash<QString, MeasuringConditions> conditions = handedOn->conditions();
        startScan(conditions);
        taker.restart();
        taker.consume(*handedOn);
        scan.emplace(scanned.get());
    }
    table.kind = TableKind::Cxf3;
    if (const std::optional<KalidorError> failure = handedOn->measuredFailure())
        throw *failure;
    if (tableKeepsRows)
        scan->setRows(handedOn->takeKeptRows());
    table.lines
        = ReadCxF3File(document, path, observer, &table.rowNotes, &*scan, &table.nestedObject);
    return table;
}
