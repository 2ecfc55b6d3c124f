#pragma once

#include "base/kalidorerror.h"
#include "base/silentobserver.h"
#include "conversion/conversion.h"
#include "database/buildspecialcolors.h"
#include "database/databasewriter.h"
#include "database/listindexerror.h"
#include "database/recordwarnings.h"
#include "table/cxf3/xmldocument.h"
#include "table/opencolourtable.h"

#include <QString>

// A conversion of a colour table file as one text: its table lines, records, bytes and
// warnings, or what stopped it. The window converts the table it holds whole; the converter
// makes a CxF3 file's records while the file is read. Both must give the same.
namespace ConversionOutcomes {

inline QString described(qsizetype tableLines, qsizetype records, const QByteArray &bytes,
    const QList<RecordWarning> &warnings)
{
    QString text = QStringLiteral("%1 lines, %2 records, bytes %3\n")
                       .arg(tableLines)
                       .arg(records)
                       .arg(QString::fromLatin1(bytes.toHex()));
    for (const RecordWarning &warning : warnings)
        text += QStringLiteral("%1, %2: %3: %4\n")
                    .arg(warning.fileLine)
                    .arg(warning.record)
                    .arg(warning.name, warning.what);
    return text;
}

inline QString failed(const KalidorError &error)
{
    const auto *listIndex = dynamic_cast<const ListIndexError *>(&error);
    return QStringLiteral("failed: %1 (line %2)")
        .arg(error.text())
        .arg(listIndex ? listIndex->fileLine() : error.line());
}

inline QString notRecognised(const OpenedTable &table)
{
    return QStringLiteral("not recognised: ") + table.notRecognisedReason;
}

// The records of `table` built, encoded and checked, as the window converts a table it holds.
inline QString ofTable(
    const OpenedTable &table, RecordForm form, TextEncoding encoding, RowSelection selection)
{
    SilentObserver observer;
    const NumberedLines records = BuildSpecialColors(table.lines, form, observer, selection);
    return described(table.lines.size(), records.size(), encodeLines(records.lines, encoding),
        checkRecords(
            table.lines, form, encoding, table.rowNotes, selection, nullptr, table.nestedObject));
}

// The table opened and held whole, then converted.
inline QString ofWholeTable(const QString &path, RecordForm form, TextEncoding encoding,
    RowSelection selection, Cxf3Recognition recognition = Cxf3Recognition::RootLine)
{
    try {
        XmlDocument document;
        SilentObserver observer;
        const OpenedTable table = openColourTable(path, document, observer, recognition);
        if (table.kind == TableKind::NotRecognised)
            return notRecognised(table);
        return ofTable(table, form, encoding, selection);
    } catch (const KalidorError &error) {
        return failed(error);
    }
}

// As kalidor-convert makes them: a CxF3 file's records while it is read, a text table's once
// it is held; with `values`, the values its --d50 gives.
inline QString asConverted(const QString &path, RecordForm form, TextEncoding encoding,
    RowSelection selection, Cxf3Recognition recognition = Cxf3Recognition::RootLine,
    Cxf3Values values = Cxf3Values::AsGiven)
{
    try {
        XmlDocument document;
        SilentObserver observer;
        Conversion conversion(path, document, observer,
            { .records = Conversion::Records::WhileReading,
                .form = form,
                .rows = selection,
                .recognition = recognition,
                .encoding = encoding,
                .values = values });
        const OpenedTable &table = conversion.table();
        if (table.kind == TableKind::NotRecognised)
            return notRecognised(table);
        if (table.kind == TableKind::Cxf3 && (table.lines.size() != 1 || !table.rowNotes.isEmpty()))
            return QStringLiteral("the opened table holds rows");
        const qsizetype records = conversion.records();
        const QList<RecordWarning> warnings = conversion.warnings(encoding);
        return described(
            conversion.tableLines(), records, conversion.takeEncodedRecords().withMark(), warnings);
    } catch (const KalidorError &error) {
        return failed(error);
    }
}

// As the window converts a table whose records were made in `form` while it was opened: the
// record loop takes those records.
inline QString asMadeWhileOpening(const QString &path, RecordForm form, TextEncoding encoding)
{
    try {
        XmlDocument document;
        SilentObserver observer;
        Conversion conversion(path, document, observer, { .form = form });
        const OpenedTable &table = conversion.table();
        if (table.kind == TableKind::NotRecognised)
            return notRecognised(table);
        // Checked for a new file, in the default code page, and then for `encoding`.
        const NumberedLines records = conversion.makeRecords(form, QString(), false, observer);
        return described(table.lines.size(), records.size(), encodeLines(records.lines, encoding),
            conversion.warnings(encoding));
    } catch (const KalidorError &error) {
        return failed(error);
    }
}

} // namespace ConversionOutcomes
