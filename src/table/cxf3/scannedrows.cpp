#include "scannedrows.h"

#include <algorithm>
#include <utility>

namespace {

// Large enough that handing over costs nothing beside the scan, small enough that the consumer
// keeps up and few rows wait.
constexpr std::size_t batchSize = 512;

// Room for the texts of a batch of rows of usual length, so that filling it seldom grows it.
constexpr std::size_t batchTextSize = batchSize * 64;

} // namespace

ScannedRows::ScannedRows(bool keptForTable, std::size_t bound)
    : m_keptForTable(keptForTable)
    , m_bound(bound)
    , m_batchBytes(bound / 4)
{
}

void ScannedRows::add(
    int childIndex, qint64 line, std::string_view text, const QString &conditionsId)
{
    if (m_filling.entries.empty()) {
        m_filling.entries.reserve(batchSize);
        m_filling.texts.reserve(batchTextSize);
    }
    std::vector<QString> &ids = m_filling.conditionsIds;
    if (ids.empty() || ids.back() != conditionsId)
        ids.push_back(conditionsId);
    m_filling.texts.append(text);
    m_filling.entries.push_back(
        { childIndex, std::uint32_t(ids.size() - 1), line, m_filling.texts.size() });
    if (m_filling.entries.size() >= batchSize || m_filling.bytes() >= m_batchBytes)
        handOver();
}

void ScannedRows::finish(const QHash<QString, QString> &otherConditions)
{
    if (!m_filling.entries.empty())
        handOver();
    std::unique_lock lock(m_mutex);
    m_otherConditions = otherConditions;
    m_finished = true;
    lock.unlock();
    m_rowsReady.notify_one();
}

void ScannedRows::fail()
{
    std::unique_lock lock(m_mutex);
    m_finished = true;
    lock.unlock();
    m_rowsReady.notify_one();
}

void ScannedRows::handOver()
{
    const std::size_t bytes = m_filling.bytes();
    std::unique_lock lock(m_mutex);
    // One batch always fits into an empty queue, however large its rows.
    m_roomMade.wait(
        lock, [&] { return m_consumerStopped || m_ready.empty() || m_waiting + bytes <= m_bound; });
    if (m_consumerStopped) {
        // Cleared rather than handed on, so that its memory serves the next rows.
        m_filling.entries.clear();
        m_filling.texts.clear();
        m_filling.conditionsIds.clear();
        return;
    }
    m_ready.push_back(std::exchange(m_filling, {}));
    m_waiting += bytes;
    m_mostWaiting = std::max(m_mostWaiting, m_waiting);
    lock.unlock();
    m_rowsReady.notify_one();
}

void ScannedRows::stopTaking()
{
    std::unique_lock lock(m_mutex);
    m_consumerStopped = true;
    // Cleared in place: an empty deque to swap with would be allocated, and this must not
    // throw, since it runs as the consumer's thread unwinds.
    m_ready.clear();
    m_waiting = 0;
    lock.unlock();
    m_roomMade.notify_one();
}

std::size_t ScannedRows::mostWaiting()
{
    const std::lock_guard lock(m_mutex);
    return m_mostWaiting;
}

ColourObjects::Row ScannedRows::Batch::row(const Entry &entry, std::size_t textStart) const
{
    return { entry.childIndex, entry.line,
        QString::fromUtf8(texts.data() + textStart, qsizetype(entry.textEnd - textStart)),
        conditionsIds[entry.conditions] };
}

ScannedRows::Batch ScannedRows::next()
{
    std::unique_lock lock(m_mutex);
    m_rowsReady.wait(lock, [this] { return !m_ready.empty() || m_finished; });
    if (m_ready.empty())
        return {};
    Batch batch = std::move(m_ready.front());
    m_ready.pop_front();
    m_waiting -= batch.bytes();
    lock.unlock();
    m_roomMade.notify_one();
    return batch;
}
