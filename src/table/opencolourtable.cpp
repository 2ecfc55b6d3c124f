#include "opencolourtable.h"

#include "base/kalidorerror.h"
#include "base/loopobserver.h"
#include "table/cxf3/colourobjectscan.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/scannedrows.h"
#include "table/cxf3rootverdict.h"
#include "table/filetype.h"
#include "table/linelist.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <atomic>
#include <future>

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

} // namespace

OpenedTable openColourTable(const QString &path, XmlDocument &document, LoopObserver &observer,
    Cxf3Recognition recognition, ScannedRowsConsumer *consumer)
{
    const QString notAFile = whyNotAFile(QFileInfo(path));
    if (!notAFile.isEmpty())
        return notRecognised(path, notAFile);

    observer.showProgress();
    // The file is classified on a thread of its own while it is scanned as a CxF3 file here,
    // so that the two passes over it take the time of the longer. The scan stops as soon as
    // the file turns out to be a text table or unreadable; what it gave, or its failure,
    // counts only when the file is read as CxF3. The rows are made on this thread, which
    // keeps them, unless a consumer takes them: it does so on the classifying thread, which is
    // idle once it has classified. The queue between them is bounded, so the scan may wait for
    // the consumer.
    std::atomic<bool> notToBeRead { false };
    const bool tableKeepsRows = consumer && consumer->tableKeepsRows();
    ScannedRows handedOn(
        tableKeepsRows, consumer ? consumer->queueBound() : ScannedRows::defaultBound);
    std::future<TableKind> classified
        = std::async(std::launch::async, [&path, &notToBeRead, consumer, &handedOn] {
              // However this ends, a scan waiting for room in the queue must go on: no consumer
              // takes rows after it.
              const auto noMoreTaking = qScopeGuard([&handedOn] { handedOn.stopTaking(); });
              TableKind kind = TableKind::NotRecognised;
              try {
                  // Classifying keeps no line, so a large CxF3 file is never held as lines.
                  kind = detectTableKindOfFile(path);
                  notToBeRead = kind == TableKind::TextTable;
                  if (consumer && !notToBeRead)
                      consumer->consume(handedOn);
              } catch (...) {
                  // Set before the scan is woken, so that it stops at its next chunk.
                  notToBeRead = true;
                  throw;
              }
              return kind;
          });
    ColourObjectScan scan(path, notToBeRead, consumer ? &handedOn : nullptr);
    const TableKind kind = classified.get();
    OpenedTable table;
    if (kind == TableKind::TextTable) {
        table.kind = TableKind::TextTable;
        table.lines = NumberedLines::ofFile(loadLines(path).lines);
        return table;
    }
    if (kind == TableKind::NotRecognised) {
        // Only a file that the line rule passes over is looked at again, up to its root element.
        const Cxf3RootVerdict root = judgeCxf3Root(path);
        if (recognition == Cxf3Recognition::RootLine || !root.isCxf3)
            return notRecognised(path, root);
    }
    table.kind = TableKind::Cxf3;
    if (tableKeepsRows)
        scan.restoreRows(handedOn.takeKeptRows());
    table.lines = ReadCxF3File(document, path, observer, &table.rowNotes, &scan);
    return table;
}
