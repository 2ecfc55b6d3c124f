// The order of a run with a report: the report is made whole beside its name before the
// database is committed, so that after the commit only its rename can fail; every step of
// writing it is checked.

#include "cli/converter.h"
#include "cli/reportstephook.h"
#include "database/savestephook.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QByteArray table
    = "Name\tL*\ta*\tb*\r\nKALIDOR Red\t50\t60\t70\r\nKALIDOR Blue\t30\t10\t-40\r\n";
const QByteArray oldDatabase = "KALIDOR Old,1,2,3\r\n";
const QByteArray newDatabase = "KALIDOR Red,50,60,70\r\nKALIDOR Blue,30,10,-40\r\n";
const QByteArray oldReport = "an older report";

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The test's own hooks, for the length of one run; a plain function pointer cannot hold one.
std::function<bool(ReportStep)> reportHook;
std::function<bool(SaveStep)> saveHook;

} // namespace

class TestReportCommit : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void reportIsReadyBeforeTheCommit();
    void stepFails_data();
    void stepFails();

private:
    ConversionResult run();
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestReportCommit::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(writeFile(path(u"in.txt"_s), table));
    QVERIFY(writeFile(path(u"out.csv"_s), oldDatabase));
    QVERIFY(writeFile(path(u"report.json"_s), oldReport));
    setReportStepHook([](ReportStep step) { return !reportHook || reportHook(step); });
    setSaveStepHook([](SaveStep step) { return !saveHook || saveHook(step); });
}

void TestReportCommit::cleanup()
{
    setReportStepHook(nullptr);
    setSaveStepHook(nullptr);
    reportHook = nullptr;
    saveHook = nullptr;
}

ConversionResult TestReportCommit::run()
{
    QBuffer standardOutput;
    standardOutput.open(QIODevice::WriteOnly);
    ConversionRequest request { path(u"in.txt"_s), path(u"out.csv"_s) };
    request.report = path(u"report.json"_s);
    return Converter(standardOutput).run(request);
}

// When the database is renamed into place, the whole report of its success is already on the
// disk beside its name; when the report is renamed, the database is saved.
void TestReportCommit::reportIsReadyBeforeTheCommit()
{
    int scratchFiles = 0;
    QJsonObject readyReport;
    saveHook = [&](SaveStep step) {
        if (step != SaveStep::Rename)
            return true;
        const QStringList scratch
            = QDir(m_dir->path()).entryList({ u"report.json.part-*"_s }, QDir::Files);
        scratchFiles = scratch.size();
        if (scratchFiles == 1)
            readyReport = QJsonDocument::fromJson(readFile(path(scratch.first()))).object();
        return true;
    };
    QByteArray databaseAtRename;
    reportHook = [&](ReportStep step) {
        if (step == ReportStep::Rename)
            databaseAtRename = readFile(path(u"out.csv"_s));
        return true;
    };
    const ConversionResult result = run();
    QCOMPARE(result.status, ExitStatus::Done);
    QCOMPARE(scratchFiles, 1);
    QCOMPARE(readyReport.value(u"status"_s).toInt(-1), 0);
    QCOMPARE(readyReport.value(u"totals"_s)[u"added"_s].toInt(-1), 2);
    QCOMPARE(databaseAtRename, newDatabase);
    QCOMPARE(QJsonDocument::fromJson(readFile(path(u"report.json"_s))).object(), readyReport);
}

void TestReportCommit::stepFails_data()
{
    QTest::addColumn<ReportStep>("step");
    QTest::addColumn<int>("status");
    // What the database and the report's name hold afterwards.
    QTest::addColumn<bool>("databaseWritten");
    QTest::addColumn<bool>("reportNamed");
    QTest::addColumn<QString>("reason");

    // Before the commit: nothing is written, and the report of the failure cannot be either.
    QTest::newRow("create") << ReportStep::Create << 5 << false << false
                            << u"cannot be written: no file can be made beside it"_s;
    QTest::newRow("write") << ReportStep::Write << 5 << false << false << u"cannot be written"_s;
    QTest::newRow("sync") << ReportStep::Sync << 5 << false << false
                          << u"cannot be written to the disk"_s;
    QTest::newRow("close") << ReportStep::Close << 5 << false << false
                           << u"cannot be written to the disk"_s;
    // After the commit: the records are written; a status of its own says so.
    QTest::newRow("rename") << ReportStep::Rename << 7 << true << false
                            << u"cannot be given its name"_s;
    QTest::newRow("sync folder") << ReportStep::SyncFolder << 7 << true << true
                                 << u"its name may not be on the disk"_s;
}

void TestReportCommit::stepFails()
{
    QFETCH(ReportStep, step);
    QFETCH(int, status);
    QFETCH(bool, databaseWritten);
    QFETCH(bool, reportNamed);
    QFETCH(QString, reason);

    reportHook = [step](ReportStep at) { return at != step; };
    const ConversionResult result = run();
    QCOMPARE(int(result.status), status);
    QVERIFY2(result.message.startsWith(QDir::toNativeSeparators(path(u"report.json"_s))),
        qPrintable(result.message));
    QVERIFY2(result.message.contains(reason), qPrintable(result.message));
    QVERIFY2(result.message.contains(
                 databaseWritten ? u"the records were written"_s : u"nothing was written"_s),
        qPrintable(result.message));
    QCOMPARE(readFile(path(u"out.csv"_s)), databaseWritten ? newDatabase : oldDatabase);
    if (reportNamed) {
        QCOMPARE(QJsonDocument::fromJson(readFile(path(u"report.json"_s)))
                     .object()
                     .value(u"status"_s)
                     .toInt(-1),
            0);
    } else {
        QCOMPARE(readFile(path(u"report.json"_s)), oldReport);
    }
    // No scratch file is left behind.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
        (QStringList { u"in.txt"_s, u"out.csv"_s, u"report.json"_s }));
}

QTEST_GUILESS_MAIN(TestReportCommit)
#include "tst_reportcommit.moc"
