#pragma once

#include <QString>

// An entry of a CxF3 file's list of measuring conditions (a ColorSpecification), as far as
// making D50 values needs it: each text trimmed, empty where the file gives none.
struct MeasuringConditions {
    QString illuminant; // TristimulusSpec/Illuminant, e.g. "D65"
    QString observer; // TristimulusSpec/Observer, e.g. "2_Degree"
    QString method; // TristimulusSpec/Method, e.g. "E308_Table5"
    QString measurementType; // MeasurementSpec/MeasurementType, e.g. "Spectrum_Reflectance"
    QString startWavelength; // MeasurementSpec/WavelengthRange/@StartWL
    QString increment; // MeasurementSpec/WavelengthRange/@Increment
};

// Whether an Illuminant or Observer value names D50, or the 2° observer, or nothing: values that
// are not said to be for anything else are D50 with 2°. Letter case does not matter.
bool namesD50OrNothing(const QString &illuminant);
bool namesTwoDegreeOrNothing(const QString &observer);

// What the TristimulusSpec of a set of CxF3 measuring conditions names when that is not D50 with
// the 2° observer ("illuminant D65, observer 10_Degree"), from its Illuminant and Observer values,
// empty where the file gives none. Empty when it names neither, or only D50 and 2_Degree: the
// file then does not say that its values are for anything else.
QString otherThanD50TwoDegree(const QString &illuminant, const QString &observer);
