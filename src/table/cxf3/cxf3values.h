#pragma once

// Which L, A and B values the rows of a CxF3 file give.
enum class Cxf3Values {
    // Those of each colour object's first ColorCIELab, as written.
    AsGiven,
    // CIELAB for illuminant D50 and the 2° observer: computed from the object's reflectance
    // spectrum when it has one, else adapted from Lab or XYZ given for another illuminant,
    // else as written (see measuredvalues.h).
    D50,
};
