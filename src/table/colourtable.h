#pragma once

#include <QString>
#include <QStringView>

// The colour table's line format: a header line naming the four fields, and one used
// row per colour whose tab-separated fields are name, L*, a*, b*.
namespace ColourTable {

// "Name", "L*", "a*", "b*" joined by single tabs.
inline QString headerLine()
{
    return QStringLiteral("Name\tL*\ta*\tb*");
}

// A row stands for a colour when it starts with the word in capitals: case-sensitive,
// anchored at the first character, no word boundary required after it. Line 0 is never
// a used row; that is the caller's index test.
inline bool isUsedRow(QStringView line)
{
    return line.startsWith(u"KALIDOR");
}

} // namespace ColourTable
