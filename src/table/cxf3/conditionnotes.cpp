#include "conditionnotes.h"

void ConditionNotes::add(qsizetype item, const QString &conditionsId)
{
    if (conditionsId.isEmpty())
        return;
    if (!m_runs.empty() && m_runs.back().end == item && m_runs.back().conditionsId == conditionsId)
        ++m_runs.back().end;
    else
        m_runs.push_back({ conditionsId, item, item + 1 });
}

QString ConditionNotes::noteText(const QString &conditionsId, const QString &other)
{
    return QStringLiteral("its Lab values are for %1 (ColorSpecification \"%2\"), "
                          "yet the record gives them as D50 with the 2\u00B0 observer")
        .arg(other, conditionsId);
}
