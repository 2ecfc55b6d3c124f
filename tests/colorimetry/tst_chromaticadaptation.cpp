#include "colorimetry/chromaticadaptation.h"
#include "labcomparison.h"

#include <QTest>

#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LabValues)

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;
using Vector = std::array<double, 3>;

const CieXyz d65 { 95.047, 100, 108.883 };
const CieXyz iccD50 { 96.42, 100, 82.49 };

Vector times(const Matrix &m, const Vector &v)
{
    return { m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
        m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
        m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2] };
}

Matrix inverse(const Matrix &m)
{
    Matrix result;
    const double determinant = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1])
        - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
        + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int r1 = (column + 1) % 3, r2 = (column + 2) % 3;
            const int c1 = (row + 1) % 3, c2 = (row + 2) % 3;
            result[row][column] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / determinant;
        }
    }
    return result;
}

double f(double t)
{
    return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
}

double fInverse(double t)
{
    return t * t * t > 216.0 / 24389 ? t * t * t : (116 * t - 16) * 27 / 24389;
}

CieXyz xyzOf(const LabValues &lab, const CieXyz &white)
{
    const double fy = (lab.lightness + 16) / 116;
    return { white.x * fInverse(fy + lab.a / 500), white.y * fInverse(fy),
        white.z * fInverse(fy - lab.b / 200) };
}

LabValues labOf(const Vector &xyz, const CieXyz &white)
{
    const double fx = f(xyz[0] / white.x), fy = f(xyz[1] / white.y), fz = f(xyz[2] / white.z);
    return { 116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz) };
}

// The published Bradford transform: von Kries scaling in the cone space of its matrix.
Vector bradford(const CieXyz &xyz, const CieXyz &from, const CieXyz &to)
{
    const Matrix cones { { { 0.8951, 0.2664, -0.1614 }, { -0.7502, 1.7135, 0.0367 },
        { 0.0389, -0.0685, 1.0296 } } };
    const Vector fromCones = times(cones, { from.x, from.y, from.z });
    const Vector toCones = times(cones, { to.x, to.y, to.z });
    Vector scaled = times(cones, { xyz.x, xyz.y, xyz.z });
    for (int i = 0; i < 3; ++i)
        scaled[i] *= toCones[i] / fromCones[i];
    return times(inverse(cones), scaled);
}

} // namespace

class TestChromaticAdaptation : public QObject {
    Q_OBJECT

private slots:
    void d65IsAdaptedByBradford_data();
    void d65IsAdaptedByBradford();
    void sourceWhiteBecomesD50White_data();
    void sourceWhiteBecomesD50White();
    void d50SourceGivesLabBack_data();
    void d50SourceGivesLabBack();
    void illuminantWhiteByName_data();
    void illuminantWhiteByName();
};

void TestChromaticAdaptation::d65IsAdaptedByBradford_data()
{
    QTest::addColumn<LabValues>("lab");
    QTest::newRow("grey") << LabValues { 50, 0, 0 };
    QTest::newRow("blue") << LabValues { 30, 20, -60 };
    QTest::newRow("yellow") << LabValues { 90, -5, 80 };
    QTest::newRow("red, dark") << LabValues { 5, 30, 10 };
}

void TestChromaticAdaptation::d65IsAdaptedByBradford()
{
    QFETCH(LabValues, lab);
    QCOMPARE(illuminantWhite(u"D65").value().z, d65.z);
    const LabValues expected = labOf(bradford(xyzOf(lab, d65), d65, iccD50), iccD50);
    compareLab(labD50FromLab(lab, d65), expected, 1e-3);
    compareLab(labD50FromXyz(xyzOf(lab, d65), d65), expected, 1e-3);
}

void TestChromaticAdaptation::sourceWhiteBecomesD50White_data()
{
    QTest::addColumn<QString>("illuminant");
    QTest::newRow("D65") << u"D65"_s;
    QTest::newRow("A") << u"A"_s;
    QTest::newRow("F11") << u"F11"_s;
}

void TestChromaticAdaptation::sourceWhiteBecomesD50White()
{
    QFETCH(QString, illuminant);
    const CieXyz white = illuminantWhite(illuminant).value();
    compareLab(labD50FromXyz(white, white), { 100, 0, 0 }, 1e-9);
    compareLab(labD50FromLab({ 100, 0, 0 }, white), { 100, 0, 0 }, 1e-9);
}

void TestChromaticAdaptation::d50SourceGivesLabBack_data()
{
    QTest::addColumn<CieXyz>("white");
    QTest::newRow("D50 of the whites") << illuminantWhite(u"D50").value();
    QTest::newRow("ICC D50") << iccD50;
}

void TestChromaticAdaptation::d50SourceGivesLabBack()
{
    QFETCH(CieXyz, white);
    for (const LabValues &lab : { LabValues { 30, 20, -60 }, LabValues { 90, -5, 80 } }) {
        const LabValues adapted = labD50FromLab(lab, white);
        QCOMPARE(adapted.lightness, lab.lightness);
        QCOMPARE(adapted.a, lab.a);
        QCOMPARE(adapted.b, lab.b);
        compareLab(labD50FromXyz(xyzOf(lab, white), white), lab, 1e-9);
    }
}

void TestChromaticAdaptation::illuminantWhiteByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("x");
    QTest::newRow("D65") << u"D65"_s << 95.047;
    QTest::newRow("lower case, spaces") << u" f11 "_s << 100.962;
    QTest::newRow("a") << u"a"_s << 109.850;
    QTest::newRow("D93, not in the table") << u"D93"_s << 0.0;
    QTest::newRow("part of a name") << u"D6"_s << 0.0;
    QTest::newRow("two names") << u"D50 D65"_s << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
}

void TestChromaticAdaptation::illuminantWhiteByName()
{
    QFETCH(QString, name);
    QFETCH(double, x);
    const std::optional<CieXyz> white = illuminantWhite(name);
    QCOMPARE(white.has_value(), x != 0);
    if (white) {
        QCOMPARE(white->x, x);
        QCOMPARE(white->y, 100);
    }
}

QTEST_APPLESS_MAIN(TestChromaticAdaptation)
#include "tst_chromaticadaptation.moc"
