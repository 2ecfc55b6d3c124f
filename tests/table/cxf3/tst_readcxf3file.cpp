#include "base/kalidorerror.h"
#include "recordingobserver.h"
#include "table/cxf3/colourobjectscan.h"
#include "table/cxf3/colourobjectscanner.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/xmldocument.h"
#include "table/cxf3/xmlfilereader.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

const QString header = QStringLiteral("Name\tL*\ta*\tb*");

QByteArray cxf(const QByteArray &objects)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\">\n"
           "  <cc:FileInformation><cc:Creator>test</cc:Creator></cc:FileInformation>\n"
           "  <cc:Resources>\n"
           "    <cc:ObjectCollection>\n"
        + objects
        + "    </cc:ObjectCollection>\n"
          "  </cc:Resources>\n"
          "</cc:CxF>\n";
}

QByteArray object(
    const QByteArray &name, const QByteArray &l, const QByteArray &a, const QByteArray &b)
{
    return "      <cc:Object ObjectType=\"Standard\" Name=\"" + name
        + "\">\n"
          "        <cc:CreationDate>2024-01-01</cc:CreationDate>\n"
          "        <cc:ColorValues>\n"
          "          <cc:ColorCIELab ColorSpecification=\"CS1\">\n"
          "            <cc:L>"
        + l + "</cc:L>\n            <cc:A>" + a + "</cc:A>\n            <cc:B>" + b
        + "</cc:B>\n"
          "          </cc:ColorCIELab>\n"
          "        </cc:ColorValues>\n"
          "      </cc:Object>\n";
}

// Named "K" and their index, counted from `first`.
QByteArray objects(int count, int unnamedIndex = -1, int first = 0)
{
    QByteArray result;
    for (int i = 0; i < count; ++i) {
        if (i == unnamedIndex)
            result += "<cc:Object><cc:ColorValues/></cc:Object>\n";
        else
            result += object("K" + QByteArray::number(i + first), "50", "1", "-1");
    }
    return result;
}

} // namespace

class TestReadCxF3File : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void rows_data();
    void rows();
    void fieldsOnOneLine_data();
    void fieldsOnOneLine();
    void failures_data();
    void failures();
    void fileFailures_data();
    void fileFailures();
    void callOrder_data();
    void callOrder();
    void progress_data();
    void progress();
    void externalEntitiesNotFetched_data();
    void externalEntitiesNotFetched();
    void encodings_data();
    void encodings();
    void repeatedReads();
    void readAfterFailureLoadsAfresh();
    void sampleFile();
    void conditionsNotes_data();
    void conditionsNotes();
    void nestedObjects_data();
    void nestedObjects();
    void madeScan_data();
    void madeScan();
    void madeScanIsWhatIsRead();
    void stoppedScan();

private:
    QString writeFile(const QByteArray &bytes);
    // The error's text, or a null string when the read succeeded.
    static QString failureOf(XmlDocument &document, const QString &path, LoopObserver &observer);

    QTemporaryDir m_dir;
    int m_files = 0;
};

QString TestReadCxF3File::writeFile(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("file%1.cxf").arg(++m_files));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString TestReadCxF3File::failureOf(
    XmlDocument &document, const QString &path, LoopObserver &observer)
{
    try {
        ReadCxF3File(document, path, observer);
    } catch (const KalidorError &error) {
        return error.text();
    }
    return QString();
}

void TestReadCxF3File::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestReadCxF3File::rows_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("three prefixed objects")
        << cxf(object("KALIDOR 1", "10", "11", "12") + object("KALIDOR 2", "20", "21", "22")
               + object("KALIDOR 3", "30", "31", "32"))
        << QStringList { "KALIDOR 1\t10\t11\t12", "KALIDOR 2\t20\t21\t22",
               "KALIDOR 3\t30\t31\t32" };
    QTest::newRow("values trimmed, written as they are")
        << cxf(object("K", "  92.50 ", "\n   -3,25\n   ", "\tabc def\t"))
        << QStringList { "K\t92.50\t-3,25\tabc def" };
    QTest::newRow("Unicode white space trimmed, inner kept")
        << cxf(object("K",
               "\xE3\x80\x80"
               "1\xC2\xA0"
               "2\xE2\x80\xA8",
               "\xC2\x85"
               "3",
               "4\xE2\x80\x83"))
        << QStringList { QString::fromUtf8("K\t1\xC2\xA0"
                                           "2\t3\t4") };
    QTest::newRow("zero-width space is no white space")
        << cxf(object("K",
               "\xE2\x80\x8B"
               "5",
               "6", "7"))
        << QStringList { QString::fromUtf8("K\t\xE2\x80\x8B"
                                           "5\t6\t7") };
    const QByteArray longValue = QByteArray("12\n").repeated(1 << 20);
    QTest::newRow("value across the reading chunks, its line breaks made spaces")
        << cxf(object("K", "\n " + longValue, "2", "3"))
        << QStringList { "K\t" + QString::fromLatin1(longValue.chopped(1)).replace(u'\n', u' ')
               + "\t2\t3" };
    QTest::newRow("CDATA unchanged")
        << cxf(object("K", "<![CDATA[ 50.0 ]]>", "  <![CDATA[<1>]]>\n", "2"))
        << QStringList { "K\t 50.0 \t<1>\t2" };
    // Blank, but written: a value, so its row is short of a field once split at its tabs.
    QTest::newRow("CDATA of only spaces")
        << cxf(object("K", "<![CDATA[   ]]>", "2", "3")) << QStringList { "K\t   \t2\t3" };
    QTest::newRow("references replaced in name and values")
        << cxf(object("KALIDOR &amp; &quot;Co&quot; &#x263A;&#65;", "&#49;&lt;2", "&apos;", "&gt;"))
        << QStringList { QString::fromUtf8("KALIDOR & \"Co\" \xE2\x98\xBA"
                                           "A\t1<2\t'\t>") };
    QTest::newRow("name kept untrimmed, empty name gives a leading tab")
        << cxf(object("  K  ", "1", "2", "3") + object("", "4", "5", "6"))
        << QStringList { "  K  \t1\t2\t3", "\t4\t5\t6" };
    QTest::newRow("values in any order") << cxf(
        "<cc:Object Name=\"K\"><cc:ColorValues><cc:ColorCIELab>"
        "<cc:B>3</cc:B><cc:A>2</cc:A><cc:L>1</cc:L></cc:ColorCIELab></cc:ColorValues>"
        "</cc:Object>") << QStringList { "K\t1\t2\t3" };
    QTest::newRow("first of two ColorCIELab") << cxf(
        "<cc:Object Name=\"K\"><cc:ColorValues>"
        "<cc:ColorCIELab><cc:L>1</cc:L><cc:A>2</cc:A><cc:B>3</cc:B></cc:ColorCIELab>"
        "<cc:ColorCIELab><cc:L>7</cc:L><cc:A>8</cc:A><cc:B>9</cc:B></cc:ColorCIELab>"
        "</cc:ColorValues></cc:Object>") << QStringList { "K\t1\t2\t3" };
    QTest::newRow("first of two ColorValues") << cxf(
        "<cc:Object Name=\"K\"><cc:ColorValues>"
        "<cc:ColorCIELab><cc:L>1</cc:L><cc:A>2</cc:A><cc:B>3</cc:B></cc:ColorCIELab>"
        "</cc:ColorValues><cc:ColorValues>"
        "<cc:ColorCIELab><cc:L>7</cc:L><cc:A>8</cc:A><cc:B>9</cc:B></cc:ColorCIELab>"
        "</cc:ColorValues></cc:Object>") << QStringList { "K\t1\t2\t3" };
    QTest::newRow("first of two of each of L, A and B") << cxf(
        "<cc:Object Name=\"K\"><cc:ColorValues><cc:ColorCIELab>"
        "<cc:L>1</cc:L><cc:L>7</cc:L><cc:A>2</cc:A><cc:B>3</cc:B><cc:A>8</cc:A><cc:B>9</cc:B>"
        "</cc:ColorCIELab></cc:ColorValues></cc:Object>")
                                                        << QStringList { "K\t1\t2\t3" };
    QTest::newRow("L, A and B in another namespace passed over") << cxf(
        "<cc:Object Name=\"K\" xmlns:o=\"urn:other\"><cc:ColorValues><cc:ColorCIELab>"
        "<o:L>7</o:L><cc:L>1</cc:L><o:A>8</o:A><cc:A>2</cc:A><o:B>9</o:B><cc:B>3</cc:B>"
        "</cc:ColorCIELab></cc:ColorValues></cc:Object>") << QStringList { "K\t1\t2\t3" };
    QTest::newRow("L, A and B in any namespace under a ColorCIELab in none") << QByteArray(
        "<CxF><Resources><ObjectCollection><Object Name=\"K\"><ColorValues>"
        "<ColorCIELab xmlns:o=\"urn:other\"><o:L>1</o:L><A xmlns=\"urn:more\">2</A>"
        "<o:B>3</o:B></ColorCIELab></ColorValues></Object></ObjectCollection>"
        "</Resources></CxF>") << QStringList { "K\t1\t2\t3" };
    QTest::newRow("children without Name passed over")
        << cxf(object("A", "1", "1", "1") + "<cc:Object><cc:ColorValues/></cc:Object>"
               + "<cc:Object name=\"b\"/><cc:Object NAME=\"c\"/><!-- d --><?pi e?>"
               + "<![CDATA[f]]>text<cc:Object cc:Name=\"g\"/>" + object("H", "2", "2", "2"))
        << QStringList { "A\t1\t1\t1", "H\t2\t2\t2" };
    QTest::newRow("any element with a Name counts")
        << cxf("<cc:Colour Name=\"K\"><cc:ColorValues><cc:ColorCIELab><cc:L>1</cc:L>"
               "<cc:A>2</cc:A><cc:B>3</cc:B></cc:ColorCIELab></cc:ColorValues></cc:Colour>")
        << QStringList { "K\t1\t2\t3" };
    QTest::newRow("Resources in another letter case")
        << QByteArray("<cc:CxF xmlns:cc=\"u\"><cc:resources><cc:ObjectCollection>"
               + object("K", "1", "2", "3") + "</cc:ObjectCollection></cc:resources></cc:CxF>")
        << QStringList();
    QTest::newRow("ObjectCollection in another letter case") << QByteArray(
        "<cc:CxF xmlns:cc=\"u\"><cc:Resources><cc:objectcollection>" + object("K", "1", "2", "3")
        + "</cc:objectcollection></cc:Resources></cc:CxF>") << QStringList();
    QTest::newRow("empty object collection")
        << cxf("<!---->").replace("<!---->", "") << QStringList();
    QTest::newRow("only the first Resources")
        << QByteArray("<cc:CxF xmlns:cc=\"u\"><cc:Resources/><cc:Resources><cc:ObjectCollection>"
               + object("K", "1", "2", "3") + "</cc:ObjectCollection></cc:Resources></cc:CxF>")
        << QStringList();
    QTest::newRow("only the first ObjectCollection") << cxf(object("K1", "1", "2", "3")
        + "</cc:ObjectCollection><cc:ObjectCollection>" + object("K2", "4", "5", "6"))
                                                     << QStringList { "K1\t1\t2\t3" };
    QTest::newRow("root in a namespace, children in none")
        << QByteArray("<cc:CxF xmlns:cc=\"u\"><Resources><ObjectCollection><Object Name=\"K\">"
                      "<ColorValues><ColorCIELab><L>1</L><A>2</A><B>3</B></ColorCIELab>"
                      "</ColorValues></Object></ObjectCollection></Resources></cc:CxF>")
        << QStringList();
    QTest::newRow("children in another namespace")
        << QByteArray("<cc:CxF xmlns:cc=\"u\" xmlns:o=\"v\"><o:Resources><o:ObjectCollection>"
                      "</o:ObjectCollection></o:Resources></cc:CxF>")
        << QStringList();
    QTest::newRow("no namespace declarations: names whatever the prefixes")
        << QByteArray("<x:CxF><y:Resources><ObjectCollection><z:Object Name=\"K\">"
                      "<ColorValues><q:ColorCIELab><L>1</L><w:A>2</w:A><B>3</B></q:ColorCIELab>"
                      "</ColorValues></z:Object></ObjectCollection></y:Resources></x:CxF>")
        << QStringList { "K\t1\t2\t3" };
    QTest::newRow("default namespace throughout")
        << QByteArray("<CxF xmlns=\"u\"><Resources><ObjectCollection><Object Name=\"K\">"
                      "<ColorValues><ColorCIELab><L>1</L><A>2</A><B>3</B></ColorCIELab>"
                      "</ColorValues></Object></ObjectCollection></Resources></CxF>")
        << QStringList { "K\t1\t2\t3" };
    QTest::newRow("two prefixes for one namespace")
        << QByteArray("<a:CxF xmlns:a=\"u\"><b:Resources xmlns:b=\"u\"><b:ObjectCollection>"
                      "<a:Object Name=\"K\"><b:ColorValues><a:ColorCIELab><a:L>1</a:L><b:A>2</b:A>"
                      "<a:B>3</a:B></a:ColorCIELab></b:ColorValues></a:Object>"
                      "</b:ObjectCollection></b:Resources></a:CxF>")
        << QStringList { "K\t1\t2\t3" };
    QTest::newRow("namespace URIs differing in the case of A to Z") << QByteArray(
        "<a:CxF xmlns:a=\"http://ColorExchangeFormat.com/CxF3-core\" "
        "xmlns:b=\"http://colorexchangeformat.COM/cxf3-CORE\"><b:Resources>"
        "<b:ObjectCollection><b:Object Name=\"K\"><b:ColorValues><b:ColorCIELab>"
        "<b:L>1</b:L><b:A>2</b:A><b:B>3</b:B></b:ColorCIELab></b:ColorValues>"
        "</b:Object></b:ObjectCollection></b:Resources></a:CxF>") << QStringList { "K\t1\t2\t3" };
    QTest::newRow("namespace URIs differing in the case of other letters") << QByteArray(
        "<a:CxF xmlns:a=\"urn:\xC3\xA4\" xmlns:b=\"urn:\xC3\x84\"><b:Resources>"
        "<b:ObjectCollection/></b:Resources><a:Resources><a:ObjectCollection>"
        "<a:Object Name=\"K\"><a:ColorValues><a:ColorCIELab><a:L>1</a:L><a:A>2</a:A>"
        "<a:B>3</a:B></a:ColorCIELab></a:ColorValues></a:Object>"
        "</a:ObjectCollection></a:Resources></a:CxF>") << QStringList { "K\t1\t2\t3" };
    QTest::newRow("external DTD named but never read")
        << QByteArray("<!DOCTYPE CxF SYSTEM \"file:///nonexistent/cxf.dtd\">" + cxf(objects(1)))
               .replace("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", "")
        << QStringList { "K0\t50\t1\t-1" };
    QTest::newRow("internal entity in a Name beside an external DTD")
        << QByteArray("<!DOCTYPE CxF SYSTEM \"file:///nonexistent/cxf.dtd\" "
                      "[<!ENTITY k \"KALIDOR\">]>"
               + cxf(object("&k; &amp; &#75;", "1", "2", "3"))
                     .replace("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", ""))
        << QStringList { "KALIDOR & K\t1\t2\t3" };
    QTest::newRow("internal entity") << QByteArray("<!DOCTYPE CxF [<!ENTITY k \"KALIDOR\">]>"
        + cxf(object("&k; 1", "1", "2", "3"))
              .replace("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", ""))
                                     << QStringList { "KALIDOR 1\t1\t2\t3" };
}

void TestReadCxF3File::rows()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, expected);

    XmlDocument xml;
    RecordingObserver observer;
    const QString path = writeFile(document);
    const QString error = failureOf(xml, path, observer);

    QVERIFY2(error.isNull(), qPrintable(error));
    QCOMPARE(observer.rows, QStringList { header } + expected);
    QVERIFY(!xml.isActive());
    QCOMPARE(xml.fileName(), QString());
}

void TestReadCxF3File::fieldsOnOneLine_data()
{
    // Written into the field at `position` (0 for the name, 1 to 3 for L, A and B) of an object
    // whose other fields are K, 1, 2 and 3.
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("field");

    QTest::newRow("tab") << 0 << QByteArray("K&#9;1") << QStringLiteral("K 1");
    QTest::newRow("line feed") << 0 << QByteArray("K&#10;1") << QStringLiteral("K 1");
    QTest::newRow("carriage return") << 0 << QByteArray("K&#13;1") << QStringLiteral("K 1");
    QTest::newRow("next line") << 0 << QByteArray("K&#x85;1") << QStringLiteral("K 1");
    QTest::newRow("line separator") << 0 << QByteArray("K&#x2028;1") << QStringLiteral("K 1");
    QTest::newRow("paragraph separator") << 0 << QByteArray("K&#x2029;1") << QStringLiteral("K 1");
    QTest::newRow("each of a CR LF pair, at both ends")
        << 0 << QByteArray("&#13;&#10;K&#13;&#10;1&#9;") << QStringLiteral("  K  1 ");
    QTest::newRow("written literally")
        << 0 << QByteArray("K\t1\n2\r\n3 \xE2\x80\xA8 4") << QStringLiteral("K 1 2 3   4");
    QTest::newRow("other white space kept") << 0 << QByteArray("K&#xA0;1&#x3000;2")
                                            << QString::fromUtf8("K\xC2\xA0"
                                                                 "1\xE3\x80\x80"
                                                                 "2");
    // In a value, what stands inside it; white space at its ends is trimmed away first.
    QTest::newRow("line feed in L") << 1 << QByteArray("5&#10;0") << QStringLiteral("5 0");
    QTest::newRow("tab and CR LF in A, written literally")
        << 2 << QByteArray(" 5\t0\r\n1 ") << QStringLiteral("5 0 1");
    QTest::newRow("references in B") << 3 << QByteArray("&#10;5&#13;&#10;0&#9;1&#x85;2&#x2028;3")
                                     << QStringLiteral("5  0 1 2 3");
    // A CDATA section is not trimmed, so its ends count too.
    QTest::newRow("CDATA in L") << 1 << QByteArray("<![CDATA[\n5\t0\r\n]]>")
                                << QStringLiteral(" 5 0 ");
    QTest::newRow("CDATA in B") << 3
                                << QByteArray("<![CDATA[5\xC2\x85"
                                              "0\xE2\x80\xA9]]>")
                                << QStringLiteral("5 0 ");
    QTest::newRow("other white space kept in A") << 2 << QByteArray("5&#xA0;0&#x3000;1")
                                                 << QString::fromUtf8("5\xC2\xA0"
                                                                      "0\xE3\x80\x80"
                                                                      "1");
}

// A row is one line of four fields whatever its name and values hold; only the characters that
// would break the line or the fields become spaces.
void TestReadCxF3File::fieldsOnOneLine()
{
    QFETCH(int, position);
    QFETCH(QByteArray, written);
    QFETCH(QString, field);

    QList<QByteArray> fields { "K", "1", "2", "3" };
    fields[position] = written;
    QStringList expected { "K", "1", "2", "3" };
    expected[position] = field;
    XmlDocument xml;
    RecordingObserver observer;
    ReadCxF3File(xml, writeFile(cxf(object(fields[0], fields[1], fields[2], fields[3]))), observer);

    QCOMPARE(observer.rows, (QStringList { header, expected.join(u'\t') }));
    QCOMPARE(observer.rows[1].split(u'\t').size(), 4);
}

void TestReadCxF3File::failures_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("rowsBefore");
    QTest::addColumn<QString>("message");

    const QByteArray good = object("KALIDOR 1", "10", "11", "12");
    const QStringList one { "KALIDOR 1\t10\t11\t12" };
    QTest::newRow("empty L") << cxf(good + object("Bad", "", "1", "2")) << one
                             << "colour object \"Bad\": L is empty";
    QTest::newRow("L written as an empty tag") << cxf(good
        + "<cc:Object Name=\"Bad\"><cc:ColorValues><cc:ColorCIELab><cc:L/><cc:A>1</cc:A>"
          "<cc:B>2</cc:B></cc:ColorCIELab></cc:ColorValues></cc:Object>")
                                               << one << "colour object \"Bad\": L is empty";
    QTest::newRow("A of spaces and a line break") << cxf(good + object("Bad", "1", "  \n  ", "2"))
                                                  << one << "colour object \"Bad\": A is empty";
    QTest::newRow("B of Unicode white space")
        << cxf(object("Bad", "1", "2", "\xE2\x80\x83\xC2\xA0\xE2\x80\xA9")) << QStringList()
        << "colour object \"Bad\": B is empty";
    QTest::newRow("empty CDATA") << cxf(object("Bad", "<![CDATA[]]>", "1", "2")) << QStringList()
                                 << "colour object \"Bad\": L is empty";
    QTest::newRow("comment beside text")
        << cxf(good + object("Bad", "5<!-- c -->", "1", "2")) << one
        << "colour object \"Bad\": L holds more than one node";
    QTest::newRow("text and CDATA")
        << cxf(object("Bad", "5 <![CDATA[6]]>", "1", "2")) << QStringList()
        << "colour object \"Bad\": L holds more than one node";
    QTest::newRow("only a comment") << cxf(object("Bad", "<!-- 5 -->", "1", "2")) << QStringList()
                                    << "colour object \"Bad\": L holds markup instead of text";
    QTest::newRow("an element") << cxf(object("Bad", "1", "<cc:v>2</cc:v>", "2")) << QStringList()
                                << "colour object \"Bad\": A holds markup instead of text";
    QTest::newRow("a processing instruction")
        << cxf(object("Bad", "1", "2", "<?v 3?>")) << QStringList()
        << "colour object \"Bad\": B holds markup instead of text";
    QTest::newRow("L in another letter case")
        << cxf(good
               + "<cc:Object Name=\"Bad\"><cc:ColorValues><cc:ColorCIELab><cc:l>1</cc:l>"
                 "<cc:A>1</cc:A><cc:B>2</cc:B></cc:ColorCIELab></cc:ColorValues></cc:Object>")
        << one << "colour object \"Bad\": no L in its first ColorCIELab";
    QTest::newRow("B missing") << cxf(good
        + "<cc:Object Name=\"Bad\"><cc:ColorValues><cc:ColorCIELab><cc:L>1</cc:L>"
          "<cc:A>1</cc:A></cc:ColorCIELab></cc:ColorValues></cc:Object>")
                               << one << "colour object \"Bad\": no B in its first ColorCIELab";
    QTest::newRow("ColorCIELab in another letter case")
        << cxf(good
               + "<cc:Object Name=\"Bad\"><cc:ColorValues><cc:colorcielab><cc:L>1</cc:L>"
                 "<cc:A>1</cc:A><cc:B>2</cc:B></cc:colorcielab></cc:ColorValues></cc:Object>")
        << one << "colour object \"Bad\": no ColorCIELab in its first ColorValues";
    QTest::newRow("values only in the second ColorCIELab")
        << cxf("<cc:Object Name=\"Bad\"><cc:ColorValues><cc:ColorCIELab/>"
               "<cc:ColorCIELab><cc:L>1</cc:L><cc:A>2</cc:A><cc:B>3</cc:B></cc:ColorCIELab>"
               "</cc:ColorValues></cc:Object>")
        << QStringList() << "colour object \"Bad\": no L in its first ColorCIELab";
    QTest::newRow("L only in another namespace")
        << cxf(good
               + object("Bad", "", "1", "2")
                     .replace("<cc:L></cc:L>", "<o:L xmlns:o=\"urn:other\">1</o:L>"))
        << one << "colour object \"Bad\": no L in its first ColorCIELab";
    QTest::newRow("a spectrum instead of ColorCIELab")
        << cxf(good
               + "<cc:Object Name=\"Bad\"><cc:ColorValues><cc:ReflectanceSpectrum StartWL=\"400\">"
                 "0.1 0.2 0.3</cc:ReflectanceSpectrum></cc:ColorValues></cc:Object>")
        << one
        << "colour object \"Bad\": no ColorCIELab in its first ColorValues; kalidor-convert "
           "--d50 computes its L, A and B values from its ReflectanceSpectrum";
    QTest::newRow("no ColorValues") << cxf(good + "<cc:Object Name=\"Bad\"/>") << one
                                    << "colour object \"Bad\": no ColorValues";
    QTest::newRow("ColorValues in another namespace") << cxf(good
        + "<cc:Object Name=\"Bad\"><o:ColorValues xmlns:o=\"urn:other\"><o:ColorCIELab>"
          "<o:L>1</o:L><o:A>1</o:A><o:B>2</o:B></o:ColorCIELab></o:ColorValues>"
          "</cc:Object>") << one << "colour object \"Bad\": no ColorValues";
}

void TestReadCxF3File::failures()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, rowsBefore);
    QFETCH(QString, message);

    XmlDocument xml;
    RecordingObserver observer;
    const QString path = writeFile(document);
    const QString error = failureOf(xml, path, observer);

    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY2(error.startsWith(path + QStringLiteral(": line ")), qPrintable(error));
    QCOMPARE(observer.rows, QStringList { header } + rowsBefore);
    QVERIFY(!observer.log.contains(QStringLiteral("end")));
    // Nothing is undone: the document keeps the tree it failed on.
    QVERIFY(xml.isActive());
    QCOMPARE(xml.fileName(), path);
}

void TestReadCxF3File::fileFailures_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("message");

    const QByteArray body
        = cxf(objects(2)).replace("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", "");
    QTest::newRow("empty file") << QByteArray() << "line 1, column 1: no element found";
    QTest::newRow("only white space") << QByteArray(" \n\t") << "no element found";
    QTest::newRow("only a declaration")
        << QByteArray("<?xml version=\"1.0\"?>\n") << "line 2, column 1: no element found";
    QTest::newRow("only a comment and a processing instruction")
        << QByteArray("<!-- c --><?pi x?>") << "no element found";
    QTest::newRow("end tag not matching")
        << QByteArray("<cc:CxF xmlns:cc=\"u\">\n<cc:Resources></cc:resources></cc:CxF>")
        << "line 2, column 17: mismatched tag";
    QTest::newRow("element left open") << QByteArray("<a><b></b>") << "no element found";
    QTest::newRow("broken markup after an object that fails")
        << cxf(object("Bad", "", "1", "2") + "<cc:Object Name=K/>") << "not well-formed";
    QTest::newRow("broken markup") << QByteArray("<a><b Name=K/></a>") << "not well-formed";
    QTest::newRow("two root elements") << QByteArray("<a/><b/>") << "junk after document element";
    QTest::newRow("text before the root") << QByteArray("x<a/>") << "not well-formed";
    QTest::newRow("bytes that are not UTF-8")
        << QByteArray("<a Name=\"Gr\xFCn\"/>") << "not well-formed";
    QTest::newRow("undefined entity") << QByteArray("<a>&nbsp;</a>") << "undefined entity";
    QTest::newRow("undefined entity in a Name")
        << QByteArray(body).replace("Name=\"K0\"", "Name=\"&eacute;\"") << "undefined entity";
    QTest::newRow("undefined entity beside an external DTD")
        << QByteArray("<!DOCTYPE a SYSTEM \"file:///nonexistent/a.dtd\"><a>&nbsp;</a>")
        << "the entity \"nbsp\" is not defined";
    QTest::newRow("unknown encoding")
        << QByteArray("<?xml version=\"1.0\" encoding=\"x-no-such-code-page\"?><a/>")
        << "the encoding \"x-no-such-code-page\" is not known";
    QTest::newRow("multi-byte code page refused")
        << QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a/>")
        << "the encoding \"Shift_JIS\" is not a single-byte code page";
    QTest::newRow("UTF-16 declared over 8-bit bytes")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>") << "encoding";
    QTest::newRow("nested entity expansion") << QByteArray(
        "<!DOCTYPE a [\n"
        "<!ENTITY a0 \"lollollollollollollollollollol\">\n"
        "<!ENTITY a1 \"&a0;&a0;&a0;&a0;&a0;&a0;&a0;&a0;&a0;&a0;\">\n"
        "<!ENTITY a2 \"&a1;&a1;&a1;&a1;&a1;&a1;&a1;&a1;&a1;&a1;\">\n"
        "<!ENTITY a3 \"&a2;&a2;&a2;&a2;&a2;&a2;&a2;&a2;&a2;&a2;\">\n"
        "<!ENTITY a4 \"&a3;&a3;&a3;&a3;&a3;&a3;&a3;&a3;&a3;&a3;\">\n"
        "<!ENTITY a5 \"&a4;&a4;&a4;&a4;&a4;&a4;&a4;&a4;&a4;&a4;\">\n"
        "<!ENTITY a6 \"&a5;&a5;&a5;&a5;&a5;&a5;&a5;&a5;&a5;&a5;\">\n"
        "<!ENTITY a7 \"&a6;&a6;&a6;&a6;&a6;&a6;&a6;&a6;&a6;&a6;\">\n"
        "<!ENTITY a8 \"&a7;&a7;&a7;&a7;&a7;&a7;&a7;&a7;&a7;&a7;\">\n"
        "<!ENTITY a9 \"&a8;&a8;&a8;&a8;&a8;&a8;&a8;&a8;&a8;&a8;\">\n"
        "]>\n<a Name=\"&a9;\">&a9;</a>") << "amplification";
}

// Failures of loading: the view, the indicator and the label stay untouched and the document
// stays inactive.
void TestReadCxF3File::fileFailures()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, message);

    XmlDocument xml;
    RecordingObserver observer;
    const QString path = writeFile(document);
    const QString error = failureOf(xml, path, observer);

    QVERIFY2(error.startsWith(path + QStringLiteral(": line ")), qPrintable(error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QCOMPARE(observer.log, QStringList());
    QVERIFY(!xml.isActive());
}

void TestReadCxF3File::callOrder_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("expected");

    const QString rowHeader = QStringLiteral("row ") + header;
    QTest::newRow("three objects")
        << cxf(object("A", "1", "2", "3") + object("B", "4", "5", "6") + object("C", "7", "8", "9"))
        << QStringList { "begin", "events", "yield", rowHeader, "row A\t1\t2\t3", "yield",
               "row B\t4\t5\t6", "width 133", "events", "yield", "row C\t7\t8\t9", "yield", "end" };
    QTest::newRow("passed-over children: no yield")
        << cxf(object("A", "1", "2", "3") + "<!-- c --><cc:Object/>" + object("B", "4", "5", "6"))
        << QStringList { "begin", "events", "yield", rowHeader, "row A\t1\t2\t3", "yield",
               "row B\t4\t5\t6", "yield", "end" };
    QTest::newRow("no object collection") << QByteArray(
        "<cc:CxF xmlns:cc=\"u\"/>") << QStringList { "begin", "events", "yield", rowHeader, "end" };
    QTest::newRow("failure: no end")
        << cxf(object("A", "1", "2", "3") + object("B", "4", "5", "") + object("C", "7", "8", "9"))
        << QStringList { "begin", "events", "yield", rowHeader, "row A\t1\t2\t3", "yield" };
}

void TestReadCxF3File::callOrder()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, expected);

    XmlDocument xml;
    RecordingObserver observer;
    failureOf(xml, writeFile(document), observer);

    QCOMPARE(observer.log, expected);
}

void TestReadCxF3File::progress_data()
{
    QTest::addColumn<QByteArray>("document");
    // The child index after which each update comes, and the width it sets.
    QTest::addColumn<QList<int>>("indexes");
    QTest::addColumn<QList<int>>("widths");

    QTest::newRow("empty collection") << cxf({}) << QList<int>() << QList<int>();
    QTest::newRow("one child") << cxf(objects(1)) << QList<int>() << QList<int>();
    QTest::newRow("two children") << cxf(objects(2)) << QList<int> { 1 } << QList<int> { 200 };
    QTest::newRow("three children") << cxf(objects(3)) << QList<int> { 1 } << QList<int> { 133 };
    QTest::newRow("twenty children") << cxf(objects(20)) << QList<int> { 1 } << QList<int> { 20 };

    QList<int> from2To20;
    for (int i = 2; i <= 20; ++i)
        from2To20.append(i);
    QTest::newRow("21 children") << cxf(objects(21)) << from2To20
                                 << QList<int> { 38, 57, 76, 95, 114, 133, 152, 171, 190, 209, 228,
                                        247, 266, 285, 304, 323, 342, 361, 380 };
    QTest::newRow("1000 children") << cxf(objects(1000))
                                   << QList<int> { 50, 99, 148, 197, 246, 295, 344, 393, 442, 491,
                                          540, 589, 638, 687, 736, 785, 834, 883, 932, 981 }
                                   << QList<int> { 20, 39, 59, 78, 98, 118, 137, 157, 176, 196, 216,
                                          235, 255, 274, 294, 314, 333, 353, 372, 392 };
    QTest::newRow("100 children, index 5 unnamed")
        << cxf(objects(100, 5)) << QList<int>() << QList<int>();
    // 29 / 100 * 400 and 57 / 100 * 400 fall just short of whole numbers in floating point.
    QTest::newRow("100 children, index 6 unnamed")
        << cxf(objects(100, 6))
        << QList<int> { 5, 9, 13, 17, 21, 25, 29, 33, 37, 41, 45, 49, 53, 57, 61, 65, 69, 73, 77,
               81, 85, 89, 93, 97 }
        << QList<int> { 20, 36, 52, 68, 84, 100, 115, 132, 148, 164, 180, 196, 212, 227, 244, 260,
               276, 292, 308, 324, 340, 356, 372, 388 };
    QTest::newRow("21 children, a comment at the second update point")
        << cxf(objects(3) + "<!-- skipped -->" + objects(17, -1, 4)) << QList<int> { 2 }
        << QList<int> { 38 };
    QTest::newRow("21 children, text at the second update point")
        << cxf(objects(3) + " stray text " + objects(17, -1, 4)) << QList<int> { 2 }
        << QList<int> { 38 };
    QTest::newRow("21 children, an empty CDATA section at the second update point") << cxf(
        objects(3) + "<![CDATA[]]>" + objects(17, -1, 4)) << QList<int> { 2 } << QList<int> { 38 };
    QTest::newRow("two children, the second unnamed")
        << cxf(objects(2, 1)) << QList<int>() << QList<int>();
}

void TestReadCxF3File::progress()
{
    QFETCH(QByteArray, document);
    QFETCH(QList<int>, indexes);
    QFETCH(QList<int>, widths);
    QCOMPARE(indexes.size(), widths.size());

    XmlDocument xml;
    RecordingObserver observer;
    ReadCxF3File(xml, writeFile(document), observer);

    // The objects are named after their index among the children.
    QList<RecordingObserver::Update> expected;
    for (int i = 0; i < indexes.size(); ++i)
        expected.append({ QStringLiteral("K%1\t50\t1\t-1").arg(indexes[i]), widths[i] });
    QCOMPARE(observer.updates, expected);
}

void TestReadCxF3File::externalEntitiesNotFetched_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("message");

    const QString secret = writeFile("MARKER-7f3a");
    const QString dtd = writeFile("<!ENTITY k \"MARKER-7f3a\">");
    const QByteArray secretUrl = QUrl::fromLocalFile(secret).toEncoded();
    const QByteArray dtdUrl = QUrl::fromLocalFile(dtd).toEncoded();
    const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const QByteArray inName = cxf(object("&k;", "1", "2", "3")).replace(declaration, "");
    const QByteArray inText = cxf(object("K", "&k;", "2", "3")).replace(declaration, "");
    QTest::newRow("entity in content")
        << QByteArray("<!DOCTYPE cc:CxF [<!ENTITY k SYSTEM \"" + secretUrl + "\">]>" + inText)
        << "the external entity \"" + QString::fromUtf8(secretUrl) + "\" is not read";
    QTest::newRow("system file") << QByteArray(
        "<!DOCTYPE cc:CxF [<!ENTITY k SYSTEM \"file:///etc/passwd\">]>" + inText)
                                 << "the external entity \"file:///etc/passwd\" is not read";
    QTest::newRow("entity in an attribute")
        << QByteArray("<!DOCTYPE cc:CxF [<!ENTITY k SYSTEM \"" + secretUrl + "\">]>" + inName)
        << "reference to external entity in attribute";
    QTest::newRow("entity of an external DTD in text")
        << QByteArray("<!DOCTYPE cc:CxF SYSTEM \"" + dtdUrl + "\">" + inText)
        << "the entity \"k\" is not defined";
    QTest::newRow("entity of an external DTD in a Name")
        << QByteArray("<!DOCTYPE cc:CxF SYSTEM \"" + dtdUrl + "\">" + inName)
        << "the entity \"k\" is not defined";
    QStringEncoder toUtf16(QStringConverter::Utf16LE);
    const QByteArray utf16
        = toUtf16(QString::fromUtf8("<!DOCTYPE cc:CxF SYSTEM \"" + dtdUrl + "\">" + inName));
    QTest::newRow("entity of an external DTD in a Name, UTF-16")
        << QByteArray("\xFF\xFE" + utf16) << "the entity \"k\" is not defined";
    QTest::newRow("entity of an external parameter entity in text")
        << QByteArray("<!DOCTYPE cc:CxF [<!ENTITY % p SYSTEM \"" + dtdUrl + "\"> %p;]>" + inText)
        << "the entity \"k\" is not defined";
    QTest::newRow("entity of an external parameter entity in a Name")
        << QByteArray("<!DOCTYPE cc:CxF [<!ENTITY % p SYSTEM \"" + dtdUrl + "\"> %p;]>" + inName)
        << "the entity \"k\" is not defined";
}

// An external entity is never fetched, and a reference to one fails the read rather than
// leave a silent gap in a name or a value.
void TestReadCxF3File::externalEntitiesNotFetched()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, message);

    XmlDocument xml;
    RecordingObserver observer;
    const QString error = failureOf(xml, writeFile(document), observer);

    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(!error.contains(QStringLiteral("MARKER")));
    QCOMPARE(observer.log, QStringList());
}

void TestReadCxF3File::encodings_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("name");

    const QString name = QString::fromUtf8("KALIDOR Gr\xC3\xBCn \xE2\x82\xAC");
    const auto build = [](const QByteArray &declaration, const QString &objectName,
                           QStringConverter::Encoding encoding) {
        const QString text = QString::fromUtf8(declaration
            + cxf(object("@", "1", "2", "3"))
                  .replace("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", ""));
        QStringEncoder encoder(encoding);
        return QByteArray(encoder(QString(text).replace(u'@', objectName)));
    };
    QTest::newRow("UTF-8 without a mark") << build("", name, QStringConverter::Utf8) << name;
    QTest::newRow("UTF-8 with a mark") << QByteArray(
        "\xEF\xBB\xBF" + build("<?xml version=\"1.0\"?>", name, QStringConverter::Utf8))
                                       << name;
    QTest::newRow("UTF-8 mark overrides the declaration") << QByteArray("\xEF\xBB\xBF"
        + build("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", name, QStringConverter::Utf8))
                                                          << name;
    QTest::newRow("UTF-16LE with a mark") << QByteArray("\xFF\xFE"
        + build("<?xml version=\"1.0\" encoding=\"UTF-16\"?>", name, QStringConverter::Utf16LE))
                                          << name;
    QTest::newRow("UTF-16BE with a mark") << QByteArray("\xFE\xFF"
        + build("<?xml version=\"1.0\" encoding=\"UTF-16\"?>", name, QStringConverter::Utf16BE))
                                          << name;
    QTest::newRow("UTF-16BE mark without a declaration")
        << QByteArray("\xFE\xFF" + build("", name, QStringConverter::Utf16BE)) << name;
    QTest::newRow("ISO-8859-1 declared") << QByteArray(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a:CxF xmlns:a=\"u\">"
        "<a:Resources><a:ObjectCollection><a:Object Name=\"Gr\xFCn \xA4\">"
        "<a:ColorValues><a:ColorCIELab><a:L>1</a:L><a:A>2</a:A><a:B>3</a:B>"
        "</a:ColorCIELab></a:ColorValues></a:Object></a:ObjectCollection>"
        "</a:Resources></a:CxF>") << QString::fromUtf8("Gr\xC3\xBCn \xC2\xA4");
    QTest::newRow("windows-1252 declared")
        << QByteArray("<?xml version='1.0' encoding='windows-1252'?><a:CxF xmlns:a=\"u\">"
                      "<a:Resources><a:ObjectCollection><a:Object Name=\"Gr\xFCn \x80 \x93q\x94\">"
                      "<a:ColorValues><a:ColorCIELab><a:L>1</a:L><a:A>2</a:A><a:B>3</a:B>"
                      "</a:ColorCIELab></a:ColorValues></a:Object></a:ObjectCollection>"
                      "</a:Resources></a:CxF>")
        << QString::fromUtf8("Gr\xC3\xBCn \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
    QTest::newRow("KOI8-R declared") << QByteArray(
        "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a:CxF xmlns:a=\"u\">"
        "<a:Resources><a:ObjectCollection><a:Object Name=\"\xEB\xF2\xE1\xF3\">"
        "<a:ColorValues><a:ColorCIELab><a:L>1</a:L><a:A>2</a:A><a:B>3</a:B>"
        "</a:ColorCIELab></a:ColorValues></a:Object></a:ObjectCollection>"
        "</a:Resources></a:CxF>") << QString::fromUtf8("\xD0\x9A\xD0\xA0\xD0\x90\xD0\xA1");
    QTest::newRow("US-ASCII with a character reference") << QByteArray(
        "<?xml version=\"1.0\" encoding=\"US-ASCII\"?><a:CxF xmlns:a=\"u\">"
        "<a:Resources><a:ObjectCollection><a:Object Name=\"Gr&#252;n\">"
        "<a:ColorValues><a:ColorCIELab><a:L>1</a:L><a:A>2</a:A><a:B>3</a:B>"
        "</a:ColorCIELab></a:ColorValues></a:Object></a:ObjectCollection>"
        "</a:Resources></a:CxF>") << QString::fromUtf8("Gr\xC3\xBCn");
}

void TestReadCxF3File::encodings()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, name);

    XmlDocument xml;
    RecordingObserver observer;
    ReadCxF3File(xml, writeFile(document), observer);

    QCOMPARE(observer.rows, (QStringList { header, name + QStringLiteral("\t1\t2\t3") }));
}

void TestReadCxF3File::repeatedReads()
{
    XmlDocument xml;
    RecordingObserver first;
    RecordingObserver second;
    const QString path = writeFile(cxf(objects(25, 3)));
    ReadCxF3File(xml, path, first);
    ReadCxF3File(xml, path, second);

    QCOMPARE(first.rows.size(), 25);
    QCOMPARE(second.log, first.log);
    QVERIFY(!xml.isActive());
    QCOMPARE(xml.fileName(), QString());
}

// A read that failed leaves its tree in the document; the next read of the same path must
// see the file as it is now, not that tree.
void TestReadCxF3File::readAfterFailureLoadsAfresh()
{
    XmlDocument xml;
    const QString path = writeFile(cxf(object("Old", "1", "2", "3") + object("Bad", "", "", "")));
    RecordingObserver failed;
    QVERIFY(!failureOf(xml, path, failed).isNull());
    QVERIFY(xml.isActive());

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(cxf(object("New", "4", "5", "6")));
    file.close();

    RecordingObserver observer;
    ReadCxF3File(xml, path, observer);
    QCOMPARE(observer.rows, (QStringList { header, "New\t4\t5\t6" }));
}

void TestReadCxF3File::sampleFile()
{
    XmlDocument xml;
    RecordingObserver observer;
    ReadCxF3File(xml, QStringLiteral(KALIDOR_TEST_DATA "/colour-cxf/sample.cxf"), observer);

    QCOMPARE(observer.rows.size(), 1 + 144);
    QCOMPARE(observer.rows[0], header);
    QCOMPARE(observer.rows[1], QStringLiteral("1\t17.64167\t1.076669\t0.3338588"));
    QCOMPARE(observer.rows[2], QStringLiteral("2\t47.83558\t63.29078\t36.27213"));
    QCOMPARE(observer.rows[3], QStringLiteral("3\t52.16195\t-53.21359\t24.27447"));
    for (int i = 1; i <= 144; ++i) {
        const QStringList fields = observer.rows[i].split(u'\t');
        QCOMPARE(fields.size(), 4);
        QCOMPARE(fields[0], QString::number(i));
    }
}

void TestReadCxF3File::conditionsNotes_data()
{
    QTest::addColumn<QByteArray>("document");
    // The rows, by index in the table, that get a note, and the conditions each names.
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("named");

    const auto colour = [](const QByteArray &name, const QByteArray &conditions) {
        return "<cc:Object Name=\"" + name + "\"><cc:ColorValues><cc:ColorCIELab"
            + (conditions.isNull() ? "" : " ColorSpecification=\"" + conditions + "\"")
            + "><cc:L>1</cc:L><cc:A>2</cc:A><cc:B>3</cc:B></cc:ColorCIELab></cc:ColorValues>"
              "</cc:Object>";
    };
    const auto conditions = [](const QByteArray &attributes, const QByteArray &tristimulus) {
        return "<cc:ColorSpecification" + attributes + "><cc:TristimulusSpec>" + tristimulus
            + "</cc:TristimulusSpec></cc:ColorSpecification>";
    };
    const auto file
        = [](const QByteArray &before, const QByteArray &objects, const QByteArray &after) {
              return "<cc:CxF xmlns:cc=\"u\"><cc:Resources>" + before + "<cc:ObjectCollection>"
                  + objects + "</cc:ObjectCollection>" + after + "</cc:Resources></cc:CxF>";
          };
    const auto collection = [](const QByteArray &entries) {
        return "<cc:ColorSpecificationCollection>" + entries + "</cc:ColorSpecificationCollection>";
    };
    const QByteArray objects = colour("K1", "A") + colour("K2", "B") + colour("K3", QByteArray());
    const QByteArray d65 = "<cc:Illuminant>D65</cc:Illuminant><cc:Observer>2_Degree</cc:Observer>";

    QTest::newRow("collection after the objects")
        << file({}, objects, collection(conditions(" Id=\"B\"", d65))) << QList<int> { 2 }
        << QStringList { "illuminant D65, observer 2_Degree (ColorSpecification \"B\")" };
    QTest::newRow("collection before the objects, observer only") << file(
        collection(conditions(" Id=\"A\"", "<cc:Observer>10_Degree</cc:Observer>")), objects,
        {}) << QList<int> { 1 } << QStringList { "observer 10_Degree (ColorSpecification \"A\")" };
    QTest::newRow("CDATA with spaces, D50 and 2_Degree in any letter case")
        << file({}, objects,
               collection(conditions(" Id=\"A\"", "<cc:Illuminant><![CDATA[ F2 ]]></cc:Illuminant>")
                   + conditions(" Id=\"B\"",
                       "<cc:Illuminant>d50</cc:Illuminant><cc:Observer>2_degree</cc:Observer>")))
        << QList<int> { 1 } << QStringList { "illuminant F2 (ColorSpecification \"A\")" };
    QTest::newRow("one Id twice: the last that is not D50 with 2 degrees")
        << file({}, objects,
               collection(conditions(" Id=\"A\"", d65)
                   + conditions(" Id=\"A\"", "<cc:Illuminant>A</cc:Illuminant><cc:Observer/>")
                   + conditions(" Id=\"A\"", "<cc:Illuminant>D50</cc:Illuminant>")))
        << QList<int> { 1 } << QStringList { "illuminant A (ColorSpecification \"A\")" };
    QTest::newRow("no Id, an empty Id, a TristimulusSpec in another namespace") << file({}, objects,
        collection(conditions({}, d65) + conditions(" Id=\"\"", d65)
            + "<cc:ColorSpecification Id=\"A\"><o:TristimulusSpec xmlns:o=\"v\">" + d65
            + "</o:TristimulusSpec></cc:ColorSpecification>")) << QList<int>() << QStringList();
    QTest::newRow("only the first collection")
        << file({}, objects, collection({}) + collection(conditions(" Id=\"A\"", d65)))
        << QList<int>() << QStringList();
}

// A row whose values the file says are for another illuminant or observer gets a note,
// wherever the measuring conditions stand in the file.
void TestReadCxF3File::conditionsNotes()
{
    QFETCH(QByteArray, document);
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, named);

    XmlDocument xml;
    RecordingObserver observer;
    RowNotes notes;
    ReadCxF3File(xml, writeFile(document), observer, &notes);

    QCOMPARE(observer.rows.size(), 4);
    RowNotes expected;
    for (qsizetype i = 0; i < rows.size(); ++i)
        expected.insert(rows[i],
            QStringLiteral("its Lab values are for %1, yet the record gives them as D50 with the "
                           "2\u00B0 observer")
                .arg(named[i]));
    QCOMPARE(notes, expected);
}

void TestReadCxF3File::nestedObjects_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("names"); // of the rows
    QTest::addColumn<int>("notedRow"); // -1 for none
    QTest::addColumn<QString>("inner"); // the object noted and its line

    const auto colour = [](const QByteArray &name, const QByteArray &inside = {}) {
        return "<cc:Object Name=\"" + name
            + "\"><cc:ColorValues><cc:ColorCIELab><cc:L>1</cc:L>"
              "<cc:A>2</cc:A><cc:B>3</cc:B></cc:ColorCIELab></cc:ColorValues>"
            + inside + "</cc:Object>";
    };
    const auto file = [](const QByteArray &objects) {
        return "<cc:CxF xmlns:cc=\"u\"><cc:Resources><cc:ObjectCollection>\n" + objects
            + "\n</cc:ObjectCollection></cc:Resources></cc:CxF>";
    };
    QTest::newRow("the first of two")
        << file(colour("K0") + '\n' + colour("K1", '\n' + colour("In 1") + '\n') + '\n'
               + colour("K2", colour("In 2")))
        << QStringList { "K0", "K1", "K2" } << 2 << QStringLiteral("\"In 1\" on line 4");
    QByteArray chain = colour("N999");
    for (int i = 998; i >= 0; --i)
        chain = colour("N" + QByteArray::number(i), '\n' + chain);
    QTest::newRow("a chain of a thousand")
        << file(chain) << QStringList { "N0" } << 1 << QStringLiteral("\"N1\" on line 3");
    QTest::newRow("name kept to one line")
        << file(colour("K0", "<cc:Object Name=\"a&#9;b&#10;c\"/>")) << QStringList { "K0" } << 1
        << QStringLiteral("\"a b c\" on line 2");
    QTest::newRow("an object without a name inside")
        << file(colour("K0", "<cc:Object><cc:ColorValues/></cc:Object>")) << QStringList { "K0" }
        << -1 << QString();
    QTest::newRow("an element of another name inside")
        << file(colour("K0", "<cc:Objects Name=\"x\"/><Object Name=\"y\" xmlns=\"v\"/>"))
        << QStringList { "K0" } << -1 << QString();
}

// An object inside another is passed over, and the first of the file is noted on the row of
// the one holding it, whether the file is read there and then or scanned beforehand.
void TestReadCxF3File::nestedObjects()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, names);
    QFETCH(int, notedRow);
    QFETCH(QString, inner);

    const QString path = writeFile(document);
    for (const bool scannedBefore : { false, true }) {
        const std::atomic<bool> notStopped { false };
        ColourObjectScan scan(path, notStopped);
        XmlDocument xml;
        RecordingObserver observer;
        std::optional<NestedObjectNote> nested;
        const NumberedLines lines
            = ReadCxF3File(xml, path, observer, nullptr, scannedBefore ? &scan : nullptr, &nested);
        QStringList rowNames;
        for (qsizetype i = 1; i < lines.size(); ++i)
            rowNames.append(lines.lines.at(i).section(u'\t', 0, 0));
        QCOMPARE(rowNames, names);
        QCOMPARE(nested.has_value(), notedRow >= 0);
        if (!nested)
            continue;
        QCOMPARE(nested->row, qsizetype(notedRow));
        QCOMPARE(nested->text,
            QStringLiteral("it holds colour object %1, which is passed over, as is every colour "
                           "object inside another")
                .arg(inner));
    }
}

void TestReadCxF3File::madeScan_data()
{
    QTest::addColumn<QByteArray>("document");

    QTest::newRow("rows") << cxf(objects(3));
    QTest::newRow("object without values") << cxf(objects(2) + "<cc:Object Name=\"X\"/>");
    QTest::newRow("not well-formed") << cxf(objects(2)).replace("</cc:Resources>", "");
}

// A scan made beforehand gives the read the same rows, progress and failure as reading the
// file there and then.
void TestReadCxF3File::madeScan()
{
    QFETCH(QByteArray, document);
    const QString path = writeFile(document);

    const auto read = [&path](ColourObjectScan *scan) {
        XmlDocument xml;
        RecordingObserver observer;
        try {
            ReadCxF3File(xml, path, observer, nullptr, scan);
        } catch (const KalidorError &error) {
            observer.log.append(error.text());
        }
        return observer.log;
    };
    const std::atomic<bool> notStopped { false };
    ColourObjectScan scan(path, notStopped);
    QCOMPARE(read(&scan), read(nullptr));
}

// The file is not read again: what the scan found is what the read gives.
void TestReadCxF3File::madeScanIsWhatIsRead()
{
    const QString path = writeFile(cxf(objects(2)));
    const std::atomic<bool> notStopped { false };
    ColourObjectScan scan(path, notStopped);
    QFile rewritten(path);
    QVERIFY(rewritten.open(QIODevice::WriteOnly | QIODevice::Truncate));
    rewritten.write(cxf(objects(3, -1, 10)));
    rewritten.close();

    XmlDocument xml;
    RecordingObserver observer;
    ReadCxF3File(xml, path, observer, nullptr, &scan);
    QCOMPARE(observer.rows,
        (QStringList { header, QStringLiteral("K0\t50\t1\t-1"), QStringLiteral("K1\t50\t1\t-1") }));
}

void TestReadCxF3File::stoppedScan()
{
    const std::atomic<bool> stopRequested { true };
    QVERIFY_THROWS_EXCEPTION(
        XmlReadStopped, scanColourObjects(writeFile(cxf(objects(3))), &stopRequested));
}

QTEST_GUILESS_MAIN(TestReadCxF3File)
#include "tst_readcxf3file.moc"
