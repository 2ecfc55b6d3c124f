#include "base/kalidorerror.h"
#include "syntheticlibrary.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

// makelibrary cxf|txt COLOURS PATH: writes one synthetic library, for the compare script.
int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool isNumber = false;
    const int colours = arguments.size() == 4 ? arguments.at(2).toInt(&isNumber) : 0;
    if (!isNumber || (arguments.at(1) != u"cxf" && arguments.at(1) != u"txt")) {
        std::fputs("usage: makelibrary cxf|txt COLOURS PATH\n", stderr);
        return 1;
    }
    try {
        SyntheticLibrary::write(arguments.at(3),
            arguments.at(1) == u"cxf" ? SyntheticLibrary::Form::Cxf3
                                      : SyntheticLibrary::Form::TextTable,
            colours);
    } catch (const KalidorError &error) {
        std::fprintf(stderr, "makelibrary: %s\n", error.what());
        return 1;
    }
    return 0;
}
