#include "conversionoutcomes.h"
#include "filetestsupport.h"

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

} // namespace

// The converter makes a CxF3 file's records while the file is read, letting each row go once
// used, and a text table's with the check on a second core; what it gives must be what
// converting the table held whole gives.
class TestConversionPaths : public QObject {
    Q_OBJECT

private slots:
    void sameAsTheWholeTable_data();
    void sameAsTheWholeTable();
    void madeWhileOpeningSameAsTheWholeTable_data() { sameAsTheWholeTable_data(); }
    void madeWhileOpeningSameAsTheWholeTable();

private:
    QTemporaryDir m_dir;
};

void TestConversionPaths::sameAsTheWholeTable_data()
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
    // A value of spaces vanishes when the row is split at its tabs.
    QTest::newRow("a CDATA value of only spaces: a short row")
        << library(object("KALIDOR A", lab("1", "2", "3"), "")
               + object("KALIDOR B", lab("<![CDATA[   ]]>", "2", "3"), ""))
        << used << codePage << false << u"failed: List index out of bounds (3) (line 6)"_s;
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
    const QByteArray textTable = "Name\tL*\ta*\tb*\r\nKALIDOR A\t1000\t2\t3\r\nPaper\t1\t2\t3\r\n"
                                 "KALIDOR A\t1\tx\t3\r\n";
    QTest::newRow("text table") << textTable << used << codePage << true
                                << u"4, 1: KALIDOR A: the name as written"_s;
    QTest::newRow("text table, a short row") << textTable + "note\r\n"
                                             << all << codePage << false << u"(line 5)"_s;
}

void TestConversionPaths::sameAsTheWholeTable()
{
    QFETCH(QByteArray, file);
    QFETCH(RowSelection, selection);
    QFETCH(TextEncoding, encoding);
    QFETCH(bool, converts);
    QFETCH(QString, mentioned);

    const QString path = m_dir.filePath(u"library.cxf"_s);
    QVERIFY(writeFile(path, file));

    for (const RecordForm form : { RecordForm::Csv, RecordForm::Legacy }) {
        const QString whole = ConversionOutcomes::ofWholeTable(path, form, encoding, selection);
        QCOMPARE(whole.startsWith(u"failed"_s), !converts);
        QVERIFY2(whole.contains(mentioned), qPrintable(whole));
        QCOMPARE(ConversionOutcomes::asConverted(path, form, encoding, selection), whole);
    }
}

// The window makes a CxF3 file's records while it opens the file, in the form a conversion
// would then take; the table it opens must be the same, and the records that the record loop
// takes what converting that table gives.
void TestConversionPaths::madeWhileOpeningSameAsTheWholeTable()
{
    QFETCH(QByteArray, file);
    QFETCH(RowSelection, selection);
    QFETCH(TextEncoding, encoding);
    QFETCH(bool, converts);
    if (selection != RowSelection::UsedRows)
        QSKIP("the window converts used rows only");

    const QString path = m_dir.filePath(u"library.cxf"_s);
    QVERIFY(writeFile(path, file));
    try {
        XmlDocument document;
        SilentObserver observer;
        const OpenedTable plain = openColourTable(path, document, observer);
        const Conversion opened(path, document, observer, { .form = RecordForm::Legacy });
        QCOMPARE(opened.table().kind, plain.kind);
        QCOMPARE(opened.table().lines.lines, plain.lines.lines);
        QCOMPARE(opened.table().lines.fileLines, plain.lines.fileLines);
        QCOMPARE(opened.table().rowNotes, plain.rowNotes);
        // A text table is held whole at once; only a CxF3 file's scan leaves time for them,
        // and only a table whose every used row makes a record has them all.
        QCOMPARE(opened.madeRecordsInAdvance(RecordForm::Legacy),
            plain.kind == TableKind::Cxf3 && converts);
        QVERIFY(!opened.madeRecordsInAdvance(RecordForm::Csv));
    } catch (const KalidorError &) {
        // Both fail alike: shown below.
    }

    for (const RecordForm form : { RecordForm::Csv, RecordForm::Legacy }) {
        QCOMPARE(ConversionOutcomes::asMadeWhileOpening(path, form, encoding),
            ConversionOutcomes::ofWholeTable(path, form, encoding, selection));
    }
}

QTEST_GUILESS_MAIN(TestConversionPaths)
#include "tst_conversionpaths.moc"
