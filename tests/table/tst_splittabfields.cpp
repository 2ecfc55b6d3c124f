#include "table/splittabfields.h"

#include <QTest>

class TestSplitTabFields : public QObject {
    Q_OBJECT

private slots:
    void split_data();
    void split();
    void emptyLineKeepsList();
    void reusedListHoldsOnlyTheNewFields();
};

void TestSplitTabFields::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("four fields") << "A\tB\tC\tD" << QStringList { "A", "B", "C", "D" };
    QTest::newRow("used row") << "KALIDOR 1234 C\t92.50\t-1,25\tabc"
                              << QStringList { "KALIDOR 1234 C", "92.50", "-1,25", "abc" };
    QTest::newRow("two tabs are one separator") << "A\t\tB" << QStringList { "A", "B" };
    QTest::newRow("spaces between tabs are one separator")
        << "A\t  \tB" << QStringList { "A", "B" };
    QTest::newRow("leading space dropped, trailing space kept")
        << " A\t  B " << QStringList { "A", "B " };
    QTest::newRow("spaces before a tab stay in the field")
        << "A  \tB" << QStringList { "A  ", "B" };
    QTest::newRow("trailing tab gives no empty field") << "A\tB\t" << QStringList { "A", "B" };
    QTest::newRow("trailing spaces after a tab give no field")
        << "A\tB\t  " << QStringList { "A", "B" };
    QTest::newRow("leading tabs and spaces dropped") << "\t \t A\tB" << QStringList { "A", "B" };
    QTest::newRow("inner spaces do not split")
        << "KALIDOR Deep Sea Blue\t30" << QStringList { "KALIDOR Deep Sea Blue", "30" };
    QTest::newRow("only spaces and tabs") << " \t  \t" << QStringList();
    QTest::newRow("one space") << " " << QStringList();
    QTest::newRow("five fields") << "A\tB\tC\tD\tE" << QStringList { "A", "B", "C", "D", "E" };
    QTest::newRow("missing value moves the rest left")
        << "KALIDOR X\t50\t\t7" << QStringList { "KALIDOR X", "50", "7" };
    QTest::newRow("no tab") << "KALIDOR only a name" << QStringList { "KALIDOR only a name" };
    QTest::newRow("one-character fields") << "a\tb" << QStringList { "a", "b" };
    QTest::newRow("no-break space is field text")
        << QStringLiteral(u"\u00A0A\t\u00A0")
        << QStringList { QStringLiteral(u"\u00A0A"), QStringLiteral(u"\u00A0") };
    QTest::newRow("other white space is field text")
        << "A\t\rB\t\x0b" << QStringList { "A", "\rB", "\x0b" };
    QTest::newRow("duplicates kept") << "A\tA\tA" << QStringList { "A", "A", "A" };
}

void TestSplitTabFields::split()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);

    QStringList result { "left over" };
    SplitTabFields(line, result);
    QCOMPARE(result, fields);
}

void TestSplitTabFields::emptyLineKeepsList()
{
    QStringList fields { "A", "B" };
    SplitTabFields(QString(), fields);
    QCOMPARE(fields, QStringList({ "A", "B" }));
    SplitTabFields(QStringLiteral(""), fields);
    QCOMPARE(fields, QStringList({ "A", "B" }));
}

void TestSplitTabFields::reusedListHoldsOnlyTheNewFields()
{
    QStringList fields;
    SplitTabFields(QStringLiteral("A\tB\tC\tD\tE"), fields);
    SplitTabFields(QStringLiteral("F\tG"), fields);
    QCOMPARE(fields, QStringList({ "F", "G" }));
}

QTEST_GUILESS_MAIN(TestSplitTabFields)
#include "tst_splittabfields.moc"
