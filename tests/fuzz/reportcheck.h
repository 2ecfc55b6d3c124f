#pragma once

#include <QByteArrayView>

// Makes records and warnings of `input` (see reportcheck.cpp), writes their run report as the
// converter does, and holds it to RFC 8259: valid UTF-8, JSON that parses, and every name,
// value, source and warning text as given, a lone surrogate as U+FFFD. A difference aborts
// with the invariant it breaks (see FUZZ_CHECK).
void checkRunReport(QByteArrayView input);
