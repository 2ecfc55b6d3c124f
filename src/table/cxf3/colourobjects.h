#pragma once

#include "base/kalidorerror.h"
#include "table/cxf3/measuringconditions.h"

#include <QHash>
#include <QString>

#include <deque>
#include <optional>

// What the CxF3 reader takes from a file: the children of Resources/ObjectCollection, each
// colour object (a child with a Name attribute) with its row or, for the first that has no
// L, A and B to give, the failure that ends the read. Gathered in one pass over the file.
struct ColourObjects {
    struct Row {
        int childIndex; // among all child nodes of the object collection, from 0
        qint64 line; // the line of the file on which the object's start tag begins
        QString text; // "name\tL\tA\tB"
        // Which measuring conditions the ColorCIELab that the values come from refers to (its
        // Id in the file's collection of them); empty when the values are not as written.
        QString conditionsId;
        // With D50 values (see Cxf3Values): where the values come from, and what the record
        // should warn of beyond its conditions, if anything; empty otherwise.
        QString source;
        QString note;
        // Of the object that holds the file's first colour object inside it: that object, passed
        // over as every object inside another is; empty for every other row.
        QString nestedNote;
    };

    // Every node of the object collection: elements, comments, processing instructions,
    // CDATA sections and text that is not blank.
    int childCount = 0;
    // The colour objects before the first that fails, in document order. A deque grows
    // without copying what it holds, so a large file's rows are never held twice.
    std::deque<Row> rows;
    // The failure of the first colour object that fails; it comes after all of `rows`.
    std::optional<KalidorError> failure;
    // The measuring conditions listed under Resources, by Id, whose TristimulusSpec names
    // another illuminant or observer than D50 with 2°, and what it names (see
    // otherThanD50TwoDegree). Of several with one Id, the last that is not D50 with 2°.
    QHash<QString, QString> otherConditions;
    // For D50 values: the measuring conditions listed, by Id (the last of several with one Id).
    QHash<QString, MeasuringConditions> conditions;
};
