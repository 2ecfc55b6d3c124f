#include "rowcollector.h"

void RowCollector::appendRow(const QString &row)
{
    m_rows.append(row);
}
