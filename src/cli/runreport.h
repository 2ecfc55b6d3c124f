#pragma once

#include <QByteArray>
#include <QString>

struct ConversionResult;

// The report of a run as --report writes it: a JSON object with each record made (its name,
// input line, values, what became of it and its warnings), the totals, the exit status and,
// on failure, the message.
QByteArray runReport(const ConversionResult &result);

// Writes the report to `path` whole or not at all: into a file beside it, then renamed over
// it. Returns why it could not be written, or an empty string.
QString writeRunReport(const QString &path, const ConversionResult &result);
