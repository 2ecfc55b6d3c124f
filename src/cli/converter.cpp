#include "converter.h"

#include "database/buildspecialcolors.h"
#include "database/databaseencoding.h"
#include "database/databasewriter.h"
#include "database/listindexerror.h"
#include "table/cxf3/xmldocument.h"
#include "table/kalidorerror.h"
#include "table/opencolourtable.h"
#include "table/silentobserver.h"

#include <QIODevice>

namespace {

// Ends a run early; caught in Converter::run, never seen outside this file.
struct Failure {
    ExitStatus status;
    QString message;
};

[[noreturn]] void fail(ExitStatus status, const QString &message)
{
    throw Failure { status, message };
}

OpenedTable readTable(const QString &path, bool anyCxf3)
{
    XmlDocument document;
    SilentObserver observer;
    OpenedTable table;
    try {
        table = openColourTable(path, document, observer,
            anyCxf3 ? Cxf3Recognition::AnyRootElement : Cxf3Recognition::RootLine);
    } catch (const KalidorError &error) {
        fail(ExitStatus::InputUnreadable, error.inFile(path).text());
    }
    if (table.kind == OpenedTable::Kind::NotRecognised)
        fail(ExitStatus::InputNotRecognised,
            table.notRecognisedReason
                + (table.isCxf3ByRootElement ? QStringLiteral("; use --any-cxf3 to accept it")
                                             : QString()));
    return table;
}

NumberedLines buildRecords(
    const QString &path, const NumberedLines &table, const ConversionRequest &request)
{
    SilentObserver observer;
    try {
        return BuildSpecialColors(table, request.form, observer, request.rows);
    } catch (const ListIndexError &error) {
        // The line of the file: a text table's own line, or where a CxF3 object starts.
        fail(ExitStatus::RowNotConvertible,
            KalidorError::at(path, error.text(), error.fileLine()).text());
    }
}

void writeStandardOutput(QIODevice &device, const QStringList &records)
{
    const QByteArray bytes = encodeLines(records, TextEncoding::DefaultCodePage);
    if (device.write(bytes) != bytes.size())
        fail(ExitStatus::OutputUnwritable,
            QStringLiteral("standard output could not be written: %1").arg(device.errorString()));
}

} // namespace

Converter::Converter(QIODevice &standardOutput)
    : m_standardOutput(standardOutput)
{
}

ConversionResult Converter::run(const ConversionRequest &request) const
{
    ConversionResult result;
    try {
        const bool toStandardOutput = request.output == u"-";
        NumberedLines records;
        {
            // The table goes once its records are checked, before the bytes to write are made.
            const OpenedTable opened = readTable(request.input, request.anyCxf3);
            const NumberedLines &table = opened.lines;
            result.tableLines = table.size();
            const TextEncoding encoding = toStandardOutput
                ? TextEncoding::DefaultCodePage
                : databaseEncoding(request.output, request.append);
            // Checked while the records are built; waited for before the table goes.
            std::future<QList<RecordWarning>> warnings
                = checkRecordsAside(table, request.form, encoding, opened.rowNotes, request.rows);
            records = buildRecords(request.input, table, request);
            result.records = records.size();
            result.warnings = warnings.get();
        }
        if (request.strict && !result.warnings.isEmpty())
            fail(ExitStatus::RecordsWarned,
                KalidorError::at(request.input,
                    QStringLiteral("%1 with --strict, so nothing was written")
                        .arg(result.warnings.size() == 1
                                ? QStringLiteral("1 warning")
                                : QStringLiteral("%1 warnings").arg(result.warnings.size())))
                    .text());
        if (toStandardOutput) {
            writeStandardOutput(m_standardOutput, records.lines);
        } else {
            try {
                result.note = saveDatabase(request.output, records.lines, request.append);
            } catch (const KalidorError &error) {
                fail(ExitStatus::OutputUnwritable, error.text());
            }
        }
    } catch (const Failure &failure) {
        result.status = failure.status;
        result.message = failure.message;
    }
    return result;
}
