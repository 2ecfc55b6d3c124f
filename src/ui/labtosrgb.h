#pragma once

#include <QColor>

#include <memory>

struct LabValues;

// How a colour is shown on screen.
struct ScreenColour {
    QColor colour;
    // sRGB has no such colour: `colour` is the nearest one sRGB has, channel by channel.
    bool outOfGamut = false;
};

// Turns CIE L*a*b* (D50) into sRGB through Little CMS, relative colorimetric.
class LabToSrgb {
public:
    LabToSrgb();
    ~LabToSrgb();
    LabToSrgb(const LabToSrgb &) = delete;
    LabToSrgb &operator=(const LabToSrgb &) = delete;

    ScreenColour convert(const LabValues &lab) const;

private:
    struct Transform;
    std::unique_ptr<Transform> m_transform;
};
