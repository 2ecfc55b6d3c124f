#pragma once

#include "database/recordwarning.h"
#include "exitstatus.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

class OutcomeSpool;

// The report of a run as --report writes it, a JSON object in UTF-8: each record made (its
// action, input line, name, source when D50 values were asked for, values and warnings), the
// exit status, on failure the message, and the totals. A failed run wrote nothing, so each
// record's action is then "none" and no record counts as added, replaced or unchanged.
// `warnings` may come in any order; `write` takes the text a piece at a time. Throws
// KalidorError when the spool cannot be read back.
void writeRunReport(OutcomeSpool &records, const QList<RecordWarning> &warnings, ExitStatus status,
    const QString &error, const std::function<void(QByteArrayView)> &write);
