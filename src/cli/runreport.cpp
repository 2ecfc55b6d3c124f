#include "runreport.h"

#include "jsontext.h"
#include "outcomespool.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

namespace {

// The text is handed on in pieces of about this size.
constexpr qsizetype pieceSize = 1 << 20;

QByteArrayView actionName(RecordAction action)
{
    switch (action) {
    case RecordAction::Added:
        return "added";
    case RecordAction::Replaced:
        return "replaced";
    case RecordAction::Unchanged:
        return "unchanged";
    }
    Q_UNREACHABLE();
}

} // namespace

void writeRunReport(OutcomeSpool &records, const QList<RecordWarning> &warnings,
    ExitStatus status, const QString &error, const std::function<void(QByteArrayView)> &write)
{
    const bool written = status == ExitStatus::Done;
    // The warnings by record; late ones (conditions listed at the end of a file, names the
    // database holds) join their records here.
    std::vector<qsizetype> byRecord(warnings.size());
    std::iota(byRecord.begin(), byRecord.end(), 0);
    std::stable_sort(byRecord.begin(), byRecord.end(),
        [&](qsizetype a, qsizetype b) { return warnings.at(a).record < warnings.at(b).record; });
    auto warning = byRecord.cbegin();

    QByteArray json;
    json.reserve(pieceSize + pieceSize / 4);
    // The keys in the order the report has always had: alphabetical.
    json.append("{\n");
    if (!written) {
        json.append("    \"error\": ");
        appendJsonString(json, error);
        json.append(",\n");
    }
    json.append("    \"records\": [");
    std::array<qsizetype, 3> counts {};
    qsizetype record = 0;
    records.forEach([&](const OutcomeSpool::Record &outcome) {
        json.append(record == 0 ? "\n        {\"action\": \"" : ",\n        {\"action\": \"");
        json.append(written ? actionName(outcome.action) : QByteArrayView("none"));
        json.append("\", \"line\": ").append(QByteArray::number(outcome.fileLine));
        json.append(", \"name\": ");
        appendJsonString(json, outcome.name);
        if (!outcome.source.isEmpty()) {
            json.append(", \"source\": ");
            appendJsonString(json, outcome.source);
        }
        json.append(", \"values\": [");
        for (qsizetype value = 0; value < 3; ++value) {
            if (value > 0)
                json.append(", ");
            appendJsonString(json, outcome.values[value]);
        }
        json.append("], \"warnings\": [");
        for (bool first = true; warning != byRecord.cend() && warnings.at(*warning).record <= record;
             ++warning, first = false) {
            const RecordWarning &told = warnings.at(*warning);
            json.append(first ? "{\"kind\": " : ", {\"kind\": ");
            appendJsonString(json, warningKindName(told.kind));
            json.append(", \"text\": ");
            appendJsonString(json, told.what);
            json.append('}');
        }
        json.append("]}");
        if (written)
            ++counts[std::size_t(outcome.action)];
        ++record;
        if (json.size() >= pieceSize) {
            write(json);
            json.clear();
        }
    });
    json.append(record == 0 ? "],\n" : "\n    ],\n");
    json.append("    \"status\": ").append(QByteArray::number(int(status)));
    json.append(",\n    \"totals\": {\"added\": ")
        .append(QByteArray::number(counts[std::size_t(RecordAction::Added)]));
    json.append(", \"records\": ").append(QByteArray::number(record));
    json.append(", \"replaced\": ")
        .append(QByteArray::number(counts[std::size_t(RecordAction::Replaced)]));
    json.append(", \"unchanged\": ")
        .append(QByteArray::number(counts[std::size_t(RecordAction::Unchanged)]));
    json.append(", \"warnings\": ").append(QByteArray::number(warnings.size()));
    json.append("}\n}\n");
    write(json);
}
