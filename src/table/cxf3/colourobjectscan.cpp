#include "colourobjectscan.h"

#include "table/cxf3/colourobjectscanner.h"
#include "table/cxf3/scannedrows.h"

#include <utility>

ColourObjectScan::ColourObjectScan(
    const QString &path, const std::atomic<bool> &stopRequested, ScannedRows *handOn)
    : m_path(path)
{
    try {
        m_objects = scanColourObjects(path, &stopRequested, handOn);
    } catch (...) {
        m_failure = std::current_exception();
    }
    if (handOn)
        handOn->finish(m_objects ? m_objects->otherConditions : QHash<QString, QString>());
}

void ColourObjectScan::restoreRows(std::deque<ColourObjects::Row> &&rows)
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
