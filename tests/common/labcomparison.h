#pragma once

#include "database/labvalues.h"

#include <QString>
#include <QTest>

#include <cmath>

// Fails the test unless L*, a* and b* of `actual` each lie within `tolerance` of `expected`.
inline void compareLab(const LabValues &actual, const LabValues &expected, double tolerance)
{
    const auto text = [](const LabValues &lab) {
        return QStringLiteral("%1 %2 %3")
            .arg(lab.lightness, 0, 'f', 12)
            .arg(lab.a, 0, 'f', 12)
            .arg(lab.b, 0, 'f', 12);
    };
    QVERIFY2(std::abs(actual.lightness - expected.lightness) <= tolerance
            && std::abs(actual.a - expected.a) <= tolerance
            && std::abs(actual.b - expected.b) <= tolerance,
        qPrintable(QStringLiteral("%1, expected %2").arg(text(actual), text(expected))));
}
