#include "scannedrows.h"

#include <utility>

namespace {

// Large enough that handing over costs nothing beside the scan, small enough that the user
// keeps up and few rows wait.
constexpr std::size_t batchSize = 512;

} // namespace

void ScannedRows::add(ColourObjects::Row &&row)
{
    if (m_filling.empty())
        m_filling.reserve(batchSize);
    m_filling.push_back(std::move(row));
    if (m_filling.size() < batchSize)
        return;
    std::unique_lock lock(m_mutex);
    publish(lock);
}

void ScannedRows::finish(const QHash<QString, QString> &otherConditions)
{
    std::unique_lock lock(m_mutex);
    if (!m_filling.empty())
        m_ready.push_back(std::exchange(m_filling, {}));
    m_otherConditions = otherConditions;
    m_finished = true;
    lock.unlock();
    m_changed.notify_one();
}

void ScannedRows::publish(std::unique_lock<std::mutex> &lock)
{
    m_ready.push_back(std::exchange(m_filling, {}));
    lock.unlock();
    m_changed.notify_one();
}

ScannedRows::Batch ScannedRows::next()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_finished; });
    if (m_ready.empty())
        return {};
    Batch batch = std::move(m_ready.front());
    m_ready.pop_front();
    return batch;
}
