#include "base/inputfile.h"
#include "base/kalidorerror.h"
#include "table/cxf3/xmlcontenthandler.h"
#include "table/cxf3/xmlfilereader.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

// Counts element starts and nothing else: what parsing the file costs before anyone looks at
// what it holds.
class ElementCounter final : public XmlContentHandler {
public:
    long long elements = 0;

    void startElement(const char *, const char **) override { ++elements; }
};

} // namespace

// expatfloor FILE: parses FILE with the converter's Expat, reading and policy, handlers that
// only count; the floor under the converter's time, for the compare script.
int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: expatfloor FILE\n", stderr);
        return 1;
    }
    try {
        const InputFile file(arguments.at(1));
        XmlFileReader reader(file);
        ElementCounter counter;
        reader.parse(counter);
        std::printf("%lld elements\n", counter.elements);
    } catch (const KalidorError &error) {
        std::fprintf(stderr, "expatfloor: %s\n", error.what());
        return 1;
    }
    return 0;
}
