#include "colourobjects.h"

QString ColourObjects::conditionsNote(const QString &conditionsId, const QString &other)
{
    return QStringLiteral("its Lab values are for %1 (ColorSpecification \"%2\"), "
                          "yet the record gives them as D50 with the 2\u00B0 observer")
        .arg(other, conditionsId);
}
