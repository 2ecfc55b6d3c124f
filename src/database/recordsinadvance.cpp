#include "recordsinadvance.h"

#include "database/recordassembly.h"
#include "database/scannedrecords.h"

OpenedTableWithRecords openColourTableWithRecords(const QString &path, XmlDocument &document,
    LoopObserver &observer, RecordForm form, TextEncoding encoding)
{
    RecordAssembly assembly(form, encoding, RecordAssembly::Texts::Kept);
    ScannedRecords scanned(assembly, RowSelection::UsedRows, ScannedRecords::TableRows::Kept);
    OpenedTableWithRecords opened;
    opened.table = openColourTable(path, document, observer, Cxf3Recognition::RootLine, &scanned);
    // A row that makes no record fails the conversion there; it is left to the conversion.
    if (opened.table.kind != OpenedTable::Kind::Cxf3 || scanned.failed())
        return opened;
    RecordsInAdvance &records = opened.records.emplace();
    records.form = form;
    records.encoding = encoding;
    records.records = assembly.takeTexts();
    records.warnings = assembly.takeWarnings();
    records.encoded = assembly.takeRecords();
    return opened;
}
