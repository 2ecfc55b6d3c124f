#include "base/kalidorerror.h"
#include "colorimetry/colourdifference.h"
#include "colorimetry/fewestdecimals.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LabValues)

namespace {

LabValues readBack(const std::array<QString, 3> &texts)
{
    return { texts[0].toDouble(), texts[1].toDouble(), texts[2].toDouble() };
}

qsizetype decimalsOf(const QString &text)
{
    const qsizetype point = text.indexOf(u'.');
    return point < 0 ? 0 : text.size() - point - 1;
}

} // namespace

class TestFewestDecimals : public QObject {
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void randomValuesNeedEveryDecimalTheyGet();
    void hugeValuesAreWrittenWhole_data();
    void hugeValuesAreWrittenWhole();
    void valuesThatAreNoNumbersAreRefused_data();
    void valuesThatAreNoNumbersAreRefused();
};

void TestFewestDecimals::texts_data()
{
    QTest::addColumn<LabValues>("lab");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("integers") << LabValues { 50, -20, 3 } << QStringList { "50", "-20", "3" };
    QTest::newRow("zeros of the integer part")
        << LabValues { 100, 10, -100 } << QStringList { "100", "10", "-100" };
    QTest::newRow("exact to one decimal")
        << LabValues { 50.1, 0, 0 } << QStringList { "50.1", "0", "0" };
    QTest::newRow("exact to two, shorter ones kept short")
        << LabValues { 50.12, 3, -7.5 } << QStringList { "50.12", "3", "-7.5" };
    QTest::newRow("three decimals")
        << LabValues { 50.123456, 10.5, -3.25 } << QStringList { "50.123", "10.5", "-3.25" };
    // Near grey, a* counts half as much again: three decimals leave ΔE2000 0.00103.
    QTest::newRow("four decimals") << LabValues { 50.0004999, 0.0004999, 0.0004999 }
                                   << QStringList { "50.0005", "0.0005", "0.0005" };
    QTest::newRow("negative zero")
        << LabValues { -0.0001, -0.0001, -0.0001 } << QStringList { "0", "0", "0" };
    QTest::newRow("rounds up") << LabValues { 99.9996, 0.0996, -0.0996 }
                               << QStringList { "100", "0.1", "-0.1" };
}

void TestFewestDecimals::texts()
{
    QFETCH(LabValues, lab);
    QFETCH(QStringList, texts);
    const std::array<QString, 3> written = fewestDecimalTexts(lab);
    QCOMPARE(QStringList(written.begin(), written.end()), texts);
}

void TestFewestDecimals::randomValuesNeedEveryDecimalTheyGet()
{
    QRandomGenerator random(2026);
    for (int i = 0; i < 2000; ++i) {
        // Half of them near grey, where a* and b* weigh most.
        const double chroma = i % 2 ? 128 : 2;
        const LabValues lab { random.bounded(100.0), random.bounded(2 * chroma) - chroma,
            random.bounded(2 * chroma) - chroma };
        const std::array<QString, 3> texts = fewestDecimalTexts(lab);
        const QString shown = u"%1 %2 %3 as %4"_s.arg(lab.lightness, 0, 'g', 17)
                                  .arg(lab.a, 0, 'g', 17)
                                  .arg(lab.b, 0, 'g', 17)
                                  .arg(QStringList(texts.begin(), texts.end()).join(u' '));
        QVERIFY2(deltaE2000(readBack(texts), lab) <= 0.001, qPrintable(shown));
        const qsizetype decimals
            = std::max({ decimalsOf(texts[0]), decimalsOf(texts[1]), decimalsOf(texts[2]) });
        if (decimals == 0)
            continue;
        const LabValues fewer { QString::number(lab.lightness, 'f', decimals - 1).toDouble(),
            QString::number(lab.a, 'f', decimals - 1).toDouble(),
            QString::number(lab.b, 'f', decimals - 1).toDouble() };
        QVERIFY2(deltaE2000(fewer, lab) > 0.001, qPrintable(shown));
    }
}

// However large, a finite value is written in all its digits, never cut short or as "inf".
void TestFewestDecimals::hugeValuesAreWrittenWhole_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("1e100") << 1e100;
    QTest::newRow("1e200") << 1e200;
    QTest::newRow("1e308") << 1e308;
    QTest::newRow("-1e308") << -1e308;
    QTest::newRow("largest double") << -std::numeric_limits<double>::max();
}

void TestFewestDecimals::hugeValuesAreWrittenWhole()
{
    QFETCH(double, value);
    const std::array<QString, 3> texts = fewestDecimalTexts({ value, value, 0.5 });
    for (const QString &text : { texts[0], texts[1] }) {
        static const QRegularExpression digits(QStringLiteral("^-?[1-9][0-9]*$"));
        QVERIFY2(digits.match(text).hasMatch(), qPrintable(text));
        QCOMPARE(text.toDouble(), value);
    }
    QCOMPARE(texts[2], QStringLiteral("0.5"));
}

void TestFewestDecimals::valuesThatAreNoNumbersAreRefused_data()
{
    QTest::addColumn<LabValues>("lab");
    const double infinity = std::numeric_limits<double>::infinity();
    QTest::newRow("infinite L*") << LabValues { infinity, 0, 0 };
    QTest::newRow("-infinite a*") << LabValues { 50, -infinity, 0 };
    QTest::newRow("no number b*") << LabValues { 50, 0, std::numeric_limits<double>::quiet_NaN() };
}

void TestFewestDecimals::valuesThatAreNoNumbersAreRefused()
{
    QFETCH(LabValues, lab);
    QVERIFY_THROWS_EXCEPTION(KalidorError, fewestDecimalTexts(lab));
}

QTEST_APPLESS_MAIN(TestFewestDecimals)
#include "tst_fewestdecimals.moc"
