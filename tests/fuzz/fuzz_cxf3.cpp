// The CxF3 reader on arbitrary bytes, against the lookups done over the file's whole tree; and
// the converter's records, made while the file is read, against those of the table held whole.

#include "conversionoutcomes.h"
#include "fuzzcheck.h"
#include "scratchfolder.h"
#include "table/colourtable.h"
#include "table/cxf3/measuringconditions.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/xmldocument.h"
#include "table/kalidorerror.h"
#include "table/loopobserver.h"
#include "table/progressschedule.h"
#include "xmltreedocument.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

QString numbered(const QString &row, qint64 fileLine)
{
    return QString::number(fileLine) + u' ' + row;
}

// Checks the order of the calls the reader makes: the indicator is begun before anything else,
// and moves forward only.
class CheckingObserver : public LoopObserver {
public:
    QStringList rows;
    // The rows with their file lines and the widths the indicator was set to, in order.
    QStringList events;
    bool ended = false;

    void appendRow(const QString &row, qint64 fileLine) override
    {
        FUZZ_CHECK(m_begun && !ended);
        rows.append(row);
        events.append(numbered(row, fileLine));
    }
    void showProgress() override { }
    void beginProgress() override
    {
        FUZZ_CHECK(!m_begun);
        m_begun = true;
    }
    void setProgressWidth(int width) override
    {
        FUZZ_CHECK(m_begun && !ended);
        FUZZ_CHECK(width >= m_width && width <= 400);
        m_width = width;
        events.append(QString::number(width));
    }
    void endProgress() override
    {
        FUZZ_CHECK(m_begun && !ended);
        ended = true;
    }
    void processPendingEvents() override { FUZZ_CHECK(m_begun && !ended); }
    void yieldSlice() override { FUZZ_CHECK(m_begun && !ended); }

private:
    bool m_begun = false;
    int m_width = 0;
};

struct Outcome {
    QStringList events;
    RowNotes notes;
    std::optional<QString> error;
    bool operator==(const Outcome &) const = default;
};

Outcome read(XmlDocument &document, const QString &path)
{
    CheckingObserver observer;
    Outcome outcome;
    try {
        ReadCxF3File(document, path, observer, &outcome.notes);
        FUZZ_CHECK(observer.ended);
        FUZZ_CHECK(!observer.rows.isEmpty() && observer.rows.front() == ColourTable::headerLine());
        FUZZ_CHECK(!document.isActive() && document.fileName().isEmpty());
    } catch (const KalidorError &error) {
        // A host shows this text to the operator, who must learn which file failed.
        FUZZ_CHECK(error.text().contains(path));
        FUZZ_CHECK(!observer.ended);
        outcome.error = error.text();
    }
    outcome.events = observer.events;
    return outcome;
}

// The reader's rules applied to the file's tree, lookup by lookup, as a model to hold the
// reader to: the same rows, widths, notes and failures.
namespace TreeModel {

QString nameOnOneLine(QString name)
{
    for (QChar &c : name) {
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == QChar(0x85) || c == QChar(0x2028)
            || c == QChar(0x2029))
            c = u' ';
    }
    return name;
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

Outcome read(const QString &path)
{
    Outcome outcome;
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
    outcome.events.append(numbered(ColourTable::headerLine(), 0));
    qsizetype rows = 1;
    for (int i = 0; i < count; ++i) {
        const XmlNode object = collection.child(i);
        if (!object.isElement() || !object.hasAttribute(u"Name"))
            continue;
        const XmlNode colorValues = object.childElement(u"ColorValues");
        const XmlNode lab = colorValues.childElement(u"ColorCIELab");
        const QString name = nameOnOneLine(object.attribute(u"Name"));
        QString row = name;
        for (const QString &element :
            { QStringLiteral("L"), QStringLiteral("A"), QStringLiteral("B") }) {
            const XmlNode::Value value = lab.value(element);
            if (value.problem == XmlNode::ValueProblem::None) {
                row += u'\t' + value.text;
                continue;
            }
            const QString what = !colorValues.exists() ? QStringLiteral("no ColorValues")
                : !lab.exists() ? QStringLiteral("no ColorCIELab in its first ColorValues")
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
        outcome.events.append(numbered(row, object.line()));
        if (schedule.isDue(i)) {
            outcome.events.append(QString::number(ProgressSchedule::width(i, count)));
            schedule.advance();
        }
    }
    return outcome;
}

} // namespace TreeModel

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = scratchFolder().filePath(QStringLiteral("input.cxf"));
    FUZZ_CHECK(writeScratchFile(path, QByteArrayView(data, qsizetype(size))));

    // The same document read twice must give the same result: nothing of a read, failed or
    // not, may carry over into the next.
    XmlDocument document;
    const Outcome first = read(document, path);
    const Outcome second = read(document, path);
    FUZZ_CHECK(first == second);
    FUZZ_CHECK(first == TreeModel::read(path));
    // Every colour row counts, and a file is read as CxF3 whatever the layout of its root tag,
    // so that as many inputs as can make records do.
    FUZZ_CHECK(ConversionOutcomes::asConverted(path, RecordForm::Csv, TextEncoding::DefaultCodePage,
                   RowSelection::AllColours, Cxf3Recognition::AnyRootElement)
        == ConversionOutcomes::ofWholeTable(path, RecordForm::Csv, TextEncoding::DefaultCodePage,
            RowSelection::AllColours, Cxf3Recognition::AnyRootElement));
    // The window makes a CxF3 file's records while it opens the file, for its used rows.
    FUZZ_CHECK(ConversionOutcomes::asMadeWhileOpening(
                   path, RecordForm::Legacy, TextEncoding::DefaultCodePage)
        == ConversionOutcomes::ofWholeTable(
            path, RecordForm::Legacy, TextEncoding::DefaultCodePage, RowSelection::UsedRows));
    return 0;
}
