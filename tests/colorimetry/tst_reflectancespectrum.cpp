#include "colorimetry/colourdifference.h"
#include "colorimetry/reflectancespectrum.h"
#include "labcomparison.h"

#include <QFile>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ReflectanceSpectrum)

namespace {

using Reflectance = std::function<double(double nm)>;

ReflectanceSpectrum sampled(
    const Reflectance &reflectance, double startNm, double endNm, double incrementNm)
{
    ReflectanceSpectrum spectrum { startNm, incrementNm, {} };
    for (double nm = startNm; nm <= endNm + 1e-9; nm += incrementNm)
        spectrum.factors.push_back(reflectance(nm));
    return spectrum;
}

// A colour with some of everything: a green peak over a rising red.
double greenOverRed(double nm)
{
    return 0.1 + 0.6 * std::exp(-std::pow((nm - 530) / 40, 2))
        + 0.3 / (1 + std::exp((620 - nm) / 15));
}

// What the E308 end rule makes of `spectrum`: its first and last values repeated out to the
// ends of the range.
ReflectanceSpectrum extendedByHand(
    const ReflectanceSpectrum &spectrum, double firstNm, double lastNm)
{
    ReflectanceSpectrum extended { firstNm, spectrum.incrementNm, {} };
    for (double nm = firstNm; nm < spectrum.startNm; nm += spectrum.incrementNm)
        extended.factors.push_back(spectrum.factors.front());
    extended.factors.insert(
        extended.factors.end(), spectrum.factors.begin(), spectrum.factors.end());
    while (extended.startNm + double(extended.factors.size()) * extended.incrementNm <= lastNm)
        extended.factors.push_back(spectrum.factors.back());
    return extended;
}

struct MeasuredObject {
    ReflectanceSpectrum spectrum;
    LabValues lab;
};

// The objects of a CxF3 file whose spectra start at StartWL and step by 10 nm.
QList<MeasuredObject> readSample(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot read %s", qPrintable(path));
    QList<MeasuredObject> objects;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == "Object"_L1) {
            objects.append(MeasuredObject {});
        } else if (name == "ColorCIELab"_L1) {
            LabValues &lab = objects.last().lab;
            while (xml.readNextStartElement()) {
                const QString part = xml.name().toString();
                (part == "L"_L1          ? lab.lightness
                        : part == "A"_L1 ? lab.a
                                         : lab.b)
                    = xml.readElementText().toDouble();
            }
        } else if (name == "ReflectanceSpectrum"_L1) {
            ReflectanceSpectrum &spectrum = objects.last().spectrum;
            spectrum.startNm = xml.attributes().value("StartWL"_L1).toDouble();
            for (const QString &factor : xml.readElementText().split(u' ', Qt::SkipEmptyParts))
                spectrum.factors.push_back(factor.toDouble());
        }
    }
    if (xml.hasError())
        qFatal("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
    return objects;
}

} // namespace

class TestReflectanceSpectrum : public QObject {
    Q_OBJECT

private slots:
    void perfectWhiteIsWhite_data();
    void perfectWhiteIsWhite();
    void shortSpectrumGoesOnAtItsEnds_data();
    void shortSpectrumGoesOnAtItsEnds();
    void valuesOutsideTheRangeChangeNothing_data();
    void valuesOutsideTheRangeChangeNothing();
    void samplingsAgree_data();
    void samplingsAgree();
    void spectrumThatCannotBeSummed_data();
    void spectrumThatCannotBeSummed();
    void sampleMatchesItsLab();
};

void TestReflectanceSpectrum::perfectWhiteIsWhite_data()
{
    QTest::addColumn<ReflectanceSpectrum>("spectrum");
    const auto one = [](double) { return 1.0; };
    QTest::newRow("1 nm, 360-830") << sampled(one, 360, 830, 1);
    QTest::newRow("5 nm, 380-730") << sampled(one, 380, 730, 5);
    QTest::newRow("10 nm, 400-700") << sampled(one, 400, 700, 10);
    QTest::newRow("20 nm, 360-780") << sampled(one, 360, 780, 20);
}

void TestReflectanceSpectrum::perfectWhiteIsWhite()
{
    QFETCH(ReflectanceSpectrum, spectrum);
    compareLab(labD50OfSpectrum(spectrum), { 100, 0, 0 }, 1e-9);
}

void TestReflectanceSpectrum::shortSpectrumGoesOnAtItsEnds_data()
{
    QTest::addColumn<ReflectanceSpectrum>("spectrum");
    QTest::addColumn<ReflectanceSpectrum>("extended");
    const auto add
        = [](const char *name, double start, double end, double increment, double rangeEnd) {
              const ReflectanceSpectrum spectrum = sampled(greenOverRed, start, end, increment);
              QTest::newRow(name) << spectrum << extendedByHand(spectrum, 360, rangeEnd);
          };
    add("1 nm, 400-700", 400, 700, 1, 830);
    add("5 nm, 380-780", 380, 780, 5, 830);
    add("10 nm, 380-680", 380, 680, 10, 780);
    add("10 nm, 360-700", 360, 700, 10, 780);
    add("20 nm, 400-760", 400, 760, 20, 780);
}

void TestReflectanceSpectrum::shortSpectrumGoesOnAtItsEnds()
{
    QFETCH(ReflectanceSpectrum, spectrum);
    QFETCH(ReflectanceSpectrum, extended);
    compareLab(labD50OfSpectrum(spectrum), labD50OfSpectrum(extended), 1e-9);
}

void TestReflectanceSpectrum::valuesOutsideTheRangeChangeNothing_data()
{
    QTest::addColumn<ReflectanceSpectrum>("spectrum");
    QTest::addColumn<ReflectanceSpectrum>("withinRange");
    // Beyond the range the colour turns black and white in turns, which no sum may see.
    const auto wild
        = [](double nm) { return nm < 360 || nm > 830 ? std::fmod(nm, 2) : greenOverRed(nm); };
    QTest::newRow("1 nm") << sampled(wild, 350, 840, 1) << sampled(greenOverRed, 360, 830, 1);
    QTest::newRow("5 nm") << sampled(wild, 300, 900, 5) << sampled(greenOverRed, 360, 830, 5);
    QTest::newRow("10 nm") << sampled(wild, 300, 900, 10) << sampled(greenOverRed, 360, 780, 10);
    const auto at360 = [](double) { return greenOverRed(360); };
    const auto at780 = [](double) { return greenOverRed(780); };
    QTest::newRow("20 nm, all but one below")
        << sampled(wild, 200, 360, 20) << sampled(at360, 360, 400, 20);
    QTest::newRow("10 nm, all but one above")
        << sampled(wild, 780, 900, 10) << sampled(at780, 740, 780, 10);
}

void TestReflectanceSpectrum::valuesOutsideTheRangeChangeNothing()
{
    QFETCH(ReflectanceSpectrum, spectrum);
    QFETCH(ReflectanceSpectrum, withinRange);
    compareLab(labD50OfSpectrum(spectrum), labD50OfSpectrum(withinRange), 1e-9);
}

void TestReflectanceSpectrum::samplingsAgree_data()
{
    QTest::addColumn<double>("incrementNm");
    QTest::addColumn<double>("otherIncrementNm");
    QTest::newRow("1 and 5 nm") << 1.0 << 5.0;
    QTest::newRow("5 and 10 nm") << 5.0 << 10.0;
    QTest::newRow("1 and 10 nm") << 1.0 << 10.0;
}

void TestReflectanceSpectrum::samplingsAgree()
{
    QFETCH(double, incrementNm);
    QFETCH(double, otherIncrementNm);
    const Reflectance spectra[] = { greenOverRed,
        [](double nm) { return 0.05 + 0.9 * std::exp(-std::pow((nm - 450) / 30, 2)); },
        [](double nm) { return 0.8 / (1 + std::exp((580 - nm) / 10)); } };
    for (const Reflectance &reflectance : spectra) {
        const double difference
            = deltaE2000(labD50OfSpectrum(sampled(reflectance, 360, 830, incrementNm)),
                labD50OfSpectrum(sampled(reflectance, 360, 830, otherIncrementNm)));
        QVERIFY2(difference <= 0.05, qPrintable(u"ΔE2000 %1"_s.arg(difference)));
    }
}

void TestReflectanceSpectrum::spectrumThatCannotBeSummed_data()
{
    QTest::addColumn<ReflectanceSpectrum>("spectrum");
    QTest::addColumn<QString>("reason");
    QTest::newRow("two values") << ReflectanceSpectrum { 400, 10, { 0.5, 0.5 } }
                                << u"it holds fewer than three values"_s;
    QTest::newRow("7 nm") << ReflectanceSpectrum { 400, 7, { 0.5, 0.5, 0.5 } }
                          << u"its increment of 7 nm is none of 1, 5, 10 and 20 nm"_s;
    QTest::newRow("misaligned") << ReflectanceSpectrum {
        385, 10, { 0.5, 0.5, 0.5 }
    } << u"its wavelengths (385 nm on, every 10 nm) do not fall on the 10 nm steps from 360 nm"_s;
    QTest::newRow("half a nanometre off")
        << ReflectanceSpectrum { 380.5, 5, { 0.5, 0.5, 0.5 } }
        << u"its wavelengths (380.5 nm on, every 5 nm) do not fall on the 5 nm steps from 360 nm"_s;
    QTest::newRow("all above") << ReflectanceSpectrum { 790, 10, { 0.5, 0.5, 0.5 } }
                               << u"none of its wavelengths lies within 360–780 nm"_s;
    QTest::newRow("all below") << ReflectanceSpectrum { 300, 20, { 0.5, 0.5, 0.5 } }
                               << u"none of its wavelengths lies within 360–780 nm"_s;
    QTest::newRow("all above at 5 nm") << ReflectanceSpectrum { 835, 5, { 0.5, 0.5, 0.5 } }
                                       << u"none of its wavelengths lies within 360–830 nm"_s;
    QTest::newRow("not a number") << ReflectanceSpectrum { 400, 10, { 0.5, std::nan(""), 0.5 } }
                                  << u"its value at 410 nm is not a finite number"_s;
    QTest::newRow("infinite, outside the range")
        << ReflectanceSpectrum { 340, 20, { -std::numeric_limits<double>::infinity(), 0.5, 0.5 } }
        << u"its value at 340 nm is not a finite number"_s;
}

void TestReflectanceSpectrum::spectrumThatCannotBeSummed()
{
    QFETCH(ReflectanceSpectrum, spectrum);
    QFETCH(QString, reason);
    try {
        labD50OfSpectrum(spectrum);
        QFAIL("no SpectrumError");
    } catch (const SpectrumError &error) {
        QCOMPARE(error.reason(), reason);
    }
}

// The tool that wrote the sample summed its 380–680 nm spectra by E308 Table 5 for D50; what
// is left is the rounding of the weights and whatever that tool did at the ends.
void TestReflectanceSpectrum::sampleMatchesItsLab()
{
    const QList<MeasuredObject> objects = readSample(KALIDOR_TEST_DATA "/colour-cxf/sample.cxf"_L1);
    QCOMPARE(objects.size(), 144);
    std::vector<double> differences;
    for (const MeasuredObject &object : objects) {
        QCOMPARE(object.spectrum.factors.size(), 31u);
        differences.push_back(deltaE2000(labD50OfSpectrum(object.spectrum), object.lab));
    }
    std::sort(differences.begin(), differences.end());
    const double worst = differences.back();
    const double median = (differences[71] + differences[72]) / 2;
    qInfo("ΔE2000 to the sample's Lab: worst %.4f, median %.4f", worst, median);
    QVERIFY(worst <= 0.153);
    QVERIFY(median <= 0.052);
}

QTEST_APPLESS_MAIN(TestReflectanceSpectrum)
#include "tst_reflectancespectrum.moc"
