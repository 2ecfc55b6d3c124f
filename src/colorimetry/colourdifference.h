#pragma once

#include "cielab.h"

// How far apart two colours look, as CIE ΔE2000 (CIEDE2000 with kL = kC = kH = 1).
double deltaE2000(const LabValues &first, const LabValues &second);
