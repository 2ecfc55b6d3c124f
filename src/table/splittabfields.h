#pragma once

#include <QStringList>

class QString;

// Fills `fields` with the tab-separated fields of `line`: only a tab ends a field, spaces and
// tabs in front of a field are dropped, and no field is ever empty. An empty line leaves
// `fields` untouched (it is not cleared), so a caller that reuses one list sees the previous
// row's fields again.
void SplitTabFields(const QString &line, QStringList &fields);
