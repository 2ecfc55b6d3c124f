#include "base/inputfile.h"
#include "base/inputfiledevice.h"
#include "base/kalidorerror.h"
#include "base/silentobserver.h"
#include "table/cxf3/xmldocument.h"
#include "table/opencolourtable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Cxf3Recognition)
Q_DECLARE_METATYPE(TableKind)

// Every pass of an opening reads the file that was opened: once opening has begun, the path
// may name another file without any pass reading that one.
class TestOpenColourTable : public QObject {
    Q_OBJECT

private slots:
    void pathReplacedWhileOpening_data();
    void pathReplacedWhileOpening();
    void fileGrowingWhileOpened_data();
    void fileGrowingWhileOpened();
    void deviceReadsToTheSizeAtOpen();
};

namespace {

const QByteArray declaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";
const QByteArray rootTag = R"(<cc:CxF xmlns:cc="http://colorexchangeformat.com/CxF3-core")";
const QByteArray body = "<cc:Resources><cc:ObjectCollection>\n"
                        "<cc:Object Name=\"KALIDOR 1\"><cc:ColorValues><cc:ColorCIELab>"
                        "<cc:L>50</cc:L><cc:A>1</cc:A><cc:B>2</cc:B>"
                        "</cc:ColorCIELab></cc:ColorValues></cc:Object>\n"
                        "</cc:ObjectCollection></cc:Resources>\n</cc:CxF>\n";

// What the path names once the opening has shown its indicator: a text table with other
// rows, which every pass would take differently from the file it opened.
const QByteArray replacement = "Name\tL*\ta*\tb*\nKALIDOR other\t9\t9\t9\n";

// Puts another file under the path as soon as the opening shows its indicator, before any
// pass reads.
class PathReplacer final : public SilentObserver {
public:
    explicit PathReplacer(const QString &path)
        : m_path(path)
    {
    }

    void showProgress() override
    {
        QVERIFY(QFile::remove(m_path));
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(replacement), replacement.size());
    }

private:
    QString m_path;
};

// Appends `more` to the file as soon as the opening shows its indicator, as a program that
// keeps writing it would: the opening has the file open and reads it from then on.
class FileGrower final : public SilentObserver {
public:
    FileGrower(const QString &path, const QByteArray &more)
        : m_path(path)
        , m_more(more)
    {
    }

    void showProgress() override
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::Append));
        QCOMPARE(file.write(m_more), m_more.size());
    }

private:
    QString m_path;
    QByteArray m_more;
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

void TestOpenColourTable::pathReplacedWhileOpening_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Cxf3Recognition>("recognition");
    QTest::addColumn<TableKind>("kind");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("reason"); // of a file not recognised, after the path

    const QString header = u"Name\tL*\ta*\tb*"_s;
    const QStringList cxf3Rows { header, u"KALIDOR 1\t50\t1\t2"_s };

    QTest::newRow("text table") << QByteArray("Name\tL*\ta*\tb*\r\nKALIDOR 1\t50\t1\t2\r\n")
                                << Cxf3Recognition::RootLine << TableKind::TextTable
                                << QStringList { header, u"KALIDOR 1\t50\t1\t2"_s } << QString();
    QTest::newRow("CxF3 file by its root line")
        << declaration + '\n' + rootTag + "\n>" + body << Cxf3Recognition::RootLine
        << TableKind::Cxf3 << cxf3Rows << QString();
    QTest::newRow("CxF3 file by its root element")
        << declaration + '\n' + rootTag + ">\n" + body << Cxf3Recognition::AnyRootElement
        << TableKind::Cxf3 << cxf3Rows << QString();
    QTest::newRow("root element laid out otherwise")
        << declaration + '\n' + rootTag + ">\n" + body << Cxf3Recognition::RootLine
        << TableKind::NotRecognised << QStringList()
        << u"line 2: the cc:CxF start tag must end its line"_s;
}

void TestOpenColourTable::pathReplacedWhileOpening()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Cxf3Recognition, recognition);
    QFETCH(TableKind, kind);
    QFETCH(QStringList, lines);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"table.txt"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    XmlDocument document;
    PathReplacer observer(path);
    const OpenedTable table = openColourTable(path, document, observer, recognition);
    QCOMPARE(table.kind, kind);
    QCOMPARE(table.lines.lines, lines);
    if (!reason.isEmpty())
        QCOMPARE(table.notRecognisedReason, u"%1: %2"_s.arg(path, reason));
}

// A file is read up to the size it had when it was opened, whatever is written to it meanwhile.
void TestOpenColourTable::fileGrowingWhileOpened_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("more");
    QTest::addColumn<Cxf3Recognition>("recognition");
    QTest::addColumn<TableKind>("kind");
    QTest::addColumn<QStringList>("lines");

    const QString header = u"Name\tL*\ta*\tb*"_s;
    QByteArray rows;
    QStringList lines { header };
    // More than one chunk of the line reader.
    for (int i = 0; i < 20000; ++i) {
        rows += "KALIDOR " + QByteArray::number(i) + "\t50\t1\t2\r\n";
        lines.append(u"KALIDOR %1\t50\t1\t2"_s.arg(i));
    }
    QTest::newRow("text table") << "Name\tL*\ta*\tb*\r\n" + rows
                                << QByteArray("KALIDOR late\t1\t2\t3\r\n").repeated(50000)
                                << Cxf3Recognition::RootLine << TableKind::TextTable << lines;
    QTest::newRow("text table without its last line end")
        << QByteArray("Name\tL*\ta*\tb*\r\nKALIDOR 1\t50\t1\t2")
        << QByteArray("0\r\nKALIDOR late\t1\t2\t3\r\n") << Cxf3Recognition::RootLine
        << TableKind::TextTable << QStringList { header, u"KALIDOR 1\t50\t1\t2"_s };
    // Read on, the CxF3 file would end in markup after its root element, which fails it.
    QTest::newRow("CxF3 file") << declaration + '\n' + rootTag + "\n>" + body
                               << QByteArray("<cc:Object Name=\"KALIDOR late\"/>\n").repeated(1000)
                               << Cxf3Recognition::RootLine << TableKind::Cxf3
                               << QStringList { header, u"KALIDOR 1\t50\t1\t2"_s };
}

void TestOpenColourTable::fileGrowingWhileOpened()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, more);
    QFETCH(Cxf3Recognition, recognition);
    QFETCH(TableKind, kind);
    QFETCH(QStringList, lines);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"table.txt"_s);
    QVERIFY(writeFile(path, bytes));
    XmlDocument document;
    FileGrower observer(path, more);
    OpenedTable table;
    try {
        table = openColourTable(path, document, observer, recognition);
    } catch (const KalidorError &error) {
        QFAIL(qPrintable(error.text()));
    }
    QCOMPARE(QFileInfo(path).size(), bytes.size() + more.size());
    QCOMPARE(table.kind, kind);
    QCOMPARE(table.lines.lines, lines);
}

// Bytes written after the opening, between two reads, are not read; the size stays the
// opening's.
void TestOpenColourTable::deviceReadsToTheSizeAtOpen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"table.txt"_s);
    const QByteArray bytes = QByteArray("0123456789").repeated(100);
    QVERIFY(writeFile(path, bytes));
    const InputFile input(path);
    InputFileDevice device(input);
    QByteArray read = device.read(10);
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    QCOMPARE(file.write("more"), 4);
    file.close();
    QCOMPARE(QFileInfo(path).size(), bytes.size() + 4);
    read += device.readAll();
    QCOMPARE(read, bytes);
    QCOMPARE(device.size(), bytes.size());
    QCOMPARE(device.read(1), QByteArray());
}

QTEST_GUILESS_MAIN(TestOpenColourTable)
#include "tst_opencolourtable.moc"
