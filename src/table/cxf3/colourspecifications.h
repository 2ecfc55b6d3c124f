#pragma once

#include <QHash>
#include <QString>

class XmlNode;

// The colour specifications in a CxF3 file's Resources/ColorSpecificationCollection whose
// TristimulusSpec names an illuminant other than D50 or an observer other than 2_Degree, by
// their Id, each with what it names ("illuminant D65, observer 10_Degree"). A specification
// that names neither is left out: the file does not say what its values are for.
QHash<QString, QString> otherThanD50TwoDegree(const XmlNode &resources);
