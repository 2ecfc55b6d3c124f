#include "colourobjectscanner.h"

#include "base/inputfile.h"
#include "table/cxf3/measuredobject.h"
#include "table/cxf3/measuringconditions.h"
#include "table/cxf3/namespacescope.h"
#include "table/cxf3/scannedrows.h"
#include "table/cxf3/xmlcontenthandler.h"
#include "table/cxf3/xmlfilereader.h"
#include "table/cxf3/xmlwhitespace.h"
#include "table/namespaceuri.h"

#include <QByteArrayView>

#include <array>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// The element names of a value lookup, in the order the reader asks for them.
constexpr std::array<QLatin1StringView, 3> valueNames { QLatin1StringView("L"),
    QLatin1StringView("A"), QLatin1StringView("B") };

// Whether two names are the same. Names are short and most differ in their first
// character, so a loop the compiler inlines costs less than a call for every element.
bool sameName(const char *a, const char *b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// The part of a name after its first colon, or all of it. For a name without a colon this
// equals it exactly when the name as written does.
const char *localName(const char *name)
{
    for (const char *p = name; *p; ++p) {
        if (*p == ':')
            return p + 1;
    }
    return name;
}

// The value of the attribute named exactly `name`, or null when there is none.
const char *attributeValue(const char **attributes, const char *name)
{
    for (const char **attribute = attributes; *attribute; attribute += 2) {
        if (sameName(attribute[0], name))
            return attribute[1];
    }
    return nullptr;
}

// The bytes of a field that its row does not take as they are: TAB, LF, CR and the first
// bytes of U+0085, U+2028 and U+2029 in UTF-8.
bool mayBreakTheLine(unsigned char byte)
{
    // Nearly every byte lies between CR and the first of them above it: one comparison.
    if (static_cast<unsigned char>(byte - ('\r' + 1)) < 0xC2 - ('\r' + 1))
        return false;
    return byte == '\t' || byte == '\n' || byte == '\r' || byte == 0xC2 || byte == 0xE2;
}

// Appends the field `text` to a row with each TAB, LF, CR, U+0085, U+2028 and U+2029 made a
// space. A name or a value holds them through a reference or a CDATA section, and they would
// end the row or split the field; in a name, XML's attribute-value normalisation does the same
// to the ones written literally.
void appendAsOneLine(std::string &row, QByteArrayView text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    while (p < end) {
        // The bytes up to the next that may break the line go in as they are.
        const auto *plain = p;
        while (p < end && !mayBreakTheLine(*p))
            ++p;
        row.append(reinterpret_cast<const char *>(plain), std::size_t(p - plain));
        if (p == end)
            break;
        if (*p == '\t' || *p == '\n' || *p == '\r') {
            row += ' ';
            ++p;
        } else if (*p == 0xC2 && end - p >= 2 && p[1] == 0x85) {
            row += ' ';
            p += 2;
        } else if (*p == 0xE2 && end - p >= 3 && p[1] == 0x80 && (p[2] == 0xA8 || p[2] == 0xA9)) {
            row += ' ';
            p += 3;
        } else {
            row += char(*p);
            ++p;
        }
    }
}

// What the first L, A or B of a colour object holds, as far as its value lookup cares.
struct ValueContent {
    bool found = false;
    int nodes = 0;
    bool firstIsText = false; // a text node or a CDATA section
    std::string text; // of the first node: trimmed text, or CDATA as written

    void reset()
    {
        found = false;
        nodes = 0;
        firstIsText = false;
        text.clear();
    }

    // Why the lookup gives no value, or nothing when it gives one; `parent` is the element
    // looked in.
    QString problem(QLatin1StringView name, QLatin1StringView parent) const
    {
        if (!found)
            return QStringLiteral("no %1 in its first %2").arg(name, parent);
        if (nodes > 1)
            return QStringLiteral("%1 holds more than one node").arg(name);
        if (nodes == 1 && !firstIsText)
            return QStringLiteral("%1 holds markup instead of text").arg(name);
        if (text.empty())
            return QStringLiteral("%1 is empty").arg(name);
        return QString();
    }

    // The value, trimmed once more as a QString, or empty when the lookup gives none.
    QString trimmedText() const
    {
        if (!found || nodes != 1 || !firstIsText)
            return QString();
        return QString::fromStdString(text).trimmed();
    }
};

// The colour object being read.
struct ObjectState {
    int childIndex = 0;
    qint64 line = 0;
    std::string name;
    bool hasColorValues = false;
    bool hasLab = false;
    // Of its ColorCIELab. It points to the scanner's own string instead of holding a copy: a
    // copy changes the count of references that the rows share, which the thread using the
    // rows changes too, and the two threads would trade that memory for every object.
    const QString *conditionsId = nullptr;
    std::array<ValueContent, 3> values;
    // Noted whether or not measurements are collected, for the failure of an object without
    // a ColorCIELab.
    bool hasSpectrum = false;
    // Collected only for D50 values.
    ValueContent spectrum;
    std::string spectrumStart;
    const QString *spectrumConditionsId = nullptr;
    bool hasXyz = false;
    std::array<ValueContent, 3> xyz;
    const QString *xyzConditionsId = nullptr;
    // What the row notes of a colour object inside this one, if anything.
    QString nestedNote;
};

// The measuring conditions being read: an entry of the file's collection of them, with an Id.
struct ConditionsState {
    QString id;
    bool hasTristimulus = false;
    ValueContent illuminant;
    ValueContent observer;
    // Collected only for D50 values.
    ValueContent method;
    bool hasMeasurementSpec = false;
    ValueContent measurementType;
    bool hasWavelengthRange = false;
    QString startWavelength;
    QString increment;
};

// The names of the X, Y and Z lookups of a ColorCIEXYZ.
constexpr std::array<QLatin1StringView, 3> xyzNames { QLatin1StringView("X"),
    QLatin1StringView("Y"), QLatin1StringView("Z") };

// The value of the attribute `name` as text, or an empty one.
QString attributeText(const char **attributes, const char *name)
{
    const char *value = attributeValue(attributes, name);
    return value ? QString::fromUtf8(value).trimmed() : QString();
}

class ColourObjectScanner final : public XmlContentHandler {
public:
    ColourObjectScanner(XmlFileReader &reader, ScannedRows *handOn, Cxf3Values values)
        : m_reader(reader)
        , m_handOn(handOn)
        , m_collectsMeasurements(values == Cxf3Values::D50)
    {
    }

    ColourObjects take() { return std::move(m_result); }

    void startElement(const char *name, const char **attributes) override
    {
        if (m_skipDepth > 0) {
            ++m_skipDepth;
            return;
        }
        if (m_frames.empty()) {
            enter(Role::Root, name, attributes);
            return;
        }
        const Element element { name, localName(name), attributes };
        switch (m_frames.back().role) {
        case Role::Root:
            if (!m_resourcesFound && enterIfMatches(element, "Resources", Role::Resources))
                m_resourcesFound = true;
            else
                skip();
            break;
        case Role::Resources:
            if (!m_collectionFound && enterIfMatches(element, "ObjectCollection", Role::Collection))
                m_collectionFound = true;
            else if (!m_conditionsListFound
                && enterIfMatches(element, "ColorSpecificationCollection", Role::ConditionsList))
                m_conditionsListFound = true;
            else
                skip();
            break;
        case Role::Collection:
            startCollectionChild(element);
            break;
        case Role::Object:
            if (!m_object.hasColorValues
                && enterIfMatches(element, "ColorValues", Role::ColorValues)) {
                m_object.hasColorValues = true;
            } else {
                noteNestedObject(element);
                skip();
            }
            break;
        case Role::ColorValues:
            startColorValuesChild(element);
            break;
        case Role::Lab:
            startValue(element,
                { { valueNames[0].data(), &m_object.values[0] },
                    { valueNames[1].data(), &m_object.values[1] },
                    { valueNames[2].data(), &m_object.values[2] } });
            break;
        case Role::Xyz:
            startValue(element,
                { { xyzNames[0].data(), &m_object.xyz[0] },
                    { xyzNames[1].data(), &m_object.xyz[1] },
                    { xyzNames[2].data(), &m_object.xyz[2] } });
            break;
        case Role::ConditionsList:
            startConditions(element);
            break;
        case Role::Conditions:
            if (!m_conditions.hasTristimulus
                && enterIfMatches(element, "TristimulusSpec", Role::Tristimulus))
                m_conditions.hasTristimulus = true;
            else if (m_collectsMeasurements && !m_conditions.hasMeasurementSpec
                && enterIfMatches(element, "MeasurementSpec", Role::MeasurementSpec))
                m_conditions.hasMeasurementSpec = true;
            else
                skip();
            break;
        case Role::Tristimulus:
            if (m_collectsMeasurements)
                startValue(element,
                    { { "Illuminant", &m_conditions.illuminant },
                        { "Observer", &m_conditions.observer },
                        { "Method", &m_conditions.method } });
            else
                startValue(element,
                    { { "Illuminant", &m_conditions.illuminant },
                        { "Observer", &m_conditions.observer } });
            break;
        case Role::MeasurementSpec:
            startMeasurementSpecChild(element);
            break;
        case Role::Value:
            endRun();
            addNode(false);
            skip();
            break;
        }
    }

    void endElement() override
    {
        if (m_skipDepth > 0) {
            if (--m_skipDepth == 0)
                updateCharacterDataWanted();
            return;
        }
        const Frame frame = m_frames.back();
        if (frame.role == Role::Collection || frame.role == Role::Value)
            endRun();
        else if (frame.role == Role::Object)
            finishObject();
        else if (frame.role == Role::Conditions)
            finishConditions();
        m_scope.restore(frame.scopeMark);
        m_frames.pop_back();
        updateCharacterDataWanted();
    }

    // Comes only inside the object collection and a value element (see
    // updateCharacterDataWanted).
    void characterData(const char *data, int length) override
    {
        if (m_inCdata) {
            if (m_cdataIsValue)
                currentValue().text.append(data, length);
            return;
        }
        if (!m_runNonBlank) {
            // A blank piece before the first that is not is trimmed away in any case.
            if (XmlWhiteSpace::isBlank(QByteArrayView(data, length)))
                return;
            m_runNonBlank = true;
        }
        if (m_frames.back().role == Role::Value && currentValue().nodes == 0)
            m_run.append(data, length);
    }

    void startCdata() override
    {
        m_inCdata = true;
        if (!collectsNodes())
            return;
        endRun();
        addNode(true);
        m_cdataIsValue = m_frames.back().role == Role::Value && currentValue().nodes == 1;
    }

    void endCdata() override
    {
        m_inCdata = false;
        m_cdataIsValue = false;
    }

    void comment(const char *) override { addMarkupNode(); }

    void processingInstruction(const char *, const char *) override { addMarkupNode(); }

private:
    enum class Role : quint8 {
        Root,
        Resources,
        Collection,
        Object,
        ColorValues,
        Lab,
        ConditionsList,
        Conditions,
        Tristimulus,
        MeasurementSpec,
        Xyz,
        Value,
    };

    // An element on the path from the root to a value, open now.
    struct Frame {
        Role role;
        NamespaceScope::Binding binding; // of its own name
        std::size_t scopeMark; // where the scope stood before its declarations
    };

    // An element as it starts.
    struct Element {
        const char *name;
        const char *local; // see localName
        const char **attributes;
    };

    void enter(Role role, const char *name, const char **attributes)
    {
        const std::size_t mark = m_scope.mark();
        m_scope.declare(attributes);
        m_frames.push_back(Frame { role, m_scope.bindingOf(name), mark });
        updateCharacterDataWanted();
    }

    // Enters the element when it is the child `wanted` of the open one: named so, and in its
    // parent's namespace unless the parent has none.
    bool enterIfMatches(const Element &element, const char *wanted, Role role)
    {
        if (!sameName(element.local, wanted))
            return false;
        const std::size_t mark = m_scope.mark();
        m_scope.declare(element.attributes);
        const NamespaceScope::Binding binding = m_scope.bindingOf(element.name);
        if (!inOpenElementsNamespace(binding)) {
            m_scope.restore(mark);
            return false;
        }
        m_frames.push_back(Frame { role, binding, mark });
        updateCharacterDataWanted();
        return true;
    }

    // Whether the element is the child `wanted` of the open one, as enterIfMatches finds it.
    bool isChild(const Element &element, const char *wanted)
    {
        if (!sameName(element.local, wanted))
            return false;
        const std::size_t mark = m_scope.mark();
        m_scope.declare(element.attributes);
        const bool matches = inOpenElementsNamespace(m_scope.bindingOf(element.name));
        m_scope.restore(mark);
        return matches;
    }

    // A child is in its parent's namespace, unless the parent has none.
    bool inOpenElementsNamespace(NamespaceScope::Binding binding) const
    {
        const NamespaceScope::Binding parent = m_frames.back().binding;
        const QByteArrayView parentUri = m_scope.uri(parent);
        // The same declaration is the same URI, as it mostly is; comparing is for the rest.
        return parentUri.isEmpty() || binding == parent
            || NamespaceUri::same(
                QString::fromUtf8(parentUri), QString::fromUtf8(m_scope.uri(binding)));
    }

    // Passes over the element just started and everything inside it.
    void skip()
    {
        m_skipDepth = 1;
        updateCharacterDataWanted();
    }

    void startCollectionChild(const Element &element)
    {
        endRun();
        const int index = addCollectionChild();
        // After a failure only the children are counted: the read ends there.
        const char *objectName
            = m_result.failure ? nullptr : attributeValue(element.attributes, "Name");
        if (!objectName) {
            skip();
            return;
        }
        m_object.childIndex = index;
        m_object.line = m_reader.currentLine();
        m_object.name.assign(objectName);
        m_object.hasColorValues = false;
        m_object.hasLab = false;
        m_object.conditionsId = &m_noConditionsId;
        m_object.hasSpectrum = false;
        m_object.hasXyz = false;
        m_object.nestedNote.clear();
        // Reset in place: the strings keep their memory from one object to the next.
        for (ValueContent &value : m_object.values)
            value.reset();
        if (m_collectsMeasurements) {
            m_object.spectrum.reset();
            m_object.spectrumConditionsId = &m_noConditionsId;
            for (ValueContent &value : m_object.xyz)
                value.reset();
            m_object.xyzConditionsId = &m_noConditionsId;
        }
        enter(Role::Object, element.name, element.attributes);
    }

    // The file's first colour object inside another is noted on the row of the one holding
    // it; it and every later one are passed over.
    void noteNestedObject(const Element &element)
    {
        if (m_nestedObjectNoted || !isChild(element, "Object"))
            return;
        const char *name = attributeValue(element.attributes, "Name");
        if (!name)
            return;
        m_nestedObjectNoted = true;
        std::string oneLine;
        appendAsOneLine(oneLine, name);
        m_object.nestedNote
            = QStringLiteral("it holds colour object \"%1\" on line %2, which is passed over, as "
                             "is every colour object inside another")
                  .arg(QString::fromStdString(oneLine))
                  .arg(m_reader.currentLine());
    }

    void startColorValuesChild(const Element &element)
    {
        if (!m_object.hasLab && enterIfMatches(element, "ColorCIELab", Role::Lab)) {
            m_object.hasLab = true;
            m_object.conditionsId = &internedConditionsId(
                attributeValue(element.attributes, "ColorSpecification"), m_labConditionsId);
            return;
        }
        if (!m_object.hasSpectrum && !m_collectsMeasurements) {
            m_object.hasSpectrum = isChild(element, "ReflectanceSpectrum");
            skip();
            return;
        }
        if (!m_object.hasSpectrum) {
            // The spectrum's factors are its text, taken as a value is.
            if (enterIfMatches(element, "ReflectanceSpectrum", Role::Value)) {
                m_object.hasSpectrum = true;
                m_object.spectrum.found = true;
                m_value = &m_object.spectrum;
                const char *start = attributeValue(element.attributes, "StartWL");
                m_object.spectrumStart.assign(start ? start : "");
                m_object.spectrumConditionsId = &internedConditionsId(
                    attributeValue(element.attributes, "ColorSpecification"),
                    m_spectrumConditionsId);
                return;
            }
        }
        if (m_collectsMeasurements && !m_object.hasXyz
            && enterIfMatches(element, "ColorCIEXYZ", Role::Xyz)) {
            m_object.hasXyz = true;
            m_object.xyzConditionsId = &internedConditionsId(
                attributeValue(element.attributes, "ColorSpecification"), m_xyzConditionsId);
            return;
        }
        skip();
    }

    void startMeasurementSpecChild(const Element &element)
    {
        if (!m_conditions.hasWavelengthRange && sameName(element.local, "WavelengthRange")) {
            m_conditions.hasWavelengthRange = true;
            m_conditions.startWavelength = attributeText(element.attributes, "StartWL");
            m_conditions.increment = attributeText(element.attributes, "Increment");
            skip();
            return;
        }
        startValue(element, { { "MeasurementType", &m_conditions.measurementType } });
    }

    // Enters the element as the value of the first candidate whose name it has and that is not
    // found yet; passes over it otherwise.
    void startValue(const Element &element,
        std::initializer_list<std::pair<const char *, ValueContent *>> candidates)
    {
        for (const auto &[valueName, value] : candidates) {
            if (!value->found && enterIfMatches(element, valueName, Role::Value)) {
                value->found = true;
                m_value = value;
                return;
            }
        }
        skip();
    }

    // Only an entry with an Id can be referred to; its namespace is not asked.
    void startConditions(const Element &element)
    {
        const char *id = attributeValue(element.attributes, "Id");
        if (!sameName(element.local, "ColorSpecification") || !id || !*id) {
            skip();
            return;
        }
        m_conditions = ConditionsState {};
        m_conditions.id = QString::fromUtf8(id);
        enter(Role::Conditions, element.name, element.attributes);
    }

    void finishConditions()
    {
        const QString other = otherThanD50TwoDegree(
            m_conditions.illuminant.trimmedText(), m_conditions.observer.trimmedText());
        if (!other.isEmpty())
            m_result.otherConditions.insert(m_conditions.id, other);
        if (m_collectsMeasurements)
            m_result.conditions.insert(m_conditions.id,
                { m_conditions.illuminant.trimmedText(), m_conditions.observer.trimmedText(),
                    m_conditions.method.trimmedText(), m_conditions.measurementType.trimmedText(),
                    m_conditions.startWavelength, m_conditions.increment });
    }

    // The last Id that one kind of element referred to, kept as the QString that rows share.
    struct InternedId {
        QByteArray bytes;
        QString id;
    };

    // The attribute as a QString that rows share: a file names few sets of conditions, and
    // each kind of element (`last`) mostly names the same one again.
    const QString &internedConditionsId(const char *value, InternedId &last)
    {
        if (!value)
            return m_noConditionsId;
        // Compared as C strings: the attribute holds no NUL, and this runs for every object.
        if (last.id.isNull() || !sameName(value, last.bytes.constData())) {
            last.bytes = QByteArray(value);
            last.id = QString::fromUtf8(last.bytes);
        }
        return last.id;
    }

    int addCollectionChild()
    {
        if (m_result.childCount == std::numeric_limits<int>::max())
            throw KalidorError::at(m_reader.path(),
                QStringLiteral("the object collection holds too many children"),
                m_reader.currentLine());
        return m_result.childCount++;
    }

    ValueContent &currentValue() { return *m_value; }

    // Only the object collection and a value element count their child nodes.
    bool collectsNodes() const
    {
        return m_skipDepth == 0 && !m_frames.empty()
            && (m_frames.back().role == Role::Collection || m_frames.back().role == Role::Value);
    }

    void updateCharacterDataWanted() { m_reader.setCharacterDataWanted(collectsNodes()); }

    // A node of the open collection or value element: an element, a comment, a processing
    // instruction, a CDATA section or text that is not blank.
    void addNode(bool isText)
    {
        if (m_frames.back().role == Role::Collection) {
            addCollectionChild();
            return;
        }
        ValueContent &value = currentValue();
        if (++value.nodes == 1)
            value.firstIsText = isText;
    }

    void addMarkupNode()
    {
        if (!collectsNodes())
            return;
        endRun();
        addNode(false);
    }

    // Markup ends a run of text; a blank run leaves no node.
    void endRun()
    {
        if (!m_runNonBlank)
            return;
        m_runNonBlank = false;
        if (m_frames.back().role == Role::Value && currentValue().nodes == 0) {
            const QByteArrayView text = XmlWhiteSpace::trimmed(m_run);
            currentValue().text.assign(text.data(), std::size_t(text.size()));
        }
        m_run.clear();
        addNode(true);
    }

    // Why the object gives no row, or nothing when it gives one.
    QString objectProblem() const
    {
        if (!m_object.hasColorValues)
            return QStringLiteral("no ColorValues");
        if (m_collectsMeasurements)
            return measurementsProblem();
        if (m_object.hasLab)
            return valuesProblem(m_object.values, valueNames, QLatin1StringView("ColorCIELab"));
        if (m_object.hasSpectrum)
            return QStringLiteral("no ColorCIELab in its first ColorValues; kalidor-convert "
                                  "--d50 computes its L, A and B values from its "
                                  "ReflectanceSpectrum");
        return QStringLiteral("no ColorCIELab in its first ColorValues");
    }

    // With D50 values, an object needs a ColorCIELab, a ReflectanceSpectrum or a ColorCIEXYZ,
    // and each it has must be whole.
    QString measurementsProblem() const
    {
        if (m_object.hasSpectrum) {
            const QString problem = m_object.spectrum.problem(
                QLatin1StringView("ReflectanceSpectrum"), QLatin1StringView("ColorValues"));
            if (!problem.isEmpty())
                return problem;
        }
        if (m_object.hasLab)
            return valuesProblem(m_object.values, valueNames, QLatin1StringView("ColorCIELab"));
        if (m_object.hasXyz)
            return valuesProblem(m_object.xyz, xyzNames, QLatin1StringView("ColorCIEXYZ"));
        if (m_object.hasSpectrum)
            return QString();
        return QStringLiteral(
            "no ColorCIELab, ReflectanceSpectrum or ColorCIEXYZ in its first ColorValues");
    }

    static QString valuesProblem(const std::array<ValueContent, 3> &values,
        const std::array<QLatin1StringView, 3> &names, QLatin1StringView parent)
    {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const QString problem = values[i].problem(names[i], parent);
            if (!problem.isEmpty())
                return problem;
        }
        return QString();
    }

    void finishObject()
    {
        m_row.clear();
        appendAsOneLine(m_row, m_object.name);
        const QString problem = objectProblem();
        if (!problem.isEmpty()) {
            // The object's name, as its row would give it, tells the operator which one.
            m_result.failure = KalidorError::at(m_reader.path(),
                QStringLiteral("colour object \"%1\": %2")
                    .arg(QString::fromStdString(m_row), problem),
                m_object.line);
            return;
        }
        if (m_handOn && !m_object.nestedNote.isEmpty())
            m_handOn->noteNested(m_object.childIndex, m_object.nestedNote);
        if (m_collectsMeasurements) {
            m_handOn->addMeasured(measuredObject());
            return;
        }
        for (const ValueContent &value : m_object.values) {
            m_row += '\t';
            appendAsOneLine(m_row, value.text);
        }
        if (m_handOn)
            m_handOn->add(m_object.childIndex, m_object.line, m_row, *m_object.conditionsId);
        else
            m_result.rows.push_back(
                { m_object.childIndex, m_object.line, QString::fromStdString(m_row),
                    *m_object.conditionsId, QString(), QString(), m_object.nestedNote });
    }

    // The object just read, its texts in this scanner's buffers.
    MeasuredObject measuredObject()
    {
        MeasuredObject object;
        object.childIndex = m_object.childIndex;
        object.line = m_object.line;
        object.name = m_row;
        const auto values = [](const std::array<ValueContent, 3> &contents,
                                std::array<std::string, 3> &texts, const QString *conditionsId) {
            MeasuredObject::Values taken;
            for (std::size_t i = 0; i < contents.size(); ++i) {
                texts[i].clear();
                appendAsOneLine(texts[i], contents[i].text);
                taken.texts[i] = texts[i];
            }
            taken.conditionsId = conditionsId;
            return taken;
        };
        if (m_object.hasLab)
            object.lab = values(m_object.values, m_labTexts, m_object.conditionsId);
        if (m_object.hasSpectrum)
            object.spectrum = MeasuredObject::Spectrum { m_object.spectrumStart,
                m_object.spectrum.text, m_object.spectrumConditionsId };
        if (m_object.hasXyz)
            object.xyz = values(m_object.xyz, m_xyzTexts, m_object.xyzConditionsId);
        return object;
    }

    XmlFileReader &m_reader;
    ScannedRows *m_handOn;
    const bool m_collectsMeasurements;
    ColourObjects m_result;
    // For D50 values: an object's values kept to one line.
    std::array<std::string, 3> m_labTexts;
    std::array<std::string, 3> m_xyzTexts;
    NamespaceScope m_scope;
    std::vector<Frame> m_frames;
    int m_skipDepth = 0;
    bool m_resourcesFound = false;
    bool m_collectionFound = false;
    ObjectState m_object;
    bool m_conditionsListFound = false;
    bool m_nestedObjectNoted = false;
    ConditionsState m_conditions;
    ValueContent *m_value = nullptr; // the one being read
    InternedId m_labConditionsId;
    InternedId m_spectrumConditionsId;
    InternedId m_xyzConditionsId;
    const QString m_noConditionsId;
    // The run of text since the last markup; its characters are kept only where they may
    // become a value.
    std::string m_run;
    bool m_runNonBlank = false;
    bool m_inCdata = false;
    bool m_cdataIsValue = false; // the CDATA section is the first node of a value element
    std::string m_row;
};

} // namespace

ColourObjects scanColourObjects(const InputFile &file, const std::atomic<bool> *stopRequested,
    ScannedRows *handOn, Cxf3Values values)
{
    XmlFileReader reader(file, stopRequested);
    Q_ASSERT(handOn || values == Cxf3Values::AsGiven);
    ColourObjectScanner scanner(reader, handOn, values);
    reader.parse(scanner);
    return scanner.take();
}

ColourObjects scanColourObjects(const QString &path, const std::atomic<bool> *stopRequested,
    ScannedRows *handOn, Cxf3Values values)
{
    return scanColourObjects(InputFile(path), stopRequested, handOn, values);
}
