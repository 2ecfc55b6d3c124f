#include "runreport.h"

#include "converter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

QString actionName(RecordAction action)
{
    switch (action) {
    case RecordAction::Added:
        return QStringLiteral("added");
    case RecordAction::Replaced:
        return QStringLiteral("replaced");
    case RecordAction::Unchanged:
        return QStringLiteral("unchanged");
    }
    Q_UNREACHABLE();
}

} // namespace

QByteArray runReport(const ConversionResult &result)
{
    // The warnings come in the order of the records.
    auto warning = result.warnings.cbegin();
    QJsonArray records;
    qsizetype counts[3] = {};
    for (qsizetype record = 0; record < result.outcomes.size(); ++record) {
        const RecordOutcome &outcome = result.outcomes.at(record);
        QJsonArray warnings;
        for (; warning != result.warnings.cend() && warning->record == record; ++warning)
            warnings.append(
                QJsonObject { { QStringLiteral("kind"), warningKindName(warning->kind) },
                    { QStringLiteral("text"), warning->what } });
        ++counts[int(outcome.action)];
        QJsonObject entry { { QStringLiteral("name"), outcome.name },
            { QStringLiteral("line"), outcome.fileLine },
            { QStringLiteral("values"), QJsonArray::fromStringList(outcome.values) },
            { QStringLiteral("action"), actionName(outcome.action) },
            { QStringLiteral("warnings"), warnings } };
        if (!outcome.source.isEmpty())
            entry.insert(QStringLiteral("source"), outcome.source);
        records.append(entry);
    }
    QJsonObject report { { QStringLiteral("records"), records },
        { QStringLiteral("totals"),
            QJsonObject { { QStringLiteral("records"), records.size() },
                { QStringLiteral("added"), counts[int(RecordAction::Added)] },
                { QStringLiteral("replaced"), counts[int(RecordAction::Replaced)] },
                { QStringLiteral("unchanged"), counts[int(RecordAction::Unchanged)] },
                { QStringLiteral("warnings"), result.warnings.size() } } },
        { QStringLiteral("status"), int(result.status) } };
    if (result.status != ExitStatus::Done)
        report.insert(QStringLiteral("error"), result.message);
    return QJsonDocument(report).toJson();
}

QString writeRunReport(const QString &path, const ConversionResult &result)
{
    QSaveFile file(path);
    const QByteArray bytes = runReport(result);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}
