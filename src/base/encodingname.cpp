#include "encodingname.h"

#include "codepage.h"

QString encodingName(TextEncoding encoding)
{
    const char *marked = ByteOrderMark::ianaName(encoding);
    return marked ? QString::fromLatin1(marked) : DefaultCodePage::name();
}
