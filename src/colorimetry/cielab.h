#pragma once

// CIE L*a*b* values of a colour, as a row or a record gives them (D50, 2° observer).
struct LabValues {
    double lightness = 0;
    double a = 0;
    double b = 0;
};
