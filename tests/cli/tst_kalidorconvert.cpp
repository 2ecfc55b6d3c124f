#include "../../bench/syntheticlibrary.h"
#include "buildinfo.h"
#include "colorimetry/colourdifference.h"
#include "database/databasesave.h"
#include "database/labvalues.h"
#include "devicenode.h"
#include "utf16bytes.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int status = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs the built converter as a script would; `standardOutputFile` redirects its output,
// `addressSpace` limits the memory it may map, as `ulimit -v` does, and `fileSize` the size of
// the files it writes, as `ulimit -f` does: a write beyond fails as on a full disk.
Run runConverter(const QStringList &arguments, const QString &standardOutputFile = QString(),
    rlim_t addressSpace = RLIM_INFINITY, rlim_t fileSize = RLIM_INFINITY)
{
    QProcess process;
    if (!standardOutputFile.isEmpty())
        process.setStandardOutputFile(standardOutputFile);
    if (addressSpace != RLIM_INFINITY || fileSize != RLIM_INFINITY) {
        process.setChildProcessModifier([addressSpace, fileSize] {
            const rlimit memory { addressSpace, addressSpace };
            setrlimit(RLIMIT_AS, &memory);
            const rlimit size { fileSize, fileSize };
            setrlimit(RLIMIT_FSIZE, &size);
            // A write beyond the limit then fails with EFBIG instead of ending the process.
            std::signal(SIGXFSZ, SIG_IGN);
        });
    }
    process.start(QStringLiteral(KALIDOR_CONVERT), arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

const QByteArray header = "Name\tL*\ta*\tb*\r\n";

QByteArray cxfObject(const QByteArray &name, const QByteArray &lab)
{
    return "  <cc:Object ObjectType=\"Colour\" Name=\"" + name
        + "\">\n    <cc:CreationDate>2023-04-01T10:00:00Z</cc:CreationDate>\n"
          "    <cc:ColorValues><cc:ColorCIELab ColorSpecification=\"D50_2\">"
        + lab + "</cc:ColorCIELab></cc:ColorValues>\n  </cc:Object>\n";
}

QByteArray cxfFile(const QByteArray &objects)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
           "        xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
           "<cc:Resources><cc:ObjectCollection>\n"
        + objects + "</cc:ObjectCollection></cc:Resources>\n</cc:CxF>\n";
}

// Two colours, one of them with a name beyond ASCII, and a row that is no colour.
const QByteArray cxfLibrary = cxfFile(
    cxfObject("KALIDOR Caf\xC3\xA9", "<cc:L> 62.15 </cc:L><cc:A>-3.50</cc:A><cc:B>12.75</cc:B>")
    + cxfObject("Paper white", "<cc:L>95.00</cc:L><cc:A>0.10</cc:A><cc:B>-2.00</cc:B>")
    + cxfObject("KALIDOR Gold", "<cc:L>78.00</cc:L><cc:A>4.25</cc:A><cc:B>60.10</cc:B>"));

// The same library laid out as other tools write it: a default namespace, the root start tag on
// the first line.
const QByteArray cxfDefaultNamespace
    = QByteArray(cxfLibrary).replace("cc:", "").replace("xmlns:cc", "xmlns");
const QByteArray cxfRootFirst = cxfLibrary.mid(cxfLibrary.indexOf('\n') + 1);

// The same colours as a Windows-1252 text table.
const QByteArray textTable = header
    + "KALIDOR Caf\xE9\t62.15\t-3.50\t12.75\r\n"
      "Paper white\t95.00\t0.10\t-2.00\r\n"
      "KALIDOR Gold\t78.00\t4.25\t60.10\r\n";

const QByteArray csvRecords = "KALIDOR Caf\xE9,62.15,-3.50,12.75\r\n"
                              "KALIDOR Gold,78.00,4.25,60.10\r\n";

const QByteArray allColourRecords = "KALIDOR Caf\xE9,62.15,-3.50,12.75\r\n"
                                    "Paper white,95.00,0.10,-2.00\r\n"
                                    "KALIDOR Gold,78.00,4.25,60.10\r\n";

const QByteArray legacyRecords = "SPOTCOLOR_NAME:KALIDOR Caf\xE9; D50_LAB:62.15,-3.50,12.75\r\n"
                                 "SPOTCOLOR_NAME:KALIDOR Gold; D50_LAB:78.00,4.25,60.10\r\n";

// The files that the process `pid` holds open, by the names they had when it opened them.
QStringList openFiles(qint64 pid)
{
    const QDir descriptors(u"/proc/%1/fd"_s.arg(pid));
    QStringList files;
    for (const QString &descriptor :
        descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        files << QFile::symLinkTarget(descriptors.filePath(descriptor));
    return files;
}

} // namespace

class TestKalidorConvert : public QObject {
    Q_OBJECT

private slots:
    void init();

    void exitStatus_data();
    void exitStatus();
    void output_data();
    void output();
    void append_data();
    void append();
    void replace_data();
    void replace();
    void replaceKeepsTheFile();
    void report_data();
    void report();
    void reportNeverNamesTheOutput();
    void reportKeepsItsMode();
    void reportNamesNeitherInputNorOutput_data();
    void reportNamesNeitherInputNorOutput();
    void reportOntoNoRegularFile_data();
    void reportOntoNoRegularFile();
    void reportOnAFullDisk_data();
    void reportOnAFullDisk();
    void reportIsUtf8();
    void reportCostsNoMoreMemory();
    void heldNames_data();
    void heldNames();
    void outputReplacedDuringConversion();
    void stoppedSaveIsMendedByTheNextRun();
    void waitsForAnotherRun();
    void readOnlyDatabaseFailsAsUnwritable();
    void standardOutputThatCannotBeWritten();
    void memoryRunsOut();
    void outputIsNotRegularFile_data();
    void outputIsNotRegularFile();
    void verboseCounts();
    void largeLibrary_data();
    void largeLibrary();
    void measuredSample_data();
    void measuredSample();
    void measuredSampleInD50();
    void d50LeavesTextTablesAsTheyAre();
    void warnings_data();
    void warnings();
    void controlCharactersInNames();
    void nestedObjects_data();
    void nestedObjects();
    void cxf3MeasuringConditions();
    void cxf3ValuesOnOneLine();
    void help_data();
    void help();
    void version();

private:
    QString expand(QString text) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    const QTemporaryDir m_libraries; // made on first use, for every test that takes them
};

void TestKalidorConvert::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// "%in", "%out" and "%dir" stand for the input file, the output file and the folder of both.
QString TestKalidorConvert::expand(QString text) const
{
    return text.replace(u"%in"_s, m_dir->filePath(u"in.txt"_s))
        .replace(u"%out"_s, m_dir->filePath(u"out.csv"_s))
        .replace(u"%dir"_s, m_dir->path());
}

void TestKalidorConvert::exitStatus_data()
{
    QTest::addColumn<QByteArray>("input");
    // What OUTPUT holds before the run; a failed run must leave it byte for byte.
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    // Pieces of the one line on standard error.
    QTest::addColumn<QStringList>("reason");

    const QByteArray earlier = "KALIDOR Old,1,2,3\r\n";
    const QStringList inOut { u"%in"_s, u"%out"_s };

    QTest::newRow("text table") << textTable << earlier << inOut << 0 << QStringList();
    QTest::newRow("CxF3 file") << cxfLibrary << earlier << inOut << 0 << QStringList();

    QTest::newRow("no arguments") << textTable << earlier << QStringList() << 1
                                  << QStringList { u"INPUT and OUTPUT expected, 0 given"_s };
    QTest::newRow("three arguments")
        << textTable << earlier << QStringList { u"%in"_s, u"%out"_s, u"%out"_s } << 1
        << QStringList { u"3 given"_s };
    QTest::newRow("unknown option")
        << textTable << earlier << QStringList { u"--csv"_s, u"%in"_s, u"%out"_s } << 1
        << QStringList { u"Unknown option 'csv'"_s };
    QTest::newRow("append to standard output")
        << textTable << earlier << QStringList { u"--append"_s, u"%in"_s, u"-"_s } << 1
        << QStringList { u"--append needs an OUTPUT file"_s };

    // Byte 26 is the C3 that the next byte does not continue.
    QTest::newRow("invalid UTF-8 after a mark")
        << "\xEF\xBB\xBF" + header + "KALIDOR \xC3\x28\t1\t2\t3\r\n"
        << earlier << inOut << 2
        << QStringList { u"%in: line 2: Invalid UTF-8 sequence at byte offset 26"_s };
    QTest::newRow("XML not well-formed")
        << cxfLibrary.left(cxfLibrary.indexOf("</cc:Resources>")) + "</cc:CxF>\n"
        << earlier << inOut << 2 << QStringList { u"%in: line 17, column "_s, u"mismatched tag"_s };
    QTest::newRow("CxF3 object without B")
        << cxfFile(cxfObject("KALIDOR Red", "<cc:L>50</cc:L><cc:A>60</cc:A><cc:B>70</cc:B>")
               + cxfObject("KALIDOR Blue", "<cc:L>30</cc:L><cc:A>10</cc:A>"))
        << earlier << inOut << 2
        << QStringList { u"%in: line 9: colour object \"KALIDOR Blue\": no B in its first "
                         "ColorCIELab"_s };

    // A value that overflows the sums writes no record, however it overflows.
    const QByteArray wildSpectrum = cxfFile("  <cc:Object ObjectType=\"Colour\" Name=\"KALIDOR "
                                            "Wild\">\n    <cc:ColorValues><cc:ReflectanceSpectrum "
                                            "StartWL=\"380\">0.1 1e308 0.3</cc:ReflectanceSpectrum>"
                                            "</cc:ColorValues>\n  </cc:Object>\n");
    QTest::newRow("--d50, a spectral value of 1e308")
        << wildSpectrum << earlier << QStringList { u"--d50"_s, u"%in"_s, u"%out"_s } << 2
        << QStringList { u"%in: line 5: colour object \"KALIDOR Wild\": its ReflectanceSpectrum "
                         "cannot be summed: it gives L* "_s };
    QTest::newRow("--d50, a spectral value of 1e308, to standard output")
        << wildSpectrum << earlier << QStringList { u"--d50"_s, u"%in"_s, u"-"_s } << 2
        << QStringList { u"%in: line 5: colour object \"KALIDOR Wild\": its ReflectanceSpectrum "
                         "cannot be summed: it gives L* "_s };

    QTest::newRow("neither table nor CxF3")
        << QByteArray("Name;L*;a*;b*\r\nKALIDOR Red;50;60;70\r\n") << earlier << inOut << 3
        << QStringList { u"%in: neither a colour table"_s };
    QTest::newRow("CxF3 root with more on its line")
        << QByteArray(cxfLibrary).replace("-core\"\n", "-core\" ") << earlier << inOut << 3
        << QStringList {
               u"%in: line 2: the cc:CxF start tag must end its line; use --any-cxf3 to accept it"_s
           };
    QTest::newRow("CxF3 in a default namespace")
        << cxfDefaultNamespace << earlier << inOut << 3
        << QStringList { u"%in: line 2: the root element CxF takes the CxF3 namespace as its "
                         "default namespace, not through the prefix cc; use --any-cxf3"_s };
    QTest::newRow("CxF3 root on the first line")
        << cxfRootFirst << earlier << inOut << 3
        << QStringList { u"%in: line 1: the cc:CxF start tag must not stand on the first line; "
                         "use --any-cxf3 to accept it"_s };
    QTest::newRow("CxF2 namespace, --any-cxf3")
        << QByteArray(cxfLibrary).replace("CxF3-core\"\n", "CxF2-core\">\n") << earlier
        << QStringList { u"--any-cxf3"_s, u"%in"_s, u"%out"_s } << 3
        << QStringList { u"%in: line 2: the root element CxF is not in the CxF3 namespace "
                         "\"http://colorexchangeformat.com/CxF3-core\"\n"_s };
    QTest::newRow("table, --any-cxf3") << QByteArray("Name;L*;a*;b*\r\n") << earlier
                                       << QStringList { u"--any-cxf3"_s, u"%in"_s, u"%out"_s } << 3
                                       << QStringList { u"%in: neither a colour table"_s };
    QTest::newRow("missing input")
        << QByteArray() << earlier << QStringList { u"%dir/missing.txt"_s, u"%out"_s } << 3
        << QStringList { u"%dir/missing.txt: no such file"_s };
    // A terminal shows the control characters of a path instead of acting on them.
    QTest::newRow("control characters in the path")
        << QByteArray() << earlier
        << QStringList { u"%dir/title\x1B]0;x\x07\x1B[2J\nline.txt"_s, u"%out"_s } << 3
        << QStringList { u"%dir/title\\x1B]0;x\\x07\\x1B[2J\\x0Aline.txt: no such file"_s };
    QTest::newRow("folder as input")
        << QByteArray() << earlier << QStringList { u"%dir"_s, u"%out"_s } << 3
        << QStringList { u"%dir: is a folder"_s };

    const QByteArray shortRow = header + "KALIDOR Red\t50\t60\t70\r\nKALIDOR Short\t12\t5\r\n";
    QTest::newRow("row of three fields")
        << shortRow << earlier << inOut << 4
        << QStringList { u"%in: line 3: List index out of bounds (3)"_s };
    QTest::newRow("row of one field after an unused row")
        << header + "Comment\r\n\r\nKALIDOR Lone\r\n"
        << earlier << inOut << 4 << QStringList { u"%in: line 4: List index out of bounds (1)"_s };
    QTest::newRow("short row, legacy form")
        << shortRow << earlier << QStringList { u"--legacy"_s, u"%in"_s, u"%out"_s } << 4
        << QStringList { u"%in: line 3: List index out of bounds (3)"_s };
    QTest::newRow("note below the header, --all-colours")
        << header + "Paper\t1\t2\t3\r\n\r\n# end\r\n"
        << earlier << QStringList { u"--all-colours"_s, u"%in"_s, u"%out"_s } << 4
        << QStringList { u"%in: line 4: List index out of bounds (1)"_s };
    QTest::newRow("short row to standard output")
        << shortRow << earlier << QStringList { u"%in"_s, u"-"_s } << 4
        << QStringList { u"%in: line 3: List index out of bounds (3)"_s };

    QTest::newRow("output under a regular file")
        << textTable << earlier << QStringList { u"%in"_s, u"%in/out.csv"_s } << 5
        << QStringList { u"%in/out.csv: could not be written: Not a directory"_s };
    QTest::newRow("output is a folder")
        << textTable << earlier << QStringList { u"%in"_s, u"%dir"_s } << 5
        << QStringList { u"%dir: could not be written: it is a folder"_s };
    const QStringList appendInOut { u"--append"_s, u"%in"_s, u"%out"_s };
    QTest::newRow("append to a file holding a NUL")
        << textTable << QByteArray("KALIDOR Old,1,2,3\r\n\0KALIDOR Hidden,4,5,6\r\n", 42)
        << appendInOut << 5
        << QStringList { u"%out: could not be appended to, so it was left as it was: it holds a "
                         "NUL character"_s };
    QTest::newRow("report in a missing folder")
        << textTable << earlier
        << QStringList { u"--report"_s, u"%dir/missing/report.json"_s, u"%in"_s, u"%out"_s } << 5
        << QStringList { u"%dir/missing/report.json: cannot be written"_s,
               u"so nothing was written"_s };
    QTest::newRow("report is a folder")
        << textTable << earlier << QStringList { u"--report"_s, u"%dir"_s, u"%in"_s, u"%out"_s }
        << 1 << QStringList { u"--report names %dir, which is no regular file"_s };
    QTest::newRow("append to invalid UTF-8 after a mark")
        << textTable << QByteArray("\xEF\xBB\xBFKALIDOR Caf\xE9,1,2,3\r\n") << appendInOut << 5
        << QStringList { u"%out: line 1: could not be appended to, so it was left as it was: "
                         "Invalid UTF-8 sequence at byte offset 14"_s };
}

void TestKalidorConvert::exitStatus()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, existing);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, reason);

    if (!input.isEmpty())
        QVERIFY(writeFile(expand(u"%in"_s), input));
    QVERIFY(writeFile(expand(u"%out"_s), existing));
    for (QString &argument : arguments)
        argument = expand(argument);

    const Run run = runConverter(arguments);
    QCOMPARE(run.status, status);
    if (status == 0) {
        QVERIFY2(run.standardError.isEmpty(), run.standardError.constData());
        QVERIFY(readFile(expand(u"%out"_s)) != existing);
        return;
    }
    const QString message = QString::fromUtf8(run.standardError);
    QVERIFY2(message.startsWith(u"kalidor-convert: "_s), qPrintable(message));
    QCOMPARE(message.count(u'\n'), 1);
    QVERIFY(message.endsWith(u'\n'));
    for (const QString &piece : reason)
        QVERIFY2(message.contains(expand(piece)), qPrintable(message));
    QVERIFY(run.standardOutput.isEmpty());
    QCOMPARE(readFile(expand(u"%out"_s)), existing);
    QCOMPARE(
        QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), input.isEmpty() ? 1 : 2);
}

void TestKalidorConvert::output_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("Windows-1252 table") << textTable << QStringList() << csvRecords;
    QTest::newRow("Windows-1252 table, legacy")
        << textTable << QStringList { u"--legacy"_s } << legacyRecords;
    QTest::newRow("UTF-16 table") << utf16LE(QString::fromLatin1(textTable)) << QStringList()
                                  << csvRecords;
    QTest::newRow("CxF3 file") << cxfLibrary << QStringList() << csvRecords;
    QTest::newRow("CxF3 file, legacy")
        << cxfLibrary << QStringList { u"--legacy"_s } << legacyRecords;
    // Fields go over unchanged: more than four, a comma in a name, a no-break space; a
    // character Windows-1252 lacks becomes "?". Quiet, since the name with a comma and the one
    // with the "?" have warnings.
    QTest::newRow("fields as they stand")
        << "\xEF\xBB\xBF" + header
            + "KALIDOR Red, deep\t50\t60\t70\textra\r\nKALIDOR \xC2\xA0\xE2\x82\xAC\xE2\x98\x85"
              "\t1\t2\t3\r\n"
        << QStringList { u"--quiet"_s }
        << QByteArray("KALIDOR Red, deep,50,60,70\r\nKALIDOR \xA0\x80?,1,2,3\r\n");
    QTest::newRow("no colours") << header + "Paper\t1\t2\t3\r\n" << QStringList() << QByteArray();

    const QStringList anyCxf3 { u"--any-cxf3"_s };
    QTest::newRow("CxF3 root with more on its line, --any-cxf3")
        << QByteArray(cxfLibrary).replace("-core\"\n", "-core\" ") << anyCxf3 << csvRecords;
    QTest::newRow("CxF3 in a default namespace, --any-cxf3")
        << cxfDefaultNamespace << anyCxf3 << csvRecords;
    QTest::newRow("CxF3 root on the first line, --any-cxf3")
        << cxfRootFirst << anyCxf3 << csvRecords;
    QTest::newRow("CxF3 file as specified, --any-cxf3") << cxfLibrary << anyCxf3 << csvRecords;
    const QStringList allColours { u"--all-colours"_s };
    QTest::newRow("CxF3 file, --all-colours") << cxfLibrary << allColours << allColourRecords;
    QTest::newRow("text table, --all-colours") << textTable << allColours << allColourRecords;
    QTest::newRow("notes above the header and a blank row, --all-colours")
        << "Library\r\nKALIDOR Early\t1\t2\t3\r\n" + header + "Blue\t4\t5\t6\r\n\r\n" + header
            + "KALIDOR Late\t7\t8\t9\r\n"
        << allColours << QByteArray("KALIDOR Early,1,2,3\r\nBlue,4,5,6\r\nKALIDOR Late,7,8,9\r\n");
}

void TestKalidorConvert::output()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, expected);

    QVERIFY(writeFile(expand(u"%in"_s), input));
    const Run toFile = runConverter(options + QStringList { expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(toFile.status, 0);
    QCOMPARE(toFile.standardOutput, QByteArray());
    QCOMPARE(readFile(expand(u"%out"_s)), expected);

    const Run toStandardOutput = runConverter(options + QStringList { expand(u"%in"_s), u"-"_s });
    QCOMPARE(toStandardOutput.status, 0);
    QCOMPARE(toStandardOutput.standardError, QByteArray());
    QCOMPARE(toStandardOutput.standardOutput, expected);
}

void TestKalidorConvert::warnings_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("reported");

    QTest::newRow("reported, written") << QStringList() << u"%out"_s << 0 << true;
    QTest::newRow("quiet") << QStringList { u"--quiet"_s } << u"%out"_s << 0 << false;
    QTest::newRow("strict") << QStringList { u"--strict"_s } << u"%out"_s << 6 << true;
    QTest::newRow("strict and quiet")
        << QStringList { u"--strict"_s, u"--quiet"_s } << u"%out"_s << 6 << false;
    QTest::newRow("strict to standard output")
        << QStringList { u"--strict"_s } << u"-"_s << 6 << true;
}

void TestKalidorConvert::warnings()
{
    QFETCH(QStringList, options);
    QFETCH(QString, output);
    QFETCH(int, status);
    QFETCH(bool, reported);

    // One row per warning, a clean row, and a UTF-8 mark so that the name beyond
    // Windows-1252 arrives as it is.
    const QByteArray table = "\xEF\xBB\xBF" + header
        + "KALIDOR Clean\t50\t-5\t5\r\n"
          "KALIDOR \xC4\x80\t50\t0\t0\r\n"
          "KALIDOR ?\t50\t0\t0\r\n"
          "KALIDOR 200, matt\t50\t0\t0\r\n"
          "KALIDOR \"Gold\"\t50\t0\t0\r\n"
          "KALIDOR Comma\t12,5\t0\t0\r\n"
          "KALIDOR Unit\t50\t0\t3 %\r\n"
          "KALIDOR Empty\t\t50\t0\t0\r\n"
          "KALIDOR Bright\t104\t0\t0\r\n"
          "KALIDOR Wide\t50\t-130\t0\r\n";
    QVERIFY(writeFile(expand(u"%in"_s), table));
    const QByteArray existing = "KALIDOR Old,1,2,3\r\n";
    QVERIFY(writeFile(expand(u"%out"_s), existing));

    const Run run = runConverter(options + QStringList { expand(u"%in"_s), expand(output) });
    QCOMPARE(run.status, status);

    QStringList expected;
    if (reported) {
        expected = QStringList {
            u"%in: line 3: \"KALIDOR \u0100\": Windows-1252 cannot hold every character of the "
            "name, so it is written with \"\u0100\" (U+0100) as \"?\""_s,
            u"%in: line 4: \"KALIDOR ?\": the name as written, \"KALIDOR ?\", is also that of "
            "line 3, so the RIP matches only one of them"_s,
            u"%in: line 5: \"KALIDOR 200, matt\": the name holds a comma, which starts a new "
            "field of the CSV record"_s,
            u"%in: line 6: \"KALIDOR \"Gold\"\": the name holds a double quote, which a CSV "
            "reader takes for the start or end of a quoted field"_s,
            u"%in: line 7: \"KALIDOR Comma\": L* \"12,5\" is not a plain decimal number (it has "
            "a decimal comma)"_s,
            u"%in: line 8: \"KALIDOR Unit\": b* \"3 %\" is not a plain decimal number"_s,
            u"%in: line 9: \"KALIDOR Empty\": L* is empty, so the record takes the values after "
            "it in its place"_s,
            u"%in: line 10: \"KALIDOR Bright\": L* 104 is outside 0 to 100, which no surface "
            "colour has"_s,
            u"%in: line 11: \"KALIDOR Wide\": a* -130 is beyond \u00B1128, which no surface "
            "colour has"_s,
        };
    }
    if (status == 6)
        expected.append(
            u"kalidor-convert: %in: 9 warnings with --strict, so nothing was written"_s);
    QStringList lines = QString::fromLocal8Bit(run.standardError).split(u'\n');
    QCOMPARE(lines.takeLast(), QString());
    for (QString &line : expected)
        line = expand(line);
    QCOMPARE(lines, expected);

    if (status == 6) {
        QCOMPARE(readFile(expand(u"%out"_s)), existing);
        QVERIFY(run.standardOutput.isEmpty());
    } else {
        QVERIFY(readFile(expand(u"%out"_s)).startsWith("KALIDOR Clean,50,-5,5\r\nKALIDOR ?,"));
    }
}

// A name with control characters is written as it stands and warned of; standard error shows
// them, so that the name can neither retitle the terminal nor clear it.
void TestKalidorConvert::controlCharactersInNames()
{
    const QByteArray name = "KALIDOR \x1B]0;owned\x07\x1B[2J";
    QVERIFY(writeFile(
        expand(u"%in"_s), header + name + "\t50\t0\t0\r\nKALIDOR Del\x7F\x01\t50\t0\t0\r\n"));
    const Run run = runConverter({ expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    QCOMPARE(readFile(expand(u"%out"_s)), name + ",50,0,0\r\nKALIDOR Del\x7F\x01,50,0,0\r\n");
    const QStringList expected {
        expand(u"%in: line 2: \"KALIDOR \\x1B]0;owned\\x07\\x1B[2J\": the name holds the control "
               "characters U+001B U+0007, which a terminal or the RIP may act on instead of "
               "showing; it is written with them"_s),
        expand(u"%in: line 3: \"KALIDOR Del\\x7F\\x01\": the name holds the control characters "
               "U+007F U+0001, which a terminal or the RIP may act on instead of showing; it is "
               "written with them"_s),
        QString(),
    };
    QCOMPARE(QString::fromLocal8Bit(run.standardError).split(u'\n'), expected);
    // --strict counts them as any warning.
    QCOMPARE(runConverter({ u"--strict"_s, expand(u"%in"_s), u"-"_s }).status, 6);
}

void TestKalidorConvert::nestedObjects_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("as given") << QStringList();
    QTest::newRow("D50 values") << QStringList { u"--d50"_s };
}

// Objects inside an object are passed over; the first is warned of once, on the record of the
// object holding it.
void TestKalidorConvert::nestedObjects()
{
    QFETCH(QStringList, options);
    const QByteArray lab = "<cc:L>50</cc:L><cc:A>1</cc:A><cc:B>2</cc:B>";
    const QByteArray inner = cxfObject("KALIDOR Inner", lab);
    const QByteArray outer = cxfObject("KALIDOR Outer", lab)
                                 .replace("  </cc:Object>\n", inner + inner + "  </cc:Object>\n");
    QVERIFY(writeFile(expand(u"%in"_s), cxfFile(outer + cxfObject("KALIDOR After", lab))));
    const Run run = runConverter(options + QStringList { expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    QCOMPARE(readFile(expand(u"%out"_s)), "KALIDOR Outer,50,1,2\r\nKALIDOR After,50,1,2\r\n");
    QCOMPARE(QString::fromUtf8(run.standardError),
        expand(u"%in: line 5: \"KALIDOR Outer\": it holds colour object \"KALIDOR Inner\" on line "
               "8, which is passed over, as is every colour object inside another\n"_s));
    QCOMPARE(
        runConverter(options + QStringList { u"--strict"_s, expand(u"%in"_s), u"-"_s }).status, 6);
}

void TestKalidorConvert::cxf3MeasuringConditions()
{
    const auto object = [](const QByteArray &name, const QByteArray &conditions) {
        return "  <cc:Object ObjectType=\"Colour\" Name=\"" + name
            + "\">\n    <cc:ColorValues><cc:ColorCIELab ColorSpecification=\"" + conditions
            + "\"><cc:L>50</cc:L><cc:A>1</cc:A><cc:B>2</cc:B></cc:ColorCIELab></cc:ColorValues>\n"
              "  </cc:Object>\n";
    };
    const auto conditions = [](const QByteArray &id, const QByteArray &tristimulus) {
        return "<cc:ColorSpecification Id=\"" + id + "\"><cc:TristimulusSpec>" + tristimulus
            + "</cc:TristimulusSpec></cc:ColorSpecification>\n";
    };
    const QByteArray library = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
                               "        xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
                               "<cc:Resources><cc:ObjectCollection>\n"
        + object("KALIDOR D50", "CS1") + object("KALIDOR D65", "CS2") + object("KALIDOR Ten", "CS3")
        + object("KALIDOR Unsaid", "CS4") + object("KALIDOR Unknown", "CS9")
        + "</cc:ObjectCollection>\n<cc:ColorSpecificationCollection>\n"
        + conditions("CS1", "<cc:Illuminant>D50</cc:Illuminant><cc:Observer>2_Degree</cc:Observer>")
        + conditions(
            "CS2", "<cc:Illuminant> D65 </cc:Illuminant><cc:Observer>2_Degree</cc:Observer>")
        + conditions(
            "CS3", "<cc:Illuminant>D50</cc:Illuminant><cc:Observer>10_Degree</cc:Observer>")
        + conditions("CS4", "<cc:Method>E308_Table5</cc:Method>")
        + "</cc:ColorSpecificationCollection></cc:Resources>\n</cc:CxF>\n";
    QVERIFY(writeFile(expand(u"%in"_s), library));

    const Run run = runConverter({ expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    const QStringList expected {
        expand(u"%in: line 8: \"KALIDOR D65\": its Lab values are for illuminant D65, observer "
               "2_Degree (ColorSpecification \"CS2\"), yet the record gives them as D50 with "
               "the 2\u00B0 observer"_s),
        expand(u"%in: line 11: \"KALIDOR Ten\": its Lab values are for illuminant D50, observer "
               "10_Degree (ColorSpecification \"CS3\"), yet the record gives them as D50 with "
               "the 2\u00B0 observer"_s),
        QString(),
    };
    QCOMPARE(QString::fromLocal8Bit(run.standardError).split(u'\n'), expected);
    QVERIFY(readFile(expand(u"%out"_s)).startsWith("KALIDOR D50,50,1,2\r\nKALIDOR D65,50,1,2"));

    // With --d50 the conditions, listed after the objects, change a record, so the file is read
    // again: the report lists each record once, as made the second time.
    const Run inD50 = runConverter({ u"--d50"_s, u"--report"_s, expand(u"%dir/report.json"_s),
        expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(inD50.status, 0);
    QStringList reported;
    for (const QJsonValue &record : QJsonDocument::fromJson(readFile(expand(u"%dir/report.json"_s)))
                                        .object()
                                        .value(u"records"_s)
                                        .toArray())
        reported << record[u"name"_s].toString() + u": "_s + record[u"source"_s].toString() + u" "_s
                + record[u"values"_s][1].toString();
    QCOMPARE(reported,
        (QStringList { u"KALIDOR D50: as given 1"_s,
            u"KALIDOR D65: adapted from illuminant D65 (Bradford) 1.189"_s,
            u"KALIDOR Ten: as given, since values for observer 10_Degree need a spectrum to become "
            "2\u00B0 values 1"_s,
            u"KALIDOR Unsaid: as given 1"_s, u"KALIDOR Unknown: as given 1"_s }));
}

// A line break or tab inside a CxF3 value, from a reference or a CDATA section, becomes a space:
// each colour stays one record of four values, and the value is reported as no number.
void TestKalidorConvert::cxf3ValuesOnOneLine()
{
    QVERIFY(writeFile(expand(u"%in"_s),
        cxfFile(cxfObject("KALIDOR 1", "<cc:L>5&#10;0</cc:L><cc:A>1</cc:A><cc:B>2</cc:B>")
            + cxfObject("KALIDOR 2",
                "<cc:L>50</cc:L><cc:A><![CDATA[1\n2]]></cc:A><cc:B>3&#13;&#10;4</cc:B>")
            + cxfObject("KALIDOR 3", "<cc:L>60</cc:L><cc:A>1</cc:A><cc:B>2</cc:B>"))));

    const Run run = runConverter({ expand(u"%in"_s), u"-"_s });
    QCOMPARE(run.status, 0);
    QCOMPARE(run.standardOutput,
        QByteArray("KALIDOR 1,5 0,1,2\r\nKALIDOR 2,50,1 2,3  4\r\nKALIDOR 3,60,1,2\r\n"));
    const QStringList expected {
        expand(u"%in: line 5: \"KALIDOR 1\": L* \"5 0\" is not a plain decimal number"_s),
        expand(u"%in: line 9: \"KALIDOR 2\": a* \"1 2\" is not a plain decimal number"_s),
        expand(u"%in: line 9: \"KALIDOR 2\": b* \"3  4\" is not a plain decimal number"_s),
        QString(),
    };
    QCOMPARE(QString::fromLocal8Bit(run.standardError).split(u'\n'), expected);
}

void TestKalidorConvert::append_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("missing file") << false << QByteArray() << csvRecords;
    QTest::newRow("empty file") << true << QByteArray() << csvRecords;
    QTest::newRow("LF-ended Windows-1252 file")
        << true << QByteArray("KALIDOR \xC4ltere,1,2,3\nKALIDOR Blau,4,5,6")
        << "KALIDOR \xC4ltere,1,2,3\r\nKALIDOR Blau,4,5,6\r\n" + csvRecords;
    QTest::newRow("UTF-8 file keeps its encoding")
        << true << QByteArray("\xEF\xBB\xBFKALIDOR \xC3\x84ltere,1,2,3\r\n")
        << QByteArray("\xEF\xBB\xBFKALIDOR \xC3\x84ltere,1,2,3\r\n"
                      "KALIDOR Caf\xC3\xA9,62.15,-3.50,12.75\r\nKALIDOR Gold,78.00,4.25,60.10\r\n");
    QTest::newRow("UTF-16 LE file keeps its encoding")
        << true << utf16LE(u"KALIDOR \u00C4ltere,1,2,3\r\n"_s)
        << utf16LE(u"KALIDOR \u00C4ltere,1,2,3\r\n"_s + QString::fromLatin1(csvRecords));
}

void TestKalidorConvert::append()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, existing);
    QFETCH(QByteArray, expected);

    QVERIFY(writeFile(expand(u"%in"_s), cxfLibrary));
    if (exists)
        QVERIFY(writeFile(expand(u"%out"_s), existing));
    const Run run = runConverter({ u"--append"_s, expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    QCOMPARE(readFile(expand(u"%out"_s)), expected);

    // Without --append the records replace whatever the file held.
    const Run replacing = runConverter({ expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(replacing.status, 0);
    QCOMPARE(readFile(expand(u"%out"_s)), csvRecords);
}

void TestKalidorConvert::replace_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("counts");

    const QString gold = u"KALIDOR Gold\t78.00\t4.25\t60.10"_s;
    const QString cafe = u"KALIDOR Caf\u00E9\t62.15\t-3.50\t12.75"_s;
    const QByteArray newGold = "KALIDOR Gold,78.00,4.25,60.10\r\n";
    const QByteArray newCafe = "KALIDOR Caf\xE9,62.15,-3.50,12.75\r\n";
    const QStringList replace { u"--replace"_s };

    QTest::newRow("held once") << QStringList { gold, cafe } << replace
                               << QByteArray("KALIDOR Blue,1,2,3\r\nKALIDOR Gold,70,4,60\r\n")
                               << "KALIDOR Blue,1,2,3\r\n" + newGold + newCafe
                               << u"1 replaced, 0 unchanged, 1 added"_s;
    QTest::newRow("held twice: the first line")
        << QStringList { gold } << replace
        << QByteArray("KALIDOR Gold,70,4,60\nKALIDOR Blue,1,2,3\nKALIDOR Gold,9,9,9")
        << newGold + "KALIDOR Blue,1,2,3\r\nKALIDOR Gold,9,9,9\r\n"
        << u"1 replaced, 0 unchanged, 0 added"_s;
    QTest::newRow("held in the legacy form")
        << QStringList { gold } << replace
        << QByteArray("SPOTCOLOR_NAME:KALIDOR Gold; D50_LAB:70,4,60\r\nKALIDOR Blue,1,2,3\r\n")
        << newGold + "KALIDOR Blue,1,2,3\r\n"
        << u"1 replaced, 0 unchanged, 0 added"_s;
    QTest::newRow("legacy records over CSV ones")
        << QStringList { gold } << QStringList { u"--replace"_s, u"--legacy"_s }
        << QByteArray("KALIDOR Gold,70,4,60\r\n")
        << QByteArray("SPOTCOLOR_NAME:KALIDOR Gold; D50_LAB:78.00,4.25,60.10\r\n")
        << u"1 replaced, 0 unchanged, 0 added"_s;
    QTest::newRow("case differs") << QStringList { gold } << replace
                                  << QByteArray("KALIDOR GOLD,70,4,60\r\n")
                                  << "KALIDOR GOLD,70,4,60\r\n" + newGold
                                  << u"0 replaced, 0 unchanged, 1 added"_s;
    QTest::newRow("same values") << QStringList { gold, cafe } << replace
                                 << "KALIDOR Blue,1,2,3\r\n" + newGold
                                 << "KALIDOR Blue,1,2,3\r\n" + newGold + newCafe
                                 << u"0 replaced, 1 unchanged, 1 added"_s;
    QTest::newRow("same values in another form")
        << QStringList { gold } << replace
        << QByteArray("SPOTCOLOR_NAME:KALIDOR Gold; D50_LAB:78.00,4.25,60.10\r\n") << newGold
        << u"1 replaced, 0 unchanged, 0 added"_s;
    // The code page writes both names as "KALIDOR ?": the line's bytes would not change.
    QTest::newRow("same bytes once encoded")
        << QStringList { u"KALIDOR \u0100\t1\t2\t3"_s } << replace
        << QByteArray("KALIDOR ?,1,2,3\r\n") << QByteArray("KALIDOR ?,1,2,3\r\n")
        << u"0 replaced, 1 unchanged, 0 added"_s;
    QTest::newRow("a name twice in the table: the second added")
        << QStringList { gold, u"KALIDOR Gold\t1\t2\t3"_s } << replace
        << QByteArray("KALIDOR Gold,70,4,60\r\n") << newGold + "KALIDOR Gold,1,2,3\r\n"
        << u"1 replaced, 0 unchanged, 1 added"_s;
    QTest::newRow("UTF-16 database")
        << QStringList { gold, cafe } << replace
        << utf16LE(u"KALIDOR Blue,1,2,3\r\nKALIDOR Caf\u00E9,1,2,3\r\nKALIDOR Gold,70,4,60\r\n"_s)
        << utf16LE(u"KALIDOR Blue,1,2,3\r\nKALIDOR Caf\u00E9,62.15,-3.50,12.75\r\n"
                   "KALIDOR Gold,78.00,4.25,60.10\r\n"_s)
        << u"2 replaced, 0 unchanged, 0 added"_s;
    // The name as the database's encoding writes it: UTF-16 holds "Ā", the code page does not.
    QTest::newRow("UTF-16 database, a name beyond the code page")
        << QStringList { u"KALIDOR \u0100\t1\t2\t3"_s } << replace
        << utf16LE(u"KALIDOR ?,4,5,6\r\nKALIDOR \u0100,7,8,9\r\n"_s)
        << utf16LE(u"KALIDOR ?,4,5,6\r\nKALIDOR \u0100,1,2,3\r\n"_s)
        << u"1 replaced, 0 unchanged, 0 added"_s;
    // A header line is no record: a colour named as its first field is added, unwarned.
    QTest::newRow("all colours, a header line held")
        << QStringList { u"Name\t1\t2\t3"_s } << QStringList { u"--replace"_s, u"--all-colours"_s }
        << QByteArray("Name,L,a,b\r\nKALIDOR Blue,1,2,3\r\n")
        << QByteArray("Name,L,a,b\r\nKALIDOR Blue,1,2,3\r\nName,1,2,3\r\n")
        << u"0 replaced, 0 unchanged, 1 added"_s;
    QTest::newRow("without --replace")
        << QStringList { gold } << QStringList() << QByteArray("KALIDOR Gold,70,4,60\r\n")
        << "KALIDOR Gold,70,4,60\r\n" + newGold << QString();
}

// With --replace, a record of a name the database holds takes that name's first line; every
// other byte is what --append writes.
void TestKalidorConvert::replace()
{
    QFETCH(QStringList, rows);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, existing);
    QFETCH(QByteArray, expected);
    QFETCH(QString, counts);

    QVERIFY(writeFile(
        expand(u"%in"_s), "\xEF\xBB\xBF" + header + rows.join(u"\r\n"_s).toUtf8() + "\r\n"));
    QVERIFY(writeFile(expand(u"%out"_s), existing));
    const Run run = runConverter(options
        + QStringList { u"--append"_s, u"--verbose"_s, expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    QCOMPARE(readFile(expand(u"%out"_s)), expected);
    QStringList lines = QString::fromLocal8Bit(run.standardError).split(u'\n');
    QCOMPARE(lines.takeLast(), QString());
    if (!counts.isEmpty())
        QCOMPARE(lines.takeLast(), u"kalidor-convert: records: "_s + counts);
    QVERIFY(!lines.last().startsWith(u"kalidor-convert: records:"_s));
    // A name replaced is still warned of, with what it replaced.
    QCOMPARE(run.standardError.contains("already holds this name"),
        !counts.startsWith(u"0 replaced, 0 unchanged"_s));
}

// The database replaced in is the same file, saved as --append saves it; --replace alone is
// wrong usage.
void TestKalidorConvert::replaceKeepsTheFile()
{
    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QString output = expand(u"%out"_s);
    QVERIFY(writeFile(output, "KALIDOR Gold,70,4,60\r\n"));
    // A second link: the file can only be kept by writing it in place.
    const QString link = expand(u"%dir/link.csv"_s);
    QCOMPARE(::link(qPrintable(output), qPrintable(link)), 0);
    struct stat before { };
    QCOMPARE(::stat(qPrintable(output), &before), 0);

    const Run run
        = runConverter({ u"--append"_s, u"--replace"_s, u"--quiet"_s, expand(u"%in"_s), output });
    QCOMPARE(run.status, 0);
    struct stat after { };
    QCOMPARE(::stat(qPrintable(output), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    const QByteArray expected
        = "KALIDOR Gold,78.00,4.25,60.10\r\n" + csvRecords.first(csvRecords.indexOf('\n') + 1);
    QCOMPARE(readFile(output), expected);
    QCOMPARE(readFile(link), expected);

    const Run alone = runConverter({ u"--replace"_s, expand(u"%in"_s), output });
    QCOMPARE(alone.status, 1);
    QCOMPARE(QString::fromLocal8Bit(alone.standardError),
        u"kalidor-convert: --replace is used with --append. See kalidor-convert --help.\n"_s);
    QCOMPARE(readFile(output), expected);
}

void TestKalidorConvert::report_data()
{
    QTest::addColumn<QStringList>("options");
    // The rows of a text table, or a whole CxF3 file as the one row.
    QTest::addColumn<QStringList>("rows");
    // What OUTPUT holds before the run.
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<int>("status");
    // Each record as "name|line|L,a,b|action|kind kind|source".
    QTest::addColumn<QStringList>("records");
    // records, added, replaced, unchanged, warnings
    QTest::addColumn<QList<int>>("totals");

    const QByteArray held = "KALIDOR Gold,70,4,60\r\nKALIDOR Blue,1,2,3\r\n";
    const QString gold = u"KALIDOR Gold\t78.00\t4.25\t60.10"_s;
    const QStringList warned { u"KALIDOR A,B\t1\t2\t3"_s, u"KALIDOR \u0100\t200\t2\t3"_s };
    const QStringList warnedRecords { u"KALIDOR A,B|2|1,2,3|added|comma|"_s,
        u"KALIDOR \u0100|3|200,2,3|added|encoding range|"_s };
    // A failed run writes nothing, so no record is added.
    const QStringList refusedRecords { u"KALIDOR A,B|2|1,2,3|none|comma|"_s,
        u"KALIDOR \u0100|3|200,2,3|none|encoding range|"_s };
    const QStringList replace { u"--append"_s, u"--replace"_s };

    QTest::newRow("replaced and added")
        << replace << QStringList { gold, u"KALIDOR Blue\t1\t2\t3"_s, gold } << held << 0
        << QStringList { u"KALIDOR Gold|2|78.00,4.25,60.10|replaced|held|"_s,
               u"KALIDOR Blue|3|1,2,3|unchanged|held|"_s,
               u"KALIDOR Gold|4|78.00,4.25,60.10|added|duplicate held|"_s }
        << QList<int> { 3, 1, 1, 1, 4 };
    QTest::newRow("warned") << QStringList() << warned << held << 0 << warnedRecords
                            << QList<int> { 2, 2, 0, 0, 3 };
    QTest::newRow("strict") << QStringList { u"--strict"_s } << warned << held << 6
                            << refusedRecords << QList<int> { 2, 0, 0, 0, 3 };
    // What --replace asks for is no failure.
    QTest::newRow("strict, replaced")
        << replace + QStringList { u"--strict"_s } << QStringList { gold } << held << 0
        << QStringList { u"KALIDOR Gold|2|78.00,4.25,60.10|replaced|held|"_s }
        << QList<int> { 1, 0, 1, 0, 1 };
    QTest::newRow("strict, replaced and warned")
        << replace + QStringList { u"--strict"_s } << QStringList { gold } + warned << held << 6
        << QStringList { u"KALIDOR Gold|2|78.00,4.25,60.10|none|held|"_s,
               u"KALIDOR A,B|3|1,2,3|none|comma|"_s,
               u"KALIDOR \u0100|4|200,2,3|none|encoding range|"_s }
        << QList<int> { 3, 0, 0, 0, 4 };
    QTest::newRow("database it cannot append to")
        << QStringList { u"--append"_s } << QStringList { gold }
        << QByteArray("KALIDOR Old,1,2,3\r\n\0", 20) << 5
        << QStringList { u"KALIDOR Gold|2|78.00,4.25,60.10|none||"_s }
        << QList<int> { 1, 0, 0, 0, 0 };
    QTest::newRow("not a table") << QStringList() << QStringList() << held << 3 << QStringList()
                                 << QList<int> { 0, 0, 0, 0, 0 };
    // The values are L*, a* and b*, whatever follows them.
    QTest::newRow("fifth field") << QStringList() << QStringList { u"KALIDOR Five\t1\t2\t3\t4"_s }
                                 << held << 0 << QStringList { u"KALIDOR Five|2|1,2,3|added||"_s }
                                 << QList<int> { 1, 1, 0, 0, 0 };

    // Lab values for D50 far from those of the object's spectrum, a grey of 50 % reflectance.
    const QString spectrum = u"<cc:ReflectanceSpectrum StartWL=\"380\">"_s
        + QStringList(31, u"0.5"_s).join(u' ') + u"</cc:ReflectanceSpectrum>"_s;
    const QString mismatched = QString::fromUtf8(
        cxfFile("  <cc:Object ObjectType=\"Colour\" Name=\"KALIDOR Grey\">\n"
                "    <cc:ColorValues><cc:ColorCIELab><cc:L>20</cc:L><cc:A>40</cc:A><cc:B>40</cc:B>"
                "</cc:ColorCIELab>"
            + spectrum.toUtf8() + "</cc:ColorValues>\n  </cc:Object>\n"));
    QTest::newRow("spectrum, --d50")
        << QStringList { u"--d50"_s } << QStringList { mismatched } << held << 0
        << QStringList { u"KALIDOR Grey|5|76.07,0,0|added|spectrum|from its spectrum (ASTM E308 Table 5, 10 nm)"_s }
        << QList<int> { 1, 1, 0, 0, 1 };
    QTest::newRow("spectrum, as given")
        << QStringList() << QStringList { mismatched } << held << 0
        << QStringList { u"KALIDOR Grey|5|20,40,40|added||"_s } << QList<int> { 1, 1, 0, 0, 0 };
}

// --report writes what became of each record, whether the run succeeds or not.
void TestKalidorConvert::report()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, rows);
    QFETCH(QByteArray, existing);
    QFETCH(int, status);
    QFETCH(QStringList, records);
    QFETCH(QList<int>, totals);

    QByteArray input = "no table\r\n";
    if (rows.size() == 1 && rows.first().startsWith(u"<?xml"_s))
        input = rows.first().toUtf8();
    else if (!rows.isEmpty())
        input = "\xEF\xBB\xBF" + header + rows.join(u"\r\n"_s).toUtf8() + "\r\n";
    QVERIFY(writeFile(expand(u"%in"_s), input));
    QVERIFY(writeFile(expand(u"%out"_s), existing));
    const QString reportPath = expand(u"%dir/report.json"_s);
    QVERIFY(writeFile(reportPath, "an older report"));
    const Run run = runConverter(
        options + QStringList { u"--report"_s, reportPath, expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, status);

    QJsonParseError error {};
    const QJsonObject report = QJsonDocument::fromJson(readFile(reportPath), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QStringList described;
    for (const QJsonValue &value : report.value(u"records"_s).toArray()) {
        const QJsonObject record = value.toObject();
        QStringList kinds;
        for (const QJsonValue &warning : record.value(u"warnings"_s).toArray()) {
            kinds << warning[u"kind"_s].toString();
            QVERIFY(!warning[u"text"_s].toString().isEmpty());
        }
        QStringList values;
        for (const QJsonValue &value : record.value(u"values"_s).toArray())
            values << value.toString();
        described << u"%1|%2|%3|%4|%5|%6"_s.arg(record.value(u"name"_s).toString())
                         .arg(record.value(u"line"_s).toInteger())
                         .arg(values.join(u','), record.value(u"action"_s).toString(),
                             kinds.join(u' '), record.value(u"source"_s).toString());
        // A source is told only when D50 values were asked for.
        QCOMPARE(record.contains(u"source"_s), options.contains(u"--d50"_s));
    }
    QCOMPARE(described, records);
    const QJsonObject counted = report.value(u"totals"_s).toObject();
    QList<int> reported;
    for (const QString &total :
        { u"records"_s, u"added"_s, u"replaced"_s, u"unchanged"_s, u"warnings"_s })
        reported << counted.value(total).toInt(-1);
    QCOMPARE(reported, totals);
    QCOMPARE(report.value(u"status"_s).toInt(-1), status);
    if (status == 0) {
        QVERIFY(!report.contains(u"error"_s));
    } else {
        // The message of the failure, as standard error ends with it.
        const QString error = report.value(u"error"_s).toString();
        QVERIFY(!error.isEmpty());
        QVERIFY2(
            QString::fromLocal8Bit(run.standardError).endsWith(error + u'\n'), qPrintable(error));
        QCOMPARE(readFile(expand(u"%out"_s)), existing);
    }
    // Replaced whole: nothing else is left beside it.
    QCOMPARE(QDir(expand(u"%dir"_s)).entryList(QDir::Files),
        (QStringList { u"in.txt"_s, u"out.csv"_s, u"report.json"_s }));
}

// The report never takes the database's place, by whatever path it is named.
void TestKalidorConvert::reportNeverNamesTheOutput()
{
    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QByteArray existing = "KALIDOR Gold,70,4,60\r\n";
    QVERIFY(writeFile(expand(u"%out"_s), existing));
    QVERIFY(QFile::link(expand(u"%out"_s), expand(u"%dir/link.json"_s)));
    for (const QString &named : { expand(u"%dir/link.json"_s), expand(u"%dir/./out.csv"_s) }) {
        const Run run = runConverter(
            { u"--append"_s, u"--report"_s, named, expand(u"%in"_s), expand(u"%out"_s) });
        QCOMPARE(run.status, 1);
        QCOMPARE(QString::fromLocal8Bit(run.standardError),
            u"kalidor-convert: --report names OUTPUT, which it would overwrite. See "
            "kalidor-convert --help.\n"_s);
        QCOMPARE(readFile(expand(u"%out"_s)), existing);
    }
}

// A report written again keeps the permissions given to the one it replaces.
void TestKalidorConvert::reportKeepsItsMode()
{
    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QString report = expand(u"%dir/run.json"_s);
    QVERIFY(writeFile(report, "{}"));
    QVERIFY(QFile::setPermissions(report, QFile::ReadOwner | QFile::WriteOwner));
    const Run run
        = runConverter({ u"--report"_s, report, expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    QVERIFY(readFile(report).contains("\"status\":0"));
    // Owner, group and others; Qt's "user" bits are this process's own.
    QCOMPARE(QFile::permissions(report) & QFile::Permissions(0x7077),
        QFile::ReadOwner | QFile::WriteOwner);
}

void TestKalidorConvert::reportNamesNeitherInputNorOutput_data()
{
    // How the report's path is made, in the test's folder: "%link NAME TARGET" makes a
    // symbolic link, "%hard NAME TARGET" a hard link, "%folder NAME" a folder; then the path.
    QTest::addColumn<QStringList>("made");
    QTest::addColumn<QString>("report");
    QTest::addColumn<bool>("outputExists");
    QTest::addColumn<QString>("named"); // INPUT or OUTPUT

    QTest::newRow("INPUT") << QStringList() << u"%in"_s << true << u"INPUT"_s;
    QTest::newRow("INPUT through ..")
        << QStringList { u"%folder sub"_s } << u"%dir/sub/../in.txt"_s << true << u"INPUT"_s;
    QTest::newRow("link to INPUT") << QStringList { u"%link report.json in.txt"_s }
                                   << u"%dir/report.json"_s << true << u"INPUT"_s;
    QTest::newRow("link to a link to INPUT")
        << QStringList { u"%link first in.txt"_s, u"%link report.json first"_s }
        << u"%dir/report.json"_s << true << u"INPUT"_s;
    QTest::newRow("hard link to INPUT") << QStringList { u"%hard report.json in.txt"_s }
                                        << u"%dir/report.json"_s << true << u"INPUT"_s;
    QTest::newRow("folder link to INPUT") << QStringList { u"%folder sub"_s, u"%link sub/up .."_s }
                                          << u"%dir/sub/up/in.txt"_s << true << u"INPUT"_s;
    // The new database would be made where the link points.
    QTest::newRow("dangling link to a new OUTPUT") << QStringList { u"%link report.json out.csv"_s }
                                                   << u"%dir/report.json"_s << false << u"OUTPUT"_s;
    QTest::newRow("hard link to OUTPUT") << QStringList { u"%hard report.json out.csv"_s }
                                         << u"%dir/report.json"_s << true << u"OUTPUT"_s;
}

// A report is never written over the colour table or the database, by whatever path.
void TestKalidorConvert::reportNamesNeitherInputNorOutput()
{
    QFETCH(QStringList, made);
    QFETCH(QString, report);
    QFETCH(bool, outputExists);
    QFETCH(QString, named);

    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QByteArray existing = "KALIDOR Old,1,2,3\r\n";
    if (outputExists)
        QVERIFY(writeFile(expand(u"%out"_s), existing));
    const QDir dir(m_dir->path());
    for (const QString &step : made) {
        const QStringList parts = step.split(u' ');
        const QByteArray name = QFile::encodeName(dir.filePath(parts.at(1)));
        if (parts.at(0) == u"%folder")
            QVERIFY(dir.mkdir(parts.at(1)));
        else if (parts.at(0) == u"%link")
            QCOMPARE(symlink(QFile::encodeName(parts.at(2)).constData(), name.constData()), 0);
        else
            QCOMPARE(
                link(QFile::encodeName(dir.filePath(parts.at(2))).constData(), name.constData()),
                0);
    }
    const QStringList before
        = dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

    const Run run
        = runConverter({ u"--report"_s, expand(report), expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 1);
    QCOMPARE(QString::fromLocal8Bit(run.standardError),
        u"kalidor-convert: --report names %1, which it would overwrite. See kalidor-convert "
        "--help.\n"_s.arg(named));
    QCOMPARE(readFile(expand(u"%in"_s)), textTable);
    QCOMPARE(QFileInfo::exists(expand(u"%out"_s)), outputExists);
    if (outputExists)
        QCOMPARE(readFile(expand(u"%out"_s)), existing);
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), before);
}

void TestKalidorConvert::reportOntoNoRegularFile_data()
{
    QTest::addColumn<mode_t>("kind"); // S_IFIFO or S_IFCHR
    QTest::newRow("named pipe") << mode_t(S_IFIFO);
    QTest::newRow("full device") << mode_t(S_IFCHR);
}

// A report replaces a regular file or makes a new one, never a device or a named pipe; that
// is told before anything is read or written.
void TestKalidorConvert::reportOntoNoRegularFile()
{
    QFETCH(mode_t, kind);

    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QString reportPath = expand(u"%dir/report.json"_s);
    if (kind == S_IFIFO)
        QCOMPARE(mkfifo(QFile::encodeName(reportPath).constData(), 0600), 0);
    else if (const QString notMade = makeFullDevice(reportPath); !notMade.isEmpty())
        QSKIP(qPrintable(notMade));
    struct stat before { };
    QCOMPARE(lstat(QFile::encodeName(reportPath).constData(), &before), 0);

    const Run run
        = runConverter({ u"--report"_s, reportPath, expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 1);
    QCOMPARE(QString::fromLocal8Bit(run.standardError),
        expand(u"kalidor-convert: --report names %dir/report.json, which is no regular file; a "
               "report replaces only a regular file or makes a new one. See kalidor-convert "
               "--help.\n"_s));
    struct stat after { };
    QCOMPARE(lstat(QFile::encodeName(reportPath).constData(), &after), 0);
    QCOMPARE(after.st_mode & S_IFMT, kind);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
        (QStringList { u"in.txt"_s, u"report.json"_s }));
}

void TestKalidorConvert::reportOnAFullDisk_data()
{
    // The largest file the converter may write; its records take 60 bytes, their report more.
    QTest::addColumn<int>("fileSize");
    QTest::newRow("report stops short") << 200;
    QTest::newRow("records' spool stops short") << 20;
}

// A disk that fills up while the report is written fails the run before the database is
// touched: no report is taken for whole, and nothing is left beside it.
void TestKalidorConvert::reportOnAFullDisk()
{
    QFETCH(int, fileSize);

    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QByteArray existing = "KALIDOR Old,1,2,3\r\n";
    QVERIFY(writeFile(expand(u"%out"_s), existing));
    const QString reportPath = expand(u"%dir/report.json"_s);
    QVERIFY(writeFile(reportPath, "an older report"));

    const Run run = runConverter({ u"--report"_s, reportPath, expand(u"%in"_s), expand(u"%out"_s) },
        QString(), RLIM_INFINITY, rlim_t(fileSize));
    QCOMPARE(run.status, 5);
    const QString message = QString::fromLocal8Bit(run.standardError);
    QVERIFY2(message.startsWith(expand(u"kalidor-convert: %dir/report.json: cannot be written: "
                                       "File too large, so nothing was written"_s)),
        qPrintable(message));
    QCOMPARE(readFile(expand(u"%out"_s)), existing);
    QCOMPARE(readFile(reportPath), QByteArray("an older report"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
        (QStringList { u"in.txt"_s, u"out.csv"_s, u"report.json"_s }));
}

// The report is UTF-8 JSON as RFC 8259 has it for any name: a lone surrogate, which a UTF-16
// table can hold and UTF-8 cannot, is U+FFFD there as on standard error.
void TestKalidorConvert::reportIsUtf8()
{
    QVERIFY(writeFile(expand(u"%in"_s),
        utf16LE(QString::fromLatin1(header) + u"KALIDOR "_s + QChar(0xD800)
            + u"\x01\"\\\t50\t0\t0\r\n"_s)));
    const QString reportPath = expand(u"%dir/report.json"_s);
    const Run run
        = runConverter({ u"--report"_s, reportPath, expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    QVERIFY2(run.standardError.contains("KALIDOR \xEF\xBF\xBD"), run.standardError.constData());

    const QByteArray bytes = readFile(reportPath);
    QVERIFY(QByteArrayView(bytes).isValidUtf8());
    QVERIFY2(!bytes.contains("\\ud800"), bytes.constData());
    QJsonParseError error {};
    const QJsonObject report = QJsonDocument::fromJson(bytes, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject record = report.value(u"records"_s)[0].toObject();
    QCOMPARE(record.value(u"name"_s).toString(), u"KALIDOR \uFFFD\x01\"\\"_s);
    const QString warning = record.value(u"warnings"_s)[0][u"text"_s].toString();
    QVERIFY2(
        warning.contains(u"\uFFFD"_s) && !warning.contains(QChar(0xD800)), qPrintable(warning));
}

// Records are written to the report as they are made, not held: a report of 100,000 records
// fits in the memory that the run without one needs, and a little more.
void TestKalidorConvert::reportCostsNoMoreMemory()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    QSKIP("the sanitizer maps more address space than any limit that lets it start");
#endif
    const QString library
        = SyntheticLibrary::cached(m_libraries.path(), SyntheticLibrary::Form::Cxf3, 100000);
    const QStringList arguments { u"--all-colours"_s, library, expand(u"%out"_s) };
    // glibc gives a thread that meets another in malloc an arena of its own, 64 MB of address
    // space, so how many a run maps depends on how its threads happen to meet; one arena for
    // every run measures the converter's own memory.
    qputenv("MALLOC_ARENA_MAX", "1");
    const auto restore = qScopeGuard([] { qunsetenv("MALLOC_ARENA_MAX"); });
    constexpr rlim_t megabyte = 1 << 20;
    // The least address space, to 8 MB, in which the run without a report succeeds.
    rlim_t fails = 16 * megabyte;
    rlim_t succeeds = 4096 * megabyte;
    QCOMPARE(runConverter(arguments, QString(), succeeds).status, 0);
    while (succeeds - fails > 8 * megabyte) {
        const rlim_t middle = (fails + succeeds) / 2;
        (runConverter(arguments, QString(), middle).status == 0 ? succeeds : fails) = middle;
    }
    // Room for the spool's and the writer's buffers, and for runs that differ.
    const rlim_t allowed = succeeds + 48 * megabyte;
    const Run run
        = runConverter(QStringList { u"--report"_s, expand(u"%dir/report.json"_s) } + arguments,
            QString(), allowed);
    QVERIFY2(run.status == 0, run.standardError.constData());
    qInfo("without a report: %llu MB of address space, with one: within %llu MB",
        static_cast<unsigned long long>(succeeds / megabyte),
        static_cast<unsigned long long>(allowed / megabyte));
    QCOMPARE(QJsonDocument::fromJson(readFile(expand(u"%dir/report.json"_s)))
                 .object()
                 .value(u"totals"_s)[u"records"_s]
                 .toInt(),
        100000);
}

void TestKalidorConvert::heldNames_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("expected");

    const auto held = [](int line, const QString &name, int databaseLine, const QString &values,
                          const QString &difference) {
        return u"%in: line %1: \"%2\": the database already holds this name on line %3 (%4), so "
               "the RIP matches only one of them; \u0394E2000 to the new values %5"_s.arg(line)
                   .arg(name)
                   .arg(databaseLine)
                   .arg(values, difference);
    };
    // Only L* differs, by 2.15 at a mean L* of 61.075: ΔE2000 = 2.15 / SL = 1.8630.
    const QString cafe = u"KALIDOR Caf\u00E9"_s;
    const QString cafeValues = u"60,-3.5,12.75"_s;
    const QStringList fromCxf3 { held(5, cafe, 3, cafeValues, u"1.86"_s),
        held(13, u"KALIDOR Gold"_s, 2, u"78,4.25,60.1"_s, u"0.00"_s) };
    QTest::newRow("CxF3, appended") << cxfLibrary << QStringList { u"--append"_s } << 0 << fromCxf3;
    QTest::newRow("CxF3, strict") << cxfLibrary << QStringList { u"--append"_s, u"--strict"_s } << 6
                                  << fromCxf3
            + QStringList { u"kalidor-convert: %in: 2 warnings with --strict, so nothing was "
                            "written"_s };
    QTest::newRow("CxF3, not appended") << cxfLibrary << QStringList() << 0 << QStringList();
    QTest::newRow("text table") << textTable << QStringList { u"--append"_s } << 0
                                << QStringList { held(2, cafe, 3, cafeValues, u"1.86"_s),
                                       held(
                                           4, u"KALIDOR Gold"_s, 2, u"78,4.25,60.1"_s, u"0.00"_s) };
}

// The converter warns of a name that the database it appends to holds already, as of any
// other warning.
void TestKalidorConvert::heldNames()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QStringList, expected);

    QVERIFY(writeFile(expand(u"%in"_s), input));
    const QByteArray existing = "KALIDOR gold,1,2,3\r\nKALIDOR Gold,78,4.25,60.1\r\n"
                                "SPOTCOLOR_NAME:KALIDOR Caf\xE9; D50_LAB:60,-3.5,12.75\r\n";
    QVERIFY(writeFile(expand(u"%out"_s), existing));

    const Run run = runConverter(options + QStringList { expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, status);
    QStringList lines = QString::fromLocal8Bit(run.standardError).split(u'\n');
    QCOMPARE(lines.takeLast(), QString());
    for (QString &line : expected)
        line = expand(line);
    QCOMPARE(lines, expected);
    if (status == 6)
        QCOMPARE(readFile(expand(u"%out"_s)), existing);
}

// The output is held open from before the library is read until the records are written: a
// database renamed over it meanwhile, in another encoding, is refused and left as it came.
void TestKalidorConvert::outputReplacedDuringConversion()
{
    const QString library
        = SyntheticLibrary::cached(m_libraries.path(), SyntheticLibrary::Form::Cxf3, 100000);
    const QString output = expand(u"%out"_s);
    QVERIFY(writeFile(output, "KALIDOR Old,1,2,3\r\n"));
    const QString other = expand(u"%dir/other.csv"_s);
    const QByteArray otherBytes = utf16LE(u"KALIDOR Other,4,5,6\r\n"_s);
    QVERIFY(writeFile(other, otherBytes));

    QProcess process;
    process.start(QStringLiteral(KALIDOR_CONVERT), { u"--append"_s, library, output });
    QVERIFY(process.waitForStarted());
    const qint64 pid = process.processId();
    // Reading a library this large takes far longer than a look at the descriptors.
    const QString input = QFileInfo(library).canonicalFilePath();
    while (!openFiles(pid).contains(input))
        QVERIFY2(!process.waitForFinished(0), "the library was never seen open");
    QCOMPARE(kill(pid, SIGSTOP), 0);
    const QStringList held = openFiles(pid);
    QVERIFY2(held.contains(input), qPrintable(held.join(u' ')));
    QVERIFY2(held.contains(QFileInfo(output).canonicalFilePath()), qPrintable(held.join(u' ')));
    QCOMPARE(
        std::rename(QFile::encodeName(other).constData(), QFile::encodeName(output).constData()),
        0);
    QCOMPARE(kill(pid, SIGCONT), 0);
    QVERIFY(process.waitForFinished(120000));

    QCOMPARE(process.exitCode(), 5);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
        expand(u"kalidor-convert: %out: could not be appended to, so it was left as it was: "
               "another program changed it after it was read\n"_s));
    QCOMPARE(readFile(output), otherBytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { u"out.csv"_s });
}

// A save killed while it wrote the database in place left part of its new bytes in it, its
// journal (the whole new bytes) and the copy of the old bytes: the next run writes the journal
// into the database again before it reads it, says what it found and did, and removes both.
void TestKalidorConvert::stoppedSaveIsMendedByTheNextRun()
{
    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QString output = expand(u"%out"_s);
    QVERIFY(writeFile(output, "KALIDOR New,1,2,3\r\n"));
    QVERIFY(writeFile(output + u".writing-in-place-a1b2c3"_s, "KALIDOR New,4,5,6\r\n"));
    QVERIFY(writeFile(output + u".copy-before-save-d4e5f6"_s, "KALIDOR Old,1,2,3\r\n"));

    const Run run = runConverter({ u"--append"_s, u"--quiet"_s, expand(u"%in"_s), output });
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::fromUtf8(run.standardError),
        expand(u"kalidor-convert: %out: an earlier save was stopped while it wrote the file; the "
               "content it had kept for it in %out.writing-in-place-a1b2c3 was written to it "
               "again\n"
               "kalidor-convert: %out: %out.copy-before-save-d4e5f6, left by an earlier save that "
               "was stopped, was removed\n"_s));
    QCOMPARE(readFile(output), "KALIDOR New,4,5,6\r\n" + csvRecords);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList { u"in.txt"_s, u"out.csv"_s }));
}

// Another run holds the database for its save: this one says that it waits, and appends once
// the other has finished.
void TestKalidorConvert::waitsForAnotherRun()
{
    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QString output = expand(u"%out"_s);
    QVERIFY(writeFile(output, "KALIDOR Old,1,2,3\r\n"));
    auto otherRun = std::make_unique<DatabaseSave>(output, true);

    QProcess process;
    process.setReadChannel(QProcess::StandardError);
    process.start(QStringLiteral(KALIDOR_CONVERT), { u"--append"_s, expand(u"%in"_s), output });
    QVERIFY(process.waitForStarted());
    QByteArray told;
    while (!told.contains('\n') && process.waitForReadyRead(20000))
        told += process.readAllStandardError();
    QCOMPARE(QString::fromUtf8(told),
        expand(
            u"kalidor-convert: %out: another run is saving to it; waiting for it to finish\n"_s));
    otherRun->commit(QStringList { u"KALIDOR Other,4,5,6"_s });
    otherRun.reset();
    QVERIFY(process.waitForFinished(20000));

    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(readFile(output), "KALIDOR Old,1,2,3\r\nKALIDOR Other,4,5,6\r\n" + csvRecords);
}

// A database that cannot be written is still checked in its own encoding: the run fails for
// the file, not for a warning that the file's encoding would not give.
void TestKalidorConvert::readOnlyDatabaseFailsAsUnwritable()
{
    QVERIFY(
        writeFile(expand(u"%in"_s), "\xEF\xBB\xBF" + header + "KALIDOR \xC4\x80\t50\t0\t0\r\n"));
    const QByteArray existing = utf16LE(u"KALIDOR Old,1,2,3\r\n"_s);
    QVERIFY(writeFile(expand(u"%out"_s), existing));
    QVERIFY(QFile::setPermissions(expand(u"%out"_s), QFile::ReadOwner | QFile::ReadGroup));

    const Run run
        = runConverter({ u"--append"_s, u"--strict"_s, expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 5);
    QVERIFY2(!run.standardError.contains("Windows-1252"), run.standardError.constData());
    QCOMPARE(readFile(expand(u"%out"_s)), existing);
}

void TestKalidorConvert::standardOutputThatCannotBeWritten()
{
    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QString device = expand(u"%dir/full"_s);
    if (const QString notMade = makeFullDevice(device); !notMade.isEmpty())
        QSKIP(qPrintable(notMade));
    const Run run = runConverter({ expand(u"%in"_s), u"-"_s }, device);
    QCOMPARE(run.status, 5);
    QCOMPARE(QString::fromUtf8(run.standardError),
        u"kalidor-convert: standard output could not be written: No space left on device\n"_s);
}

// Running out of memory is a failure like any other, not an abort. Of 100 MB of address
// space the converter takes some 60 MB to start; the records and checked names of 3,000
// names of 5 KB (a 15 MB file) take more than the rest, half as many would fit.
void TestKalidorConvert::memoryRunsOut()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    QSKIP("the sanitizer maps more address space than any limit that lets it start");
#endif
    QByteArray objects;
    for (int i = 0; i < 3000; ++i)
        objects += cxfObject("KALIDOR " + QByteArray::number(i) + QByteArray(5000, 'x'),
            "<cc:L>50</cc:L><cc:A>1</cc:A><cc:B>2</cc:B>");
    QVERIFY(writeFile(expand(u"%in"_s), cxfFile(objects)));
    const QByteArray earlier = "KALIDOR Old,1,2,3\r\n";
    QVERIFY(writeFile(expand(u"%out"_s), earlier));

    const Run run = runConverter({ expand(u"%in"_s), expand(u"%out"_s) }, QString(), 100 << 20);
    QCOMPARE(run.status, 2);
    QCOMPARE(QString::fromUtf8(run.standardError),
        expand(u"kalidor-convert: %in: memory ran out while converting it, so nothing was "
               "written; close other programs or raise the memory limit (ulimit -v) and run "
               "again\n"_s));
    QCOMPARE(readFile(expand(u"%out"_s)), earlier);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList { u"in.txt"_s, u"out.csv"_s }));
}

void TestKalidorConvert::outputIsNotRegularFile_data()
{
    QTest::addColumn<mode_t>("kind"); // S_IFIFO or S_IFCHR
    QTest::addColumn<QStringList>("options");

    for (const mode_t kind : { S_IFIFO, S_IFCHR }) {
        const char *name = kind == S_IFIFO ? "named pipe" : "full device";
        QTest::addRow("%s, replace", name) << kind << QStringList();
        QTest::addRow("%s, append", name) << kind << QStringList { u"--append"_s };
    }
}

// Opening a named pipe to read or write it would wait for the other end for ever; a device
// must not be replaced by a regular file.
void TestKalidorConvert::outputIsNotRegularFile()
{
    QFETCH(mode_t, kind);
    QFETCH(QStringList, options);

    QVERIFY(writeFile(expand(u"%in"_s), textTable));
    const QString outputPath = expand(u"%out"_s);
    if (kind == S_IFIFO)
        QCOMPARE(mkfifo(QFile::encodeName(outputPath).constData(), 0600), 0);
    else if (const QString notMade = makeFullDevice(outputPath); !notMade.isEmpty())
        QSKIP(qPrintable(notMade));
    struct stat before { };
    QCOMPARE(lstat(QFile::encodeName(outputPath).constData(), &before), 0);

    const Run run = runConverter(options + QStringList { expand(u"%in"_s), outputPath });
    QCOMPARE(run.status, 5);
    QCOMPARE(QString::fromUtf8(run.standardError),
        expand(u"kalidor-convert: %out: could not be written: it is not a regular file\n"_s));
    QVERIFY(run.standardOutput.isEmpty());
    struct stat output { };
    QCOMPARE(lstat(QFile::encodeName(outputPath).constData(), &output), 0);
    QCOMPARE(output.st_mode & S_IFMT, kind);
    QCOMPARE(output.st_ino, before.st_ino);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
        (QStringList { u"in.txt"_s, u"out.csv"_s }));
}

void TestKalidorConvert::verboseCounts()
{
    QVERIFY(writeFile(expand(u"%in"_s), cxfLibrary));
    const Run run = runConverter({ u"--verbose"_s, expand(u"%in"_s), expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::fromUtf8(run.standardError),
        expand(
            u"kalidor-convert: %in: 4 lines in the colour table, 2 records written to %out\n"_s));
}

void TestKalidorConvert::largeLibrary_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("records");

    // One in ten colours of a synthetic library is a substrate, which only --all-colours takes.
    QTest::newRow("KALIDOR colours") << QStringList() << 90000;
    QTest::newRow("all colours") << QStringList { u"--all-colours"_s } << 100000;
}

// A library as large as print shops keep: the scan of a CxF3 file hands its rows to the thread
// that makes the records in many batches, and the records must be those that the same colours
// give as a text table, which is read whole first.
void TestKalidorConvert::largeLibrary()
{
    QFETCH(QStringList, options);
    QFETCH(int, records);

    using SyntheticLibrary::Form;
    const QString cxf3 = SyntheticLibrary::cached(m_libraries.path(), Form::Cxf3, 100000);
    const QString table = SyntheticLibrary::cached(m_libraries.path(), Form::TextTable, 100000);
    const Run fromCxf3 = runConverter(options + QStringList { cxf3, expand(u"%out"_s) });
    QVERIFY2(fromCxf3.standardError.isEmpty(), fromCxf3.standardError.constData());
    QCOMPARE(fromCxf3.status, 0);
    const Run fromTable = runConverter(options + QStringList { table, u"-"_s });
    QVERIFY2(fromTable.standardError.isEmpty(), fromTable.standardError.constData());
    QCOMPARE(fromTable.status, 0);

    const QList<QByteArray> lines = readFile(expand(u"%out"_s)).split('\n');
    QCOMPARE(lines.size(), records + 1); // and the empty piece after the last CR LF
    QCOMPARE(lines, fromTable.standardOutput.split('\n'));
}

// The sample with --d50: each record computed from the colour's spectrum (ASTM E308 Table 5 at
// 10 nm), close to the Lab the file's own tool computed from it; without any ColorCIELab, the
// same records.
void TestKalidorConvert::measuredSampleInD50()
{
    const QString sample = QStringLiteral(KALIDOR_TEST_DATA "/colour-cxf/sample.cxf");
    const QStringList options { u"--any-cxf3"_s, u"--all-colours"_s, u"--d50"_s };
    const Run run = runConverter(options
        + QStringList { u"--verbose"_s, u"--report"_s, expand(u"%dir/report.json"_s), sample,
            expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    const QByteArray output = readFile(expand(u"%out"_s));
    const QList<QByteArray> records = output.split('\n');
    QCOMPARE(records.size(), 145);

    QFile file(sample);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QList<LabValues> given;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"ColorCIELab")
            continue;
        QList<double> values;
        while (xml.readNextStartElement())
            values << xml.readElementText().toDouble();
        given << LabValues { values.at(0), values.at(1), values.at(2) };
    }
    QCOMPARE(given.size(), 144);
    std::vector<double> differences;
    for (qsizetype i = 0; i < 144; ++i) {
        const QByteArray &record = records.at(i);
        QVERIFY2(record.startsWith(QByteArray::number(i + 1) + ','), record.constData());
        const std::optional<LabValues> made = labOfRecord(QString::fromUtf8(record.chopped(1)));
        QVERIFY2(made, record.constData());
        differences.push_back(deltaE2000(given.at(i), *made));
    }
    std::sort(differences.begin(), differences.end());
    const double median = (differences.at(71) + differences.at(72)) / 2;
    qInfo("against the file's own Lab: worst ΔE2000 %.3f, median %.3f", differences.back(), median);
    QVERIFY2(differences.back() <= 0.16, qPrintable(QString::number(differences.back())));
    QVERIFY2(median <= 0.055, qPrintable(QString::number(median)));

    // Where each record's values come from: on standard error, and in the report.
    const QString source = u"values from its spectrum (ASTM E308 Table 5, 10 nm)"_s;
    const QStringList told = QString::fromUtf8(run.standardError).split(u'\n');
    QCOMPARE(told.filter(source).size(), 144);
    QCOMPARE(told.at(71), sample + u": line 1148: \"72\": "_s + source);
    const QJsonArray reported = QJsonDocument::fromJson(readFile(expand(u"%dir/report.json"_s)))
                                    .object()
                                    .value(u"records"_s)
                                    .toArray();
    QCOMPARE(reported.size(), 144);
    QCOMPARE(reported.at(143).toObject().value(u"source"_s).toString(),
        u"from its spectrum (ASTM E308 Table 5, 10 nm)"_s);

    const QString spectraOnly = expand(u"%dir/spectra.cxf"_s);
    QVERIFY(writeFile(spectraOnly,
        QString::fromUtf8(readFile(sample))
            .remove(QRegularExpression(u"<cc:ColorCIELab.*?</cc:ColorCIELab>"_s,
                QRegularExpression::DotMatchesEverythingOption))
            .toUtf8()));
    QVERIFY(!readFile(spectraOnly).contains("ColorCIELab"));
    const Run fromSpectra
        = runConverter(options + QStringList { spectraOnly, expand(u"%dir/spectra.csv"_s) });
    QCOMPARE(fromSpectra.status, 0);
    QCOMPARE(readFile(expand(u"%dir/spectra.csv"_s)), output);
}

// A text table gives Lab values alone: --d50 takes them as they stand, and says so.
void TestKalidorConvert::d50LeavesTextTablesAsTheyAre()
{
    QVERIFY(writeFile(expand(u"%in"_s),
        "Name\tL*\ta*\tb*\r\nKALIDOR A\t50.10\t1\t-2\r\nKALIDOR B\t60\t0.5\t3\r\n"));
    const Run plain = runConverter({ expand(u"%in"_s), u"-"_s });
    const Run d50 = runConverter({ u"--d50"_s, u"--verbose"_s, expand(u"%in"_s), u"-"_s });
    QCOMPARE(d50.status, 0);
    QCOMPARE(d50.standardOutput, plain.standardOutput);
    const QStringList told = QString::fromUtf8(d50.standardError).split(u'\n');
    QCOMPARE(told.at(0), expand(u"%in"_s) + u": line 2: \"KALIDOR A\": values as given"_s);
    QCOMPARE(told.at(1), expand(u"%in"_s) + u": line 3: \"KALIDOR B\": values as given"_s);

    // Each name as the table gives it, a U+FEFF at its start too, though the sources are read
    // back from the records' spool.
    QVERIFY(
        writeFile(expand(u"%in"_s), utf16LE(u"Name\tL*\ta*\tb*\r\n\uFEFFPaper\t1\t2\t3\r\n"_s)));
    const Run marked = runConverter(
        { u"--all-colours"_s, u"--quiet"_s, u"--d50"_s, u"--verbose"_s, expand(u"%in"_s), u"-"_s });
    QCOMPARE(marked.status, 0);
    QCOMPARE(QString::fromUtf8(marked.standardError).split(u'\n').at(0),
        expand(u"%in"_s) + u": line 2: \"\uFEFFPaper\": values as given"_s);
}

void TestKalidorConvert::measuredSample_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("record");

    // Read off tests/data/colour-cxf/sample.cxf by hand.
    QTest::newRow("first") << 0 << QByteArray("1,17.64167,1.076669,0.3338588");
    QTest::newRow("72nd") << 71 << QByteArray("72,63.94321,-25.41119,-17.06301");
    QTest::newRow("last") << 143 << QByteArray("144,50.6829,28.19667,-24.02345");
}

// A CxF3 file written by a measuring tool: the root start tag goes on with a second namespace,
// and the colours are named by number.
void TestKalidorConvert::measuredSample()
{
    QFETCH(int, index);
    QFETCH(QByteArray, record);

    const QString sample = QStringLiteral(KALIDOR_TEST_DATA "/colour-cxf/sample.cxf");
    const Run run
        = runConverter({ u"--any-cxf3"_s, u"--all-colours"_s, sample, expand(u"%out"_s) });
    QCOMPARE(run.status, 0);
    const QList<QByteArray> records = readFile(expand(u"%out"_s)).split('\n');
    QCOMPARE(records.size(), 145);
    QCOMPARE(records.at(index), record + '\r');

    // Every record against the file as another XML reader sees it.
    QFile file(sample);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QByteArrayList expected;
    QByteArray name;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"Object") {
            name = xml.attributes().value(u"Name"_s).toUtf8();
        } else if (xml.name() == u"ColorCIELab") {
            QByteArray row = name;
            while (xml.readNextStartElement())
                row += ',' + xml.readElementText().toUtf8();
            expected << row + '\r';
        }
    }
    QVERIFY(!xml.hasError());
    QCOMPARE(expected.size(), 144);
    QCOMPARE(records.first(144), expected);

    // Without the options the file is passed over, and the message says why.
    const Run strict = runConverter({ sample, expand(u"%out"_s) });
    QCOMPARE(strict.status, 3);
    QCOMPARE(QString::fromUtf8(strict.standardError),
        u"kalidor-convert: "_s + sample
            + u": line 2: the cc:CxF start tag must end its line; use --any-cxf3 to accept it\n"_s);
}

void TestKalidorConvert::help_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("--help") << u"--help"_s;
    QTest::newRow("-h") << u"-h"_s;
    QTest::newRow("--help-all") << u"--help-all"_s;
}

void TestKalidorConvert::help()
{
    QFETCH(QString, option);
    const Run run = runConverter({ option, u"--legacy"_s });
    QCOMPARE(run.status, 0);
    QCOMPARE(run.standardError, QByteArray());
    const QString text = QString::fromUtf8(run.standardOutput);
    QVERIFY2(text.startsWith(
                 u"Usage: kalidor-convert [--legacy] [--append [--replace]] [--any-cxf3] "
                 "[--all-colours] [--strict] [--d50] [--quiet] [--verbose] [--report FILE] INPUT "
                 "OUTPUT\n"_s),
        qPrintable(text));
    for (const QString &piece : { u"--legacy"_s, u"--append"_s, u"--replace"_s,
             u"--report <FILE>"_s, u"--any-cxf3"_s, u"--all-colours"_s, u"--d50"_s, u"--verbose"_s,
             u"--version"_s, u"Exit status:"_s, u"  5  OUTPUT cannot be written"_s, u"--strict"_s,
             u"--quiet"_s, u"  6  --strict, and a record has a warning"_s,
             u"  7  OUTPUT was written, but the --report FILE"_s, u"Examples:"_s,
             u"a name with a control character"_s, u"a CxF3 colour object that\nholds another"_s })
        QVERIFY2(text.contains(piece), qPrintable(piece));
}

void TestKalidorConvert::version()
{
    const Run run = runConverter({ u"--version"_s });
    QCOMPARE(run.status, 0);
    QCOMPARE(run.standardOutput, "kalidor-convert " + QByteArray(BuildInfo::version) + '\n');
    QCOMPARE(QByteArray(BuildInfo::version), QByteArray("1.4.0.0"));
}

QTEST_GUILESS_MAIN(TestKalidorConvert)
#include "tst_kalidorconvert.moc"
