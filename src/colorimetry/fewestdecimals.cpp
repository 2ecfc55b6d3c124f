#include "fewestdecimals.h"

#include "colourdifference.h"

#include <QtGlobal>

#include <charconv>
#include <cmath>

namespace {

constexpr int mostDecimals = 6;
constexpr double tolerance = 0.001;

// `value` rounded to `decimals`, as the double that its text reads back as: the nearest to
// an integer over a power of ten is the quotient of the two.
double rounded(double value, double scale)
{
    const double result = std::round(value * scale) / scale;
    return result == 0 ? 0.0 : result; // no "-0"
}

QString textOf(double value, int decimals)
{
    char digits[64];
    const std::to_chars_result end = std::to_chars(
        std::begin(digits), std::end(digits), value, std::chars_format::fixed, decimals);
    Q_ASSERT(end.ec == std::errc());
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
    Q_ASSERT(std::isfinite(lab.lightness) && std::isfinite(lab.a) && std::isfinite(lab.b));
    int decimals = 0;
    double scale = 1;
    LabValues written;
    for (;; ++decimals, scale *= 10) {
        written = { rounded(lab.lightness, scale), rounded(lab.a, scale), rounded(lab.b, scale) };
        if (decimals == mostDecimals || deltaE2000(written, lab) <= tolerance)
            break;
    }
    return { textOf(written.lightness, decimals), textOf(written.a, decimals),
        textOf(written.b, decimals) };
}
