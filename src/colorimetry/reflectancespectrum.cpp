#include "reflectancespectrum.h"

#include "spectralweights.h"

#include <algorithm>
#include <cmath>
#include <lcms2.h>

using namespace Qt::StringLiterals;

namespace {

QString nm(double wavelength)
{
    return u"%1 nm"_s.arg(wavelength);
}

const SpectralWeights &weightsFor(const ReflectanceSpectrum &spectrum)
{
    if (spectrum.factors.size() < 3)
        throw SpectrumError(u"it holds fewer than three values"_s);
    const SpectralWeights *weights = spectralWeights(spectrum.incrementNm);
    if (!weights) {
        throw SpectrumError(
            u"its increment of %1 is none of 1, 5, 10 and 20 nm"_s.arg(nm(spectrum.incrementNm)));
    }
    for (std::size_t i = 0; i < spectrum.factors.size(); ++i) {
        if (!std::isfinite(spectrum.factors[i])) {
            throw SpectrumError(u"its value at %1 is not a finite number"_s.arg(
                nm(spectrum.startNm + double(i) * spectrum.incrementNm)));
        }
    }
    return *weights;
}

} // namespace

LabValues labD50OfSpectrum(const ReflectanceSpectrum &spectrum)
{
    const SpectralWeights &weights = weightsFor(spectrum);
    const SpectralTable<CieXyz> &table = weights.weights;
    const double steps = (spectrum.startNm - table.startNm) / table.incrementNm;
    const double offset = std::round(steps);
    if (!(std::abs(steps - offset) <= 1e-9)) {
        throw SpectrumError(
            u"its wavelengths (%1 on, every %2) do not fall on the %2 steps from %3"_s.arg(
                nm(spectrum.startNm), nm(spectrum.incrementNm), nm(table.startNm)));
    }
    // The table's wavelength j is the spectrum's index j - offset.
    const auto rows = qsizetype(table.values.size());
    const auto lastIndex = qsizetype(spectrum.factors.size()) - 1;
    if (offset + double(lastIndex) < 0 || offset > double(rows - 1)) {
        throw SpectrumError(u"none of its wavelengths lies within %1–%2"_s.arg(
            QString::number(table.startNm), nm(table.endNm())));
    }
    // Since the spectrum overlaps the table, the nearest of its values to a wavelength of the
    // table is one within the table's range.
    const auto shift = qsizetype(offset);
    cmsCIEXYZ xyz { 0, 0, 0 };
    for (qsizetype j = 0; j < rows; ++j) {
        const double factor = spectrum.factors[std::clamp(j - shift, qsizetype(0), lastIndex)];
        xyz.X += table.values[j].x * factor;
        xyz.Y += table.values[j].y * factor;
        xyz.Z += table.values[j].z * factor;
    }
    const cmsCIEXYZ white { weights.white.x, weights.white.y, weights.white.z };
    cmsCIELab lab;
    cmsXYZ2Lab(&white, &lab, &xyz);
    return { lab.L, lab.a, lab.b };
}

QString spectralMethod(double incrementNm)
{
    const SpectralWeights *weights = spectralWeights(incrementNm);
    return weights ? weights->method : QString();
}
