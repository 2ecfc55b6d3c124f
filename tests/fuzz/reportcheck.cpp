#include "reportcheck.h"

#include "cli/outcomespool.h"
#include "cli/runreport.h"
#include "fuzzcheck.h"
#include "scratchfolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>
#include <QStringList>

#include <array>

// The input: its first byte chooses the exit status, the rest is UTF-16 (low byte first), any
// code units at all, cut into texts at each U+FFFF. Every six texts make a record: its name,
// L*, a*, b*, source and the text of a warning (none when empty).

namespace {

constexpr int textsPerRecord = 6;

// What a text becomes in UTF-8 and back: a lone surrogate is U+FFFD, and all else stays, a
// U+FEFF at the start too.
QString asWritten(const QString &text)
{
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    return OutcomeSpool::text(QByteArray(utf8.encode(text)));
}

} // namespace

void checkRunReport(QByteArrayView input)
{
    if (input.isEmpty())
        return;
    const auto status = ExitStatus(static_cast<unsigned char>(input.front()) % 8);
    QString text;
    for (qsizetype at = 1; at + 1 < input.size(); at += 2)
        text += QChar(char16_t(static_cast<unsigned char>(input[at])
            | static_cast<unsigned char>(input[at + 1]) << 8));
    const QStringList texts = text.split(QChar(0xFFFF));
    const qsizetype records = texts.size() / textsPerRecord;

    OutcomeSpool spool(scratchFolder().path());
    QList<RecordWarning> warnings;
    for (qsizetype record = 0; record < records; ++record) {
        const auto field = [&](int index) { return texts.at(record * textsPerRecord + index); };
        const auto action = RecordAction(field(0).size() % 3);
        spool.add({ field(0), record + 2, { field(1), field(2), field(3) }, action, field(4) });
        if (!field(5).isEmpty())
            warnings.append({ record + 2, record, field(0), field(5), WarningKind(record % 10) });
    }
    const QString error = status == ExitStatus::Done ? QString() : texts.last();
    QByteArray report;
    writeRunReport(
        spool, warnings, status, error, [&report](QByteArrayView bytes) { report.append(bytes); });

    FUZZ_CHECK(QByteArrayView(report).isValidUtf8());
    QJsonParseError parsed {};
    const QJsonDocument document = QJsonDocument::fromJson(report, &parsed);
    FUZZ_CHECK(parsed.error == QJsonParseError::NoError);
    FUZZ_CHECK(document.isObject());
    const QJsonObject object = document.object();
    FUZZ_CHECK(object.value(u"status").toInt(-1) == int(status));
    FUZZ_CHECK(object.contains(u"error") == (status != ExitStatus::Done));
    FUZZ_CHECK(object.value(u"error").toString() == asWritten(error));
    const QJsonArray listed = object.value(u"records").toArray();
    FUZZ_CHECK(listed.size() == records);
    static const std::array<QString, 3> actions { QStringLiteral("added"),
        QStringLiteral("replaced"), QStringLiteral("unchanged") };
    for (qsizetype record = 0; record < records; ++record) {
        const auto field = [&](int index) { return texts.at(record * textsPerRecord + index); };
        const QJsonObject entry = listed.at(record).toObject();
        FUZZ_CHECK(entry.value(u"name").toString() == asWritten(field(0)));
        FUZZ_CHECK(entry.value(u"line").toInteger() == record + 2);
        FUZZ_CHECK(entry.value(u"action").toString()
            == (status == ExitStatus::Done ? actions[field(0).size() % 3]
                                           : QStringLiteral("none")));
        const QJsonArray values = entry.value(u"values").toArray();
        FUZZ_CHECK(values.size() == 3);
        for (int value = 0; value < 3; ++value)
            FUZZ_CHECK(values.at(value).toString() == asWritten(field(1 + value)));
        FUZZ_CHECK(entry.contains(u"source") == !field(4).isEmpty());
        FUZZ_CHECK(entry.value(u"source").toString() == asWritten(field(4)));
        const QJsonArray told = entry.value(u"warnings").toArray();
        FUZZ_CHECK(told.size() == (field(5).isEmpty() ? 0 : 1));
        if (!told.isEmpty())
            FUZZ_CHECK(told.at(0)[u"text"].toString() == asWritten(field(5)));
    }
    FUZZ_CHECK(object.value(u"totals")[u"records"].toInteger() == records);
    FUZZ_CHECK(object.value(u"totals")[u"warnings"].toInteger() == warnings.size());
}
