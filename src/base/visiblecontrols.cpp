#include "visiblecontrols.h"

#include <algorithm>

bool isControlCharacter(QChar c)
{
    const char16_t unit = c.unicode();
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
}

bool holdsControlCharacter(QStringView text)
{
    return std::any_of(text.begin(), text.end(), isControlCharacter);
}

QString withVisibleControls(QStringView text)
{
    if (!holdsControlCharacter(text))
        return text.toString();
    QString visible;
    visible.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (isControlCharacter(c)) {
            visible += u"\\x";
            visible += QString::number(c.unicode(), 16).rightJustified(2, u'0').toUpper();
        } else {
            visible += c;
        }
    }
    return visible;
}
