#include "cli/converter.h"
#include "windowfixture.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray header = "Name\tL*\ta*\tb*\r\n";

// A UTF-8 table (with its mark) around one row that holds `character` in its name.
QByteArray textTable(const QString &character)
{
    return "\xEF\xBB\xBF" + header + "KALIDOR before\t1\t2\t3\r\n"
        + (u"KALIDOR para"_s + character + u"X\t4\t5\t6\r\n"_s).toUtf8()
        + "KALIDOR after\t7\t8\t9\r\n";
}

// A CxF3 file around one object whose Name holds `reference` and whose L is `lightness`.
QByteArray cxf3File(const QByteArray &reference, const QByteArray &lightness = "4")
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
                     " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
                     "<cc:Resources><cc:ObjectCollection>\n";
    const std::pair<QByteArray, QByteArray> objects[] = { { "KALIDOR before", "4" },
        { "KALIDOR para" + reference + "X", lightness }, { "KALIDOR after", "4" } };
    for (const auto &[name, l] : objects) {
        xml += "<cc:Object Name=\"" + name + "\"><cc:ColorValues><cc:ColorCIELab><cc:L>" + l
            + "</cc:L><cc:A>5</cc:A><cc:B>6</cc:B></cc:ColorCIELab></cc:ColorValues></cc:Object>\n";
    }
    return xml + "</cc:ObjectCollection></cc:Resources></cc:CxF>\n";
}

} // namespace

// The window and kalidor-convert open, build and save with the one core workflow, so the same
// file gives the same bytes, whatever its rows hold.
class TestHostsAgree : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameBytesFromBothHosts_data();
    void sameBytesFromBothHosts();

private:
    QTemporaryDir m_dir;
};

void TestHostsAgree::sameBytesFromBothHosts_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("extension");
    // How the record of the row between the two plain ones ends, and what it is warned of.
    QTest::addColumn<QByteArray>("middleEnd");
    QTest::addColumn<QString>("middleWarnings");

    const QByteArray nameEnd = "X,4,5,6";
    const auto lost = [](const QString &character, const QString &codePoint) {
        return u"Windows-1252 cannot hold every character of the name, so it is written with "
               "\"%1\" (%2) as \"?\""_s.arg(character, codePoint);
    };
    // A text view takes these for block breaks; the table's row must stay one row.
    QTest::newRow("U+2029 in a text table")
        << textTable(u"\u2029"_s) << u"txt"_s << nameEnd << lost(u"\u2029"_s, u"U+2029"_s);
    QTest::newRow("U+FDD0 in a text table")
        << textTable(u"\uFDD0"_s) << u"txt"_s << nameEnd << lost(u"\uFDD0"_s, u"U+FDD0"_s);
    QTest::newRow("U+FDD1 in a text table")
        << textTable(u"\uFDD1"_s) << u"txt"_s << nameEnd << lost(u"\uFDD1"_s, u"U+FDD1"_s);
    QTest::newRow("U+2028 in a text table")
        << textTable(u"\u2028"_s) << u"txt"_s << nameEnd << lost(u"\u2028"_s, u"U+2028"_s);
    // Character references put into a name what its row cannot hold.
    QTest::newRow("&#9; in a CxF3 name") << cxf3File("&#9;") << u"cxf"_s << nameEnd << QString();
    QTest::newRow("&#10; in a CxF3 name") << cxf3File("&#10;") << u"cxf"_s << nameEnd << QString();
    QTest::newRow("&#13; in a CxF3 name") << cxf3File("&#13;") << u"cxf"_s << nameEnd << QString();
    QTest::newRow("&#x2028; in a CxF3 name")
        << cxf3File("&#x2028;") << u"cxf"_s << nameEnd << QString();
    QTest::newRow("&#x2029; in a CxF3 name")
        << cxf3File("&#x2029;") << u"cxf"_s << nameEnd << QString();
    // Or into a value, also from a CDATA section; the value then reads as no number.
    const QString notANumber = u"L* \"4 0\" is not a plain decimal number"_s;
    QTest::newRow("&#10; in a CxF3 value")
        << cxf3File({}, "4&#10;0") << u"cxf"_s << QByteArray(",4 0,5,6") << notANumber;
    QTest::newRow("&#13;&#10; in a CxF3 value")
        << cxf3File({}, "4&#13;&#10;0") << u"cxf"_s << QByteArray(",4  0,5,6")
        << u"L* \"4  0\" is not a plain decimal number"_s;
    QTest::newRow("&#9; in a CxF3 value")
        << cxf3File({}, "4&#9;0") << u"cxf"_s << QByteArray(",4 0,5,6") << notANumber;
    QTest::newRow("&#x2028; in a CxF3 value")
        << cxf3File({}, "4&#x2028;0") << u"cxf"_s << QByteArray(",4 0,5,6") << notANumber;
    QTest::newRow("line feed in a CxF3 CDATA value")
        << cxf3File({}, "<![CDATA[4\n0]]>") << u"cxf"_s << QByteArray(",4 0,5,6") << notANumber;
}

void TestHostsAgree::sameBytesFromBothHosts()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, extension);
    QFETCH(QByteArray, middleEnd);
    QFETCH(QString, middleWarnings);
    const QString table = m_dir.filePath(u"table."_s + extension);
    writeBytes(table, input);

    const QString byConverter = m_dir.filePath(u"converter.csv"_s);
    QBuffer standardOutput;
    standardOutput.open(QIODevice::WriteOnly);
    const ConversionResult result
        = Converter(standardOutput).run({ table, byConverter, RecordForm::Csv, false });
    QCOMPARE(result.status, ExitStatus::Done);

    const QString byWindow = m_dir.filePath(u"window.csv"_s);
    WindowFixture window;
    QVERIFY(window.exposed);
    window.dialogs->openAnswers = { table };
    window.dialogs->saveAnswers = { byWindow };
    window.press("btnOpenKalidorFile");
    window.press("buttonConvertDelvane");
    QVERIFY(window.dialogs->messages.isEmpty());

    const QByteArray saved = readBytes(byConverter);
    QCOMPARE(readBytes(byWindow), saved);
    // One record per colour, every line ended by CR LF and no other break.
    const QList<QByteArray> records = saved.split('\n');
    QCOMPARE(records.size(), 4);
    QVERIFY(records.last().isEmpty());
    for (qsizetype i = 0; i < 3; ++i) {
        QVERIFY2(records.at(i).endsWith('\r'), records.at(i).constData());
        QVERIFY2(!records.at(i).chopped(1).contains('\r'), records.at(i).constData());
        QCOMPARE(records.at(i).count(','), 3);
    }
    QVERIFY(records.at(1).startsWith("KALIDOR para"));
    QVERIFY2(records.at(1).endsWith(middleEnd + '\r'), records.at(1).constData());

    // Both hosts warn of the same records, for the same reasons.
    const auto *marked = window.child<EditableLinesView>("memoDelvaneSpecialColors");
    QStringList byConverterWarnings(3);
    for (const RecordWarning &warning : result.warnings) {
        QString &reasons = byConverterWarnings[warning.record];
        reasons += (reasons.isEmpty() ? QString() : u"\n"_s) + warning.what;
    }
    for (int i = 0; i < 3; ++i)
        QCOMPARE(marked->markOf(i), byConverterWarnings.at(i));
    QCOMPARE(byConverterWarnings, (QStringList { QString(), middleWarnings, QString() }));

    // The window's views show each row on one line of its own.
    QCOMPARE(window.lines("memoKalidor").size(), 4);
    QCOMPARE(window.lines("memoDelvaneSpecialColors").size(), 3);
}

QTEST_MAIN(TestHostsAgree)
#include "tst_hostsagree.moc"
