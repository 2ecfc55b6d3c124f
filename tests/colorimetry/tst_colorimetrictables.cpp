#include "colorimetry/colorimetrictables.h"

#include <QFile>
#include <QTest>

#include <cmath>
#include <map>

using namespace Qt::StringLiterals;

namespace {

const QString colordRoot = u"/usr/share/colord/"_s;

// A CGATS spectral file of colord: the wavelengths of its keywords and its data rows.
struct ColordSpectra {
    double startNm = 0;
    double incrementNm = 0;
    QList<QList<double>> rows;

    double nmAt(qsizetype index) const { return startNm + double(index) * incrementNm; }
    // The value of `row` at `nm`, nothing where the file has no such wavelength.
    std::optional<double> at(qsizetype row, double nm) const
    {
        const double index = (nm - startNm) / incrementNm;
        if (index < 0 || index != std::floor(index) || index >= double(rows[row].size()))
            return std::nullopt;
        return rows[row][qsizetype(index)];
    }
};

ColordSpectra readColord(const QString &relativePath)
{
    QFile file(colordRoot + relativePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("Cannot read %s", qPrintable(file.fileName()));
    std::map<QString, double> keywords;
    ColordSpectra spectra;
    bool inData = false;
    for (const QString &line : QString::fromLatin1(file.readAll()).split(u'\n')) {
        const QStringList fields = line.split(u'\t', Qt::SkipEmptyParts);
        const QString first = line.trimmed();
        if (first == "BEGIN_DATA"_L1 || first == "END_DATA"_L1) {
            inData = first == "BEGIN_DATA"_L1;
        } else if (inData) {
            QList<double> values;
            for (const QString &field :
                first.split(u' ', Qt::SkipEmptyParts).join(u'\t').split(u'\t'))
                values.append(field.toDouble());
            spectra.rows.append(values);
        } else if (fields.size() == 2) {
            keywords[fields[0].trimmed()] = fields[1].toDouble();
        }
    }
    spectra.startNm = keywords.at(u"SPECTRAL_START_NM"_s);
    spectra.incrementNm = (keywords.at(u"SPECTRAL_END_NM"_s) - spectra.startNm)
        / (keywords.at(u"SPECTRAL_BANDS"_s) - 1);
    return spectra;
}

double projectD50At(int nm)
{
    const SpectralTable<double> &d50 = cieD50Power5nm();
    const int index = (nm - d50.startNm) / d50.incrementNm;
    const double fraction = double((nm - d50.startNm) % d50.incrementNm) / d50.incrementNm;
    if (fraction == 0)
        return d50.values[index];
    return d50.values[index] * (1 - fraction) + d50.values[index + 1] * fraction;
}

// ASTM E2022 weights for the measured wavelengths 360, 360 + increment, …, 780 nm: each 1 nm
// product S·x̄ is shared among them by the Lagrange polynomials of its interval (cubic over
// i−1..i+2, quadratic over the first and the last three), those beyond 780 nm go to 780 nm,
// and k = 100 / Σ S·ȳ over 360–830 nm.
std::vector<CieXyz> e2022Weights(int incrementNm)
{
    const SpectralTable<CieXyz> &observer = cie1931Observer1nm();
    const int first = 360;
    const int last = 780;
    const int count = (last - first) / incrementNm + 1;
    double ySum = 0;
    for (int nm = observer.startNm; nm <= observer.endNm(); ++nm)
        ySum += projectD50At(nm) * observer.values[nm - observer.startNm].y;
    const double k = 100 / ySum;
    std::vector<CieXyz> weights(count);
    auto add = [&](int node, int nm, double share) {
        const CieXyz &cmf = observer.values[nm - observer.startNm];
        const double product = k * projectD50At(nm) * share;
        weights[node].x += product * cmf.x;
        weights[node].y += product * cmf.y;
        weights[node].z += product * cmf.z;
    };
    for (int nm = first; nm <= observer.endNm(); ++nm) {
        if (nm >= last) {
            add(count - 1, nm, 1);
            continue;
        }
        const int interval = (nm - first) / incrementNm;
        const int lowest = interval == 0 ? 0 : interval == count - 2 ? count - 3 : interval - 1;
        const int highest = interval == 0 ? 2 : interval == count - 2 ? count - 1 : interval + 2;
        for (int node = lowest; node <= highest; ++node) {
            double share = 1;
            for (int other = lowest; other <= highest; ++other) {
                if (other != node)
                    share *= double(nm - (first + other * incrementNm))
                        / ((node - other) * incrementNm);
            }
            add(node, nm, share);
        }
    }
    return weights;
}

} // namespace

class TestColorimetricTables : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void observerMatchesColord();
    void d50MatchesColord();
    void whitesMatchColordSums_data();
    void whitesMatchColordSums();
    void weightsFollowE2022_data();
    void weightsFollowE2022();

private:
    ColordSpectra m_observer;
    ColordSpectra m_d50;
};

void TestColorimetricTables::initTestCase()
{
    QVERIFY2(QFile::exists(colordRoot + u"cmf/CIE1931-2deg-XYZ.cmf"_s),
        "The tables are checked against Debian's colord-data: apt-get install colord-data");
    m_observer = readColord(u"cmf/CIE1931-2deg-XYZ.cmf"_s);
    m_d50 = readColord(u"illuminant/CIE-D50.sp"_s);
    QCOMPARE(m_observer.rows.size(), 3);
    QCOMPARE(m_observer.startNm, 360);
    QCOMPARE(m_observer.incrementNm, 5);
    QCOMPARE(m_d50.incrementNm, 5);
}

void TestColorimetricTables::observerMatchesColord()
{
    const SpectralTable<CieXyz> &observer = cie1931Observer1nm();
    QCOMPARE(observer.startNm, 360);
    QCOMPARE(observer.endNm(), 830);
    QCOMPARE(observer.incrementNm, 1);
    for (qsizetype i = 0; i < m_observer.rows[0].size(); ++i) {
        const int nm = int(m_observer.nmAt(i));
        const CieXyz &ours = observer.values[nm - observer.startNm];
        const double theirs[]
            = { m_observer.rows[0][i], m_observer.rows[1][i], m_observer.rows[2][i] };
        const double values[] = { ours.x, ours.y, ours.z };
        for (int c = 0; c < 3; ++c) {
            QVERIFY2(std::abs(values[c] - theirs[c]) <= 1e-6 * std::abs(theirs[c]),
                qPrintable(u"%1 nm, function %2: %3, colord %4"_s.arg(nm).arg(c).arg(values[c]).arg(
                    theirs[c])));
        }
    }
}

void TestColorimetricTables::d50MatchesColord()
{
    for (int nm = 380; nm <= 780; nm += 5) {
        const double theirs = 100 * m_d50.at(0, nm).value();
        QVERIFY2(std::abs(projectD50At(nm) - theirs) <= 0.1,
            qPrintable(u"%1 nm: %2, colord %3"_s.arg(nm).arg(projectD50At(nm)).arg(theirs)));
    }
}

void TestColorimetricTables::whitesMatchColordSums_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : { "C", "D50", "D55", "D65", "E", "F2", "F7", "F11" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

// The whites are E308's 1 nm sums; colord's 5 nm spectra sum to them within a few hundredths.
void TestColorimetricTables::whitesMatchColordSums()
{
    QFETCH(QString, name);
    const ColordSpectra illuminant = readColord(u"illuminant/CIE-%1.sp"_s.arg(name));
    double sums[3] = {};
    for (qsizetype i = 0; i < m_observer.rows[0].size(); ++i) {
        const std::optional<double> power = illuminant.at(0, m_observer.nmAt(i));
        for (int c = 0; c < 3 && power; ++c)
            sums[c] += *power * m_observer.rows[c][i];
    }
    const auto white = std::find_if(illuminantWhites().begin(), illuminantWhites().end(),
        [&](const IlluminantWhite &white) { return white.name == name; });
    QVERIFY(white != illuminantWhites().end());
    const double ours[] = { white->white.x, white->white.y, white->white.z };
    for (int c = 0; c < 3; ++c) {
        const double theirs = 100 * sums[c] / sums[1];
        QVERIFY2(std::abs(ours[c] - theirs) <= 0.03,
            qPrintable(u"component %1: %2, colord's sum %3"_s.arg(c).arg(ours[c]).arg(theirs)));
    }
}

void TestColorimetricTables::weightsFollowE2022_data()
{
    QTest::addColumn<int>("incrementNm");
    QTest::newRow("10 nm") << 10;
    QTest::newRow("20 nm") << 20;
}

// From the D50 and observer tables checked above, since colord's D50, rounded to 0.05, moves
// the weights by up to 0.0125; the stored weights are these rounded to three decimals.
void TestColorimetricTables::weightsFollowE2022()
{
    QFETCH(int, incrementNm);
    const std::vector<CieXyz> expected = e2022Weights(incrementNm);
    const SpectralTable<CieXyz> &stored = astmE308WeightsD50(incrementNm);
    QCOMPARE(stored.startNm, 360);
    QCOMPARE(stored.endNm(), 780);
    QCOMPARE(stored.incrementNm, incrementNm);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const double ours[] = { stored.values[i].x, stored.values[i].y, stored.values[i].z };
        const double theirs[] = { expected[i].x, expected[i].y, expected[i].z };
        for (int c = 0; c < 3; ++c) {
            QVERIFY2(std::abs(ours[c] - theirs[c]) <= 0.0005 + 1e-9,
                qPrintable(u"%1 nm, weight %2: %3, recomputed %4"_s.arg(360 + int(i) * incrementNm)
                               .arg(c)
                               .arg(ours[c])
                               .arg(theirs[c])));
        }
    }
}

QTEST_APPLESS_MAIN(TestColorimetricTables)
#include "tst_colorimetrictables.moc"
