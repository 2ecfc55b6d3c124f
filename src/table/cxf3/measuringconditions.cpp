#include "measuringconditions.h"

#include <QStringList>

QString otherThanD50TwoDegree(const QString &illuminant, const QString &observer)
{
    const bool otherIlluminant
        = !illuminant.isEmpty() && illuminant.compare(u"D50", Qt::CaseInsensitive) != 0;
    const bool otherObserver
        = !observer.isEmpty() && observer.compare(u"2_Degree", Qt::CaseInsensitive) != 0;
    if (!otherIlluminant && !otherObserver)
        return QString();
    QStringList named;
    if (!illuminant.isEmpty())
        named.append(QStringLiteral("illuminant ") + illuminant);
    if (!observer.isEmpty())
        named.append(QStringLiteral("observer ") + observer);
    return named.join(QStringLiteral(", "));
}
