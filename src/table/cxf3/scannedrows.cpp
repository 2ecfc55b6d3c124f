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

ScannedRows::ScannedRows(bool keptForTable, std::size_t bound, std::optional<MeasuredRows> measured)
    : m_keptForTable(keptForTable)
    , m_measuredRows(std::move(measured))
    , m_bound(bound)
    , m_batchBytes(bound / 4)
{
}

void ScannedRows::add(
    int childIndex, qint64 line, std::string_view text, const QString &conditionsId)
{
    startEntry();
    std::vector<QString> &ids = m_filling.conditionsIds;
    if (ids.empty() || ids.back() != conditionsId)
        ids.push_back(conditionsId);
    m_filling.texts.append(text);
    m_filling.entries.push_back(
        { childIndex, std::uint32_t(ids.size() - 1), line, m_filling.texts.size(), -1 });
    endEntry();
}

void ScannedRows::addMeasured(const MeasuredObject &object)
{
    using Measured = Batch::Measured;
    startEntry();
    Measured measured {};
    const std::size_t start = m_filling.texts.size();
    const auto append = [&](Measured::Text text, std::string_view bytes) {
        m_filling.texts.append(bytes);
        measured.ends[text] = std::uint32_t(m_filling.texts.size() - start);
    };
    const auto appendValues
        = [&](const std::optional<MeasuredObject::Values> &values, Measured::Text first) {
              for (int i = 0; i < 3; ++i)
                  append(Measured::Text(first + i), values ? values->texts[i] : std::string_view());
          };
    append(Measured::Name, object.name);
    appendValues(object.lab, Measured::L);
    append(Measured::StartWavelength,
        object.spectrum ? object.spectrum->startWavelength : std::string_view());
    append(Measured::Factors, object.spectrum ? object.spectrum->factors : std::string_view());
    appendValues(object.xyz, Measured::X);
    measured.hasLab = object.lab.has_value();
    measured.hasSpectrum = object.spectrum.has_value();
    measured.hasXyz = object.xyz.has_value();
    measured.conditions = { m_filling.conditionsIndex(
                                object.lab ? *object.lab->conditionsId : QString()),
        m_filling.conditionsIndex(object.spectrum ? *object.spectrum->conditionsId : QString()),
        m_filling.conditionsIndex(object.xyz ? *object.xyz->conditionsId : QString()) };
    m_filling.measured.push_back(measured);
    m_filling.entries.push_back({ object.childIndex, 0, object.line, m_filling.texts.size(),
        std::int32_t(m_filling.measured.size() - 1) });
    endEntry();
}

void ScannedRows::noteNested(int childIndex, const QString &note)
{
    // The row added next goes into the batch being filled, and the note with it.
    m_filling.nested.emplace(childIndex, note);
}

void ScannedRows::startEntry()
{
    if (m_filling.entries.empty()) {
        m_filling.entries.reserve(batchSize);
        m_filling.texts.reserve(batchTextSize);
    }
}

void ScannedRows::endEntry()
{
    if (m_filling.entries.size() >= batchSize || m_filling.bytes() >= m_batchBytes)
        handOver();
}

void ScannedRows::finish(const QHash<QString, QString> &otherConditions,
    const QHash<QString, MeasuringConditions> &conditions)
{
    if (!m_filling.entries.empty())
        handOver();
    std::unique_lock lock(m_mutex);
    m_otherConditions = otherConditions;
    m_conditions = conditions;
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
        m_filling.clear();
        return;
    }
    m_ready.push_back(std::exchange(m_filling, {}));
    if (m_spare) {
        m_filling = std::move(*m_spare);
        m_spare.reset();
    }
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

bool ScannedRows::mustBeReadAgain() const
{
    return m_measuredRows && m_measuredRows->voidedBy(m_conditions);
}

std::optional<KalidorError> ScannedRows::measuredFailure() const
{
    return m_measuredRows ? m_measuredRows->failure() : std::nullopt;
}

std::optional<ColourObjects::Row> ScannedRows::rowOf(
    const Batch &batch, const Batch::Entry &entry, std::size_t textStart)
{
    std::optional<ColourObjects::Row> row;
    if (entry.measured < 0) {
        row = batch.row(entry, textStart);
    } else {
        const MeasuredObject object = batch.measuredObject(entry, textStart);
        const std::optional<MeasuredRow> made = m_measuredRows->row(object);
        if (!made)
            return std::nullopt;
        row = ColourObjects::Row { entry.childIndex, entry.line, made->text, made->conditionsId,
            made->source, made->note, QString() };
    }
    if (batch.nested && batch.nested->first == entry.childIndex)
        row->nestedNote = batch.nested->second;
    return row;
}

MeasuredObject ScannedRows::Batch::measuredObject(const Entry &entry, std::size_t textStart) const
{
    using Text = Measured::Text;
    const Measured &made = measured[std::size_t(entry.measured)];
    const auto text = [&](Text which) {
        const std::size_t start = which == Measured::Name ? 0 : made.ends[which - 1];
        return std::string_view(texts.data() + textStart + start, made.ends[which] - start);
    };
    const auto values = [&](Text first, std::uint32_t conditions) {
        return MeasuredObject::Values { { text(first), text(Text(first + 1)),
                                            text(Text(first + 2)) },
            &conditionsIds[conditions] };
    };
    MeasuredObject object;
    object.childIndex = entry.childIndex;
    object.line = entry.line;
    object.name = text(Measured::Name);
    if (made.hasLab)
        object.lab = values(Measured::L, made.conditions[0]);
    if (made.hasSpectrum)
        object.spectrum = MeasuredObject::Spectrum { text(Measured::StartWavelength),
            text(Measured::Factors), &conditionsIds[made.conditions[1]] };
    if (made.hasXyz)
        object.xyz = values(Measured::X, made.conditions[2]);
    return object;
}

std::uint32_t ScannedRows::Batch::conditionsIndex(const QString &id)
{
    // A file names few sets of conditions.
    const auto found = std::find(conditionsIds.cbegin(), conditionsIds.cend(), id);
    if (found != conditionsIds.cend())
        return std::uint32_t(found - conditionsIds.cbegin());
    conditionsIds.push_back(id);
    return std::uint32_t(conditionsIds.size() - 1);
}

ColourObjects::Row ScannedRows::Batch::row(const Entry &entry, std::size_t textStart) const
{
    return { entry.childIndex, entry.line,
        QString::fromUtf8(texts.data() + textStart, qsizetype(entry.textEnd - textStart)),
        conditionsIds[entry.conditions], QString(), QString(), QString() };
}

void ScannedRows::Batch::clear()
{
    entries.clear();
    texts.clear();
    conditionsIds.clear();
    measured.clear();
    nested.reset();
}

ScannedRows::Batch ScannedRows::next(Batch used)
{
    used.clear();
    std::unique_lock lock(m_mutex);
    if (used.texts.capacity() > 0)
        m_spare = std::move(used);
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
