#include "base/codepage.h"
#include "colorimetry/colourdifference.h"
#include "database/databaseencoding.h"
#include "database/labvalues.h"
#include "database/recordwarnings.h"
#include "table/splittabfields.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString header = u"Name\tL*\ta*\tb*"_s;

QStringList withHeader(const QStringList &rows)
{
    return QStringList { header } + rows;
}

// A warning as "file line, record: name: what", so that a table of cases reads as a list.
QStringList described(const QList<RecordWarning> &warnings)
{
    QStringList lines;
    for (const RecordWarning &warning : warnings)
        lines.append(u"%1, %2: %3: %4"_s.arg(warning.fileLine)
                         .arg(warning.record)
                         .arg(warning.name, warning.what));
    return lines;
}

} // namespace

class TestRecordWarnings : public QObject {
    Q_OBJECT

private slots:
    void warnings_data();
    void warnings();
    void fileLinesComeFromTheTable();
    void readerNotesJoinTheirRow();
    void notesAfterTheRowsTakeTheirPlace();
    void allColoursAreCheckedWhenSelected();
    void plainDecimals_data();
    void plainDecimals();
    void recordsReadBack_data();
    void recordsReadBack();
    void deltaE2000OfPublishedPairs_data();
    void deltaE2000OfPublishedPairs();
    void encodingOfTheSavedFile_data();
    void encodingOfTheSavedFile();
};

void TestRecordWarnings::warnings_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<RecordForm>("form");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QStringList>("expected");

    const auto codePage = TextEncoding::DefaultCodePage;
    QTest::newRow("clean rows give none") << withHeader({ u"KALIDOR 100 C\t92.5\t-5.2\t70.1"_s,
        u"KALIDOR Caf\u00E9 cr\u00E8me \u20AC\t0\t-128\t128"_s, u"KALIDOR 2\t100.0\t-0.5\t+3"_s,
        u"KALIDOR 3\t 50 \t1\t2\tgloss"_s, u"Name\tL*\ta*\tb*"_s, u"Kalidor lower\t500\tx\ty"_s,
        u"# comment, \"quoted\""_s }) << RecordForm::Csv
                                          << codePage << QStringList {};
    QTest::newRow("line 0 is never read") << QStringList { u"KALIDOR A, \u0100\t1000\t1\t1"_s }
                                          << RecordForm::Csv << codePage << QStringList {};

    QTest::newRow("characters Windows-1252 lacks")
        << withHeader(
               { u"KALIDOR \u0100 \u4E2D \u0100\t50\t0\t0"_s, u"KALIDOR \U0001F600\t50\t0\t0"_s })
        << RecordForm::Legacy << codePage
        << QStringList {
               u"2, 0: KALIDOR \u0100 \u4E2D \u0100: Windows-1252 cannot hold every character of "
               "the name, so it is written with \"\u0100\" (U+0100) as \"?\", \"\u4E2D\" (U+4E2D) "
               "as \"?\""_s,
               u"3, 1: KALIDOR \U0001F600: Windows-1252 cannot hold every character of the name, "
               "so it is written with \"\U0001F600\" (U+1F600) as \"?\""_s,
           };
    QTest::newRow("UTF-8 holds them") << withHeader({ u"KALIDOR \u0100 \U0001F600\t50\t0\t0"_s })
                                      << RecordForm::Csv << TextEncoding::Utf8 << QStringList {};

    QTest::newRow("same name once written")
        << withHeader({ u"KALIDOR \u0100\t50\t0\t0"_s, u"KALIDOR ?\t60\t0\t0"_s,
               u"KALIDOR B\t1\t1\t1"_s, u"KALIDOR B\t2\t2\t2"_s, u"KALIDOR b\t3\t3\t3"_s })
        << RecordForm::Csv << codePage
        << QStringList {
               u"2, 0: KALIDOR \u0100: Windows-1252 cannot hold every character of the name, so "
               "it is written with \"\u0100\" (U+0100) as \"?\""_s,
               u"3, 1: KALIDOR ?: the name as written, \"KALIDOR ?\", is also that of line 2, so "
               "the RIP matches only one of them"_s,
               u"5, 3: KALIDOR B: the name as written, \"KALIDOR B\", is also that of line 4, so "
               "the RIP matches only one of them"_s,
           };
    QTest::newRow("distinct in UTF-16")
        << withHeader({ u"KALIDOR \u0100\t50\t0\t0"_s, u"KALIDOR ?\t60\t0\t0"_s })
        << RecordForm::Csv << TextEncoding::Utf16LE << QStringList {};

    const QStringList csvTrouble
        = withHeader({ u"KALIDOR 200, matt\t50\t0\t0"_s, u"KALIDOR \"Gold\"\t50\t0\t0"_s });
    QTest::newRow("comma and double quote in a CSV name")
        << csvTrouble << RecordForm::Csv << codePage
        << QStringList {
               u"2, 0: KALIDOR 200, matt: the name holds a comma, which starts a new field of "
               "the CSV record"_s,
               u"3, 1: KALIDOR \"Gold\": the name holds a double quote, which a CSV reader takes "
               "for the start or end of a quoted field"_s,
           };
    QTest::newRow("legacy names may hold both")
        << csvTrouble << RecordForm::Legacy << codePage << QStringList {};

    QTest::newRow("values that are not plain numbers")
        << withHeader({ u"KALIDOR A\t12,5\t1e2\t3 %"_s, u"KALIDOR B\t\t1\t2\t3"_s,
               u"KALIDOR C\t1\t \t2\t3"_s, u"KALIDOR D\t.5\t5.\t--1"_s })
        << RecordForm::Csv << codePage
        << QStringList {
               u"2, 0: KALIDOR A: L* \"12,5\" is not a plain decimal number (it has a decimal "
               "comma)"_s,
               u"2, 0: KALIDOR A: a* \"1e2\" is not a plain decimal number"_s,
               u"2, 0: KALIDOR A: b* \"3 %\" is not a plain decimal number"_s,
               u"3, 1: KALIDOR B: L* is empty, so the record takes the values after it in its "
               "place"_s,
               u"4, 2: KALIDOR C: a* is empty, so the record takes the values after it in its "
               "place"_s,
               u"5, 3: KALIDOR D: L* \".5\" is not a plain decimal number"_s,
               u"5, 3: KALIDOR D: a* \"5.\" is not a plain decimal number"_s,
               u"5, 3: KALIDOR D: b* \"--1\" is not a plain decimal number"_s,
           };

    // Each bound of a* and b* with a value on it and one just beyond.
    QTest::newRow("no surface colour")
        << withHeader({ u"KALIDOR A\t100.01\t128.5\t-128.5"_s, u"KALIDOR B\t-0.1\t0\t0"_s,
               u"KALIDOR C\t0\t-128\t128"_s, u"KALIDOR D\t50\t128\t-128"_s,
               u"KALIDOR E\t50\t-128.5\t128.5"_s })
        << RecordForm::Legacy << codePage
        << QStringList {
               u"2, 0: KALIDOR A: L* 100.01 is outside 0 to 100, which no surface colour has"_s,
               u"2, 0: KALIDOR A: a* 128.5 is beyond \u00B1128, which no surface colour has"_s,
               u"2, 0: KALIDOR A: b* -128.5 is beyond \u00B1128, which no surface colour has"_s,
               u"3, 1: KALIDOR B: L* -0.1 is outside 0 to 100, which no surface colour has"_s,
               u"6, 4: KALIDOR E: a* -128.5 is beyond \u00B1128, which no surface colour has"_s,
               u"6, 4: KALIDOR E: b* 128.5 is beyond \u00B1128, which no surface colour has"_s,
           };

    // Written as they stand; the warning shows each control character once.
    QTest::newRow("control characters in a name")
        << withHeader({ u"KALIDOR \x1B]0;x\x07\x1B[2J\t50\t0\t0"_s, u"KALIDOR \x01\t50\t0\t0"_s,
               u"KALIDOR \x7F x\u009B\t50\t0\t0"_s, u"KALIDOR ~\u00A0\u2028\t50\t0\t0"_s })
        << RecordForm::Csv << TextEncoding::Utf8
        << QStringList {
               u"2, 0: KALIDOR \x1B]0;x\x07\x1B[2J: the name holds the control characters "
               "U+001B U+0007, which a terminal or the RIP may act on instead of showing; it is "
               "written with them"_s,
               u"3, 1: KALIDOR \x01: the name holds the control character U+0001, which a "
               "terminal or the RIP may act on instead of showing; it is written with it"_s,
               u"4, 2: KALIDOR \x7F x\u009B: the name holds the control characters U+007F "
               "U+009B, which a terminal or the RIP may act on instead of showing; it is "
               "written with them"_s,
           };
    QTest::newRow("a row too short for a record is left out")
        << withHeader({ u"KALIDOR short\t1\t2"_s, u"KALIDOR \u0100\t1\t2\t3"_s }) << RecordForm::Csv
        << codePage
        << QStringList { u"3, 0: KALIDOR \u0100: Windows-1252 cannot hold every character of "
                         "the name, so it is written with \"\u0100\" (U+0100) as \"?\""_s };
}

void TestRecordWarnings::warnings()
{
    QFETCH(QStringList, lines);
    QFETCH(RecordForm, form);
    QFETCH(TextEncoding, encoding);
    QFETCH(QStringList, expected);

    if (DefaultCodePage::isUtf8() && encoding == TextEncoding::DefaultCodePage)
        QSKIP("The default code page is UTF-8 here.");
    const NumberedLines table = NumberedLines::ofFile(lines);
    QCOMPARE(described(checkRecords(table, form, encoding)), expected);
}

void TestRecordWarnings::fileLinesComeFromTheTable()
{
    // A CxF3 table numbers its rows by the lines of their objects, its header by none.
    NumberedLines table;
    table.append(header, 0);
    table.append(u"KALIDOR A\t1\t2\t3"_s, 12);
    table.append(u"KALIDOR A\t4\t5\t6"_s, 40);
    const QList<RecordWarning> warnings
        = checkRecords(table, RecordForm::Csv, TextEncoding::DefaultCodePage);
    QCOMPARE(described(warnings),
        QStringList { u"40, 1: KALIDOR A: the name as written, \"KALIDOR A\", is also that of "
                      "line 12, so the RIP matches only one of them"_s });
}

void TestRecordWarnings::readerNotesJoinTheirRow()
{
    NumberedLines table;
    table.append(header, 0);
    table.append(u"KALIDOR A\t1\t2\t3"_s, 12);
    table.append(u"Paper\t1\t2\t3"_s, 20);
    table.append(u"KALIDOR B\t1000\t2\t3"_s, 40);
    // Notes go by the row's index in the table; one on a row that makes no record is dropped.
    const RowNotes notes { { 2, u"not a record"_s }, { 3, u"for D65"_s } };
    QCOMPARE(described(checkRecords(table, RecordForm::Csv, TextEncoding::DefaultCodePage, notes)),
        (QStringList { u"40, 1: KALIDOR B: L* 1000 is outside 0 to 100, which no surface colour "
                       "has"_s,
            u"40, 1: KALIDOR B: for D65"_s }));
}

void TestRecordWarnings::notesAfterTheRowsTakeTheirPlace()
{
    const QStringList rows { u"KALIDOR A\t1000\t2\t3"_s, u"KALIDOR B\t1\t2\t3"_s,
        u"KALIDOR A\t1\tx\t3"_s, u"KALIDOR C\t1\t2\t3"_s };
    const RowNotes notes { { 1, u"first"_s }, { 2, u"second"_s }, { 3, u"third"_s } };
    NumberedLines table { { header }, { 0 } };
    for (qsizetype i = 0; i < rows.size(); ++i)
        table.append(rows.at(i), 10 * (i + 1));
    const auto check = [&](bool notesLater) {
        RecordChecker checker(
            RecordForm::Csv, TextEncoding::DefaultCodePage, RecordChecker::Rows::LetGo);
        RecordLoop(table, RowSelection::UsedRows, notesLater ? RowNotes() : notes)
            .takeTable([&checker](const ColourRow &row) { checker.checkRow(row); });
        // Out of order, as a reader may find them.
        if (notesLater) {
            for (const qsizetype row : { 3, 1, 2 })
                checker.noteRecord(row - 1, notes.value(row));
        }
        return described(checker.takeWarnings());
    };
    const QStringList expected { u"10, 0: KALIDOR A: L* 1000 is outside 0 to 100, which no "
                                 "surface colour has"_s,
        u"10, 0: KALIDOR A: first"_s, u"20, 1: KALIDOR B: second"_s,
        u"30, 2: KALIDOR A: the name as written, \"KALIDOR A\", is also that of line 10, so the "
        "RIP matches only one of them"_s,
        u"30, 2: KALIDOR A: a* \"x\" is not a plain decimal number"_s,
        u"30, 2: KALIDOR A: third"_s };
    QCOMPARE(check(false), expected);
    QCOMPARE(check(true), expected);
}

void TestRecordWarnings::allColoursAreCheckedWhenSelected()
{
    // Rows of any name, blanks in front of one; the KALIDOR row counts in either selection.
    const NumberedLines table = NumberedLines::ofFile({ header, u"Cyan\t50\t0\t0"_s,
        u"  \tMagenta, matt\t50\t\t0\t0"_s, u"KALIDOR 1\t500\t0\t0"_s });
    QCOMPARE(described(checkRecords(table, RecordForm::Csv, TextEncoding::DefaultCodePage, {},
                 RowSelection::AllColours)),
        (QStringList {
            u"3, 1: Magenta, matt: the name holds a comma, which starts a new field of the CSV "
            "record"_s,
            u"3, 1: Magenta, matt: a* is empty, so the record takes the values after it in its "
            "place"_s,
            u"4, 2: KALIDOR 1: L* 500 is outside 0 to 100, which no surface colour has"_s }));
    QCOMPARE(described(checkRecords(table, RecordForm::Csv, TextEncoding::DefaultCodePage)),
        QStringList { u"4, 0: KALIDOR 1: L* 500 is outside 0 to 100, which no surface colour "
                      "has"_s });
}

void TestRecordWarnings::plainDecimals_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("plain");
    QTest::addColumn<double>("value");

    QTest::newRow("integer") << u"42"_s << true << 42.0;
    QTest::newRow("negative") << u"-5.25"_s << true << -5.25;
    QTest::newRow("plus sign") << u"+0.5"_s << true << 0.5;
    QTest::newRow("spaces around") << u" 62.15 "_s << true << 62.15;
    QTest::newRow("decimal comma") << u"62,15"_s << false << 0.0;
    QTest::newRow("unit") << u"62.15%"_s << false << 0.0;
    QTest::newRow("exponent") << u"1e2"_s << false << 0.0;
    QTest::newRow("empty") << QString() << false << 0.0;
    QTest::newRow("sign alone") << u"-"_s << false << 0.0;
    QTest::newRow("point without digits after") << u"5."_s << false << 0.0;
    QTest::newRow("space inside") << u"- 5"_s << false << 0.0;
    QTest::newRow("Arabic-Indic digits") << u"\u0665"_s << false << 0.0;
}

void TestRecordWarnings::plainDecimals()
{
    QFETCH(QString, field);
    QFETCH(bool, plain);
    QFETCH(double, value);

    const std::optional<double> number = plainDecimal(field);
    QCOMPARE(number.has_value(), plain);
    if (plain)
        QCOMPARE(*number, value);
}

void TestRecordWarnings::recordsReadBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isColour");
    QTest::addColumn<double>("lightness");
    QTest::addColumn<double>("b");

    QTest::newRow("table row") << u"KALIDOR 1\t92.5\t-5.2\t70.1\tgloss"_s << true << 92.5 << 70.1;
    QTest::newRow("CSV record") << u"KALIDOR 1,92.5,-5.2,70.1"_s << true << 92.5 << 70.1;
    QTest::newRow("legacy record")
        << u"SPOTCOLOR_NAME:KALIDOR 1, matt; D50_LAB:92.5,-5.2,70.1"_s << true << 92.5 << 70.1;
    QTest::newRow("CSV name with a comma")
        << u"KALIDOR 1, matt,92.5,-5.2,70.1"_s << false << 0.0 << 0.0;
    QTest::newRow("decimal comma, legacy")
        << u"SPOTCOLOR_NAME:KALIDOR 1; D50_LAB:92,5,-5.2,70.1"_s << false << 0.0 << 0.0;
    QTest::newRow("row of the header") << header << false << 0.0 << 0.0;
    QTest::newRow("short row") << u"KALIDOR 1\t92.5\t-5.2"_s << false << 0.0 << 0.0;
}

void TestRecordWarnings::recordsReadBack()
{
    QFETCH(QString, text);
    QFETCH(bool, isColour);
    QFETCH(double, lightness);
    QFETCH(double, b);

    const std::optional<LabValues> lab
        = text.contains(u'\t') || text == header ? labOfRow(text) : labOfRecord(text);
    QCOMPARE(lab.has_value(), isColour);
    if (isColour) {
        QCOMPARE(lab->lightness, lightness);
        QCOMPARE(lab->a, -5.2);
        QCOMPARE(lab->b, b);
    }
}

void TestRecordWarnings::encodingOfTheSavedFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("append");
    QTest::addColumn<TextEncoding>("expected");

    QTest::newRow("UTF-8 mark, append")
        << QByteArray("\xEF\xBB\xBFx") << true << TextEncoding::Utf8;
    QTest::newRow("UTF-16 LE mark, append")
        << QByteArray("\xFF\xFEx\0", 4) << true << TextEncoding::Utf16LE;
    QTest::newRow("UTF-8 mark, replaced")
        << QByteArray("\xEF\xBB\xBFx") << false << TextEncoding::DefaultCodePage;
    QTest::newRow("no mark, append") << QByteArray("x") << true << TextEncoding::DefaultCodePage;
    QTest::newRow("no file, append") << QByteArray() << true << TextEncoding::DefaultCodePage;
}

void TestRecordWarnings::encodingOfTheSavedFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, append);
    QFETCH(TextEncoding, expected);

    const QTemporaryDir folder;
    const QString path = folder.filePath(u"database.csv"_s);
    if (!bytes.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QCOMPARE(databaseEncoding(path, append), expected);
}

// The test data of Sharma, Wu and Dalal, "The CIEDE2000 color-difference formula" (2005),
// given to four decimals.
void TestRecordWarnings::deltaE2000OfPublishedPairs_data()
{
    QTest::addColumn<LabValues>("first");
    QTest::addColumn<LabValues>("second");
    QTest::addColumn<double>("expected");

    QTest::newRow("pair 1") << LabValues { 50, 2.6772, -79.7751 } << LabValues { 50, 0, -82.7485 }
                            << 2.0425;
    QTest::newRow("pair 7") << LabValues { 50, 0, 0 } << LabValues { 50, -1, 2 } << 2.3669;
    QTest::newRow("pair 17") << LabValues { 50, 2.5, 0 } << LabValues { 73, 25, -18 } << 27.1492;
    QTest::newRow("pair 25") << LabValues { 60.2574, -34.0099, 36.2677 }
                             << LabValues { 60.4626, -34.1751, 39.4387 } << 1.2644;
}

void TestRecordWarnings::deltaE2000OfPublishedPairs()
{
    QFETCH(LabValues, first);
    QFETCH(LabValues, second);
    QFETCH(double, expected);

    QVERIFY2(qAbs(deltaE2000(first, second) - expected) < 0.00005,
        qPrintable(QString::number(deltaE2000(first, second), 'f', 6)));
    QVERIFY(qAbs(deltaE2000(second, first) - expected) < 0.00005);
}

QTEST_GUILESS_MAIN(TestRecordWarnings)
#include "tst_recordwarnings.moc"
