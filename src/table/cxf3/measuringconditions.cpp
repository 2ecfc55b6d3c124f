#include "measuringconditions.h"

#include <QStringList>

bool namesD50OrNothing(const QString &illuminant)
{
    return illuminant.isEmpty() || illuminant.compare(u"D50", Qt::CaseInsensitive) == 0;
}

bool namesTwoDegreeOrNothing(const QString &observer)
{
    return observer.isEmpty() || observer.compare(u"2_Degree", Qt::CaseInsensitive) == 0;
}

QString otherThanD50TwoDegree(const QString &illuminant, const QString &observer)
{
    if (namesD50OrNothing(illuminant) && namesTwoDegreeOrNothing(observer))
        return QString();
    QStringList named;
    if (!illuminant.isEmpty())
        named.append(QStringLiteral("illuminant ") + illuminant);
    if (!observer.isEmpty())
        named.append(QStringLiteral("observer ") + observer);
    return named.join(QStringLiteral(", "));
}
