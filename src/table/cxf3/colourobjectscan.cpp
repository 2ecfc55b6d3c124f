#include "colourobjectscan.h"

#include "table/cxf3/colourobjectscanner.h"

#include <utility>

ColourObjectScan::ColourObjectScan(const QString &path, const std::atomic<bool> &stopRequested)
    : m_path(path)
{
    try {
        m_objects = scanColourObjects(path, &stopRequested);
    } catch (...) {
        m_failure = std::current_exception();
    }
}

ColourObjects ColourObjectScan::take()
{
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    return std::move(m_objects).value();
}
