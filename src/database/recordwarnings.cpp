#include "recordwarnings.h"

#include "base/codepage.h"
#include "base/encodingname.h"
#include "base/visiblecontrols.h"
#include "colorimetry/colourdifference.h"
#include "heldrecords.h"
#include "labvalues.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

QString codePoints(QStringView character)
{
    QStringList points;
    for (const char32_t point : character.toUcs4())
        points.append(QStringLiteral("U+%1").arg(point, 4, 16, QChar(u'0')).toUpper());
    return points.join(u' ');
}

// Each character of `name` that `encoding` cannot hold, with what is written instead.
QString lostCharacters(const QString &name, TextEncoding encoding)
{
    QStringList lost;
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length
            = name.at(i).isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()
            ? 2
            : 1;
        const QString character = name.sliced(i, length);
        i += length;
        const QString written = asWritten(character, encoding);
        if (written == character)
            continue;
        const QString entry = QStringLiteral("\"%1\" (%2) as \"%3\"")
                                  .arg(character, codePoints(character), written);
        if (!lost.contains(entry))
            lost.append(entry);
    }
    return QStringLiteral("%1 cannot hold every character of the name, so it is written with %2")
        .arg(encodingName(encoding), lost.join(QStringLiteral(", ")));
}

// The control characters of `name`, each once, in the order they come.
QString controlCharacters(const QString &name)
{
    QString controls;
    for (const QChar c : name) {
        if (isControlCharacter(c) && !controls.contains(c))
            controls += c;
    }
    return QStringLiteral("the name holds the control character%1 %2, which a terminal or "
                          "the RIP may act on instead of showing; it is written with %3")
        .arg(controls.size() == 1 ? QString() : QStringLiteral("s"), codePoints(controls),
            controls.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"));
}

QString notPlainDecimal(const QString &label, const QString &value)
{
    const bool decimalComma
        = value.contains(u',') && plainDecimal(QString(value).replace(u',', u'.'));
    return QStringLiteral("%1 \"%2\" is not a plain decimal number%3")
        .arg(label, value, decimalComma ? QStringLiteral(" (it has a decimal comma)") : QString());
}

// Where the database holds a name: "line 12 (50,60,40)", or every line of it, "lines 2
// (7,8,9), 4 (1,2,3) and 9 (1,2,3)", since the RIP may match any of them.
QString heldLines(const std::vector<HeldRecord> &records)
{
    const auto lineOf = [](const HeldRecord &record) {
        return QStringLiteral("%1 (%2)").arg(record.line).arg(record.values);
    };
    if (records.size() == 1)
        return QStringLiteral("line ") + lineOf(records.front());
    QStringList lines;
    for (const HeldRecord &record : records)
        lines.append(lineOf(record));
    const QString last = lines.takeLast();
    return QStringLiteral("lines %1 and %2").arg(lines.join(QStringLiteral(", ")), last);
}

// The ΔE2000 is to the values of the first line, the one a replacement takes.
QString heldNameWarning(const std::vector<HeldRecord> &records, const std::optional<LabValues> &lab)
{
    const HeldRecord &held = records.front();
    QString difference;
    if (held.lab && lab)
        difference = QStringLiteral("\u0394E2000 to the new values %1")
                         .arg(deltaE2000(*held.lab, *lab), 0, 'f', 2);
    else if (lab)
        difference = QStringLiteral("no \u0394E2000, since the values there are not plain "
                                    "decimal numbers");
    else if (held.lab)
        difference = QStringLiteral("no \u0394E2000, since the new values are not plain "
                                    "decimal numbers");
    else
        difference = QStringLiteral("no \u0394E2000, since neither the values there nor the "
                                    "new ones are plain decimal numbers");
    return QStringLiteral("the database already holds this name on %1, so the RIP matches only "
                          "one of them; %2")
        .arg(heldLines(records), difference);
}

struct Range {
    const char *label;
    double lowest;
    double highest;
    const char *words;
};

constexpr std::array<Range, 3> surfaceRanges { {
    { "L*", 0, 100, "outside 0 to 100" },
    { "a*", -128, 128, "beyond \u00B1128" },
    { "b*", -128, 128, "beyond \u00B1128" },
} };

} // namespace

QString asWritten(const QString &text, TextEncoding encoding)
{
    // Every encoding holds ASCII, and most names are ASCII: no round trip for them.
    if (isAscii(text))
        return text;
    switch (encoding) {
    case TextEncoding::DefaultCodePage:
        if (!DefaultCodePage::isUtf8())
            return DefaultCodePage::decode(DefaultCodePage::encode(text));
        [[fallthrough]];
    case TextEncoding::Utf8:
        // An unpaired surrogate has no UTF-8 form.
        return QString::fromUtf8(text.toUtf8());
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        // Written code unit for code unit.
        return text;
    }
    Q_UNREACHABLE();
}

RecordChecker::RecordChecker(
    RecordForm form, TextEncoding encoding, Rows rowsAre, qsizetype rows, const HeldRecords *held)
    : m_form(form)
    , m_encoding(encoding)
    , m_rowsAre(rowsAre)
    , m_held(held)
{
    m_firstLineOfName.reserve(rows);
    if (rowsAre == Rows::LetGo) {
        m_names.reserve(std::size_t(rows));
        m_fileLines.reserve(std::size_t(rows));
    }
}

void RecordChecker::checkRow(const ColourRow &colourRow)
{
    const QString &line = colourRow.line;
    const qint64 fileLine = colourRow.fileLine;
    const QStringList &fields = colourRow.fields();
    const QString &name = fields.at(0);
    m_row = { fileLine, m_records, name, QString() };
    // The split drops the blanks in front of the name; what follows is the row's own.
    const QStringView row = QStringView(line).sliced(line.indexOf(name));
    QStringView writtenName;
    if (m_rowsAre == Rows::LetGo) {
        m_names.push_back(m_keptNames.keep(name));
        m_fileLines.push_back(fileLine);
        writtenName = checkName(name, m_names.back());
    } else {
        writtenName = checkName(name, row.first(name.size()));
    }
    checkEmptyValue(row);
    checkValues(fields);
    if (m_held)
        checkHeldName(writtenName, fields);
    // In the order the records made while a file is read get them.
    if (colourRow.nestedNote)
        warn(WarningKind::Nested, *colourRow.nestedNote);
    if (colourRow.note)
        warn(WarningKind::Conditions, *colourRow.note);
    ++m_records;
}

void RecordChecker::noteRecord(qsizetype record, const QString &note, WarningKind kind)
{
    Q_ASSERT(m_rowsAre == Rows::LetGo);
    m_lateNotes.push_back({ record, note, kind });
}

QList<RecordWarning> RecordChecker::takeWarnings()
{
    if (m_lateNotes.empty())
        return std::move(m_warnings);
    // Each note goes after the other warnings of its record, as if it had come with the row.
    std::stable_sort(m_lateNotes.begin(), m_lateNotes.end(),
        [](const LateNote &a, const LateNote &b) { return a.record < b.record; });
    QList<RecordWarning> warnings;
    warnings.reserve(m_warnings.size() + qsizetype(m_lateNotes.size()));
    auto next = m_warnings.cbegin();
    for (const auto &[record, note, kind] : m_lateNotes) {
        for (; next != m_warnings.cend() && next->record <= record; ++next)
            warnings.append(*next);
        warnings.append({ m_fileLines.at(std::size_t(record)), record,
            m_names.at(std::size_t(record)).toString(), note, kind });
    }
    for (; next != m_warnings.cend(); ++next)
        warnings.append(*next);
    m_warnings.clear();
    m_lateNotes.clear();
    return warnings;
}

void RecordChecker::warn(WarningKind kind, const QString &what)
{
    m_row.what = what;
    m_row.kind = kind;
    m_warnings.append(m_row);
}

QStringView RecordChecker::checkName(const QString &name, QStringView key)
{
    // Most names are written as they are, so the name as the table gives it is the key: no copy.
    QStringView writtenName = key;
    const QString written = asWritten(name, m_encoding);
    if (written != name) {
        warn(WarningKind::Encoding, lostCharacters(name, m_encoding));
        writtenName = m_keptNames.keep(written);
    }
    // One lookup finds the name or makes room for it.
    const qsizetype namesBefore = m_firstLineOfName.size();
    qint64 &firstLine = m_firstLineOfName[writtenName];
    if (m_firstLineOfName.size() > namesBefore)
        firstLine = m_row.fileLine;
    else
        warn(WarningKind::Duplicate,
            QStringLiteral("the name as written, \"%1\", is also that of line %2, so the RIP "
                           "matches only one of them")
                .arg(writtenName.toString())
                .arg(firstLine));
    if (m_form == RecordForm::Csv && name.contains(u','))
        warn(WarningKind::Comma,
            QStringLiteral("the name holds a comma, which starts a new field of the CSV "
                           "record"));
    if (m_form == RecordForm::Csv && name.contains(u'"'))
        warn(WarningKind::Quote,
            QStringLiteral("the name holds a double quote, which a CSV reader takes for "
                           "the start or end of a quoted field"));
    if (holdsControlCharacter(name))
        warn(WarningKind::Control, controlCharacters(name));
    return writtenName;
}

// Names are compared as the RIP compares them: the same characters once written, exactly.
void RecordChecker::checkHeldName(QStringView writtenName, const QStringList &fields)
{
    if (const std::vector<HeldRecord> held = m_held->findAll(writtenName); !held.empty())
        warn(WarningKind::Held,
            heldNameWarning(held, labOf(fields.at(1), fields.at(2), fields.at(3))));
}

// The split drops empty fields, so the values after an empty one move up a field.
void RecordChecker::checkEmptyValue(QStringView row)
{
    std::size_t part = 0;
    for (const QStringView text : row.tokenize(u'\t')) {
        if (part > surfaceRanges.size())
            return;
        if (part > 0 && text.trimmed().isEmpty()) {
            warn(WarningKind::Empty,
                QStringLiteral("%1 is empty, so the record takes the values after it "
                               "in its place")
                    .arg(QString::fromLatin1(surfaceRanges[part - 1].label)));
            return;
        }
        ++part;
    }
}

void RecordChecker::checkValues(const QStringList &fields)
{
    for (std::size_t i = 0; i < surfaceRanges.size(); ++i) {
        const Range &range = surfaceRanges[i];
        const QString &value = fields.at(qsizetype(i) + 1);
        const std::optional<double> number = plainDecimal(value);
        if (!number)
            warn(WarningKind::Value, notPlainDecimal(QString::fromLatin1(range.label), value));
        else if (*number < range.lowest || *number > range.highest)
            warn(WarningKind::Range,
                QStringLiteral("%1 %2 is %3, which no surface colour has")
                    .arg(QString::fromLatin1(range.label), value.trimmed(),
                        QString::fromUtf8(range.words)));
    }
}

QList<RecordWarning> checkRecords(const NumberedLines &table, RecordForm form,
    TextEncoding encoding, const RowNotes &notes, RowSelection rows, const HeldRecords *held,
    const std::optional<NestedObjectNote> &nested)
{
    RecordChecker checker(form, encoding, RecordChecker::Rows::Held, table.size(), held);
    RecordLoop(table, rows, notes, nested).takeTable([&checker](const ColourRow &row) {
        if (row.fields().size() >= 4)
            checker.checkRow(row);
    });
    return checker.takeWarnings();
}

std::future<QList<RecordWarning>> checkRecordsAside(const NumberedLines &table, RecordForm form,
    TextEncoding encoding, const RowNotes &notes, RowSelection rows, const HeldRecords *held,
    const std::optional<NestedObjectNote> &nested)
{
    // `nested` is copied: the default one is a temporary.
    return std::async(std::launch::async, [&table, form, encoding, &notes, rows, held, nested] {
        return checkRecords(table, form, encoding, notes, rows, held, nested);
    });
}
