#pragma once

#include <QStringView>

#include <optional>

// CIE L*a*b* values of a colour, as a row or a record gives them (D50, 2° observer).
struct LabValues {
    double lightness = 0;
    double a = 0;
    double b = 0;
};

// A field as a number that any reader takes the same way: an optional sign, digits, and a
// point with digits after it; spaces around it are allowed. Nothing for anything else: a
// decimal comma, a unit, an exponent, an empty field.
std::optional<double> plainDecimal(QStringView field);

// The values of three fields, when all three are plain decimal numbers.
std::optional<LabValues> labOf(QStringView lightness, QStringView a, QStringView b);
