#include "table/colourrows.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestColourRows : public QObject {
    Q_OBJECT

private slots:
    void rows_data();
    void rows();
};

using Indexes = QList<qsizetype>;

void TestColourRows::rows_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<Indexes>("usedRows");
    QTest::addColumn<Indexes>("allColours");

    const QString header = u"Name\tL*\ta*\tb*"_s;
    QTest::newRow("CxF3 table: every row read") << QStringList { header, u"1\t17.6\t1.07\t0.33"_s,
        u"Reference Standard\t50\t0\t0"_s, u"KALIDOR Red\t50\t60\t70"_s, u"\t1\t2\t3"_s }
                                                << Indexes { 3 } << Indexes { 1, 2, 3, 4 };
    QTest::newRow("notes above the header, a blank line and a repeated header below")
        << QStringList { u"KALIDOR colour library"_s, u"Measured 2024"_s, header,
               u"Paper white\t95\t0.1\t-2"_s, QString(), u" \t "_s, u"NAME\tL*\tA*\tB*"_s,
               u"KALIDOR Gold\t78\t4.25\t60.1"_s, u"# end"_s }
        << Indexes { 7 } << Indexes { 3, 7, 8 };
    QTest::newRow("KALIDOR row above the header still counts")
        << QStringList { u"Title"_s, u"KALIDOR Early\t1\t2\t3"_s, header, u"Late\t4\t5\t6"_s }
        << Indexes { 1 } << Indexes { 1, 3 };
    QTest::newRow("KALIDOR on line 0 never counts") << QStringList { u"KALIDOR Zero\t1\t2\t3"_s,
        header, u"One\t1\t2\t3"_s } << Indexes {} << Indexes { 2 };
    QTest::newRow("no header: only KALIDOR rows")
        << QStringList { u"x"_s, u"Blue\t1\t2\t3"_s, u"KALIDOR Blue\t1\t2\t3"_s } << Indexes { 2 }
        << Indexes { 2 };
}

void TestColourRows::rows()
{
    QFETCH(QStringList, lines);
    QFETCH(Indexes, usedRows);
    QFETCH(Indexes, allColours);

    for (const auto &[selection, expected] : { std::pair { RowSelection::UsedRows, usedRows },
             std::pair { RowSelection::AllColours, allColours } }) {
        const ColourRows rows(lines, selection);
        Indexes found;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (rows.contains(i))
                found << i;
        }
        QCOMPARE(found, expected);
    }
}

QTEST_GUILESS_MAIN(TestColourRows)
#include "tst_colourrows.moc"
