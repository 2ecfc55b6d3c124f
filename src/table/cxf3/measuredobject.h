#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>

// What a colour object gives of its colour, as written (each text kept to one line, UTF-8), for
// making D50 values of it (see measuredRow). The texts are views of the buffer the object was
// read into, or of the queue that hands it on, and so are the Ids: a QString copied for each
// object would have the scanning and the consuming thread trade its count of references.
struct MeasuredObject {
    struct Values {
        std::array<std::string_view, 3> texts; // L, A, B or X, Y, Z
        const QString *conditionsId; // the ColorSpecification it refers to; empty if none
    };
    struct Spectrum {
        std::string_view startWavelength; // its StartWL attribute, if it has one
        std::string_view factors; // its text: the factors, separated by white space
        const QString *conditionsId;
    };

    int childIndex = 0; // among all child nodes of the object collection, from 0
    qint64 line = 0; // the line of the file on which the object's start tag begins
    std::string_view name;
    std::optional<Values> lab; // of its first ColorCIELab
    std::optional<Spectrum> spectrum; // its first ReflectanceSpectrum
    std::optional<Values> xyz; // its first ColorCIEXYZ
};
