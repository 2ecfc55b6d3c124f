#pragma once

#include "ciexyz.h"
#include "colorimetrictables.h"

#include <QString>

// How a spectrum of one increment is summed for D50 and the 1931 observer: X = Σ W·R over the
// table's wavelengths, and the white of that sum, the XYZ of the perfect reflector.
struct SpectralWeights {
    SpectralTable<CieXyz> weights;
    CieXyz white;
    QString method;
};

// The weights for spectra of `incrementNm`; nothing for an increment other than 1, 5, 10 and
// 20 nm.
const SpectralWeights *spectralWeights(double incrementNm);
