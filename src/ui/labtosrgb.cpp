#include "labtosrgb.h"

#include "database/labvalues.h"

#include <algorithm>
#include <array>
#include <lcms2.h>
#include <new>

struct LabToSrgb::Transform {
    Transform()
    {
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr); // D50 white
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        // Floating point both ways, so that a colour outside sRGB comes out beyond 0 to 1
        // instead of clipped, and can be told apart.
        handle = cmsCreateTransform(
            lab, TYPE_Lab_DBL, srgb, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
        cmsCloseProfile(lab);
        cmsCloseProfile(srgb);
        // The built-in profiles fail only when memory runs out.
        if (!handle)
            throw std::bad_alloc();
    }
    ~Transform() { cmsDeleteTransform(handle); }
    Transform(const Transform &) = delete;
    Transform &operator=(const Transform &) = delete;

    cmsHTRANSFORM handle = nullptr;
};

LabToSrgb::LabToSrgb()
    : m_transform(std::make_unique<Transform>())
{
}

LabToSrgb::~LabToSrgb() = default;

ScreenColour LabToSrgb::convert(const LabValues &lab) const
{
    const cmsCIELab input { lab.lightness, lab.a, lab.b };
    std::array<double, 3> rgb {};
    cmsDoTransform(m_transform->handle, &input, rgb.data(), 1);

    // Half a step of 8 bits either side is still the edge of the gamut.
    constexpr double tolerance = 0.5 / 255.0;
    ScreenColour screen;
    screen.outOfGamut = std::any_of(rgb.begin(), rgb.end(),
        [](double channel) { return channel < -tolerance || channel > 1.0 + tolerance; });
    // 8 bits per channel, as the screen shows it.
    const auto eightBits
        = [](double channel) { return qRound(std::clamp(channel, 0.0, 1.0) * 255.0); };
    screen.colour = QColor(eightBits(rgb[0]), eightBits(rgb[1]), eightBits(rgb[2]));
    return screen;
}
