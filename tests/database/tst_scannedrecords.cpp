#include "database/buildspecialcolors.h"
#include "database/databasewriter.h"
#include "database/recordassembly.h"
#include "database/recordwarnings.h"
#include "database/scannedrecords.h"
#include "table/cxf3/xmldocument.h"
#include "table/kalidorerror.h"
#include "table/opencolourtable.h"
#include "table/silentobserver.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray object(const QByteArray &name, const QByteArray &lab, const QByteArray &conditions)
{
    return "<cc:Object Name=\"" + name + "\"><cc:ColorValues><cc:ColorCIELab"
        + (conditions.isEmpty() ? QByteArray() : " ColorSpecification=\"" + conditions + "\"") + ">"
        + lab + "</cc:ColorCIELab></cc:ColorValues></cc:Object>\n";
}

QByteArray lab(const QByteArray &l, const QByteArray &a, const QByteArray &b)
{
    return "<cc:L>" + l + "</cc:L><cc:A>" + a + "</cc:A><cc:B>" + b + "</cc:B>";
}

// CS2 is for D65; CS1 is D50 with 2°.
const QByteArray conditionsList = "<cc:ColorSpecificationCollection>"
                                  "<cc:ColorSpecification Id=\"CS1\"><cc:TristimulusSpec>"
                                  "<cc:Illuminant>D50</cc:Illuminant><cc:Observer>2_Degree"
                                  "</cc:Observer></cc:TristimulusSpec></cc:ColorSpecification>"
                                  "<cc:ColorSpecification Id=\"CS2\"><cc:TristimulusSpec>"
                                  "<cc:Illuminant>D65</cc:Illuminant><cc:Observer>2_Degree"
                                  "</cc:Observer></cc:TristimulusSpec></cc:ColorSpecification>"
                                  "</cc:ColorSpecificationCollection>\n";

QByteArray library(const QByteArray &objects, const QByteArray &before = {},
    const QByteArray &after = {}, const QByteArray &end = "</cc:CxF>\n")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n<cc:Resources>"
        + before + "<cc:ObjectCollection>\n" + objects + "</cc:ObjectCollection>\n" + after
        + "</cc:Resources>\n" + end;
}

// Rows of every kind of warning, some of them measured under D65.
QByteArray warnedObjects()
{
    return object("KALIDOR Clean", lab("50", "-5", "5"), "CS1")
        + object("KALIDOR D65", lab("104", "0", "0"), "CS2")
        + object("KALIDOR 200, matt", lab("50", "0", "0"), "CS2")
        + object("Paper", lab("95", "0", "0"), "CS2")
        + object("KALIDOR Clean", lab("12,5", "0", "3 %"), "")
        + object("KALIDOR \xC4\x80", lab("50", "-130", "0"), "CS2");
}

QByteArray manyObjects(int count)
{
    QByteArray objects;
    for (int i = 0; i < count; ++i)
        objects += object("KALIDOR " + QByteArray::number(i % 900), lab("50", "1", "2"),
            i % 250 == 7 ? "CS2" : "CS1");
    return objects;
}

// How a conversion of the table ended, as one text: its table lines, records, bytes and
// warnings, or what stopped it.
QString outcome(qsizetype tableLines, qsizetype records, const QByteArray &bytes,
    const QList<RecordWarning> &warnings)
{
    QString text = u"%1 lines, %2 records, bytes %3\n"_s.arg(tableLines)
                       .arg(records)
                       .arg(QString::fromLatin1(bytes.toHex()));
    for (const RecordWarning &warning : warnings)
        text += u"%1, %2: %3: %4\n"_s.arg(warning.fileLine)
                    .arg(warning.record)
                    .arg(warning.name, warning.what);
    return text;
}

QString failed(const KalidorError &error)
{
    const auto *listIndex = dynamic_cast<const ListIndexError *>(&error);
    return u"failed: %1 (line %2)"_s.arg(error.text())
        .arg(listIndex ? listIndex->fileLine() : error.line());
}

// The table opened and held whole, then built, encoded and checked: as the window converts.
QString convertedWhole(
    const QString &path, RecordForm form, TextEncoding encoding, RowSelection selection)
{
    try {
        XmlDocument document;
        SilentObserver observer;
        const OpenedTable table = openColourTable(path, document, observer);
        const NumberedLines records = BuildSpecialColors(table.lines, form, observer, selection);
        return outcome(table.lines.size(), records.size(), encodeLines(records.lines, encoding),
            checkRecords(table.lines, form, encoding, table.rowNotes, selection));
    } catch (const KalidorError &error) {
        return failed(error);
    }
}

// The records made while the file is scanned.
QString convertedWhileScanned(
    const QString &path, RecordForm form, TextEncoding encoding, RowSelection selection)
{
    try {
        XmlDocument document;
        SilentObserver observer;
        RecordAssembly assembly(form, encoding);
        ScannedRecords scanned(assembly, selection);
        const OpenedTable table
            = openColourTable(path, document, observer, Cxf3Recognition::RootLine, &scanned);
        if (table.kind != OpenedTable::Kind::Cxf3)
            return u"not read as CxF3"_s;
        if (table.lines.size() != 1 || !table.rowNotes.isEmpty())
            return u"the opened table holds rows"_s;
        scanned.throwFailure();
        const qsizetype records = assembly.records();
        const QList<RecordWarning> warnings = assembly.takeWarnings();
        return outcome(scanned.tableLines(), records, assembly.takeRecords().withMark(), warnings);
    } catch (const KalidorError &error) {
        return failed(error);
    }
}

} // namespace

// The converter makes a CxF3 file's records while the file is read, letting each row go once
// used; what it gives must be what converting the table held whole gives.
class TestScannedRecords : public QObject {
    Q_OBJECT

private slots:
    void sameAsTheWholeTable_data();
    void sameAsTheWholeTable();

private:
    QTemporaryDir m_dir;
};

void TestScannedRecords::sameAsTheWholeTable_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<RowSelection>("selection");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<bool>("converts");
    // Part of the outcome, to show that the case tells what it is meant to.
    QTest::addColumn<QString>("mentioned");

    const auto used = RowSelection::UsedRows;
    const auto all = RowSelection::AllColours;
    const auto codePage = TextEncoding::DefaultCodePage;
    QTest::newRow("warnings, conditions after the objects")
        << library(warnedObjects(), {}, conditionsList) << used << codePage << true
        << u"10, 4: KALIDOR \u0100: its Lab values are for illuminant D65"_s;
    QTest::newRow("warnings, conditions before the objects")
        << library(warnedObjects(), conditionsList) << all << TextEncoding::Utf16LE << true
        << u"9, 3: Paper: its Lab values are for illuminant D65"_s;
    QTest::newRow("all colours: a row like the header, and one without a name")
        << library(object("Name", lab("L*", "a*", "b*"), "")
               + object("Paper", lab("1", "2", "3"), "") + object("", lab("1", "2", "3"), "")
               + object("Late", lab("1", "2", "3"), ""))
        << all << codePage << false << u"List index out of bounds (3) (line 7)"_s;
    QTest::newRow("a row without a name is no used row")
        << library(object("", lab("1", "2", "3"), "") + object("KALIDOR A", lab("1", "2", "3"), ""))
        << used << TextEncoding::Utf8 << true << u"3 lines, 1 records"_s;
    QTest::newRow("an object without B after rows")
        << library(object("KALIDOR A", lab("1", "2", "3"), "")
               + object("KALIDOR B", "<cc:L>1</cc:L><cc:A>2</cc:A>", ""))
        << used << codePage << false << u"\"KALIDOR B\": no B"_s;
    QTest::newRow("not well-formed after the objects")
        << library(warnedObjects(), {}, conditionsList, "</cc:CxF>\n<extra/>\n") << used << codePage
        << false << u"(line 15)"_s;
    QTest::newRow("many batches, notes late in the file")
        << library(manyObjects(3000), {}, conditionsList) << used << codePage << true
        << u"2762, 2757: KALIDOR 57: its Lab values are for illuminant D65"_s;
}

void TestScannedRecords::sameAsTheWholeTable()
{
    QFETCH(QByteArray, file);
    QFETCH(RowSelection, selection);
    QFETCH(TextEncoding, encoding);
    QFETCH(bool, converts);
    QFETCH(QString, mentioned);

    const QString path = m_dir.filePath(u"library.cxf"_s);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(out.write(file), file.size());
    out.close();

    for (const RecordForm form : { RecordForm::Csv, RecordForm::Legacy }) {
        const QString whole = convertedWhole(path, form, encoding, selection);
        QCOMPARE(whole.startsWith(u"failed"_s), !converts);
        QVERIFY2(whole.contains(mentioned), qPrintable(whole));
        QCOMPARE(convertedWhileScanned(path, form, encoding, selection), whole);
    }
}

QTEST_GUILESS_MAIN(TestScannedRecords)
#include "tst_scannedrecords.moc"
