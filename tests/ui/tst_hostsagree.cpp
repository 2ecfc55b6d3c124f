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

// A CxF3 file around one object whose Name holds `reference`.
QByteArray cxf3File(const QByteArray &reference)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
                     " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
                     "<cc:Resources><cc:ObjectCollection>\n";
    for (const QByteArray &name : { QByteArray("KALIDOR before"), "KALIDOR para" + reference + "X",
             QByteArray("KALIDOR after") }) {
        xml += "<cc:Object Name=\"" + name
            + "\"><cc:ColorValues><cc:ColorCIELab><cc:L>4</cc:L><cc:A>5</cc:A><cc:B>6</cc:B>"
              "</cc:ColorCIELab></cc:ColorValues></cc:Object>\n";
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

    // A text view takes these for block breaks; the table's row must stay one row.
    QTest::newRow("U+2029 in a text table") << textTable(u"\u2029"_s) << u"txt"_s;
    QTest::newRow("U+FDD0 in a text table") << textTable(u"\uFDD0"_s) << u"txt"_s;
    QTest::newRow("U+FDD1 in a text table") << textTable(u"\uFDD1"_s) << u"txt"_s;
    QTest::newRow("U+2028 in a text table") << textTable(u"\u2028"_s) << u"txt"_s;
    // Character references put into a name what its row cannot hold.
    QTest::newRow("&#9; in a CxF3 name") << cxf3File("&#9;") << u"cxf"_s;
    QTest::newRow("&#10; in a CxF3 name") << cxf3File("&#10;") << u"cxf"_s;
    QTest::newRow("&#13; in a CxF3 name") << cxf3File("&#13;") << u"cxf"_s;
    QTest::newRow("&#x2028; in a CxF3 name") << cxf3File("&#x2028;") << u"cxf"_s;
    QTest::newRow("&#x2029; in a CxF3 name") << cxf3File("&#x2029;") << u"cxf"_s;
}

void TestHostsAgree::sameBytesFromBothHosts()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, extension);
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
    QVERIFY(records.at(1).endsWith("X,4,5,6\r"));

    // The window's views show each row on one line of its own.
    QCOMPARE(window.lines("memoKalidor").size(), 4);
    QCOMPARE(window.lines("memoDelvaneSpecialColors").size(), 3);
}

QTEST_MAIN(TestHostsAgree)
#include "tst_hostsagree.moc"
