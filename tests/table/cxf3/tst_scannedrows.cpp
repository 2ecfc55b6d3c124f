#include "base/kalidorerror.h"
#include "base/silentobserver.h"
#include "table/cxf3/scannedrows.h"
#include "table/cxf3/xmldocument.h"
#include "table/opencolourtable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

QByteArray cxf(const QByteArray &objects, const QByteArray &after = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
           ">\n<cc:Resources><cc:ObjectCollection>\n"
        + objects + "</cc:ObjectCollection></cc:Resources>\n</cc:CxF>\n" + after;
}

// "K" and the index, made `length` long with x's.
QByteArray name(int index, qsizetype length)
{
    const QByteArray start = 'K' + QByteArray::number(index);
    return start + QByteArray(qMax(length - start.size(), qsizetype(0)), 'x');
}

QByteArray objects(const QList<qsizetype> &nameLengths)
{
    QByteArray result;
    for (int i = 0; i < nameLengths.size(); ++i)
        result += "<cc:Object Name=\"" + name(i, nameLengths[i])
            + "\"><cc:ColorValues><cc:ColorCIELab><cc:L>50</cc:L><cc:A>1</cc:A><cc:B>2</cc:B>"
              "</cc:ColorCIELab></cc:ColorValues></cc:Object>\n";
    return result;
}

struct ConsumerFailure { };

// Takes the rows through a queue of `bound` bytes, more slowly than the scan makes them.
class SlowConsumer final : public ScannedRowsConsumer {
public:
    SlowConsumer(std::size_t bound, bool fails)
        : m_bound(bound)
        , m_fails(fails)
    {
    }

    void consume(ScannedRows &rows) override
    {
        called = true;
        rows.forEachRow([this](const ColourObjects::Row &row, qsizetype) {
            if (m_fails)
                throw ConsumerFailure();
            names.append(row.text.section(u'\t', 0, 0));
            if (names.size() % 64 == 0)
                QThread::msleep(1);
        });
        mostWaiting = rows.mostWaiting();
    }

    std::size_t queueBound() const override { return m_bound; }

    bool called = false;
    QStringList names;
    std::size_t mostWaiting = 0;

private:
    const std::size_t m_bound;
    const bool m_fails;
};

} // namespace

// The scan hands its rows to the consumer through a bounded queue, waiting while it is full;
// it must never wait for a consumer that is gone or will not come.
class TestScannedRows : public QObject {
    Q_OBJECT

private slots:
    void everyRowInOrderWithinTheBound_data();
    void everyRowInOrderWithinTheBound();
    void noConsumerToWaitFor_data();
    void noConsumerToWaitFor();

private:
    QString writeFile(const QByteArray &bytes);

    QTemporaryDir m_dir;
};

QString TestScannedRows::writeFile(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("file.cxf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestScannedRows::everyRowInOrderWithinTheBound_data()
{
    QTest::addColumn<QList<qsizetype>>("nameLengths");
    QTest::addColumn<bool>("boundHolds");

    // Some 500 KB of rows through a queue of 16 KB.
    QTest::newRow("many rows") << QList<qsizetype>(4000, 100) << true;
    // It goes through alone, however long the queue is empty for it.
    QList<qsizetype> oneLarge(300, 100);
    oneLarge[150] = 40000;
    QTest::newRow("a row larger than the bound") << oneLarge << false;
}

void TestScannedRows::everyRowInOrderWithinTheBound()
{
    QFETCH(QList<qsizetype>, nameLengths);
    QFETCH(bool, boundHolds);
    QStringList expected;
    for (int i = 0; i < nameLengths.size(); ++i)
        expected.append(QString::fromLatin1(name(i, nameLengths[i])));
    const QString path = writeFile(cxf(objects(nameLengths)));

    const std::size_t bound = 16 * 1024;
    SlowConsumer consumer(bound, false);
    XmlDocument document;
    SilentObserver observer;
    const OpenedTable table
        = openColourTable(path, document, observer, Cxf3Recognition::RootLine, &consumer);
    QCOMPARE(table.kind, TableKind::Cxf3);
    QCOMPARE(consumer.names, expected);
    QVERIFY(consumer.mostWaiting > 0);
    if (boundHolds)
        QVERIFY2(
            consumer.mostWaiting <= bound, QByteArray::number(qulonglong(consumer.mostWaiting)));
}

void TestScannedRows::noConsumerToWaitFor_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("consumerFails");
    QTest::addColumn<QString>("outcome");

    // A few KB of rows, then a million line ends: the scan fills the queue of 1 KB and waits
    // long before the classification, which reads every line, is over.
    const QByteArray many = objects(QList<qsizetype>(100, 20)) + QByteArray(1000000, '\n');
    QTest::newRow("a text table") << cxf(many, "<!--\nName\tL*\ta*\tb*\n-->\n") << false
                                  << QStringLiteral("text table");
    QTest::newRow("the classification fails") << "\xEF\xBB\xBF" + cxf(many, "<!-- \xFF -->\n")
                                              << false << QStringLiteral("Invalid UTF-8 sequence");
    QTest::newRow("the consumer fails") << cxf(many) << true << QStringLiteral("consumer failed");
}

void TestScannedRows::noConsumerToWaitFor()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, consumerFails);
    QFETCH(QString, outcome);
    const QString path = writeFile(file);

    SlowConsumer consumer(1024, consumerFails);
    XmlDocument document;
    SilentObserver observer;
    QString opened;
    try {
        const OpenedTable table
            = openColourTable(path, document, observer, Cxf3Recognition::RootLine, &consumer);
        opened = table.kind == TableKind::TextTable ? QStringLiteral("text table")
                                                    : QStringLiteral("not a text table");
    } catch (const KalidorError &error) {
        opened = error.text();
    } catch (const ConsumerFailure &) {
        opened = QStringLiteral("consumer failed");
    }
    QVERIFY2(opened.contains(outcome), qPrintable(opened));
    QCOMPARE(consumer.called, consumerFails);
}

QTEST_GUILESS_MAIN(TestScannedRows)
#include "tst_scannedrows.moc"
