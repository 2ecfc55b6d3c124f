#include "scannedrows.h"

#include <utility>

namespace {

// Large enough that handing over costs nothing beside the scan, small enough that the user
// keeps up and few rows wait.
constexpr std::size_t batchSize = 512;

// Room for the texts of a batch of rows of usual length, so that filling it seldom grows it.
constexpr std::size_t batchTextSize = batchSize * 64;

} // namespace

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
    if (m_filling.entries.size() < batchSize)
        return;
    std::unique_lock lock(m_mutex);
    publish(lock);
}

void ScannedRows::finish(const QHash<QString, QString> &otherConditions)
{
    std::unique_lock lock(m_mutex);
    if (!m_filling.entries.empty())
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

ColourObjects::Row ScannedRows::Batch::row(const Entry &entry, std::size_t textStart) const
{
    return { entry.childIndex, entry.line,
        QString::fromUtf8(texts.data() + textStart, qsizetype(entry.textEnd - textStart)),
        conditionsIds[entry.conditions] };
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
