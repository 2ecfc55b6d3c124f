#include "measuredrows.h"

#include <utility>

namespace {

const QHash<QString, MeasuringConditions> noConditions;

} // namespace

MeasuredRows::MeasuredRows(
    const QString &path, std::optional<QHash<QString, MeasuringConditions>> known)
    : m_path(path)
    , m_known(std::move(known))
{
}

std::optional<MeasuredRow> MeasuredRows::row(const MeasuredObject &object)
{
    if (m_failure)
        return std::nullopt;
    if (!m_known) {
        if (object.lab)
            refer(*object.lab->conditionsId);
        if (object.spectrum)
            refer(*object.spectrum->conditionsId);
        if (object.xyz)
            refer(*object.xyz->conditionsId);
    }
    try {
        return measuredRow(object, m_known ? *m_known : noConditions, m_path);
    } catch (const KalidorError &error) {
        m_failure = error;
        return std::nullopt;
    }
}

bool MeasuredRows::voidedBy(const QHash<QString, MeasuringConditions> &conditions) const
{
    if (m_known)
        return false;
    for (const QString &id : m_referred) {
        const auto listed = conditions.constFind(id);
        if (listed == conditions.cend())
            continue;
        // Conditions listed for the object that failed may be what it lacked (a StartWL).
        if (m_failure || changesMeasuredRows(*listed))
            return true;
    }
    return false;
}

void MeasuredRows::refer(const QString &conditionsId)
{
    if (conditionsId.isEmpty() || conditionsId == m_lastReferred)
        return;
    m_lastReferred = conditionsId;
    m_referred.insert(conditionsId);
}
