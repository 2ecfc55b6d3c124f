#pragma once

#include "table/cxf3/colourobjects.h"
#include "table/cxf3/cxf3values.h"

#include <QString>

#include <atomic>
#include <deque>
#include <exception>
#include <optional>

class InputFile;
class ScannedRows;

// The colour objects of a file scanned as a CxF3 file (see scanColourObjects) before it is
// known to be read as one, so that the scan can go on while the file is classified. The rows
// are handed on as they are made; the scan's failure is kept, not thrown: it counts only if
// the file is read.
class ColourObjectScan {
public:
    // Scans `file` on the calling thread for rows of `values`. Once `stopRequested` is set, the
    // scan ends at its next chunk and is not to be taken. With `handOn`, the rows go there as
    // they are made, and it is finished or failed when the scan ends; without, the objects keep
    // them.
    ColourObjectScan(const InputFile &file, const std::atomic<bool> &stopRequested,
        ScannedRows *handOn = nullptr, Cxf3Values values = Cxf3Values::AsGiven);
    // The same for the file at `path`, which it opens; failing to open is the scan's failure.
    ColourObjectScan(
        const QString &path, const std::atomic<bool> &stopRequested, ScannedRows *handOn = nullptr);

    const QString &path() const { return m_path; }
    // The rows handed on that the consumer kept for the table, in document order.
    void setRows(std::deque<ColourObjects::Row> &&rows);
    // The objects, or throws what the scan threw. Once only.
    ColourObjects take();

private:
    // Keeps what `scan` gives or throws, and tells `handOn` how the scan ended.
    template<typename Scan> void keepOutcome(Scan scan, ScannedRows *handOn);

    QString m_path;
    std::optional<ColourObjects> m_objects;
    std::exception_ptr m_failure;
};
