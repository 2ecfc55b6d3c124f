#include "fewestdecimals.h"

#include "base/kalidorerror.h"
#include "colourdifference.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr int mostDecimals = 6;
constexpr double tolerance = 0.001;

// `value` rounded to `decimals`, as the double that its text reads back as: the nearest to
// an integer over a power of ten is the quotient of the two.
double rounded(double value, double scale)
{
    const double scaled = value * scale;
    if (!std::isfinite(scaled))
        return value; // a value this large has no decimals to round
    const double result = std::round(scaled) / scale;
    return result == 0 ? 0.0 : result; // no "-0"
}

// Whether `written` is within ΔE2000 0.001 of `lab`. ΔE2000 lies between |ΔL|/SL and
// √(ΔL² + 2((1 + G)²Δa² + Δb²)), since SC, SH ≥ 1, |RT| ≤ 2 and G ≤ 0.5; these bounds decide most
// roundings and spare the costly formula.
bool isCloseEnough(const LabValues &written, const LabValues &lab)
{
    const double dL = written.lightness - lab.lightness;
    const double da = written.a - lab.a;
    const double db = written.b - lab.b;
    const double fromMiddle = (written.lightness + lab.lightness) / 2 - 50;
    const double sL = 1 + 0.015 * fromMiddle * fromMiddle / std::sqrt(20 + fromMiddle * fromMiddle);
    if (std::abs(dL) > tolerance * sL)
        return false;
    if (dL * dL + 2 * (2.25 * da * da + db * db) <= tolerance * tolerance)
        return true;
    return deltaE2000(written, lab) <= tolerance;
}

// Room for any finite double in fixed notation: a sign, every digit of the integer part, the
// point and the decimals.
constexpr int textRoom = 2 + std::numeric_limits<double>::max_exponent10 + 1 + mostDecimals;

QString textOf(double value, int decimals)
{
    char digits[textRoom];
    const std::to_chars_result end = std::to_chars(
        std::begin(digits), std::end(digits), value, std::chars_format::fixed, decimals);
    // Checked in every build: a short buffer would leave `end.ptr` at its end, unwritten.
    if (end.ec != std::errc())
        throw KalidorError(QStringLiteral("the value %1 is too long to be written").arg(value));
    const char *last = end.ptr;
    if (decimals > 0) {
        while (last[-1] == '0')
            --last;
        if (last[-1] == '.')
            --last;
    }
    return QString::fromLatin1(digits, last - digits);
}

} // namespace

std::array<QString, 3> fewestDecimalTexts(const LabValues &lab)
{
    if (!std::isfinite(lab.lightness) || !std::isfinite(lab.a) || !std::isfinite(lab.b)) {
        throw KalidorError(QStringLiteral("the values %1, %2, %3 are not all finite numbers, so "
                                          "they cannot be written")
                               .arg(lab.lightness)
                               .arg(lab.a)
                               .arg(lab.b));
    }
    int decimals = 0;
    double scale = 1;
    LabValues written;
    for (;; ++decimals, scale *= 10) {
        written = { rounded(lab.lightness, scale), rounded(lab.a, scale), rounded(lab.b, scale) };
        if (decimals == mostDecimals || isCloseEnough(written, lab))
            break;
    }
    return { textOf(written.lightness, decimals), textOf(written.a, decimals),
        textOf(written.b, decimals) };
}
