// Replays every seed of the CxF3 fuzz target through the target's own comparison, so that the
// reader is held to the whole-tree model in every test run, not only while fuzzing.

#include "cxf3comparison.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main()
{
    const QDir seeds(QStringLiteral(KALIDOR_CXF3_SEEDS));
    const QStringList names = seeds.entryList(QDir::Files, QDir::Name);
    if (names.isEmpty()) {
        std::fprintf(stderr, "no seeds in %s\n", qPrintable(seeds.path()));
        return 1;
    }
    for (const QString &name : names) {
        QFile seed(seeds.filePath(name));
        if (!seed.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(seed.fileName()));
            return 1;
        }
        // A broken invariant aborts: the last seed named is the one that broke it.
        std::fprintf(stderr, "%s\n", qPrintable(name));
        compareCxf3Readings(seed.readAll());
    }
    std::printf("%lld seeds replayed\n", static_cast<long long>(names.size()));
    return 0;
}
