#include "colourobjectscan.h"

#include "base/inputfile.h"
#include "table/cxf3/colourobjectscanner.h"
#include "table/cxf3/scannedrows.h"

#include <utility>

ColourObjectScan::ColourObjectScan(const InputFile &file, const std::atomic<bool> &stopRequested,
    ScannedRows *handOn, Cxf3Values values)
    : m_path(file.path())
{
    keepOutcome([&] { return scanColourObjects(file, &stopRequested, handOn, values); }, handOn);
}

ColourObjectScan::ColourObjectScan(
    const QString &path, const std::atomic<bool> &stopRequested, ScannedRows *handOn)
    : m_path(path)
{
    keepOutcome([&] { return scanColourObjects(path, &stopRequested, handOn); }, handOn);
}

template<typename Scan> void ColourObjectScan::keepOutcome(Scan scan, ScannedRows *handOn)
{
    try {
        m_objects = scan();
        if (handOn)
            handOn->finish(m_objects->otherConditions, m_objects->conditions);
    } catch (...) {
        m_objects.reset();
        m_failure = std::current_exception();
        if (handOn)
            handOn->fail();
    }
}

void ColourObjectScan::setRows(std::deque<ColourObjects::Row> &&rows)
{
    if (m_objects)
        m_objects->rows = std::move(rows);
}

ColourObjects ColourObjectScan::take()
{
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    return std::move(m_objects).value();
}
