#include "readcxf3file.h"

#include "table/colourtable.h"
#include "table/cxf3/colourspecifications.h"
#include "table/cxf3/xmldocument.h"
#include "table/kalidorerror.h"
#include "table/loopobserver.h"
#include "table/progressschedule.h"

#include <QString>
#include <QStringBuilder>

namespace {

QString describeProblem(XmlNode::ValueProblem problem, const QString &element)
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

// One of L, A and B of a colour object; the error names the object and its line, since
// a library may hold thousands of them.
QString labValue(const XmlNode &object, const XmlNode &colorValues, const XmlNode &lab,
    const QString &element, const QString &objectName, const QString &path)
{
    const XmlNode::Value value = lab.value(element);
    if (value.problem == XmlNode::ValueProblem::None)
        return value.text;
    QString what;
    if (!colorValues.exists())
        what = QStringLiteral("no ColorValues");
    else if (!lab.exists())
        what = QStringLiteral("no ColorCIELab in its first ColorValues");
    else
        what = describeProblem(value.problem, element);
    throw KalidorError::at(
        path, QStringLiteral("colour object \"%1\": %2").arg(objectName, what), object.line());
}

// The name as one field of one row: each character that would end the field or the line
// (they can only get into a value through character references) becomes a space, as XML's
// own attribute-value normalisation turns the same characters written literally.
QString rowName(QString name)
{
    for (QChar &c : name) {
        switch (c.unicode()) {
        case u'\t':
        case u'\n':
        case u'\r':
        case u'\u0085':
        case u'\u2028':
        case u'\u2029':
            c = u' ';
            break;
        default:
            break;
        }
    }
    return name;
}

} // namespace

NumberedLines ReadCxF3File(
    XmlDocument &document, const QString &path, LoopObserver &observer, RowNotes *notes)
{
    // A failed read leaves its tree behind; never let a later read work on that one.
    document.deactivate();
    document.setFileName(QString());
    document.setFileName(path);
    // Only the values of L, A and B, and what a colour specification is for, are read as text.
    document.activate({ "L", "A", "B", "Illuminant", "Observer" });

    const XmlNode resources = document.rootElement().childElement(u"Resources");
    const XmlNode collection = resources.childElement(u"ObjectCollection");
    const QHash<QString, QString> otherSpecifications
        = notes ? otherThanD50TwoDegree(resources) : QHash<QString, QString>();

    observer.beginProgress();
    observer.processPendingEvents();
    observer.yieldSlice();

    const int count = collection.childCount();
    ProgressSchedule schedule(count);
    NumberedLines lines;
    lines.append(ColourTable::headerLine(), 0);
    observer.appendRow(lines.lines.last(), 0);

    const QString l = QStringLiteral("L");
    const QString a = QStringLiteral("A");
    const QString b = QStringLiteral("B");
    const QChar tab = u'\t';
    for (int i = 0; i < count; ++i) {
        const XmlNode object = collection.child(i);
        // Without a Name there is no row, and so no progress check and no yield either:
        // a passed-over child at an update point leaves the indicator where it is.
        if (!object.isElement() || !object.hasAttribute(u"Name"))
            continue;
        const QString name = rowName(object.attribute(u"Name"));
        const XmlNode colorValues = object.childElement(u"ColorValues");
        const XmlNode lab = colorValues.childElement(u"ColorCIELab");
        const QString lValue = labValue(object, colorValues, lab, l, name, path);
        const QString aValue = labValue(object, colorValues, lab, a, name, path);
        const QString bValue = labValue(object, colorValues, lab, b, name, path);
        // One allocation for the row (QStringBuilder), not a temporary copy per piece: a name
        // may be an attribute value of many megabytes.
        if (!otherSpecifications.isEmpty()) {
            const QString specification = lab.attribute(u"ColorSpecification");
            const auto other = otherSpecifications.constFind(specification);
            if (other != otherSpecifications.cend())
                notes->insert(lines.size(),
                    QStringLiteral("its Lab values are for %1 (colour specification \"%2\"), "
                                   "yet the record gives them as D50 with the 2\u00B0 observer")
                        .arg(*other, specification));
        }
        lines.append(name % tab % lValue % tab % aValue % tab % bValue, object.line());
        observer.appendRow(lines.lines.last(), object.line());

        if (schedule.isDue(i)) {
            observer.setProgressWidth(ProgressSchedule::width(i, collection.childCount()));
            schedule.advance();
            observer.processPendingEvents();
        }
        observer.yieldSlice();
    }

    observer.endProgress();
    document.deactivate();
    document.setFileName(QString());
    return lines;
}
