#include "base/kalidorerror.h"
#include "xmltreedocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestXmlTreeDocument : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void childNodes_data();
    void childNodes();
    void textKeptOnlyInListedElements();
    void namespaces_data();
    void namespaces();
    void attributesAsWritten();
    void failedLookupYieldsEmptyElement();
    void lifecycle();
    void unreadableFiles_data();
    void unreadableFiles();

private:
    QString writeFile(const QByteArray &bytes);

    QTemporaryDir m_dir;
    int m_files = 0;
};

namespace {

// One letter per child node of the root: e element, t text, c CDATA, m comment,
// p processing instruction, each followed by its text in brackets when it has one.
QString describeChildren(const XmlNode &element)
{
    QString result;
    for (int i = 0; i < element.childCount(); ++i) {
        const XmlNode child = element.child(i);
        switch (child.kind()) {
        case XmlNodeKind::Element:
            result += u'e';
            continue;
        case XmlNodeKind::Text:
            result += u't';
            break;
        case XmlNodeKind::CData:
            result += u'c';
            break;
        case XmlNodeKind::Comment:
            result += u'm';
            break;
        case XmlNodeKind::ProcessingInstruction:
            result += u'p';
            break;
        }
        result += u'[' + child.text() + u']';
    }
    return result;
}

} // namespace

QString TestXmlTreeDocument::writeFile(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("file%1.xml").arg(++m_files));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestXmlTreeDocument::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestXmlTreeDocument::childNodes_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("children");

    QTest::newRow("indentation leaves no nodes")
        << QByteArray("<r>\n\t<a/>\r\n  <b/>\n</r>") << QStringLiteral("ee");
    QTest::newRow("every kind of node")
        << QByteArray("<r> one <!-- two --> <?three four ?>\n<![CDATA[ five ]]> <e/> six\n</r>")
        << QStringLiteral("t[one]m[ two ]p[four ]c[ five ]et[six]");
    QTest::newRow("text split by references and lines is one node") << QByteArray(
        "<r>\n  a &amp; b&#10;  \n  c&lt;  \n</r>") << QStringLiteral("t[a & b\n  \n  c<]");
    QTest::newRow("character reference to a space is trimmed too")
        << QByteArray("<r>&#32;x&#x20;</r>") << QStringLiteral("t[x]");
    QTest::newRow("Unicode white space only leaves no node")
        << QByteArray("<r>\xC2\x85\xC2\xA0\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x8A\xE2\x80\xA8"
                      "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80\x0B\x0C</r>")
               .replace("\x0B\x0C", "")
        << QString();
    QTest::newRow("zero-width and word joiner characters are kept")
        << QByteArray("<r>\xE2\x80\x8B\xE2\x81\xA0\xEF\xBB\xBF</r>")
        << QString::fromUtf8("t[\xE2\x80\x8B\xE2\x81\xA0\xEF\xBB\xBF]");
    QTest::newRow("white space inside text is kept")
        << QByteArray("<r>\xE3\x80\x80 a\xC2\xA0\xE2\x80\xA8 b \xC2\x85</r>")
        << QString::fromUtf8("t[a\xC2\xA0\xE2\x80\xA8 b]");
    QTest::newRow("CDATA of white space is kept")
        << QByteArray("<r> <![CDATA[  ]]> <![CDATA[]]></r>") << QStringLiteral("c[  ]c[]");
    const QByteArray longText = QByteArray("ab\n").repeated(1 << 20);
    QTest::newRow("text across the reading chunks")
        << QByteArray("<r>  " + longText + "  </r>")
        << QStringLiteral("t[") + QString::fromLatin1(longText.chopped(1)) + u']';
}

void TestXmlTreeDocument::childNodes()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, children);

    XmlTreeDocument xml;
    xml.setFileName(writeFile(document));
    xml.activate();
    QCOMPARE(describeChildren(xml.rootElement()), children);
}

// The nodes stay where they were; only their text is gone, and blank text still leaves none.
void TestXmlTreeDocument::textKeptOnlyInListedElements()
{
    XmlTreeDocument xml;
    xml.setFileName(
        writeFile("<r> x <!-- y --><?p z?><L> 1 </L><c:A xmlns:c=\"u\"><![CDATA[2]]></c:A>"
                  "<b>3<!-- 4 --><![CDATA[5]]> \n </b><A>6<e/>7</A><c> \n </c></r>"));
    xml.activate({ "L", "A" });
    const XmlNode root = xml.rootElement();

    QCOMPARE(describeChildren(root), QStringLiteral("t[]m[]p[]eeeee"));
    QCOMPARE(describeChildren(root.childElement(u"L")), QStringLiteral("t[1]"));
    QCOMPARE(describeChildren(root.childElement(u"c:A")), QStringLiteral("c[2]"));
    QCOMPARE(describeChildren(root.childElement(u"b")), QStringLiteral("t[]m[]c[]"));
    QCOMPARE(describeChildren(root.child(6)), QStringLiteral("t[6]et[7]"));
    QCOMPARE(root.childElement(u"c").childCount(), 0);
    QCOMPARE(root.value(u"L").text, QStringLiteral("1"));
}

void TestXmlTreeDocument::namespaces_data()
{
    QTest::addColumn<QByteArray>("document");
    // Name as written, local name and namespace URI of every element, root first, in
    // document order.
    QTest::addColumn<QStringList>("elements");

    QTest::newRow("prefix bound on the root") << QByteArray("<c:R xmlns:c=\"u\"><c:a/><b/></c:R>")
                                              << QStringList { "c:R R u", "c:a a u", "b b " };
    QTest::newRow("default namespace, unprefixed attribute ignored")
        << QByteArray("<R xmlns=\"u\" c=\"v\"><a/><c:b xmlns:c=\"w\"/></R>")
        << QStringList { "R R u", "a a u", "c:b b w" };
    QTest::newRow("nearest declaration wins, scope ends with its element")
        << QByteArray("<c:R xmlns:c=\"u\"><c:a xmlns:c=\"v\"><c:b/></c:a><c:d/></c:R>")
        << QStringList { "c:R R u", "c:a a v", "c:b b v", "c:d d u" };
    QTest::newRow("empty default undeclares")
        << QByteArray("<R xmlns=\"u\"><a xmlns=\"\"><b/></a><d/></R>")
        << QStringList { "R R u", "a a ", "b b ", "d d u" };
    QTest::newRow("unbound prefix, extra colons")
        << QByteArray("<x:R><y:a:b/><c:d xmlns:y=\"u\"/></x:R>")
        << QStringList { "x:R R ", "y:a:b a:b ", "c:d d " };
    QTest::newRow("declaring attribute with a prefix only") << QByteArray(
        "<R xmlns:c=\"u\"><c:a/><a/></R>") << QStringList { "R R ", "c:a a u", "a a " };
}

void TestXmlTreeDocument::namespaces()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, elements);

    XmlTreeDocument xml;
    xml.setFileName(writeFile(document));
    xml.activate();
    QStringList found;
    const auto visit = [&found](const auto &self, const XmlNode &element) -> void {
        found.append(element.name() + u' ' + element.localName() + u' ' + element.namespaceUri());
        for (int i = 0; i < element.childCount(); ++i)
            self(self, element.child(i));
    };
    visit(visit, xml.rootElement());
    QCOMPARE(found, elements);
}

void TestXmlTreeDocument::attributesAsWritten()
{
    XmlTreeDocument xml;
    xml.setFileName(
        writeFile("<r Name=\"  a &amp; &#x42; \" name=\"x\" c:Name=\"y\" xmlns:c=\"u\"/>"));
    xml.activate();
    const XmlNode root = xml.rootElement();

    QCOMPARE(root.attributeCount(), 4);
    QCOMPARE(root.attributeName(2), QStringLiteral("c:Name"));
    QCOMPARE(root.attributeValue(2), QStringLiteral("y"));
    QCOMPARE(root.attribute(u"Name"), QStringLiteral("  a & B "));
    QCOMPARE(root.attribute(u"name"), QStringLiteral("x"));
    QVERIFY(!root.hasAttribute(u"NAME"));
    QVERIFY(root.hasAttribute(u"xmlns:c"));
}

void TestXmlTreeDocument::failedLookupYieldsEmptyElement()
{
    XmlTreeDocument xml;
    xml.setFileName(writeFile("<c:r xmlns:c=\"u\"><c:a><c:b>1</c:b></c:a><c:a/></c:r>"));
    xml.activate();
    const XmlNode root = xml.rootElement();

    const XmlNode missing = root.childElement(u"x");
    QVERIFY(!missing.exists());
    QVERIFY(missing.isElement());
    QCOMPARE(missing.childCount(), 0);
    QCOMPARE(missing.attributeCount(), 0);
    QCOMPARE(missing.childElement(u"y").childCount(), 0);
    QCOMPARE(missing.value(u"y").problem, XmlNode::ValueProblem::Missing);
    // Nothing is added: the parent still has its two children.
    QCOMPARE(root.childCount(), 2);
    QCOMPARE(root.childElement(u"c:a").value(u"b").text, QStringLiteral("1"));
}

// The document keeps its tree while its file name stays; a new name drops it.
void TestXmlTreeDocument::lifecycle()
{
    XmlTreeDocument xml;
    QVERIFY(!xml.isActive());
    QVERIFY_THROWS_EXCEPTION(KalidorError, xml.rootElement());

    const QString path = writeFile("<first/>");
    xml.setFileName(path);
    xml.activate();
    QCOMPARE(xml.rootElement().name(), QStringLiteral("first"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<second/>");
    file.close();
    xml.setFileName(path);
    xml.activate();
    QCOMPARE(xml.rootElement().name(), QStringLiteral("first"));

    xml.setFileName(writeFile("<third/>"));
    QVERIFY(!xml.isActive());
    xml.activate();
    QCOMPARE(xml.rootElement().name(), QStringLiteral("third"));

    xml.deactivate();
    QVERIFY(!xml.isActive());
    xml.setFileName(path);
    xml.activate();
    QCOMPARE(xml.rootElement().name(), QStringLiteral("second"));
}

void TestXmlTreeDocument::unreadableFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("missing.xml"))
                                  << QStringLiteral("cannot be opened");
    QTest::newRow("a directory") << m_dir.path() << QStringLiteral("cannot be");
}

void TestXmlTreeDocument::unreadableFiles()
{
    QFETCH(QString, path);
    QFETCH(QString, message);

    XmlTreeDocument xml;
    xml.setFileName(path);
    try {
        xml.activate();
        QFAIL("the file was read");
    } catch (const KalidorError &error) {
        QVERIFY2(error.text().startsWith(path + QStringLiteral(": ")), qPrintable(error.text()));
        QVERIFY2(error.text().contains(message), qPrintable(error.text()));
    }
    QVERIFY(!xml.isActive());
}

QTEST_GUILESS_MAIN(TestXmlTreeDocument)
#include "tst_xmldocument.moc"
