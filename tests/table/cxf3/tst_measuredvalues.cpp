#include "base/kalidorerror.h"
#include "base/silentobserver.h"
#include "colorimetry/colourdifference.h"
#include "colorimetry/fewestdecimals.h"
#include "colorimetry/reflectancespectrum.h"
#include "database/labvalues.h"
#include "table/cxf3/colourobjectscanner.h"
#include "table/cxf3/scannedrows.h"
#include "table/cxf3/xmldocument.h"
#include "table/opencolourtable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <lcms2.h>
#include <optional>

namespace {

// A smooth reflectance from 380 nm on, `count` factors `step` nm apart.
std::vector<double> smoothFactors(int count, double step, double peak = 560)
{
    std::vector<double> factors;
    for (int i = 0; i < count; ++i) {
        const double distance = (380 + step * i - peak) / 90;
        factors.push_back(0.08 + 0.8 / (1 + distance * distance));
    }
    return factors;
}

QByteArray factorsText(const std::vector<double> &factors)
{
    QByteArray text;
    for (const double factor : factors)
        text += (text.isEmpty() ? "" : " ") + QByteArray::number(factor, 'f', 5);
    return text;
}

QByteArray spectrum(const QByteArray &factors, const QByteArray &conditions = "S10",
    const QByteArray &start = "380")
{
    const QByteArray startAttribute = start.isEmpty() ? "" : " StartWL=\"" + start + '"';
    return "<cc:ReflectanceSpectrum ColorSpecification=\"" + conditions + '"' + startAttribute + '>'
        + factors + "</cc:ReflectanceSpectrum>";
}

QByteArray lab(const QByteArray &l, const QByteArray &a, const QByteArray &b,
    const QByteArray &conditions = "S10")
{
    return "<cc:ColorCIELab ColorSpecification=\"" + conditions + "\"><cc:L>" + l + "</cc:L><cc:A>"
        + a + "</cc:A><cc:B>" + b + "</cc:B></cc:ColorCIELab>";
}

QByteArray xyz(
    const QByteArray &x, const QByteArray &y, const QByteArray &z, const QByteArray &conditions)
{
    return "<cc:ColorCIEXYZ ColorSpecification=\"" + conditions + "\"><cc:X>" + x + "</cc:X><cc:Y>"
        + y + "</cc:Y><cc:Z>" + z + "</cc:Z></cc:ColorCIEXYZ>";
}

QByteArray object(const QByteArray &name, const QByteArray &values)
{
    return "  <cc:Object ObjectType=\"Standard\" Name=\"" + name + "\">\n    <cc:ColorValues>"
        + values + "</cc:ColorValues>\n  </cc:Object>\n";
}

QByteArray conditions(const QByteArray &id, const QByteArray &illuminant,
    const QByteArray &observer, const QByteArray &type = "Spectrum_Reflectance",
    const QByteArray &range = "<cc:WavelengthRange StartWL=\"380\" Increment=\"10\"/>")
{
    return "  <cc:ColorSpecification Id=\"" + id + "\"><cc:TristimulusSpec><cc:Illuminant>"
        + illuminant + "</cc:Illuminant><cc:Observer>" + observer
        + "</cc:Observer><cc:Method>E308_Table5</cc:Method></cc:TristimulusSpec>"
          "<cc:MeasurementSpec><cc:MeasurementType>"
        + type + "</cc:MeasurementType>" + range
        + "</cc:MeasurementSpec></cc:ColorSpecification>\n";
}

// The measuring conditions of the cases; as in the files tools write, they follow the objects.
const QByteArray allConditions = conditions("S10", "D50", "2_Degree")
    + conditions("S20", "D50", "2_Degree", "Spectrum_Reflectance",
        "<cc:WavelengthRange StartWL=\"380\" Increment=\"20\"/>")
    + conditions("S5", "D50", "2_Degree", "Spectrum_Reflectance",
        "<cc:WavelengthRange StartWL=\"380\" Increment=\"5\"/>")
    + conditions("S7", "D50", "2_Degree", "Spectrum_Reflectance",
        "<cc:WavelengthRange StartWL=\"380\" Increment=\"7\"/>")
    + conditions("From400", "D50", "2_Degree", "Spectrum_Reflectance",
        "<cc:WavelengthRange StartWL=\"400\"/>")
    + conditions("NoRange", "D50", "2_Degree", "Spectrum_Reflectance", "")
    + conditions("D65", "D65", "2_Degree") + conditions("D65Ten", "D65", "10_Degree")
    + conditions("F12", "F12", "2_Degree")
    + conditions("Emissive", "D50", "2_Degree", "Spectrum_Emissive");

QByteArray cxf(const QByteArray &objects)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\">\n"
           "<cc:Resources>\n<cc:ObjectCollection>\n"
        + objects + "</cc:ObjectCollection>\n<cc:ColorSpecificationCollection>\n" + allConditions
        + "</cc:ColorSpecificationCollection>\n</cc:Resources>\n</cc:CxF>\n";
}

QString rowOf(const QByteArray &name, const LabValues &values)
{
    const std::array<QString, 3> texts = fewestDecimalTexts(values);
    return QString::fromUtf8(name) + u'\t' + texts[0] + u'\t' + texts[1] + u'\t' + texts[2];
}

LabValues spectrumLab(const std::vector<double> &factors, double increment, double start = 380)
{
    return labD50OfSpectrum(ReflectanceSpectrum { start, increment, factors });
}

LabValues labOfXyz(cmsCIEXYZ xyz, cmsCIEXYZ white)
{
    cmsCIELab result;
    cmsXYZ2Lab(&white, &result, &xyz);
    return { result.L, result.a, result.b };
}

// Little CMS's own Bradford adaptation of XYZ values (Y = 100) from `white` to its D50, as
// CIELAB.
LabValues bradfordToD50(cmsCIEXYZ xyz, cmsCIEXYZ white)
{
    cmsCIEXYZ adapted;
    cmsAdaptToIlluminant(&adapted, &white, cmsD50_XYZ(), &xyz);
    return labOfXyz(adapted, *cmsD50_XYZ());
}

const cmsCIEXYZ d65 { 0.95047, 1.0, 1.08883 };

LabValues labToD50(const LabValues &given, cmsCIEXYZ white)
{
    const cmsCIELab lab { given.lightness, given.a, given.b };
    cmsCIEXYZ xyz;
    cmsLab2XYZ(&white, &xyz, &lab);
    return bradfordToD50(xyz, white);
}

// Takes the D50 rows of a file as the converter does, counting the passes over it.
class TakenRows final : public ScannedRowsConsumer {
public:
    void consume(ScannedRows &rows) override
    {
        ++passes;
        rows.forEachRow([this](const ColourObjects::Row &row, qsizetype) { taken.push_back(row); });
    }
    Cxf3Values values() const override { return Cxf3Values::D50; }
    void restart() override { taken.clear(); }

    std::vector<ColourObjects::Row> taken;
    int passes = 0;
};

class Fixture {
public:
    // Opens `bytes` as a CxF3 file for D50 rows; the failure, if it fails.
    std::optional<KalidorError> open(const QByteArray &bytes)
    {
        path = m_folder.filePath(QStringLiteral("objects.cxf"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the fixture");
        file.close();
        XmlDocument document;
        SilentObserver observer;
        try {
            openColourTable(path, document, observer, Cxf3Recognition::AnyRootElement, &rows);
        } catch (const KalidorError &error) {
            return error;
        }
        return std::nullopt;
    }

    QString path;
    TakenRows rows;

private:
    QTemporaryDir m_folder;
};

} // namespace

class TestMeasuredValues : public QObject {
    Q_OBJECT

private slots:
    void rows_data();
    void rows();
    void failures_data();
    void failures();
    void failureOfAnEarlierObjectCounts();
    void asGivenValuesNeedNoSpectrum();
};

// Which values a row gives, and where they come from. `expected` is the row's text when the
// values are written exactly so; with `expectedLab`, the row's values must lie within ΔE2000
// 0.001 of it.
void TestMeasuredValues::rows_data()
{
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<std::optional<LabValues>>("expectedLab");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("conditionsId");
    // Two when the measuring conditions listed after the objects change their rows.
    QTest::addColumn<int>("passes");

    const std::vector<double> at10 = smoothFactors(31, 10);
    const std::vector<double> at20 = smoothFactors(16, 20);
    const std::vector<double> at5 = smoothFactors(61, 5);
    const QString fromTable10 = QStringLiteral("from its spectrum (ASTM E308 Table 5, 10 nm)");
    const QString none;
    const std::optional<LabValues> exact;

    QTest::newRow("spectrum only")
        << spectrum(factorsText(at10)) << rowOf("C", spectrumLab(at10, 10)) << exact << fromTable10
        << none << none << 1;
    QTest::newRow("20 nm, from its conditions")
        << spectrum(factorsText(at20), "S20") << rowOf("C", spectrumLab(at20, 20)) << exact
        << QStringLiteral("from its spectrum (ASTM E308 Table 5, 20 nm)") << none << none << 2;
    QTest::newRow("5 nm, from its conditions")
        << spectrum(factorsText(at5), "S5") << rowOf("C", spectrumLab(at5, 5)) << exact
        << QStringLiteral("from its spectrum (CIE 15 summation, 5 nm)") << none << none << 2;
    // The same factors written with an exponent, a sign, or more digits than a double holds.
    QByteArray otherwise;
    for (std::size_t i = 0; i < at10.size(); ++i) {
        const QByteArray plain = QByteArray::number(at10[i], 'f', 5);
        otherwise += (i == 0 ? "" : "\n ")
            + (i % 3 == 0        ? QByteArray::number(at10[i] * 10, 'f', 4) + "e-1"
                    : i % 3 == 1 ? "+" + plain
                                 : plain + "00000000000000000001");
    }
    QTest::newRow("factors written otherwise")
        << spectrum(otherwise) << rowOf("C", spectrumLab(at10, 10)) << exact << fromTable10 << none
        << none << 1;
    QTest::newRow("conditions not listed: 10 nm")
        << spectrum(factorsText(at10), "Unlisted") << rowOf("C", spectrumLab(at10, 10)) << exact
        << fromTable10 << none << none << 1;
    QTest::newRow("StartWL from its conditions")
        << spectrum(factorsText(at10), "From400", "") << rowOf("C", spectrumLab(at10, 10, 400))
        << exact << fromTable10 << none << none << 2;
    QTest::newRow("Lab for D65 with a spectrum: the spectrum's")
        << lab("10", "20", "30", "D65") + spectrum(factorsText(at10))
        << rowOf("C", spectrumLab(at10, 10)) << exact << fromTable10 << none << none << 2;

    // The spectrum's own D50 Lab, written with two decimals: within ΔE2000 0.5.
    const LabValues own = spectrumLab(at10, 10);
    const QByteArray l = QByteArray::number(own.lightness, 'f', 2);
    const QByteArray a = QByteArray::number(own.a, 'f', 2);
    const QByteArray b = QByteArray::number(own.b, 'f', 2);
    QTest::newRow("D50 Lab close to its spectrum")
        << lab(l, a, b) + spectrum(factorsText(at10)) << rowOf("C", own) << exact << fromTable10
        << none << none << 1;
    const QByteArray off = QByteArray::number(own.lightness + 1, 'f', 2);
    const QString offNote
        = QStringLiteral("its Lab values (%1, %2, %3) differ from those of its spectrum by "
                         "ΔE2000 %4, so one of them is wrong; the record gives the spectrum's")
              .arg(QString::fromLatin1(off), QString::fromLatin1(a), QString::fromLatin1(b),
                  QString::number(
                      deltaE2000({ off.toDouble(), a.toDouble(), b.toDouble() }, own), 'f', 2));
    QTest::newRow("D50 Lab off its spectrum")
        << lab(off, a, b) + spectrum(factorsText(at10)) << rowOf("C", own) << exact << fromTable10
        << offNote << none << 1;
    QTest::newRow("Lab without conditions: off its spectrum too")
        << lab(off, a, b, "Unlisted") + spectrum(factorsText(at10)) << rowOf("C", own) << exact
        << fromTable10 << offNote << none << 1;
    QTest::newRow("emissive spectrum: the Lab as written")
        << lab("50.10", "2.50", "-3.00") + spectrum(factorsText(at10), "Emissive")
        << QStringLiteral("C\t50.10\t2.50\t-3.00") << exact << QStringLiteral("as given") << none
        << QStringLiteral("S10") << 2;

    QTest::newRow("Lab for D65 only: Bradford")
        << lab("52.5", "-20.25", "31", "D65") << QString()
        << std::optional<LabValues>(labToD50({ 52.5, -20.25, 31 }, d65))
        << QStringLiteral("adapted from illuminant D65 (Bradford)") << none << none << 2;
    QTest::newRow("Lab for 10° only: as written, its conditions noted")
        << lab("52.50", "-20.25", "31", "D65Ten") << QStringLiteral("C\t52.50\t-20.25\t31") << exact
        << QStringLiteral("as given, since values for observer 10_Degree need a spectrum to "
                          "become 2° values")
        << none << QStringLiteral("D65Ten") << 2;
    QTest::newRow("Lab for an illuminant of no known white")
        << lab("52.50", "-20.25", "31", "F12") << QStringLiteral("C\t52.50\t-20.25\t31") << exact
        << QStringLiteral("as given, since illuminant F12 has no known white to adapt from") << none
        << QStringLiteral("F12") << 2;
    QTest::newRow("D50 Lab only: as written, byte for byte")
        << lab(" 50.10", "2.50 ", "-3.000") << QStringLiteral("C\t50.10\t2.50\t-3.000") << exact
        << QStringLiteral("as given") << none << QStringLiteral("S10") << 1;

    QTest::newRow("XYZ for D50 only")
        << xyz("40", "42", "30", "S10") << QString()
        << std::optional<LabValues>(labOfXyz({ 0.40, 0.42, 0.30 }, { 0.96422, 1, 0.82521 }))
        << QStringLiteral("from its XYZ values") << none << none << 1;
    QTest::newRow("XYZ for D65 only")
        << xyz("40", "42", "30", "D65") << QString()
        << std::optional<LabValues>(bradfordToD50({ 0.40, 0.42, 0.30 }, d65))
        << QStringLiteral("from its XYZ values, adapted from illuminant D65 (Bradford)") << none
        << none << 2;
}

void TestMeasuredValues::rows()
{
    QFETCH(QByteArray, values);
    QFETCH(QString, expected);
    QFETCH(std::optional<LabValues>, expectedLab);
    QFETCH(QString, source);
    QFETCH(QString, note);
    QFETCH(QString, conditionsId);
    QFETCH(int, passes);

    Fixture fixture;
    const std::optional<KalidorError> failure = fixture.open(cxf(object("C", values)));
    QVERIFY2(!failure, qPrintable(failure ? failure->text() : QString()));
    QCOMPARE(fixture.rows.taken.size(), std::size_t(1));
    QCOMPARE(fixture.rows.passes, passes);
    const ColourObjects::Row &row = fixture.rows.taken.front();
    if (expectedLab) {
        const std::optional<LabValues> made = labOf(row.text.section(u'\t', 1, 1),
            row.text.section(u'\t', 2, 2), row.text.section(u'\t', 3, 3));
        QVERIFY2(made, qPrintable(row.text));
        QVERIFY2(deltaE2000(*made, *expectedLab) <= 0.001, qPrintable(row.text));
    } else {
        QCOMPARE(row.text, expected);
    }
    QCOMPARE(row.source, source);
    QCOMPARE(row.note, note);
    QCOMPARE(row.conditionsId, conditionsId);
    QCOMPARE(row.line, qint64(5));
}

// An object whose values cannot be made fails the read, named with its line.
void TestMeasuredValues::failures_data()
{
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<QString>("reason");

    QTest::newRow("a factor that is not a number")
        << spectrum("0.1 0.2 abc 0.3")
        << QStringLiteral("its ReflectanceSpectrum holds \"abc\", which is not a number");
    QTest::newRow("a decimal comma") << spectrum("0.1 0,2 0.3")
                                     << QStringLiteral("its ReflectanceSpectrum holds \"0,2\", "
                                                       "which is not a number");
    QTest::newRow("fewer than three factors")
        << spectrum("0.1 0.2") << QStringLiteral("its ReflectanceSpectrum cannot be summed: ");
    QTest::newRow("an increment of 7 nm") << spectrum(
        "0.1 0.2 0.3 0.4", "S7") << QStringLiteral("its ReflectanceSpectrum cannot be summed: ");
    QTest::newRow("no StartWL") << spectrum("0.1 0.2 0.3 0.4", "NoRange", "")
                                << QStringLiteral("its ReflectanceSpectrum gives no StartWL, nor "
                                                  "does its ColorSpecification");
    QTest::newRow("an empty spectrum")
        << spectrum("") + lab("50", "0", "0") << QStringLiteral("ReflectanceSpectrum is empty");
    QTest::newRow("emissive spectrum alone")
        << spectrum("0.1 0.2 0.3 0.4", "Emissive")
        << QStringLiteral("its ReflectanceSpectrum is measured as Spectrum_Emissive, not as "
                          "reflectance or transmittance, and it has no ColorCIELab");
    QTest::newRow("XYZ for 10° alone")
        << xyz("40", "42", "30", "D65Ten")
        << QStringLiteral("it gives XYZ values for observer 10_Degree alone, and they need a "
                          "spectrum to become 2° values");
    QTest::newRow("XYZ not numbers") << xyz("40", "4,2", "30", "S10")
                                     << QStringLiteral("its ColorCIEXYZ values are not plain "
                                                       "decimal numbers");
    QTest::newRow("nothing to give values")
        << QByteArray("<cc:ColorSRGB><cc:R>1</cc:R></cc:ColorSRGB>")
        << QStringLiteral(
               "no ColorCIELab, ReflectanceSpectrum or ColorCIEXYZ in its first ColorValues");
    // Values that overflow the sums, or make values no colour has, never reach a record.
    const QString farOff = QStringLiteral("its ReflectanceSpectrum cannot be summed: it gives L* ");
    QTest::newRow("a value of 1e308") << spectrum("0.1 1e308 0.3") << farOff;
    QTest::newRow("a value of -1e308") << spectrum("0.1 -1e308 0.3") << farOff;
    QTest::newRow("36 values of 1.7e308")
        << spectrum(QByteArrayList(36, "1.7e308").join(' ')) << farOff;
    QTest::newRow("a value of 1e100") << spectrum("0.1 1e100 0.3") << farOff;
    // Finite, but a thousand times a perfect white: L* 1144, just beyond the limit.
    QTest::newRow("values of 1000") << spectrum("1000 1000 1000") << farOff;
    QTest::newRow("a value of 1e200, 20 nm") << spectrum("0.1 1e200 0.3", "S20") << farOff;
    const QByteArray huge = '1' + QByteArray(200, '0');
    QTest::newRow("XYZ of 1e200")
        << xyz(huge, "42", "30", "S10")
        << QStringLiteral("its ColorCIEXYZ values cannot be made into D50 values: it gives L* ");
    QTest::newRow("XYZ of 1e200 for D65")
        << xyz("40", huge, "30", "D65")
        << QStringLiteral("its ColorCIEXYZ values cannot be made into D50 values: it gives L* ");
    QTest::newRow("Lab of 1e200 for D65") << lab(huge, "0", "0",
        "D65") << QStringLiteral("its ColorCIELab values cannot be adapted to D50: it gives L* ");
    QTest::newRow("a broken Lab beside a spectrum")
        << lab("50", "", "0") + spectrum("0.1 0.2 0.3 0.4") << QStringLiteral("A is empty");
}

void TestMeasuredValues::failures()
{
    QFETCH(QByteArray, values);
    QFETCH(QString, reason);

    Fixture fixture;
    const std::optional<KalidorError> failure = fixture.open(
        cxf(object("Good", spectrum(factorsText(smoothFactors(31, 10)))) + object("Bad", values)));
    QVERIFY(failure);
    QCOMPARE(failure->line(), qint64(8));
    QCOMPARE(failure->path(), fixture.path);
    const QString expected = QStringLiteral("colour object \"Bad\": ") + reason;
    QVERIFY2(failure->reason().startsWith(expected), qPrintable(failure->reason()));
    // The rows before it were taken, as for any failing object.
    QCOMPARE(fixture.rows.taken.size(), std::size_t(1));
    QCOMPARE(fixture.rows.taken.front().text.section(u'\t', 0, 0), QStringLiteral("Good"));
}

// Values are made once the file is read; an object whose values cannot be made still fails
// the read before a later one that fails while it is read.
void TestMeasuredValues::failureOfAnEarlierObjectCounts()
{
    Fixture fixture;
    const std::optional<KalidorError> failure = fixture.open(
        cxf(object("First", spectrum("0.1 x 0.3")) + object("Second", "<cc:ColorSRGB/>")));
    QVERIFY(failure);
    QVERIFY2(failure->reason().startsWith(QStringLiteral("colour object \"First\"")),
        qPrintable(failure->reason()));
    QVERIFY(fixture.rows.taken.empty());
}

// Without D50 values, spectra and XYZ are not read: the Lab is written as it stands, and an
// object with a spectrum alone fails with a pointer to the converter's --d50.
void TestMeasuredValues::asGivenValuesNeedNoSpectrum()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("objects.cxf"));
    QFile file(path);
    const QByteArray bytes = cxf(object("Kept", lab("50.10", "2.5", "-3", "D65") + spectrum("bad"))
        + object("Spectral", spectrum(factorsText(smoothFactors(31, 10)))));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const ColourObjects objects = scanColourObjects(path);
    QCOMPARE(objects.rows.size(), std::size_t(1));
    QCOMPARE(objects.rows.front().text, QStringLiteral("Kept\t50.10\t2.5\t-3"));
    QCOMPARE(objects.rows.front().conditionsId, QStringLiteral("D65"));
    QVERIFY(objects.rows.front().source.isEmpty());
    QVERIFY(objects.failure);
    QCOMPARE(objects.failure->reason(),
        QStringLiteral("colour object \"Spectral\": no ColorCIELab in its first ColorValues; "
                       "kalidor-convert --d50 computes its L, A and B values from its "
                       "ReflectanceSpectrum"));
}

QTEST_GUILESS_MAIN(TestMeasuredValues)
#include "tst_measuredvalues.moc"
