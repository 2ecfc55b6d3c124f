#pragma once

#include <QString>

// What the TristimulusSpec of a set of CxF3 measuring conditions names when that is not D50 with
// the 2° observer ("illuminant D65, observer 10_Degree"), from its Illuminant and Observer values,
// empty where the file gives none. Empty when it names neither, or only D50 and 2_Degree: the
// file then does not say that its values are for anything else.
QString otherThanD50TwoDegree(const QString &illuminant, const QString &observer);
