#include "base/kalidorerror.h"
#include "table/cxf3/cxf3rootverdict.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCxf3RootVerdict : public QObject {
    Q_OBJECT

private slots:
    void judge_data();
    void judge();
    void unreadableFile();
};

namespace {

const QByteArray declaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";
const QByteArray core = "http://colorexchangeformat.com/CxF3-core";
const QByteArray rootLine = R"(<cc:CxF xmlns:cc=")" + core + '"';
const QByteArray xsi = R"(xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance")";
// Whatever follows the root start tag is never looked at, broken or not.
const QByteArray body = "\n<cc:Resources><cc:ObjectCollection/></cc:Resources></cc:CxF>\n";

QByteArray utf16LE(const QByteArray &latin1)
{
    QByteArray bytes("\xFF\xFE");
    for (const char c : latin1)
        bytes.append(c).append('\0');
    return bytes;
}

} // namespace

void TestCxf3RootVerdict::judge_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("isCxf3");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<qint64>("line");

    const QString endItsLine = u"the cc:CxF start tag must end its line"_s;

    QTest::newRow("second namespace on the root's line")
        << declaration + '\n' + rootLine + ' ' + xsi + '>' + body << true << endItsLine << 2ll;
    QTest::newRow("closing bracket on the root's line")
        << declaration + '\n' + rootLine + '>' + body << true << endItsLine << 2ll;
    QTest::newRow("root line first")
        << rootLine + "\n  " + xsi + '>' + body << true
        << u"the cc:CxF start tag must not stand on the first line"_s << 1ll;
    QTest::newRow("declaration and root on the first line")
        << declaration + rootLine + '>' + body << true
        << u"the cc:CxF start tag must start its line, end its line and not stand on the "
           "first line"_s
        << 1ll;
    QTest::newRow("root indented") << declaration + "\n\t" + rootLine + "\n  " + xsi + '>' + body
                                   << true << u"the cc:CxF start tag must start its line"_s << 2ll;
    QTest::newRow("another attribute first")
        << declaration + "\n<cc:CxF " + xsi + R"( xmlns:cc=")" + core + "\">" + body << true
        << u"the cc:CxF start tag must hold xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\" "
           "right after its name"_s
        << 2ll;
    QTest::newRow("single quotes")
        << declaration + "\n" + QByteArray(rootLine).replace('"', '\'') + "\n>" + body << true
        << u"the cc:CxF start tag must hold xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\" "
           "right after its name"_s
        << 2ll;
    QTest::newRow("namespace URI in capitals")
        << declaration + "\n<cc:CxF xmlns:cc=\"" + core.toUpper() + "\">" + body << true
        << endItsLine << 2ll;
    QTest::newRow("default namespace")
        << declaration + R"(
<CxF xmlns=")"
            + core + R"(">
<Resources><ObjectCollection/></Resources></CxF>)"
        << true
        << u"the root element CxF takes the CxF3 namespace as its default namespace, not "
           "through the prefix cc"_s
        << 2ll;
    QTest::newRow("another prefix")
        << declaration + "\n<x:CxF xmlns:x=\"" + core + "\"\n>" + body << true
        << u"the root element x:CxF takes the CxF3 namespace through the prefix x, not cc"_s << 2ll;
    QTest::newRow("comment and document type first") << declaration
            + "\n<!-- <cc:CxF> in a comment -->\n<!DOCTYPE cc:CxF>\n" + rootLine + ">"
            + body << true << endItsLine << 4ll;
    QTest::newRow("UTF-16 with its mark")
        << utf16LE(declaration + '\n' + rootLine + '>' + body) << true << endItsLine << 2ll;
    QTest::newRow("code page Expat does not know")
        << "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<!-- Caf\xE9 -->\n" + rootLine + '>'
            + body
        << true << endItsLine << 3ll;
    QTest::newRow("code page Qt does not know either")
        << "<?xml version=\"1.0\" encoding=\"x-house-page\"?>\n<!-- Caf\xE9 -->\n" + rootLine + '>'
            + body
        << true << endItsLine << 3ll;
    QTest::newRow("multi-byte code page")
        << "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<!-- \x82\xA0 -->\n" + rootLine + '>'
            + body
        << true << endItsLine << 3ll;

    QTest::newRow("CxF2 namespace")
        << declaration + "\n" + QByteArray(rootLine).replace("CxF3", "CxF2") + '>' + body << false
        << u"the root element CxF is not in the CxF3 namespace "
           "\"http://colorexchangeformat.com/CxF3-core\""_s
        << 2ll;
    QTest::newRow("no namespace") << declaration + "\n<CxF><Resources/></CxF>" << false
                                  << u"the root element CxF is not in the CxF3 namespace "
                                     "\"http://colorexchangeformat.com/CxF3-core\""_s
                                  << 2ll;
    QTest::newRow("root named in small letters")
        << declaration + "\n<cc:cxf xmlns:cc=\"" + core + "\">" + body << false << QString() << 0ll;
    QTest::newRow("prefix bound by nothing")
        << declaration + "\n<cc:CxF>" + body << false << QString() << 0ll;
    QTest::newRow("root line exactly as wanted")
        << declaration + '\n' + rootLine + "\n>" + body << true << QString() << 2ll;
    QTest::newRow("broken before the root")
        << declaration + "\n<<" + rootLine + '>' + body << false << QString() << 0ll;
    QTest::newRow("text table") << QByteArray("Name\tL*\ta*\tb*\r\nKALIDOR 1\t1\t2\t3\r\n") << false
                                << QString() << 0ll;
    QTest::newRow("empty file") << QByteArray() << false << QString() << 0ll;
}

void TestCxf3RootVerdict::judge()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, isCxf3);
    QFETCH(QString, reason);
    QFETCH(qint64, line);

    QTemporaryDir dir;
    QFile file(dir.filePath(u"table.cxf"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    const Cxf3RootVerdict verdict = judgeCxf3Root(file.fileName());
    QCOMPARE(verdict.isCxf3, isCxf3);
    QCOMPARE(verdict.reason, reason);
    if (!reason.isEmpty())
        QCOMPARE(verdict.line, line);
}

void TestCxf3RootVerdict::unreadableFile()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"missing.cxf"_s);
    QVERIFY_THROWS_EXCEPTION(KalidorError, judgeCxf3Root(missing));
}

QTEST_GUILESS_MAIN(TestCxf3RootVerdict)
#include "tst_cxf3rootverdict.moc"
