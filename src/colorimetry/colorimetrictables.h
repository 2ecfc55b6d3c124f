#pragma once

#include "ciexyz.h"

#include <QString>

#include <vector>

// Values at the evenly spaced wavelengths startNm, startNm + incrementNm, …
template<typename Value> struct SpectralTable {
    int startNm = 0;
    int incrementNm = 0;
    std::vector<Value> values;

    int endNm() const { return startNm + incrementNm * (int(values.size()) - 1); }
};

struct IlluminantWhite {
    QString name;
    CieXyz white;
};

// The tables of data/ (see its README), parsed on first use.
// x̄, ȳ, z̄ of the CIE 1931 2° observer, 360–830 nm at 1 nm.
const SpectralTable<CieXyz> &cie1931Observer1nm();
// The relative spectral power of CIE illuminant D50, 300–830 nm at 5 nm.
const SpectralTable<double> &cieD50Power5nm();
// The ASTM E308 Table 5 weights for D50 and the 1931 observer, 360–780 nm at 10 or 20 nm.
const SpectralTable<CieXyz> &astmE308WeightsD50(int incrementNm);
// The whites of CIE illuminants for the 1931 observer, as named by CxF3.
const std::vector<IlluminantWhite> &illuminantWhites();
