#include "base/progressschedule.h"

#include <QList>
#include <QTest>

class TestProgressSchedule : public QObject {
    Q_OBJECT

private slots:
    void updates_data();
    void updates();
    void width_data();
    void width();
};

namespace {

struct Update {
    int index;
    int width;
};

// Drives the schedule the way the reading loops do: indices 0..count - 1, every item checked.
QList<Update> runLoop(int count)
{
    QList<Update> updates;
    ProgressSchedule schedule(count);
    for (int index = 0; index < count; ++index) {
        if (schedule.isDue(index)) {
            updates.append({ index, ProgressSchedule::width(index, count) });
            schedule.advance();
        }
    }
    return updates;
}

} // namespace

void TestProgressSchedule::updates_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("updateCount");
    QTest::addColumn<int>("firstIndex");
    QTest::addColumn<int>("lastIndex");
    QTest::addColumn<int>("lastWidth");

    QTest::newRow("0 items") << 0 << 0 << 0 << -1 << -1 << -1;
    QTest::newRow("1 item") << 1 << 0 << 0 << -1 << -1 << -1;
    QTest::newRow("2 items") << 2 << 0 << 1 << 1 << 1 << 200;
    QTest::newRow("3 items") << 3 << 0 << 1 << 1 << 1 << 133;
    QTest::newRow("5 items") << 5 << 0 << 1 << 1 << 1 << 80;
    QTest::newRow("20 items") << 20 << 0 << 1 << 1 << 1 << 20;
    QTest::newRow("21 items") << 21 << 1 << 19 << 2 << 20 << 380;
    QTest::newRow("41 items") << 41 << 2 << 19 << 3 << 39 << 380;
    QTest::newRow("42 items") << 42 << 2 << 20 << 3 << 41 << 390;
    QTest::newRow("1000 items") << 1000 << 49 << 20 << 50 << 981 << 392;
    QTest::newRow("1001 items") << 1001 << 50 << 19 << 51 << 951 << 380;
}

void TestProgressSchedule::updates()
{
    QFETCH(int, count);
    QFETCH(int, step);
    QFETCH(int, updateCount);
    QFETCH(int, firstIndex);
    QFETCH(int, lastIndex);
    QFETCH(int, lastWidth);

    QCOMPARE(ProgressSchedule(count).step(), step);
    const QList<Update> updates = runLoop(count);
    QCOMPARE(updates.size(), updateCount);
    if (updates.isEmpty())
        return;
    QCOMPARE(updates.first().index, firstIndex);
    QCOMPARE(updates.last().index, lastIndex);
    QCOMPARE(updates.last().width, lastWidth);
    for (qsizetype i = 1; i < updates.size(); ++i) {
        QCOMPARE(updates.at(i).index - updates.at(i - 1).index, step);
        QVERIFY(updates.at(i).width > updates.at(i - 1).width);
        QVERIFY(updates.at(i).width < ProgressSchedule::fullWidth);
    }
}

void TestProgressSchedule::width_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("width");

    QTest::newRow("start") << 0 << 5 << 0;
    QTest::newRow("one third") << 1 << 3 << 133;
    QTest::newRow("exact half") << 50 << 100 << 200;
    QTest::newRow("just below the end") << 20 << 21 << 380;
    // The quotient is formed first, in floating point: 0.29 * 400 lands just below 116.
    QTest::newRow("0.29 truncates to 115") << 29 << 100 << 115;
    QTest::newRow("0.57 truncates to 227") << 57 << 100 << 227;
    QTest::newRow("end") << 7 << 7 << 400;
}

void TestProgressSchedule::width()
{
    QFETCH(int, index);
    QFETCH(int, count);
    QFETCH(int, width);
    QCOMPARE(ProgressSchedule::width(index, count), width);
}

QTEST_GUILESS_MAIN(TestProgressSchedule)
#include "tst_progressschedule.moc"
