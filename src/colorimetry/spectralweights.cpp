#include "spectralweights.h"

#include <QtGlobal>

#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr int summationStartNm = 360;
constexpr int summationEndNm = 830;

CieXyz sumOf(const std::vector<CieXyz> &values)
{
    CieXyz sum;
    for (const CieXyz &value : values) {
        sum.x += value.x;
        sum.y += value.y;
        sum.z += value.z;
    }
    return sum;
}

SpectralWeights astmE308Table5(int incrementNm)
{
    const SpectralTable<CieXyz> &weights = astmE308WeightsD50(incrementNm);
    // The white of the weights as stored, so that a perfect reflector comes out exactly white.
    return { weights, sumOf(weights.values), u"ASTM E308 Table 5, %1 nm"_s.arg(incrementNm) };
}

// D50 between the lines of its table, as the CIE interpolates D illuminants: linearly.
double d50PowerAt(int nm)
{
    const SpectralTable<double> &d50 = cieD50Power5nm();
    Q_ASSERT(nm >= d50.startNm && nm <= d50.endNm());
    const int index = (nm - d50.startNm) / d50.incrementNm;
    const int beyond = (nm - d50.startNm) % d50.incrementNm;
    if (beyond == 0)
        return d50.values[index];
    const double fraction = double(beyond) / d50.incrementNm;
    return d50.values[index] + fraction * (d50.values[index + 1] - d50.values[index]);
}

// CIE 15: X = k Σ S x̄ R Δλ, k = 100 / Σ S ȳ Δλ, over 360–830 nm at the spectrum's increment;
// the weights are k S x̄ Δλ.
SpectralWeights cie15Summation(int incrementNm)
{
    const SpectralTable<CieXyz> &observer = cie1931Observer1nm();
    Q_ASSERT(observer.startNm == summationStartNm && observer.endNm() == summationEndNm);
    SpectralWeights summation { { summationStartNm, incrementNm, {} }, {},
        u"CIE 15 summation, %1 nm"_s.arg(incrementNm) };
    for (int nm = summationStartNm; nm <= summationEndNm; nm += incrementNm) {
        const CieXyz &cmf = observer.values[nm - observer.startNm];
        const double power = d50PowerAt(nm) * incrementNm;
        summation.weights.values.push_back({ power * cmf.x, power * cmf.y, power * cmf.z });
    }
    const double k = 100 / sumOf(summation.weights.values).y;
    for (CieXyz &weight : summation.weights.values) {
        weight.x *= k;
        weight.y *= k;
        weight.z *= k;
    }
    summation.white = sumOf(summation.weights.values);
    return summation;
}

} // namespace

const SpectralWeights *spectralWeights(double incrementNm)
{
    static const std::array<SpectralWeights, 4> all { cie15Summation(1), cie15Summation(5),
        astmE308Table5(10), astmE308Table5(20) };
    for (const SpectralWeights &weights : all) {
        if (weights.weights.incrementNm == incrementNm)
            return &weights;
    }
    return nullptr;
}
