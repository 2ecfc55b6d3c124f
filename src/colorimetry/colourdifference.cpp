#include "colourdifference.h"

#include <lcms2.h>

double deltaE2000(const LabValues &first, const LabValues &second)
{
    const cmsCIELab one { first.lightness, first.a, first.b };
    const cmsCIELab other { second.lightness, second.a, second.b };
    return cmsCIE2000DeltaE(&one, &other, 1, 1, 1);
}
