#include "base/silentobserver.h"
#include "conversion/conversion.h"
#include "filetestsupport.h"
#include "table/cxf3/xmldocument.h"
#include "utf16bytes.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

enum class Input { TextTable, Cxf3 };

// The rows, "name\tL\ta\tb", as a UTF-8 text table (its header on line 1) or as CxF3 objects.
QByteArray tableFile(const QStringList &rows, Input input)
{
    if (input == Input::TextTable)
        return "\xEF\xBB\xBFName\tL*\ta*\tb*\r\n" + rows.join(u"\r\n"_s).toUtf8() + "\r\n";
    QByteArray objects;
    for (const QString &row : rows) {
        const QStringList fields = row.split(u'\t');
        objects += "<cc:Object Name=\"" + fields.at(0).toUtf8()
            + "\"><cc:ColorValues><cc:ColorCIELab><cc:L>" + fields.at(1).toUtf8() + "</cc:L><cc:A>"
            + fields.at(2).toUtf8() + "</cc:A><cc:B>" + fields.at(3).toUtf8()
            + "</cc:B></cc:ColorCIELab></cc:ColorValues></cc:Object>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
           " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
           "<cc:Resources><cc:ObjectCollection>\n"
        + objects + "</cc:ObjectCollection></cc:Resources>\n</cc:CxF>\n";
}

QStringList described(const QList<RecordWarning> &warnings)
{
    QStringList lines;
    for (const RecordWarning &warning : warnings)
        lines.append(u"%1: %2: %3"_s.arg(warning.record).arg(warning.name, warning.what));
    return lines;
}

// As the window saves: the records made while the check runs for a new file (the save dialog
// has not answered yet), then saved to `database`.
QList<RecordWarning> savedByWindow(
    const QString &table, const QString &database, RecordForm form, bool append)
{
    XmlDocument document;
    SilentObserver observer;
    Conversion conversion(table, document, observer, { .form = form });
    const NumberedLines records = conversion.makeRecords(form, QString(), false, observer);
    QList<RecordWarning> warnings;
    conversion.save(database, records.lines, append, warnings);
    return warnings;
}

// As the converter saves: the records made and checked while the table is read.
QList<RecordWarning> savedByConverter(
    const QString &table, const QString &database, RecordForm form, bool append)
{
    XmlDocument document;
    SilentObserver observer;
    Conversion conversion(table, document, observer,
        { .records = Conversion::Records::WhileReading,
            .form = form,
            .output = database,
            .append = append });
    const QList<RecordWarning> warnings = conversion.warnings(conversion.encoding());
    conversion.save();
    return warnings;
}

const QString heldText = u"the database already holds this name on line %1 (%2), so the RIP "
                         "matches only one of them; %3"_s;

QString held(int line, const QString &values, const QString &difference)
{
    return heldText.arg(line).arg(values, difference);
}

QString deltaE(const QString &value)
{
    return u"\u0394E2000 to the new values "_s + value;
}

} // namespace

// Records appended to a database that already holds their names: each is warned with the
// first line holding it, its values there and how far the new values are from them.
class TestHeldNames : public QObject {
    Q_OBJECT

private slots:
    void warned_data();
    void warned();
    void aLaterSaveWithoutAppendHoldsNothing();

private:
    QTemporaryDir m_dir;
};

void TestHeldNames::warned_data()
{
    QTest::addColumn<QByteArray>("database");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<RecordForm>("form");
    // With append; without it, none of the held names.
    QTest::addColumn<QStringList>("expected");

    const auto csv = RecordForm::Csv;
    // Sharma, Wu and Dalal (2005), pair 1: ΔE00 2.0425.
    const QString blue = u"KALIDOR Blue\t50\t0\t-82.7485"_s;
    QTest::newRow("held once") << QByteArray("KALIDOR Red,1,2,3\r\nKALIDOR Blue,50,2.6772,-79.7751")
                               << QStringList { blue } << csv
                               << QStringList {
                                      u"0: KALIDOR Blue: "_s
                                          + held(2, u"50,2.6772,-79.7751"_s, deltaE(u"2.04"_s)),
                                  };
    // The RIP may match any of them, so every line is named; the ΔE2000 is the first's.
    QTest::newRow("held twice: both lines")
        << QByteArray("Name,L,a,b\r\nKALIDOR A,7,8,9\r\nKALIDOR B,4,5,6\r\nKALIDOR A,1,2,3\r\n")
        << QStringList { u"KALIDOR A\t7\t8\t9"_s } << csv
        << QStringList { u"0: KALIDOR A: the database already holds this name on lines 2 (7,8,9) "
                         "and 4 (1,2,3), so the RIP matches only one of them; "_s
               + deltaE(u"0.00"_s) };
    QTest::newRow("held three times, in both forms")
        << QByteArray("KALIDOR A,7,8,9\r\nSPOTCOLOR_NAME:KALIDOR A; D50_LAB:1,2,3\r\nKALIDOR B,4,5,"
                      "6\r\nKALIDOR A,x,2.5,3\r\n")
        << QStringList { u"KALIDOR A\t7\t8\t9"_s } << csv
        << QStringList { u"0: KALIDOR A: the database already holds this name on lines 1 (7,8,9), "
                         "2 (1,2,3) and 4 (x,2.5,3), so the RIP matches only one of them; "_s
               + deltaE(u"0.00"_s) };
    // Values that are all words, as a header line's are: no record, whatever its first field.
    QTest::newRow("a line without a number holds no name")
        << QByteArray("KALIDOR A,L,a,b\r\nSPOTCOLOR_NAME:KALIDOR A; D50_LAB:L*,a*,b*\r\nKALIDOR "
                      "A,,,\r\n")
        << QStringList { u"KALIDOR A\t1\t2\t3"_s } << csv << QStringList();
    // The name ends at the last tag, as it is written.
    QTest::newRow("a legacy name holding the second tag")
        << QByteArray("SPOTCOLOR_NAME:KALIDOR X; D50_LAB:1; D50_LAB:1,2,3\r\n")
        << QStringList { u"KALIDOR X; D50_LAB:1\t1\t2\t3"_s } << csv
        << QStringList {
               u"0: KALIDOR X; D50_LAB:1: "_s + held(1, u"1,2,3"_s, deltaE(u"0.00"_s)),
           };
    QTest::newRow("held as a legacy record")
        << QByteArray("SPOTCOLOR_NAME:KALIDOR Blue; D50_LAB:50,2.6772,-79.7751\n")
        << QStringList { blue } << csv
        << QStringList {
               u"0: KALIDOR Blue: "_s + held(1, u"50,2.6772,-79.7751"_s, deltaE(u"2.04"_s)),
           };
    QTest::newRow("legacy records, held as a CSV record")
        << QByteArray("KALIDOR Blue,50,2.6772,-79.7751\r\n") << QStringList { blue }
        << RecordForm::Legacy
        << QStringList {
               u"0: KALIDOR Blue: "_s + held(1, u"50,2.6772,-79.7751"_s, deltaE(u"2.04"_s)),
           };
    QTest::newRow("other case or spacing only")
        << QByteArray("kalidor a,1,2,3\r\nKALIDOR  A,1,2,3\r\nKALIDOR A ,1,2,3\r\n")
        << QStringList { u"KALIDOR A\t1\t2\t3"_s } << csv << QStringList();
    QTest::newRow("equal values written otherwise")
        << QByteArray("KALIDOR A,50.0,10,-20\r\n") << QStringList { u"KALIDOR A\t50\t10.00\t-20"_s }
        << csv
        << QStringList { u"0: KALIDOR A: "_s + held(1, u"50.0,10,-20"_s, deltaE(u"0.00"_s)) };
    QTest::newRow("UTF-16 database")
        << utf16LE(u"KALIDOR \u0100,1,2,3\r\nKALIDOR ?,1,2,3\r\n"_s)
        << QStringList { u"KALIDOR \u0100\t1\t2\t3"_s } << csv
        << QStringList { u"0: KALIDOR \u0100: "_s + held(1, u"1,2,3"_s, deltaE(u"0.00"_s)) };
    QTest::newRow("code page database: the name as written")
        << QByteArray("KALIDOR \xC4,1,2,3\r\nKALIDOR ?,4,5,6\r\n")
        << QStringList { u"KALIDOR \u0100\t4\t5\t6"_s } << csv
        << QStringList {
               u"0: KALIDOR \u0100: Windows-1252 cannot hold every character of the name, so it "
               "is written with \"\u0100\" (U+0100) as \"?\""_s,
               u"0: KALIDOR \u0100: "_s + held(2, u"4,5,6"_s, deltaE(u"0.00"_s)),
           };
    QTest::newRow("values that are not plain numbers")
        << QByteArray("KALIDOR A,5o,1,2\r\nKALIDOR B,1,2,3\r\nKALIDOR C,1,2\r\nKALIDOR D,1 %,2,3")
        << QStringList { u"KALIDOR A\t50\t1\t2"_s, u"KALIDOR B\t1\t2\tx"_s, u"KALIDOR C\t1\t2\t3"_s,
               u"KALIDOR D\t1 %\t2\t3"_s }
        << csv
        << QStringList {
               u"0: KALIDOR A: "_s
                   + held(1, u"5o,1,2"_s,
                       u"no \u0394E2000, since the values there are not plain decimal numbers"_s),
               u"1: KALIDOR B: b* \"x\" is not a plain decimal number"_s,
               u"1: KALIDOR B: "_s
                   + held(2, u"1,2,3"_s,
                       u"no \u0394E2000, since the new values are not plain decimal numbers"_s),
               u"3: KALIDOR D: L* \"1 %\" is not a plain decimal number"_s,
               u"3: KALIDOR D: "_s
                   + held(4, u"1 %,2,3"_s,
                       u"no \u0394E2000, since neither the values there nor the new ones are "
                       "plain decimal numbers"_s),
           };
    QTest::newRow("a CSV name with a comma")
        << QByteArray("KALIDOR 200, matt,50,0,0\r\n")
        << QStringList { u"KALIDOR 200, matt\t50\t0\t0"_s } << csv
        << QStringList {
               u"0: KALIDOR 200, matt: the name holds a comma, which starts a new field of the "
               "CSV record"_s,
               u"0: KALIDOR 200, matt: "_s + held(1, u"50,0,0"_s, deltaE(u"0.00"_s)),
           };
    QTest::newRow("held, and twice in the run")
        << QByteArray("KALIDOR A,1,2,3\r\n")
        << QStringList { u"KALIDOR A\t1\t2\t3"_s, u"KALIDOR B\t1\t2\t3"_s, u"KALIDOR A\t1\t2\t3"_s }
        << csv
        << QStringList {
               u"0: KALIDOR A: "_s + held(1, u"1,2,3"_s, deltaE(u"0.00"_s)),
               u"2: KALIDOR A: the name as written, \"KALIDOR A\", is also that of line %1, so the "
               "RIP matches only one of them"_s,
               u"2: KALIDOR A: "_s + held(1, u"1,2,3"_s, deltaE(u"0.00"_s)),
           };
}

void TestHeldNames::warned()
{
    QFETCH(QByteArray, database);
    QFETCH(QStringList, rows);
    QFETCH(RecordForm, form);
    QFETCH(QStringList, expected);

    const QString databasePath = m_dir.filePath(u"specialColors"_s);
    const QString tablePath = m_dir.filePath(u"table"_s);
    const std::function<QList<RecordWarning>(const QString &, const QString &, RecordForm, bool)>
        hosts[] = { savedByWindow, savedByConverter };
    for (const Input input : { Input::TextTable, Input::Cxf3 }) {
        QVERIFY(writeFile(tablePath, tableFile(rows, input)));
        // The line of the first row, which the run's own duplicate names give.
        QStringList wanted = expected;
        wanted.replaceInStrings(
            u"line %1"_s, input == Input::TextTable ? u"line 2"_s : u"line 5"_s);
        for (const auto &save : hosts) {
            for (const bool append : { true, false }) {
                QVERIFY(writeFile(databasePath, database));
                const QStringList warnings = described(save(tablePath, databasePath, form, append));
                if (append)
                    QCOMPARE(warnings, wanted);
                else
                    QVERIFY2(!warnings.join(u'\n').contains(u"already holds"_s),
                        qPrintable(warnings.join(u'\n')));
            }
        }
    }
}

// The window saves the same records again, to a new file: the names of the database saved to
// before are not held there.
void TestHeldNames::aLaterSaveWithoutAppendHoldsNothing()
{
    const QString tablePath = m_dir.filePath(u"again.txt"_s);
    QVERIFY(writeFile(tablePath, tableFile({ u"KALIDOR A\t1\t2\t3"_s }, Input::TextTable)));
    const QString databasePath = m_dir.filePath(u"held"_s);
    QVERIFY(writeFile(databasePath, "KALIDOR A,1,2,3\r\n"));

    XmlDocument document;
    SilentObserver observer;
    Conversion conversion(tablePath, document, observer, {});
    const NumberedLines records
        = conversion.makeRecords(RecordForm::Csv, databasePath, true, observer);
    QList<RecordWarning> warnings;
    conversion.save(databasePath, records.lines, true, warnings);
    QCOMPARE(warnings.size(), 1);
    conversion.save(m_dir.filePath(u"new"_s), records.lines, false, warnings);
    QCOMPARE(described(warnings), QStringList());
}

QTEST_GUILESS_MAIN(TestHeldNames)
#include "tst_heldnames.moc"
