#include "table/filetype.h"
#include "table/linelist.h"

#include <QTest>

class TestFileType : public QObject {
    Q_OBJECT

private slots:
    void detect_data();
    void detect();
    void detectFile_data();
    void detectFile();
};

namespace {

const QString header = QStringLiteral("Name\tL*\ta*\tb*");
const QString declaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
const QString root
    = QStringLiteral("<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"");

} // namespace

void TestFileType::detect_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("tag");

    const QString text = FileTypeTag::textFile;
    const QString cxf3 = FileTypeTag::cxf3;
    const QString error = FileTypeTag::error;

    QTest::newRow("header first") << QStringList { header, "KALIDOR 1\t1\t2\t3" } << text;
    QTest::newRow("header on line 3 after comments")
        << QStringList { "# KALIDOR", "# table", header, "KALIDOR 1\t1\t2\t3" } << text;
    QTest::newRow("header last") << QStringList { "a", "b", header } << text;
    QTest::newRow("header in capitals") << QStringList { "NAME\tL*\tA*\tB*" } << text;
    QTest::newRow("header in small letters") << QStringList { "name\tl*\ta*\tb*" } << text;
    QTest::newRow("header with leading space") << QStringList { ' ' + header } << error;
    QTest::newRow("header with trailing space") << QStringList { header + ' ' } << error;
    QTest::newRow("header with trailing tab") << QStringList { header + '\t' } << error;
    QTest::newRow("header with spaces for tabs") << QStringList { "Name L* a* b*" } << error;
    QTest::newRow("header with a fifth field") << QStringList { header + "\tC*" } << error;
    QTest::newRow("rows without a header")
        << QStringList { "KALIDOR 1\t1\t2\t3", "KALIDOR 2\t4\t5\t6" } << error;
    QTest::newRow("both lines, header later") << QStringList { declaration, root, header } << text;
    QTest::newRow("both lines, root at 0") << QStringList { root, header } << text;

    QTest::newRow("root line second")
        << QStringList { declaration, root, "<cc:Resources>" } << cxf3;
    QTest::newRow("root line after a comment")
        << QStringList { declaration, "<!-- KALIDOR -->", root } << cxf3;
    QTest::newRow("root line first") << QStringList { root, "<cc:Resources>" } << error;
    QTest::newRow("root line first and again later") << QStringList { root, "x", root } << error;
    QTest::newRow("root line in capitals") << QStringList { declaration, root.toUpper() } << cxf3;
    QTest::newRow("root line with further attributes") << QStringList { declaration,
        root + " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">" }
                                                       << error;
    QTest::newRow("root line with its closing bracket")
        << QStringList { declaration, root + '>' } << error;
    QTest::newRow("root line indented") << QStringList { declaration, '\t' + root } << error;
    QTest::newRow("root line with another namespace") << QStringList { declaration,
        QStringLiteral("<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-c\"") }
                                                      << error;
    QTest::newRow("root line with single quotes")
        << QStringList { declaration, QString(root).replace('"', '\'') } << error;
    QTest::newRow("declaration only") << QStringList { declaration } << error;
    QTest::newRow("empty list") << QStringList() << error;
    QTest::newRow("one empty line") << QStringList { QString() } << error;
}

void TestFileType::detect()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, tag);
    QCOMPARE(DetectFileType(lines), tag);
}

void TestFileType::detectFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("tag");

    const QString table = QStringLiteral(KALIDOR_TEST_DATA "/table/");
    QTest::newRow("UTF-8 table") << table + "table-utf8.txt" << QString(FileTypeTag::textFile);
    QTest::newRow("UTF-16LE table")
        << table + "table-utf16le.txt" << QString(FileTypeTag::textFile);
    QTest::newRow("UTF-16BE table")
        << table + "table-utf16be.txt" << QString(FileTypeTag::textFile);
    QTest::newRow("Windows-1252 table")
        << table + "table-cp1252.txt" << QString(FileTypeTag::textFile);
    QTest::newRow("UTF-16LE table without a mark")
        << table + "table-utf16le-no-mark.txt" << QString(FileTypeTag::error);
    QTest::newRow("CxF3 root on its own line")
        << table + "root-second-line.cxf" << QString(FileTypeTag::cxf3);
    // Its root start tag declares a second namespace on the same line.
    QTest::newRow("CxF3 sample") << QStringLiteral(KALIDOR_TEST_DATA "/colour-cxf/sample.cxf")
                                 << QString(FileTypeTag::error);
    QTest::newRow("empty file") << table + "empty.txt" << QString(FileTypeTag::error);
}

void TestFileType::detectFile()
{
    QFETCH(QString, path);
    QFETCH(QString, tag);
    QCOMPARE(DetectFileType(loadLines(path).lines), tag);
}

QTEST_GUILESS_MAIN(TestFileType)
#include "tst_filetype.moc"
