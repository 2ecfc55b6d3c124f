#include "chromaticadaptation.h"

#include "colorimetrictables.h"

#include <QtGlobal>

#include <cmath>
#include <lcms2.h>

namespace {

cmsCIEXYZ lcmsXyz(const CieXyz &xyz)
{
    return { xyz.x, xyz.y, xyz.z };
}

// Little CMS's D50 white, scaled to Y = 100.
cmsCIEXYZ iccD50()
{
    const cmsCIEXYZ *d50 = cmsD50_XYZ();
    return { d50->X * 100, d50->Y * 100, d50->Z * 100 };
}

// The D50 whites of the tables and summations differ from ICC D50 in the second decimal;
// another illuminant differs by whole units.
bool isD50(const CieXyz &white)
{
    constexpr double tolerance = 0.05;
    const cmsCIEXYZ d50 = iccD50();
    return std::abs(white.x - d50.X) <= tolerance && std::abs(white.y - d50.Y) <= tolerance
        && std::abs(white.z - d50.Z) <= tolerance;
}

LabValues labOf(const cmsCIEXYZ &xyz, const cmsCIEXYZ &white)
{
    cmsCIELab lab;
    cmsXYZ2Lab(&white, &lab, &xyz);
    return { lab.L, lab.a, lab.b };
}

} // namespace

std::optional<CieXyz> illuminantWhite(QStringView name)
{
    const QStringView trimmed = name.trimmed();
    for (const IlluminantWhite &illuminant : illuminantWhites()) {
        if (illuminant.name.compare(trimmed, Qt::CaseInsensitive) == 0)
            return illuminant.white;
    }
    return std::nullopt;
}

LabValues labD50FromLab(const LabValues &lab, const CieXyz &sourceWhite)
{
    if (isD50(sourceWhite))
        return lab;
    const cmsCIEXYZ white = lcmsXyz(sourceWhite);
    const cmsCIELab sourceLab { lab.lightness, lab.a, lab.b };
    cmsCIEXYZ xyz;
    cmsLab2XYZ(&white, &xyz, &sourceLab);
    return labD50FromXyz({ xyz.X, xyz.Y, xyz.Z }, sourceWhite);
}

LabValues labD50FromXyz(const CieXyz &xyz, const CieXyz &sourceWhite)
{
    const cmsCIEXYZ white = lcmsXyz(sourceWhite);
    const cmsCIEXYZ source = lcmsXyz(xyz);
    if (isD50(sourceWhite))
        return labOf(source, white);
    const cmsCIEXYZ d50 = iccD50();
    cmsCIEXYZ adapted { 0, 0, 0 };
    [[maybe_unused]] const bool adaptable = cmsAdaptToIlluminant(&adapted, &white, &d50, &source);
    Q_ASSERT(adaptable);
    return labOf(adapted, d50);
}
