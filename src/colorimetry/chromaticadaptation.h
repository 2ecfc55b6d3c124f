#pragma once

#include "ciexyz.h"
#include "cielab.h"

#include <QStringView>

#include <optional>

// The white of a CIE illuminant for the 1931 2° observer by its CxF3 name ("D65", "A", "F11",
// …; letter case and surrounding spaces ignored); nothing for another name.
std::optional<CieXyz> illuminantWhite(QStringView name);

// Lab given relative to `sourceWhite` (Y = 100, X and Z above 0), adapted to the ICC D50 white by
// the Bradford transform. A D50 source (a white within 0.05 of ICC D50 in X, Y and Z, which takes
// in the D50 whites of the E308 tables and of the summations) gives the Lab back unchanged.
LabValues labD50FromLab(const LabValues &lab, const CieXyz &sourceWhite);

// The same for XYZ given relative to `sourceWhite` (Y = 100 for the white); from a D50 source,
// the Lab of `xyz` relative to `sourceWhite` itself.
LabValues labD50FromXyz(const CieXyz &xyz, const CieXyz &sourceWhite);
