#include "measuredvalues.h"

#include "base/kalidorerror.h"
#include "colorimetry/chromaticadaptation.h"
#include "colorimetry/cielab.h"
#include "colorimetry/colourdifference.h"
#include "colorimetry/fewestdecimals.h"
#include "colorimetry/reflectancespectrum.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

namespace {

// A Lab that differs this much from its object's spectrum was measured or labelled wrongly.
constexpr double mismatchDeltaE = 0.5;

// Made values beyond this in L*, a* or b* come from no colour but from a value that is wrong
// (1e100 in a spectrum), and an overflowing sum gives no number at all.
constexpr double farthestMadeValue = 1000;

// Thrown inside this file with what is wrong with the object; measuredRow names the object.
struct ObjectFault {
    QString what;
};

// `lab`, made from `what` ("its ReflectanceSpectrum cannot be summed"), when it can be a colour's.
LabValues madeValues(const LabValues &lab, const QString &what)
{
    const auto near = [](double value) { return std::abs(value) <= farthestMadeValue; };
    if (near(lab.lightness) && near(lab.a) && near(lab.b))
        return lab;
    throw ObjectFault { QStringLiteral("%1: it gives L* %2, a* %3, b* %4, far outside any colour "
                                       "(beyond \u00B1%5); correct its values")
                            .arg(what)
                            .arg(lab.lightness, 0, 'g', 6)
                            .arg(lab.a, 0, 'g', 6)
                            .arg(lab.b, 0, 'g', 6)
                            .arg(farthestMadeValue) };
}

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Reads from `at` up to the next white space or `end`, and leaves `at` there: the number read
// when it is a plain decimal of up to 15 digits, as measuring tools write factors, else nothing.
// The digits are then an exact integer, and dividing it by the exact power of ten rounds as a
// full conversion does, at a fraction of its cost.
std::optional<double> readPlainNumber(const char *&at, const char *end)
{
    constexpr std::array<double, 16> powersOfTen { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
        1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    const bool negative = at != end && *at == '-';
    if (negative || (at != end && *at == '+'))
        ++at;
    std::int64_t digits = 0;
    int count = 0;
    int decimals = -1;
    bool plain = true;
    for (; at != end && !isXmlSpace(*at); ++at) {
        const char c = *at;
        if (c >= '0' && c <= '9') {
            // Past 15 digits the number is not plain; the sum must not overflow.
            if (count < 16)
                digits = digits * 10 + (c - '0');
            ++count;
            decimals += decimals >= 0;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            plain = false;
        }
    }
    if (!plain || count == 0 || count > 15)
        return std::nullopt;
    const double value = double(digits) / powersOfTen[std::size_t(std::max(decimals, 0))];
    return negative ? -value : value;
}

// `text` as a number, written as C writes one, or nothing.
std::optional<double> number(std::string_view text)
{
    const char *at = text.data();
    const char *const end = at + text.size();
    if (const std::optional<double> plain = readPlainNumber(at, end); plain && at == end)
        return plain;
    double value = 0;
    const auto [last, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || last != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> number(const QString &text)
{
    const QByteArray bytes = text.trimmed().toUtf8();
    return number(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

QString textOf(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Sets `factors` to those of a spectrum's text, separated by white space.
void readFactors(std::string_view text, std::vector<double> &factors)
{
    factors.clear();
    const char *at = text.data();
    const char *const end = at + text.size();
    for (;;) {
        while (at != end && isXmlSpace(*at))
            ++at;
        if (at == end)
            return;
        const char *const start = at;
        std::optional<double> factor = readPlainNumber(at, end);
        if (!factor)
            factor = number(std::string_view(start, std::size_t(at - start)));
        if (!factor)
            throw ObjectFault { QStringLiteral("its ReflectanceSpectrum holds \"%1\", which is "
                                               "not a number")
                                    .arg(
                                        textOf(std::string_view(start, std::size_t(at - start)))) };
        factors.push_back(*factor);
    }
}

const MeasuringConditions *conditionsOf(
    const QHash<QString, MeasuringConditions> &conditions, const QString &id)
{
    const auto found = conditions.constFind(id);
    return found == conditions.cend() ? nullptr : &*found;
}

// Whether the spectrum can be summed as a surface colour: measured as reflectance or
// transmittance, or not said.
bool isSurfaceSpectrum(const MeasuringConditions *conditions)
{
    if (!conditions || conditions->measurementType.isEmpty())
        return true;
    return conditions->measurementType.startsWith(u"Spectrum_Reflectance", Qt::CaseInsensitive)
        || conditions->measurementType.startsWith(u"Spectrum_Transmittance", Qt::CaseInsensitive);
}

// The values of three texts when they are plain decimal numbers, as a record's are checked.
std::optional<std::array<double, 3>> valuesOf(const std::array<std::string_view, 3> &texts)
{
    std::array<double, 3> values {};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::optional<double> value = plainDecimal(textOf(texts[i]));
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    return values;
}

std::optional<LabValues> labOfTexts(const std::array<std::string_view, 3> &texts)
{
    const std::optional<std::array<double, 3>> values = valuesOf(texts);
    if (!values)
        return std::nullopt;
    return LabValues { (*values)[0], (*values)[1], (*values)[2] };
}

QString rowText(std::string_view name, const std::array<QString, 3> &values)
{
    return textOf(name) + u'\t' + values[0] + u'\t' + values[1] + u'\t' + values[2];
}

QString rowText(std::string_view name, const std::array<std::string_view, 3> &values)
{
    return rowText(name, { textOf(values[0]), textOf(values[1]), textOf(values[2]) });
}

// Where values summed from a spectrum come from; one text for each object of a file.
QString spectrumSource(double increment)
{
    thread_local double lastIncrement = 0;
    thread_local QString lastSource;
    if (increment != lastIncrement || lastSource.isEmpty()) {
        lastIncrement = increment;
        lastSource = QStringLiteral("from its spectrum (%1)").arg(spectralMethod(increment));
    }
    return lastSource;
}

// Sets `spectrum` to the one given; its factors keep their memory from one object to the next.
void readSpectrum(const MeasuredObject::Spectrum &given, const MeasuringConditions *conditions,
    ReflectanceSpectrum &spectrum)
{
    spectrum.incrementNm = 10;
    const QString start = !given.startWavelength.empty()
        ? textOf(given.startWavelength)
        : (conditions ? conditions->startWavelength : QString());
    if (start.trimmed().isEmpty())
        throw ObjectFault { QStringLiteral(
            "its ReflectanceSpectrum gives no StartWL, nor does its ColorSpecification") };
    const std::optional<double> startNm = number(start);
    if (!startNm)
        throw ObjectFault { QStringLiteral(
            "the StartWL of its ReflectanceSpectrum, \"%1\", is not a number")
                                .arg(start.trimmed()) };
    spectrum.startNm = *startNm;
    if (conditions && !conditions->increment.isEmpty()) {
        const std::optional<double> increment = number(conditions->increment);
        if (!increment)
            throw ObjectFault { QStringLiteral("the Increment of its ColorSpecification \"%1\", "
                                               "\"%2\", is not a number")
                                    .arg(*given.conditionsId, conditions->increment) };
        spectrum.incrementNm = *increment;
    }
    readFactors(given.factors, spectrum.factors);
}

MeasuredRow fromSpectrum(const MeasuredObject &object, const MeasuringConditions *conditions,
    const QHash<QString, MeasuringConditions> &allConditions)
{
    thread_local ReflectanceSpectrum spectrum;
    readSpectrum(*object.spectrum, conditions, spectrum);
    const QString unsummable = QStringLiteral("its ReflectanceSpectrum cannot be summed");
    LabValues lab;
    try {
        lab = madeValues(labD50OfSpectrum(spectrum), unsummable);
    } catch (const SpectrumError &error) {
        throw ObjectFault { QStringLiteral("%1: %2").arg(unsummable, error.reason()) };
    }
    MeasuredRow row { rowText(object.name, fewestDecimalTexts(lab)), QString(),
        spectrumSource(spectrum.incrementNm), QString() };
    if (!object.lab)
        return row;
    const MeasuringConditions *labConditions
        = conditionsOf(allConditions, *object.lab->conditionsId);
    if (labConditions
        && (!namesD50OrNothing(labConditions->illuminant)
            || !namesTwoDegreeOrNothing(labConditions->observer)))
        return row;
    const std::optional<LabValues> given = labOfTexts(object.lab->texts);
    if (!given)
        return row;
    const double difference = deltaE2000(*given, lab);
    if (difference > mismatchDeltaE)
        row.note = QStringLiteral("its Lab values (%1, %2, %3) differ from those of its "
                                  "spectrum by ΔE2000 %4, so one of them is wrong; the record "
                                  "gives the spectrum's")
                       .arg(textOf(object.lab->texts[0]), textOf(object.lab->texts[1]),
                           textOf(object.lab->texts[2]), QString::number(difference, 'f', 2));
    return row;
}

MeasuredRow fromLab(const MeasuredObject &object, const MeasuringConditions *conditions)
{
    const MeasuredObject::Values &lab = *object.lab;
    // As written, with its conditions noted as without D50 values.
    MeasuredRow asGiven { rowText(object.name, lab.texts), *lab.conditionsId, valuesAsGiven(),
        QString() };
    if (!conditions)
        return asGiven;
    if (!namesTwoDegreeOrNothing(conditions->observer)) {
        asGiven.source = QStringLiteral("as given, since values for observer %1 need a "
                                        "spectrum to become 2\u00B0 values")
                             .arg(conditions->observer);
        return asGiven;
    }
    if (namesD50OrNothing(conditions->illuminant))
        return asGiven;
    const std::optional<CieXyz> white = illuminantWhite(conditions->illuminant);
    if (!white) {
        asGiven.source
            = QStringLiteral("as given, since illuminant %1 has no known white to adapt from")
                  .arg(conditions->illuminant);
        return asGiven;
    }
    const std::optional<LabValues> values = labOfTexts(lab.texts);
    if (!values)
        return asGiven;
    const LabValues adapted = madeValues(labD50FromLab(*values, *white),
        QStringLiteral("its ColorCIELab values cannot be adapted to D50"));
    return { rowText(object.name, fewestDecimalTexts(adapted)), QString(),
        QStringLiteral("adapted from illuminant %1 (Bradford)").arg(conditions->illuminant),
        QString() };
}

MeasuredRow fromXyz(const MeasuredObject &object, const MeasuringConditions *conditions)
{
    const QString illuminant = conditions && !conditions->illuminant.isEmpty()
        ? conditions->illuminant
        : QStringLiteral("D50");
    if (conditions && !namesTwoDegreeOrNothing(conditions->observer))
        throw ObjectFault { QStringLiteral("it gives XYZ values for observer %1 alone, and they "
                                           "need a spectrum to become 2\u00B0 values")
                                .arg(conditions->observer) };
    const std::optional<CieXyz> white = illuminantWhite(illuminant);
    if (!white)
        throw ObjectFault { QStringLiteral("it gives XYZ values alone, for illuminant %1, which "
                                           "has no known white")
                                .arg(illuminant) };
    const std::optional<std::array<double, 3>> xyz = valuesOf(object.xyz->texts);
    if (!xyz)
        throw ObjectFault { QStringLiteral(
            "its ColorCIEXYZ values are not plain decimal numbers") };
    const LabValues lab
        = madeValues(labD50FromXyz(CieXyz { (*xyz)[0], (*xyz)[1], (*xyz)[2] }, *white),
            QStringLiteral("its ColorCIEXYZ values cannot be made into D50 values"));
    return { rowText(object.name, fewestDecimalTexts(lab)), QString(),
        namesD50OrNothing(illuminant)
            ? QStringLiteral("from its XYZ values")
            : QStringLiteral("from its XYZ values, adapted from illuminant %1 (Bradford)")
                  .arg(illuminant),
        QString() };
}

} // namespace

MeasuredRow measuredRow(const MeasuredObject &object,
    const QHash<QString, MeasuringConditions> &conditions, const QString &path)
{
    try {
        if (object.spectrum) {
            const MeasuringConditions *spectrumConditions
                = conditionsOf(conditions, *object.spectrum->conditionsId);
            if (isSurfaceSpectrum(spectrumConditions))
                return fromSpectrum(object, spectrumConditions, conditions);
            if (!object.lab && !object.xyz)
                throw ObjectFault { QStringLiteral(
                    "its ReflectanceSpectrum is measured as %1, not as "
                    "reflectance or transmittance, and it has no ColorCIELab")
                                        .arg(spectrumConditions->measurementType) };
        }
        if (object.lab)
            return fromLab(object, conditionsOf(conditions, *object.lab->conditionsId));
        return fromXyz(object, conditionsOf(conditions, *object.xyz->conditionsId));
    } catch (const ObjectFault &fault) {
        throw KalidorError::at(path,
            QStringLiteral("colour object \"%1\": %2").arg(textOf(object.name), fault.what),
            object.line);
    }
}

QString valuesAsGiven()
{
    return QStringLiteral("as given");
}

bool changesMeasuredRows(const MeasuringConditions &conditions)
{
    // Unlisted, values count as D50 with 2°, and a spectrum as a surface's, 10 nm apart.
    return !namesD50OrNothing(conditions.illuminant)
        || !namesTwoDegreeOrNothing(conditions.observer) || !isSurfaceSpectrum(&conditions)
        || (!conditions.increment.isEmpty() && number(conditions.increment) != 10.0);
}
