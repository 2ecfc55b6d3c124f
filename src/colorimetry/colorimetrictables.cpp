#include "colorimetrictables.h"

#include "colorimetricdata.h"

#include <QByteArray>
#include <QList>

#include <type_traits>

namespace {

// The rows of a comma-separated table, each split into `columns` fields. A malformed table
// is a fault of the build, not of any input.
QList<QList<QByteArray>> rowsOf(const char *fileName, qsizetype columns)
{
    const std::string_view text = embeddedColorimetricData(fileName);
    QList<QList<QByteArray>> rows;
    for (const QByteArray &line :
        QByteArray::fromRawData(text.data(), qsizetype(text.size())).split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() != columns)
            qFatal("%s: %d fields where %d belong", fileName, int(fields.size()), int(columns));
        rows.append(fields);
    }
    return rows;
}

double numberOf(const char *fileName, const QByteArray &field)
{
    bool ok = false;
    const double value = field.toDouble(&ok);
    if (!ok)
        qFatal("%s: %.*s is no number", fileName, int(field.size()), field.data());
    return value;
}

// A table of wavelength and `Value` rows, whose wavelengths must step evenly.
template<typename Value> SpectralTable<Value> spectralTable(const char *fileName)
{
    constexpr qsizetype valueColumns = std::is_same_v<Value, CieXyz> ? 3 : 1;
    const QList<QList<QByteArray>> rows = rowsOf(fileName, 1 + valueColumns);
    if (rows.size() < 2)
        qFatal("%s: fewer than two rows", fileName);
    SpectralTable<Value> table;
    table.startNm = int(numberOf(fileName, rows[0][0]));
    table.incrementNm = int(numberOf(fileName, rows[1][0])) - table.startNm;
    for (const QList<QByteArray> &row : rows) {
        if (numberOf(fileName, row[0]) != table.endNm() + table.incrementNm)
            qFatal("%s: %.*s nm out of step", fileName, int(row[0].size()), row[0].data());
        if constexpr (valueColumns == 3) {
            table.values.push_back({ numberOf(fileName, row[1]), numberOf(fileName, row[2]),
                numberOf(fileName, row[3]) });
        } else {
            table.values.push_back(numberOf(fileName, row[1]));
        }
    }
    return table;
}

} // namespace

const SpectralTable<CieXyz> &cie1931Observer1nm()
{
    static const auto table = spectralTable<CieXyz>("cie1931-2deg-1nm.csv");
    return table;
}

const SpectralTable<double> &cieD50Power5nm()
{
    static const auto table = spectralTable<double>("cie-d50-5nm.csv");
    return table;
}

const SpectralTable<CieXyz> &astmE308WeightsD50(int incrementNm)
{
    static const auto weights10nm = spectralTable<CieXyz>("astm-e308-table5-d50-2deg-10nm.csv");
    static const auto weights20nm = spectralTable<CieXyz>("astm-e308-table5-d50-2deg-20nm.csv");
    Q_ASSERT(incrementNm == 10 || incrementNm == 20);
    return incrementNm == 10 ? weights10nm : weights20nm;
}

const std::vector<IlluminantWhite> &illuminantWhites()
{
    static const std::vector<IlluminantWhite> whites = [] {
        constexpr const char *fileName = "cie-illuminant-whites-2deg.csv";
        std::vector<IlluminantWhite> parsed;
        for (const QList<QByteArray> &row : rowsOf(fileName, 4)) {
            parsed.push_back({ QString::fromLatin1(row[0]),
                { numberOf(fileName, row[1]), numberOf(fileName, row[2]),
                    numberOf(fileName, row[3]) } });
        }
        return parsed;
    }();
    return whites;
}
