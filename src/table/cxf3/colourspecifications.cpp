#include "colourspecifications.h"

#include "table/cxf3/xmlnode.h"

#include <QStringList>

namespace {

QString valueOf(const XmlNode &parent, QStringView element)
{
    return parent.value(element).text.trimmed();
}

} // namespace

QHash<QString, QString> otherThanD50TwoDegree(const XmlNode &resources)
{
    QHash<QString, QString> others;
    const XmlNode collection = resources.childElement(u"ColorSpecificationCollection");
    for (int i = 0; i < collection.childCount(); ++i) {
        const XmlNode specification = collection.child(i);
        // Only an Id lets a colour refer to it.
        if (!specification.isElement() || specification.localName() != u"ColorSpecification"
            || specification.attribute(u"Id").isEmpty())
            continue;
        const XmlNode tristimulus = specification.childElement(u"TristimulusSpec");
        const QString illuminant = valueOf(tristimulus, u"Illuminant");
        const QString observer = valueOf(tristimulus, u"Observer");
        const bool otherIlluminant
            = !illuminant.isEmpty() && illuminant.compare(u"D50", Qt::CaseInsensitive) != 0;
        const bool otherObserver
            = !observer.isEmpty() && observer.compare(u"2_Degree", Qt::CaseInsensitive) != 0;
        if (!otherIlluminant && !otherObserver)
            continue;
        QStringList named;
        if (!illuminant.isEmpty())
            named.append(QStringLiteral("illuminant ") + illuminant);
        if (!observer.isEmpty())
            named.append(QStringLiteral("observer ") + observer);
        others.insert(specification.attribute(u"Id"), named.join(QStringLiteral(", ")));
    }
    return others;
}
