#pragma once

// CIE tristimulus values, scaled so that Y = 100 for the perfect white.
struct CieXyz {
    double x = 0;
    double y = 0;
    double z = 0;
};
