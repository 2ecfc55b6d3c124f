#include "viewlines.h"

#include <algorithm>

namespace {

// What a text view breaks a line at, and what stands in for it: the control pictures for
// CR and LF, the newline symbol for the line separator, the pilcrow for the paragraph
// separator, and the replacement character for the two code points that mark frames.
constexpr struct {
    char16_t character;
    char16_t standIn;
} standIns[] = {
    { u'\r', u'\u240D' },
    { u'\n', u'\u240A' },
    { u'\u2028', u'\u2424' },
    { u'\u2029', u'\u00B6' },
    { u'\uFDD0', u'\uFFFD' },
    { u'\uFDD1', u'\uFFFD' },
};

char16_t standInFor(char16_t c)
{
    // Most characters lie between the two groups; they are passed at one comparison.
    if (c > u'\r' && c < u'\u2028')
        return 0;
    for (const auto &standIn : standIns) {
        if (standIn.character == c)
            return standIn.standIn;
    }
    return 0;
}

} // namespace

namespace ViewLines {

QString shown(const QString &line)
{
    const auto first = std::find_if(
        line.cbegin(), line.cend(), [](QChar c) { return standInFor(c.unicode()) != 0; });
    if (first == line.cend())
        return line;
    QString result = line;
    for (qsizetype i = first - line.cbegin(); i < result.size(); ++i) {
        if (const char16_t standIn = standInFor(result.at(i).unicode()))
            result[i] = QChar(standIn);
    }
    return result;
}

} // namespace ViewLines
