#include "syntheticlibrary.h"

#include "base/kalidorerror.h"
#include "colorimetry/reflectancespectrum.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <cstdint>
#include <vector>

namespace {

// A small deterministic generator: the libraries must not change between runs.
class Sequence {
public:
    explicit Sequence(std::uint64_t seed)
        : m_state(seed)
    {
    }

    // Uniform in [0, 1).
    double next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return double(m_state >> 11) / double(1ULL << 53);
    }

private:
    std::uint64_t m_state;
};

const std::array<const char *, 8> hues { "Red", "Orange", "Yellow", "Green", "Cyan", "Blue",
    "Violet", "Rouge Fonc\xC3\xA9" };

struct Colour {
    QByteArray name; // UTF-8
    QByteArray lightness, a, b;
    QByteArray created;
    std::array<double, 31> spectrum;
    bool isSubstrate;
};

QByteArray number(double value, int decimals)
{
    return QByteArray::number(value, 'f', decimals);
}

Colour colour(int index, Sequence &random)
{
    Colour c;
    c.isSubstrate = index % 10 == 9;
    c.name = c.isSubstrate ? "Substrate " + QByteArray::number(index)
                           : "KALIDOR " + QByteArray::number(100000 + index) + ' '
            + hues[std::size_t(index) % hues.size()];
    const int day = int(random.next() * 28) + 1;
    const int month = int(random.next() * 12) + 1;
    c.created = QByteArray("2023-") + (month < 10 ? "0" : "") + QByteArray::number(month) + '-'
        + (day < 10 ? "0" : "") + QByteArray::number(day) + "T09:30:00Z";
    const double peak = 400.0 + 300.0 * random.next();
    for (std::size_t i = 0; i < c.spectrum.size(); ++i) {
        const double wavelength = 400.0 + 10.0 * double(i);
        const double distance = (wavelength - peak) / 80.0;
        c.spectrum[i] = 0.05 + 0.85 / (1.0 + distance * distance);
    }
    // As a measuring tool writes them: the Lab values of the spectrum.
    const LabValues lab = labD50OfSpectrum(
        { 400, 10, std::vector<double>(c.spectrum.cbegin(), c.spectrum.cend()) });
    c.lightness = number(lab.lightness, 2);
    c.a = number(lab.a, 2);
    c.b = number(lab.b, 2);
    return c;
}

void appendCxf3Object(QByteArray &out, int index, const Colour &c)
{
    // Some files pad values; the converter takes them trimmed.
    const QByteArray pad = index % 7 == 0 ? " " : "";
    out += "      <cc:Object ObjectType=\"Standard\" Name=\"" + c.name + "\" Id=\"c"
        + QByteArray::number(index) + "\">\n        <cc:CreationDate>" + c.created
        + "</cc:CreationDate>\n        <cc:ColorValues>\n"
          "          <cc:ReflectanceSpectrum ColorSpecification=\"M0\" StartWL=\"400\">";
    for (std::size_t i = 0; i < c.spectrum.size(); ++i) {
        if (i > 0)
            out += ' ';
        out += number(c.spectrum[i], 4);
    }
    out += "</cc:ReflectanceSpectrum>\n          <cc:ColorCIELab ColorSpecification=\"D50_2\">\n"
           "            <cc:L>"
        + pad + c.lightness + pad + "</cc:L>\n            <cc:A>" + c.a
        + "</cc:A>\n            <cc:B>" + c.b
        + "</cc:B>\n          </cc:ColorCIELab>\n        </cc:ColorValues>\n      </cc:Object>\n";
}

void appendTableRow(QByteArray &out, const Colour &c)
{
    // The table is Windows-1252, the names are UTF-8.
    out += QString::fromUtf8(c.name).toLatin1() + '\t' + c.lightness + '\t' + c.a + '\t' + c.b
        + "\r\n";
}

} // namespace

namespace SyntheticLibrary {

void write(const QString &path, Form form, int colours)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw KalidorError(QStringLiteral("%1: %2").arg(path, file.errorString()));
    QByteArray out;
    if (form == Form::Cxf3)
        out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\"\n"
              "        xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
              "  <cc:FileInformation>\n    <cc:Creator>Synthetic library</cc:Creator>\n"
              "    <cc:CreationDate>2023-06-01T12:00:00Z</cc:CreationDate>\n"
              "  </cc:FileInformation>\n  <cc:Resources>\n    <cc:ObjectCollection>\n";
    else
        out = "Name\tL*\ta*\tb*\r\n";

    Sequence random(20230601);
    for (int i = 0; i < colours; ++i) {
        const Colour c = colour(i, random);
        if (form == Form::Cxf3)
            appendCxf3Object(out, i, c);
        else
            appendTableRow(out, c);
        if (out.size() > (1 << 20)) {
            file.write(out);
            out.clear();
        }
    }
    if (form == Form::Cxf3)
        out += "    </cc:ObjectCollection>\n  </cc:Resources>\n</cc:CxF>\n";
    file.write(out);
    if (!file.commit())
        throw KalidorError(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

QString cached(const QString &folder, Form form, int colours)
{
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(
        QStringLiteral("library-%1.%2").arg(colours).arg(form == Form::Cxf3 ? "cxf" : "txt"));
    if (!QFileInfo::exists(path))
        write(path, form, colours);
    return path;
}

} // namespace SyntheticLibrary
