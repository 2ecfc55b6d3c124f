#include "converter.h"

#include "database/buildspecialcolors.h"
#include "database/databasewriter.h"
#include "database/listindexerror.h"
#include "rowcollector.h"
#include "table/colourtable.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/xmldocument.h"
#include "table/filetype.h"
#include "table/kalidorerror.h"
#include "table/linelist.h"

#include <QDir>
#include <QFileInfo>
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

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The window takes a path that names no regular file for one it does not recognise; the
// reason is still worth telling.
void checkIsFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        fail(ExitStatus::InputNotRecognised, QStringLiteral("%1: no such file").arg(shown(path)));
    if (info.isDir())
        fail(ExitStatus::InputNotRecognised,
            QStringLiteral("%1: is a folder, not a colour table").arg(shown(path)));
    if (!info.isFile())
        fail(ExitStatus::InputNotRecognised,
            QStringLiteral("%1: is not a regular file").arg(shown(path)));
}

struct Table {
    QStringList lines;
    bool fromCxf3 = false;
};

Table readTable(const QString &path)
{
    checkIsFile(path);
    QString tag;
    QStringList lines;
    try {
        tag = DetectFileTypeOfFile(path);
        if (tag == FileTypeTag::textFile)
            lines = loadLines(path).lines;
    } catch (const KalidorError &error) {
        fail(ExitStatus::InputUnreadable, error.text());
    }
    if (tag == FileTypeTag::textFile)
        return { std::move(lines), false };
    if (tag != FileTypeTag::cxf3)
        fail(ExitStatus::InputNotRecognised,
            QStringLiteral("%1: neither a colour table (no line \"Name\\tL*\\ta*\\tb*\") nor a "
                           "CxF3 file (no line starting its cc:CxF root element)")
                .arg(shown(path)));

    XmlDocument document;
    RowCollector rows;
    try {
        ReadCxF3File(document, path, rows);
    } catch (const KalidorError &error) {
        fail(ExitStatus::InputUnreadable, error.text());
    }
    return { rows.takeRows(), true };
}

// Index of the used row that comes after `recordsMade` used rows, which is the row the
// record builder stopped at.
qsizetype failingRow(const QStringList &lines, qsizetype recordsMade)
{
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (ColourTable::isUsedRow(lines.at(i)) && recordsMade-- == 0)
            return i;
    }
    return -1;
}

QStringList buildRecords(const QString &path, const Table &table, RecordForm form)
{
    RowCollector records;
    try {
        BuildSpecialColors(table.lines, form, records);
    } catch (const ListIndexError &error) {
        const qsizetype row = failingRow(table.lines, records.rows().size());
        // A text table's lines are the file's lines; a CxF3 file's rows are not.
        const QString where = table.fromCxf3
            ? QStringLiteral("row %1 of the colour table read from it").arg(row + 1)
            : QStringLiteral("line %1").arg(row + 1);
        fail(ExitStatus::RowNotConvertible,
            QStringLiteral("%1: %2: %3").arg(shown(path), where, error.text()));
    }
    return records.takeRows();
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
        const Table table = readTable(request.input);
        result.tableLines = table.lines.size();
        const QStringList records = buildRecords(request.input, table, request.form);
        result.records = records.size();
        if (request.output == u"-") {
            writeStandardOutput(m_standardOutput, records);
        } else {
            try {
                saveDatabase(request.output, records, request.append);
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
