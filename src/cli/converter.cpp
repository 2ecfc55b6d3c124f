#include "converter.h"

#include "base/kalidorerror.h"
#include "base/silentobserver.h"
#include "conversion/conversion.h"
#include "database/listindexerror.h"
#include "reportfile.h"
#include "runreport.h"
#include "table/cxf3/xmldocument.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <chrono>
#include <functional>
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

// A report that cannot be written fails the run before anything else is written.
[[noreturn]] void failReport(const KalidorError &error)
{
    fail(ExitStatus::OutputUnwritable,
        error.text()
            + QStringLiteral(", so nothing was written; name a report in a folder that can be "
                             "written, with room for it"));
}

// Where the record outcomes are spooled: beside the report, on the disk it is written to, or
// else in the temporary folder.
std::unique_ptr<OutcomeSpool> makeSpool(const QString &report)
{
    const QString folder = report.isEmpty() ? QDir::tempPath() : QFileInfo(report).absolutePath();
    try {
        return std::make_unique<OutcomeSpool>(folder);
    } catch (const KalidorError &error) {
        if (report.isEmpty())
            fail(ExitStatus::OutputUnwritable,
                KalidorError::at(folder,
                    QStringLiteral("no scratch file can be made in it: %1; set TMPDIR to a "
                                   "folder that can be written")
                        .arg(error.reason()))
                    .text());
        throw KalidorError::at(report,
            QStringLiteral("cannot be written: no scratch file can be made in its folder: %1")
                .arg(error.reason()));
    }
}

// Writes the report as a whole scratch file beside its name, not yet named. Throws
// KalidorError naming the report.
void writeReport(
    ReportFile &file, const QString &path, OutcomeSpool &records, const ConversionResult &result)
{
    try {
        records.throwIfFailed();
        file.begin();
        writeRunReport(records, result.warnings, result.status, result.message,
            [&file](QByteArrayView bytes) { file.append(bytes); });
        file.finish();
    } catch (const KalidorError &error) {
        // The spool's own failures name no file.
        if (!error.path().isEmpty())
            throw;
        throw KalidorError::at(path, QStringLiteral("cannot be written: %1").arg(error.reason()));
    }
}

// The order that keeps a report true to the database: the report is made whole beside its
// name, the records are committed, and only the rename remains. A failure before the commit
// leaves the database as it was; only the rename can fail after it, which has its own status.
// `reportFailed` tells that the report is past writing again.
void commitWithReport(ReportFile *report, const QString &reportPath, OutcomeSpool *records,
    ConversionResult &result, bool &reportFailed, const std::function<void()> &commit)
{
    if (!report) {
        commit();
        return;
    }
    try {
        writeReport(*report, reportPath, *records, result);
    } catch (const KalidorError &error) {
        reportFailed = true;
        failReport(error);
    }
    commit();
    try {
        report->publish();
    } catch (const KalidorError &error) {
        reportFailed = true;
        fail(ExitStatus::ReportUnnamed,
            error.text()
                + QStringLiteral("; the records were written all the same, so do not run again "
                                 "to append them"));
    }
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
    std::optional<ReportFile> report;
    if (!request.report.isEmpty())
        report.emplace(request.report);
    bool reportFailed = false;
    // Until the whole table is read, no record counts, nor is reported.
    bool recordsMade = false;
    try {
        const bool toStandardOutput = request.output == u"-";
        if (report || request.keepOutcomes) {
            try {
                result.outcomes = makeSpool(request.report);
            } catch (const KalidorError &error) {
                reportFailed = true;
                failReport(error);
            }
        }
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
                    .outcomes = result.outcomes.get(),
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
        recordsMade = true;
        result.tableLines = conversion->tableLines();
        result.records = conversion->records();
        result.replaced = conversion->replacedRecords();
        result.unchanged = conversion->unchangedRecords();
        result.warnings = conversion->warnings(conversion->encoding());
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
        commitWithReport(report ? &*report : nullptr, request.report, result.outcomes.get(), result,
            reportFailed, [&] {
                if (toStandardOutput) {
                    writeStandardOutput(m_standardOutput, conversion->takeEncodedRecords());
                    return;
                }
                try {
                    result.note = conversion->save();
                } catch (const KalidorError &error) {
                    fail(ExitStatus::OutputUnwritable, error.text());
                }
            });
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
    // A failed run is reported too, with nothing written.
    if (report && !reportFailed && result.status != ExitStatus::Done) {
        if (!recordsMade)
            result.outcomes->restart();
        try {
            writeReport(*report, request.report, *result.outcomes, result);
            report->publish();
        } catch (const KalidorError &error) {
            result.reportFailure = error.text();
        }
    }
    return result;
}
