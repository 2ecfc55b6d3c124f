#include "database/buildspecialcolors.h"
#include "database/listindexerror.h"
#include "recordingobserver.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString header = QStringLiteral("Name\tL*\ta*\tb*");

using Update = std::pair<int, int>; // row after which the indicator moves, its new width
using Updates = QList<Update>;

} // namespace

class TestRecordBuilder : public QObject {
    Q_OBJECT

private slots:
    void records_data();
    void records();
    void eventsInOrder();
    void shortRow_data();
    void shortRow();
    void progress_data();
    void progress();
};

void TestRecordBuilder::records_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<RecordForm>("form");
    QTest::addColumn<QStringList>("expected");

    const QStringList example { header, QStringLiteral("KALIDOR 100 C\t92.5\t-5.2\t70.1") };
    QTest::newRow("example, CSV") << example << RecordForm::Csv
                                  << QStringList { QStringLiteral("KALIDOR 100 C,92.5,-5.2,70.1") };
    QTest::newRow("example, legacy")
        << example << RecordForm::Legacy
        << QStringList { QStringLiteral("SPOTCOLOR_NAME:KALIDOR 100 C; D50_LAB:92.5,-5.2,70.1") };

    const QStringList mixed {
        QStringLiteral("KALIDOR 0\t0\t0\t0"), // line 0 is never a colour
        QStringLiteral("Kalidor 1\t1\t1\t1"),
        QStringLiteral(" KALIDOR 2\t2\t2\t2"),
        QStringLiteral("\tKALIDOR 3\t3\t3\t3"),
        QString(),
        header,
        QStringLiteral("kalidor 4\t4\t4\t4"),
        QStringLiteral("KALIDORBLUE\t5\t6\t7"),
        QStringLiteral("# KALIDOR 8\t8\t8\t8"),
        QStringLiteral("KALIDOR 9\t9.1\t-9.2\t9.3"),
    };
    QTest::newRow("used and skipped rows, CSV")
        << mixed << RecordForm::Csv
        << QStringList { QStringLiteral("KALIDORBLUE,5,6,7"),
               QStringLiteral("KALIDOR 9,9.1,-9.2,9.3") };
    QTest::newRow("used and skipped rows, legacy")
        << mixed << RecordForm::Legacy
        << QStringList { QStringLiteral("SPOTCOLOR_NAME:KALIDORBLUE; D50_LAB:5,6,7"),
               QStringLiteral("SPOTCOLOR_NAME:KALIDOR 9; D50_LAB:9.1,-9.2,9.3") };

    const QStringList fiveFields { header, QStringLiteral("KALIDOR 5\t1\t2\t3\tgloss"),
        QStringLiteral("KALIDOR 6\t4\t5\t6\t7\t8") };
    QTest::newRow("fields after the fourth, CSV")
        << fiveFields << RecordForm::Csv
        << QStringList { QStringLiteral("KALIDOR 5,1,2,3"), QStringLiteral("KALIDOR 6,4,5,6") };
    QTest::newRow("fields after the fourth, legacy")
        << fiveFields << RecordForm::Legacy
        << QStringList { QStringLiteral("SPOTCOLOR_NAME:KALIDOR 5; D50_LAB:1,2,3"),
               QStringLiteral("SPOTCOLOR_NAME:KALIDOR 6; D50_LAB:4,5,6") };

    QTest::newRow("comma in a name is not quoted")
        << QStringList { header, QStringLiteral("KALIDOR 7, matt\t50,5\t1\t2") } << RecordForm::Csv
        << QStringList { QStringLiteral("KALIDOR 7, matt,50,5,1,2") };

    // Spaces before a field are dropped by the split; everything else, a no-break space
    // included, is copied as it is.
    QTest::newRow("field text copied unchanged")
        << QStringList { header, u"KALIDOR\u00A0100\u00A0U\t 50 \t\u00A0-1\t\t2  "_s }
        << RecordForm::Legacy
        << QStringList { u"SPOTCOLOR_NAME:KALIDOR\u00A0100\u00A0U; D50_LAB:50 ,\u00A0-1,2  "_s };

    QTest::newRow("header only") << QStringList { header } << RecordForm::Csv << QStringList {};
    QTest::newRow("no line") << QStringList {} << RecordForm::Csv << QStringList {};
    QTest::newRow("no used row") << QStringList { header, QStringLiteral("Kalidor\t1\t2\t3"),
        QString() } << RecordForm::Legacy
                                 << QStringList {};
}

void TestRecordBuilder::records()
{
    QFETCH(QStringList, lines);
    QFETCH(RecordForm, form);
    QFETCH(QStringList, expected);

    RecordingObserver observer;
    BuildSpecialColors(NumberedLines::ofFile(lines), form, observer);
    QCOMPARE(observer.rows, expected);
}

void TestRecordBuilder::eventsInOrder()
{
    const QStringList lines { header, QStringLiteral("KALIDOR A\t1\t2\t3"),
        QStringLiteral("skipped"), QStringLiteral("KALIDOR B\t4\t5\t6"), QString() };
    RecordingObserver observer;
    BuildSpecialColors(NumberedLines::ofFile(lines), RecordForm::Csv, observer);

    // Each record reaches the host before the progress update of its row; the host alone shows
    // and hides the indicator.
    const QStringList expected {
        QStringLiteral("row KALIDOR A,1,2,3"),
        QStringLiteral("width 80"),
        QStringLiteral("events"),
        QStringLiteral("yield"),
        QStringLiteral("yield"),
        QStringLiteral("row KALIDOR B,4,5,6"),
        QStringLiteral("yield"),
        QStringLiteral("yield"),
    };
    QCOMPARE(observer.log, expected);
}

void TestRecordBuilder::shortRow_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<RecordForm>("form");
    QTest::addColumn<int>("index");

    QTest::newRow("name alone") << QStringLiteral("KALIDOR 7") << RecordForm::Csv << 1;
    QTest::newRow("name alone, trailing tab")
        << QStringLiteral("KALIDOR 7\t") << RecordForm::Legacy << 1;
    QTest::newRow("two fields") << QStringLiteral("KALIDOR 7\t1") << RecordForm::Legacy << 2;
    QTest::newRow("three fields") << QStringLiteral("KALIDOR 7\t1\t2") << RecordForm::Csv << 3;
    QTest::newRow("empty value between tabs")
        << QStringLiteral("KALIDOR 7\t1\t\t3") << RecordForm::Csv << 3;
    QTest::newRow("blank value") << QStringLiteral("KALIDOR 7\t1\t  \t3") << RecordForm::Legacy
                                 << 3;
}

void TestRecordBuilder::shortRow()
{
    QFETCH(QString, row);
    QFETCH(RecordForm, form);
    QFETCH(int, index);

    const QStringList lines { header, QStringLiteral("KALIDOR 5\t1\t2\t3"),
        QStringLiteral("comment"), row, QStringLiteral("KALIDOR 9\t4\t5\t6") };
    RecordingObserver observer;
    try {
        BuildSpecialColors(NumberedLines::ofFile(lines), form, observer);
        QFAIL("a short row must stop the conversion");
    } catch (const ListIndexError &error) {
        QCOMPARE(error.text(), QStringLiteral("List index out of bounds (%1)").arg(index));
        QCOMPARE(error.index(), qsizetype(index));
    }

    const QString earlier = form == RecordForm::Csv
        ? QStringLiteral("KALIDOR 5,1,2,3")
        : QStringLiteral("SPOTCOLOR_NAME:KALIDOR 5; D50_LAB:1,2,3");
    QCOMPARE(observer.rows, QStringList { earlier });
}

void TestRecordBuilder::progress_data()
{
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<Updates>("updates");

    QTest::newRow("1 line") << 1 << Updates {};
    QTest::newRow("2 lines") << 2 << Updates { { 1, 200 } };
    QTest::newRow("5 lines") << 5 << Updates { { 1, 80 } };
    QTest::newRow("20 lines") << 20 << Updates { { 1, 20 } };
    Updates every1 { { 2, 38 }, { 3, 57 }, { 4, 76 }, { 5, 95 }, { 6, 114 }, { 7, 133 }, { 8, 152 },
        { 9, 171 }, { 10, 190 }, { 11, 209 }, { 12, 228 }, { 13, 247 }, { 14, 266 }, { 15, 285 },
        { 16, 304 }, { 17, 323 }, { 18, 342 }, { 19, 361 }, { 20, 380 } };
    QTest::newRow("21 lines") << 21 << every1;
    // 23 / 40 * 400 is just below 230 in floating point, and the width is truncated.
    Updates forty;
    for (int row = 2; row <= 39; ++row)
        forty.append({ row, row == 23 ? 229 : row * 10 });
    QTest::newRow("40 lines") << 40 << forty;
    QTest::newRow("1001 lines") << 1001
                                << Updates { { 51, 20 }, { 101, 40 }, { 151, 60 }, { 201, 80 },
                                       { 251, 100 }, { 301, 120 }, { 351, 140 }, { 401, 160 },
                                       { 451, 180 }, { 501, 200 }, { 551, 220 }, { 601, 240 },
                                       { 651, 260 }, { 701, 280 }, { 751, 300 }, { 801, 320 },
                                       { 851, 340 }, { 901, 360 }, { 951, 380 } };
}

void TestRecordBuilder::progress()
{
    QFETCH(int, lineCount);
    QFETCH(Updates, updates);

    // Every third line is no colour: the indicator moves by line, not by record.
    QStringList lines { header };
    for (int i = 1; i < lineCount; ++i)
        lines.append(i % 3 == 0 ? QStringLiteral("note %1").arg(i)
                                : QStringLiteral("KALIDOR %1\t%1\t0\t0").arg(i));

    QStringList expected;
    for (int i = 1; i < lineCount; ++i) {
        if (i % 3 != 0)
            expected.append(QStringLiteral("row KALIDOR %1,%1,0,0").arg(i));
        if (!updates.isEmpty() && updates.first().first == i) {
            expected.append(QStringLiteral("width %1").arg(updates.takeFirst().second));
            expected.append(QStringLiteral("events"));
        }
        expected.append(QStringLiteral("yield"));
    }

    RecordingObserver observer;
    BuildSpecialColors(NumberedLines::ofFile(lines), RecordForm::Csv, observer);
    QCOMPARE(observer.log, expected);
}

QTEST_APPLESS_MAIN(TestRecordBuilder)
#include "tst_recordbuilder.moc"
