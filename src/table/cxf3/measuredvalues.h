#pragma once

#include "table/cxf3/measuredobject.h"
#include "table/cxf3/measuringconditions.h"

#include <QHash>
#include <QString>

// The row of a colour object with D50 values (CIELAB for illuminant D50 and the 2° observer).
struct MeasuredRow {
    QString text; // "name\tL\tA\tB"
    // The ColorSpecification of the Lab given as written, so that its conditions are noted as
    // they are without D50 values; empty when the values were made.
    QString conditionsId;
    QString source; // where the values come from, e.g. "from its spectrum (...)"
    QString note; // what the record should warn of beyond its conditions, if anything
};

// Makes the D50 values of `object` of the file at `path`, whose measuring conditions by Id are
// `conditions`:
//   - from its reflectance spectrum when it has one measured as reflectance or transmittance
//     (its increment from its conditions' wavelength range, 10 nm where they give none), noting
//     when its own D50 Lab differs from the spectrum's by more than ΔE2000 0.5;
//   - else from Lab or XYZ given for another illuminant with the 2° observer, adapted to D50;
//   - else the Lab as written, byte for byte.
// Made values are written with as few decimals as keep them within ΔE2000 0.001.
// Throws KalidorError naming the object and its line when no values can be made.
MeasuredRow measuredRow(const MeasuredObject &object,
    const QHash<QString, MeasuringConditions> &conditions, const QString &path);

// Where values written as the table gives them come from.
QString valuesAsGiven();

// Whether `conditions` make measuredRow give another row than it gives when they are not listed,
// for some object that refers to them.
bool changesMeasuredRows(const MeasuringConditions &conditions);
