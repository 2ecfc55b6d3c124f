// Inputs that a careless reader would choke on: each must end in a clear error or in the right
// result, without running out of memory. The files are made here; the peak memory of each case
// is printed, so that a change that multiplies it shows up in the test log.

#include "base/kalidorerror.h"
#include "database/buildspecialcolors.h"
#include "database/databasewriter.h"
#include "recordingobserver.h"
#include "table/colourtable.h"
#include "table/cxf3/readcxf3file.h"
#include "table/cxf3/xmldocument.h"
#include "table/filetype.h"
#include "table/linelist.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype megabyte = 1 << 20;

// The process's resident memory at its highest since the last reset, from /proc; -1 where that
// is not available.
qint64 peakResidentBytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

// Whether peak figures mean anything here: AddressSanitizer keeps freed memory in quarantine
// and adds its own to every allocation.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool peakIsMeaningful = false;
#elif defined(__has_feature)
constexpr bool peakIsMeaningful = !__has_feature(address_sanitizer);
#else
constexpr bool peakIsMeaningful = true;
#endif

// Lets the next peakResidentBytes() start from what the process holds now (Linux 4.0 on).
bool resetPeak()
{
    QFile clearRefs(u"/proc/self/clear_refs"_s);
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1 && clearRefs.flush();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QByteArray cxf(const QByteArray &objects)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\">\n"
           "<cc:Resources><cc:ObjectCollection>\n"
        + objects + "</cc:ObjectCollection></cc:Resources>\n</cc:CxF>\n";
}

QByteArray labValues(const QByteArray &inner = QByteArray())
{
    return "<cc:ColorValues><cc:ColorCIELab><cc:L>50</cc:L><cc:A>-1.5</cc:A><cc:B>2</cc:B>"
           "</cc:ColorCIELab>"
        + inner + "</cc:ColorValues>";
}

// The rows of the read, or the error's text.
struct CxF3Outcome {
    QStringList rows;
    std::optional<QString> error;
};

CxF3Outcome readCxF3(const QString &path)
{
    XmlDocument document;
    RecordingObserver observer;
    CxF3Outcome outcome;
    try {
        ReadCxF3File(document, path, observer);
    } catch (const KalidorError &error) {
        outcome.error = error.text();
    }
    // The widths must stay on the indicator's scale, however odd the input.
    if (!observer.widthsInRange())
        outcome.error = u"a progress width beyond 0 to 400"_s;
    outcome.rows = std::move(observer.rows);
    return outcome;
}

} // namespace

class TestPathologicalInputs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void longLineWithoutLineEnd();
    void millionTabsInOneRow();
    void cxf3_data();
    void cxf3();

private:
    // Starts the peak memory over, once the input file is written and its bytes are freed.
    void startMeasuring() { m_peakReset = resetPeak(); }
    // Prints the peak memory since the test function began and checks that it stays within ten
    // times the size of the input file, plus what the process held before: a reader that holds
    // a few copies of its input is fine, one that makes a copy per piece of a row is not.
    void checkPeak();

    QTemporaryDir m_dir;
    QString m_path;
    bool m_peakReset = false;
};

void TestPathologicalInputs::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestPathologicalInputs::init()
{
    m_path = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()));
    m_peakReset = false;
}

void TestPathologicalInputs::checkPeak()
{
    const qint64 peak = peakResidentBytes();
    qInfo("peak resident memory: %lld MiB", peak / megabyte);
    if (!peakIsMeaningful || !m_peakReset || peak < 0)
        return;
    constexpr qint64 baseline = 64 * megabyte;
    const qint64 bound = 10 * QFileInfo(m_path).size() + baseline;
    QVERIFY2(peak <= bound,
        qPrintable(u"%1 MiB used, %2 MiB allowed"_s.arg(peak / megabyte).arg(bound / megabyte)));
}

void TestPathologicalInputs::cleanup()
{
    QFile::remove(m_path);
}

void TestPathologicalInputs::longLineWithoutLineEnd()
{
    // A used row of 200 MB, nearly all of it the name, with no line end anywhere.
    constexpr qsizetype size = 200 * megabyte;
    const QByteArray start = "Name\tL*\ta*\tb*\r\nKALIDOR ";
    const QByteArray end = "\t50\t-1\t2";
    const qsizetype nameSize = size - start.size() - end.size() + 8;
    {
        QByteArray bytes = start;
        bytes.append(size - start.size() - end.size(), 'x');
        bytes.append(end);
        QVERIFY(writeFile(m_path, bytes));
    }

    startMeasuring();
    const LoadedLines loaded = loadLines(m_path);
    QCOMPARE(loaded.lines.size(), 2);
    QCOMPARE(DetectFileType(loaded.lines), FileTypeTag::textFile);
    RecordingObserver observer;
    BuildSpecialColors(NumberedLines::ofFile(loaded.lines), RecordForm::Csv, observer);
    checkPeak();

    QCOMPARE(observer.rows.size(), 1);
    const QString &record = observer.rows.front();
    QCOMPARE(record.size(), nameSize + 8);
    QVERIFY(record.startsWith(u"KALIDOR xxx"));
    QVERIFY(record.endsWith(u"xxx,50,-1,2"));
}

void TestPathologicalInputs::millionTabsInOneRow()
{
    // Tabs in front of the name, between every two fields, and a run of them before a fifth
    // field that no record uses: none of them may make an empty field.
    constexpr qsizetype tabs = 1'000'000;
    const QByteArray run(tabs / 4, '\t');
    QByteArray bytes = "Name\tL*\ta*\tb*\r\n" + run + "KALIDOR 1" + run + "50" + run + "-1" + run
        + "2\t\t\textra\r\nKALIDOR 2\t1\t2\t3\r\n";
    QVERIFY(writeFile(m_path, bytes));

    startMeasuring();
    const LoadedLines loaded = loadLines(m_path);
    QCOMPARE(loaded.lines.size(), 3);
    QCOMPARE(DetectFileType(loaded.lines), FileTypeTag::textFile);
    RecordingObserver observer;
    // The run in front of the name hides it from the used-row test, which looks at the first
    // character only; the row is left out, as any row not starting with the word would be.
    BuildSpecialColors(NumberedLines::ofFile(loaded.lines), RecordForm::Legacy, observer);
    QCOMPARE(observer.rows, QStringList { u"SPOTCOLOR_NAME:KALIDOR 2; D50_LAB:1,2,3"_s });

    // The same row with the name first.
    bytes = "Name\tL*\ta*\tb*\r\nKALIDOR 1" + run + "50" + run + "-1" + run + run + "2\t\t\textra";
    QVERIFY(writeFile(m_path, bytes));
    observer.rows.clear();
    BuildSpecialColors(NumberedLines::ofFile(loadLines(m_path).lines), RecordForm::Csv, observer);
    QCOMPARE(observer.rows, QStringList { u"KALIDOR 1,50,-1,2"_s });

    // And a row of a million tabs and nothing else has no field to give.
    bytes = "Name\tL*\ta*\tb*\r\nKALIDOR" + QByteArray(tabs, '\t');
    QVERIFY(writeFile(m_path, bytes));
    try {
        BuildSpecialColors(
            NumberedLines::ofFile(loadLines(m_path).lines), RecordForm::Csv, observer);
        QFAIL("a row with one field must fail");
    } catch (const KalidorError &error) {
        QCOMPARE(error.text(), u"List index out of bounds (1)"_s);
    }
    checkPeak();
}

void TestPathologicalInputs::cxf3_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("error"); // part of the error's text; empty when none

    const QString header = ColourTable::headerLine();
    QTest::newRow("100,000 levels of nesting in an object")
        << 0 << QStringList { header, u"deep\t50\t-1.5\t2"_s } << QString();
    QTest::newRow("100,000 levels of nesting, never closed")
        << 1 << QStringList() << u"no element found"_s;
    QTest::newRow("50 MB attribute value")
        << 2 << QStringList { header, u"<50 MB>\t50\t-1.5\t2"_s } << QString();
    QTest::newRow("1,000,000 empty objects") << 3 << QStringList { header } << QString();
    QTest::newRow("1,000,000 empty named objects")
        << 4 << QStringList { header } << u"line 4: colour object \"\": no ColorValues"_s;
}

void TestPathologicalInputs::cxf3()
{
    QFETCH(int, kind);
    QFETCH(QStringList, rows);
    QFETCH(QString, error);

    constexpr int levels = 100'000;
    constexpr int objects = 1'000'000;
    constexpr qsizetype valueSize = 50 * megabyte;
    QByteArray bytes;
    switch (kind) {
    case 0: {
        QByteArray nested;
        nested.reserve(levels * 7);
        for (int i = 0; i < levels; ++i)
            nested += "<cc:n>";
        for (int i = 0; i < levels; ++i)
            nested += "</cc:n>";
        bytes = cxf("<cc:Object Name=\"deep\">" + labValues(nested) + "</cc:Object>\n");
        break;
    }
    case 1:
        bytes = cxf("<cc:Object Name=\"deep\">" + labValues() + "</cc:Object>\n");
        bytes.chop(qsizetype(qstrlen("</cc:ObjectCollection></cc:Resources>\n</cc:CxF>\n")));
        bytes += QByteArray("<n>").repeated(levels);
        break;
    case 2:
        bytes = cxf("<cc:Object Name=\"" + QByteArray(valueSize, 'K') + "\">" + labValues()
            + "</cc:Object>\n");
        break;
    case 3:
        bytes = cxf(QByteArray("<cc:Object/>").repeated(objects));
        break;
    case 4:
        bytes = cxf(QByteArray("<cc:Object Name=\"\"/>").repeated(objects));
        break;
    }
    QVERIFY(writeFile(m_path, bytes));
    bytes.clear();
    bytes.squeeze();

    startMeasuring();
    CxF3Outcome outcome = readCxF3(m_path);
    checkPeak();
    if (kind == 2 && outcome.rows.size() == 2) {
        QCOMPARE(outcome.rows[1].first(valueSize), QString(valueSize, u'K'));
        outcome.rows[1].replace(0, valueSize, u"<50 MB>"_s);
    }
    QCOMPARE(outcome.rows, rows);
    QCOMPARE(outcome.error.has_value(), !error.isEmpty());
    if (outcome.error) {
        QVERIFY2(outcome.error->contains(m_path), qPrintable(*outcome.error));
        QVERIFY2(outcome.error->contains(error), qPrintable(*outcome.error));
    }
}

QTEST_APPLESS_MAIN(TestPathologicalInputs)
#include "tst_pathologicalinputs.moc"
