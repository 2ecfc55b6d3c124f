#pragma once

#include "base/kalidorerror.h"
#include "table/cxf3/measuredobject.h"
#include "table/cxf3/measuredvalues.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <optional>

// The D50 rows of a CxF3 file's colour objects as its scan hands them on (see measuredRow).
// The measuring conditions are listed after the objects, so a first reading makes the rows as if
// the file listed none: for most files that is what they are. Once the file is read, voidedBy
// tells whether its conditions change any row made; the file is then read again with them known.
class MeasuredRows {
public:
    // For the file at `path`; `known`: its measuring conditions, when it was read before.
    explicit MeasuredRows(
        const QString &path, std::optional<QHash<QString, MeasuringConditions>> known = {});

    // The row of `object`, or nothing from the first object whose values cannot be made on.
    std::optional<MeasuredRow> row(const MeasuredObject &object);
    // Why the values of an object could not be made, if they could not.
    const std::optional<KalidorError> &failure() const { return m_failure; }

    // Whether the rows were made without knowing the conditions, and `conditions`, the file's,
    // would make some of them, or the object that failed, another.
    bool voidedBy(const QHash<QString, MeasuringConditions> &conditions) const;

private:
    void refer(const QString &conditionsId);

    QString m_path;
    std::optional<QHash<QString, MeasuringConditions>> m_known;
    // The conditions that the objects read so far refer to; few, and mostly the same again.
    QSet<QString> m_referred;
    QString m_lastReferred;
    std::optional<KalidorError> m_failure;
};
