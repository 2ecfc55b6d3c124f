#include "cxf3treemodel.h"

#include "base/kalidorerror.h"
#include "base/progressschedule.h"
#include "table/colourtable.h"
#include "table/cxf3/measuringconditions.h"
#include "xmltreedocument.h"

#include <QHash>

namespace {

// A field of a row, a name or a value, with what would end the row or split the field made a
// space.
QString onOneLine(QString field)
{
    for (QChar &c : field) {
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == QChar(0x85) || c == QChar(0x2028)
            || c == QChar(0x2029))
            c = u' ';
    }
    return field;
}

QString describe(XmlNode::ValueProblem problem, const QString &element)
{
    switch (problem) {
    case XmlNode::ValueProblem::Missing:
        return QStringLiteral("no %1 in its first ColorCIELab").arg(element);
    case XmlNode::ValueProblem::Empty:
        return QStringLiteral("%1 is empty").arg(element);
    case XmlNode::ValueProblem::SeveralNodes:
        return QStringLiteral("%1 holds more than one node").arg(element);
    case XmlNode::ValueProblem::NotText:
        return QStringLiteral("%1 holds markup instead of text").arg(element);
    case XmlNode::ValueProblem::None:
        break;
    }
    return QString();
}

QHash<QString, QString> otherConditions(const XmlNode &resources)
{
    QHash<QString, QString> others;
    const XmlNode collection = resources.childElement(u"ColorSpecificationCollection");
    for (int i = 0; i < collection.childCount(); ++i) {
        const XmlNode conditions = collection.child(i);
        const QString id = conditions.attribute(u"Id");
        if (!conditions.isElement() || conditions.localName() != u"ColorSpecification"
            || id.isEmpty())
            continue;
        const XmlNode tristimulus = conditions.childElement(u"TristimulusSpec");
        const QString other = otherThanD50TwoDegree(tristimulus.value(u"Illuminant").text.trimmed(),
            tristimulus.value(u"Observer").text.trimmed());
        if (!other.isEmpty())
            others.insert(id, other);
    }
    return others;
}

} // namespace

Cxf3ReadOutcome readCxf3ByTree(const QString &path)
{
    Cxf3ReadOutcome outcome;
    XmlTreeDocument document;
    document.setFileName(path);
    try {
        document.activate();
    } catch (const KalidorError &error) {
        outcome.error = error.text();
        return outcome;
    }
    const XmlNode resources = document.rootElement().childElement(u"Resources");
    const XmlNode collection = resources.childElement(u"ObjectCollection");
    const QHash<QString, QString> others = otherConditions(resources);
    const int count = collection.childCount();
    ProgressSchedule schedule(count);
    outcome.events.append(Cxf3ReadOutcome::numbered(ColourTable::headerLine(), 0));
    qsizetype rows = 1;
    for (int i = 0; i < count; ++i) {
        const XmlNode object = collection.child(i);
        if (!object.isElement() || !object.hasAttribute(u"Name"))
            continue;
        const XmlNode colorValues = object.childElement(u"ColorValues");
        const XmlNode lab = colorValues.childElement(u"ColorCIELab");
        const QString name = onOneLine(object.attribute(u"Name"));
        QString row = name;
        for (const QString &element :
            { QStringLiteral("L"), QStringLiteral("A"), QStringLiteral("B") }) {
            const XmlNode::Value value = lab.value(element);
            if (value.problem == XmlNode::ValueProblem::None) {
                row += u'\t' + onOneLine(value.text);
                continue;
            }
            const QString what = !colorValues.exists() ? QStringLiteral("no ColorValues")
                : !lab.exists() ? (colorValues.childElement(u"ReflectanceSpectrum").exists()
                          ? QStringLiteral("no ColorCIELab in its first ColorValues; "
                                           "kalidor-convert --d50 computes its L, A and B values "
                                           "from its ReflectanceSpectrum")
                          : QStringLiteral("no ColorCIELab in its first ColorValues"))
                                : describe(value.problem, element);
            outcome.error = KalidorError::at(
                path, QStringLiteral("colour object \"%1\": %2").arg(name, what), object.line())
                                .text();
            return outcome;
        }
        const QString conditions = lab.attribute(u"ColorSpecification");
        const auto other = others.constFind(conditions);
        if (other != others.cend())
            outcome.notes.insert(rows,
                QStringLiteral("its Lab values are for %1 (ColorSpecification \"%2\"), yet "
                               "the record gives them as D50 with the 2\u00B0 observer")
                    .arg(*other, conditions));
        ++rows;
        outcome.events.append(Cxf3ReadOutcome::numbered(row, object.line()));
        if (schedule.isDue(i)) {
            outcome.events.append(QString::number(ProgressSchedule::width(i, count)));
            schedule.advance();
        }
    }
    return outcome;
}
