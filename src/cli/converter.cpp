#include "converter.h"

#include "base/kalidorerror.h"
#include "base/silentobserver.h"
#include "conversion/conversion.h"
#include "database/listindexerror.h"
#include "table/cxf3/xmldocument.h"

#include <QIODevice>

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <system_error>

namespace {

// A run saving to the same output is waited for this long (scripts run one after another).
constexpr std::chrono::seconds rivalWait(10);

// Ends a run early; caught in Converter::run, never seen outside this file.
struct Failure {
    ExitStatus status;
    QString message;
};

[[noreturn]] void fail(ExitStatus status, const QString &message)
{
    throw Failure { status, message };
}

void writeStandardOutput(QIODevice &device, const EncodedLines &records)
{
    const QByteArray bytes = records.withMark();
    if (device.write(bytes) != bytes.size())
        fail(ExitStatus::OutputUnwritable,
            QStringLiteral("standard output could not be written: %1").arg(device.errorString()));
}

// By the time this is called, what the run held is freed, so the message can still be made.
// The input is what needs the memory: its records, and the names that the check compares.
Failure outOfMemory(const QString &input)
{
    return { ExitStatus::InputUnreadable,
        KalidorError::at(input,
            QStringLiteral("memory ran out while converting it, so nothing was written; close "
                           "other programs or raise the memory limit (ulimit -v) and run again"))
            .text() };
}

} // namespace

Converter::Converter(QIODevice &standardOutput)
    : m_standardOutput(standardOutput)
{
}

ConversionResult Converter::run(const ConversionRequest &request) const
{
    ConversionResult result;
    const auto failed = [&result](const Failure &failure) {
        result.status = failure.status;
        result.message = failure.message;
    };
    try {
        const bool toStandardOutput = request.output == u"-";
        XmlDocument document;
        SilentObserver observer;
        std::optional<Conversion> conversion;
        try {
            conversion.emplace(request.input, document, observer,
                Conversion::Options { .records = Conversion::Records::WhileReading,
                    .form = request.form,
                    .rows = request.rows,
                    .recognition
                    = request.anyCxf3 ? Cxf3Recognition::AnyRootElement : Cxf3Recognition::RootLine,
                    .output = toStandardOutput ? QString() : request.output,
                    .append = request.append,
                    .replace = request.replace,
                    .keepOutcomes = request.keepOutcomes,
                    .values = request.d50 ? Cxf3Values::D50 : Cxf3Values::AsGiven,
                    .save = { rivalWait, request.saveNotes } });
        } catch (const ListIndexError &error) {
            // The line of the file: a text table's own line, or where a CxF3 object starts.
            fail(ExitStatus::RowNotConvertible,
                KalidorError::at(request.input, error.text(), error.fileLine()).text());
        } catch (const KalidorError &error) {
            fail(ExitStatus::InputUnreadable, error.inFile(request.input).text());
        }
        const OpenedTable &table = conversion->table();
        if (table.kind == TableKind::NotRecognised)
            fail(ExitStatus::InputNotRecognised,
                table.notRecognisedReason
                    + (table.isCxf3ByRootElement ? QStringLiteral("; use --any-cxf3 to accept it")
                                                 : QString()));
        result.tableLines = conversion->tableLines();
        result.records = conversion->records();
        result.replaced = conversion->replacedRecords();
        result.unchanged = conversion->unchangedRecords();
        result.warnings = conversion->warnings(conversion->encoding());
        if (request.keepOutcomes)
            result.outcomes = conversion->takeOutcomes();
        const qsizetype refused = request.replace
            ? std::count_if(result.warnings.cbegin(), result.warnings.cend(),
                [](const RecordWarning &warning) { return warning.kind != WarningKind::Held; })
            : result.warnings.size();
        if (request.strict && refused > 0)
            fail(ExitStatus::RecordsWarned,
                KalidorError::at(request.input,
                    QStringLiteral("%1 with --strict, so nothing was written")
                        .arg(refused == 1 ? QStringLiteral("1 warning")
                                          : QStringLiteral("%1 warnings").arg(refused)))
                    .text());
        if (toStandardOutput) {
            writeStandardOutput(m_standardOutput, conversion->takeEncodedRecords());
        } else {
            try {
                result.note = conversion->save();
            } catch (const KalidorError &error) {
                fail(ExitStatus::OutputUnwritable, error.text());
            }
        }
    } catch (const Failure &failure) {
        failed(failure);
    } catch (const std::bad_alloc &) {
        failed(outOfMemory(request.input));
    } catch (const std::system_error &error) {
        // A thread refused for want of memory for its stack.
        if (error.code() != std::errc::resource_unavailable_try_again)
            throw;
        failed(outOfMemory(request.input));
    }
    return result;
}
