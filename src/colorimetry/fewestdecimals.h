#pragma once

#include "cielab.h"

#include <QString>

#include <array>

// The texts of L*, a*, b* with as few decimals as keep the values written within ΔE2000 0.001
// of `lab`: one count of decimals from 0 to 6 for the three, the smallest that passes, written
// with '.', no exponent, no trailing zeros after the point and never "-0". Throws KalidorError
// for a value that is not a finite number.
std::array<QString, 3> fewestDecimalTexts(const LabValues &lab);
