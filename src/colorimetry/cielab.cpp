#include "cielab.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

bool isDigit(QChar character)
{
    return character >= u'0' && character <= u'9';
}

qsizetype skipDigits(QStringView text, qsizetype position)
{
    while (position < text.size() && isDigit(text.at(position)))
        ++position;
    return position;
}

} // namespace

std::optional<double> plainDecimal(QStringView field)
{
    const QStringView text = field.trimmed();
    qsizetype position = 0;
    if (position < text.size() && (text.at(position) == u'-' || text.at(position) == u'+'))
        ++position;
    const qsizetype integerStart = position;
    position = skipDigits(text, position);
    if (position == integerStart)
        return std::nullopt;
    if (position < text.size() && text.at(position) == u'.') {
        const qsizetype fractionStart = position + 1;
        position = skipDigits(text, fractionStart);
        if (position == fractionStart)
            return std::nullopt;
    }
    if (position != text.size())
        return std::nullopt;
    // The text is known to be plain ASCII now; QStringView::toDouble() would go through the
    // locale machinery, several times slower on a million rows.
    std::array<char, 64> ascii {};
    const QStringView number = text.startsWith(u'+') ? text.sliced(1) : text;
    if (number.size() > qsizetype(ascii.size()))
        return number.toDouble();
    std::transform(
        number.begin(), number.end(), ascii.begin(), [](QChar c) { return char(c.unicode()); });
    double value = 0;
    std::from_chars(ascii.data(), ascii.data() + number.size(), value);
    return value;
}

std::optional<LabValues> labOf(QStringView lightness, QStringView a, QStringView b)
{
    const std::optional<double> l = plainDecimal(lightness);
    const std::optional<double> aValue = plainDecimal(a);
    const std::optional<double> bValue = plainDecimal(b);
    if (!l || !aValue || !bValue)
        return std::nullopt;
    return LabValues { *l, *aValue, *bValue };
}
