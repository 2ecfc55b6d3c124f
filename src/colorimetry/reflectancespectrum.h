#pragma once

#include "base/kalidorerror.h"
#include "cielab.h"

#include <QString>

#include <vector>

struct ReflectanceSpectrum {
    double startNm = 0; // wavelength of factors[0]
    double incrementNm = 10; // between successive factors
    std::vector<double> factors; // reflectance (or transmittance) factors, 1 = perfect white
};

// A spectrum that cannot be summed. reason() says why, calling the spectrum "it": "it holds
// fewer than three values".
class SpectrumError : public KalidorError {
public:
    explicit SpectrumError(const QString &reason)
        : KalidorError(reason)
    {
    }
};

// CIELAB for CIE illuminant D50 and the CIE 1931 2° observer of a reflectance spectrum at 1, 5,
// 10 or 20 nm, relative to the white of the same sum (for the tables, the sums of their weights
// as stored), so that a perfect reflector is exactly L* 100, a* 0, b* 0:
//  - at 10 and 20 nm by the ASTM E308 Table 5 weights, X = Σ W·R over 360–780 nm;
//  - at 1 and 5 nm by the CIE 15 summation, X = k Σ S x̄ R Δλ over 360–830 nm;
//  - a spectrum that stops short of that range goes on at its nearest measured value, as
//    E308 prescribes; values outside the range are left out.
// Throws SpectrumError.
LabValues labD50OfSpectrum(const ReflectanceSpectrum &spectrum);

// How labD50OfSpectrum sums a spectrum of this increment, for messages, such as
// "ASTM E308 Table 5, 10 nm" or "CIE 15 summation, 5 nm"; empty for an increment it does not
// sum.
QString spectralMethod(double incrementNm);
