// Replays every seed of the run report's fuzz target through the target's own check, so that
// the report is held to RFC 8259 in every test run, not only while fuzzing.

#include "reportcheck.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main()
{
    const QDir seeds(QStringLiteral(KALIDOR_RUNREPORT_SEEDS));
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
        checkRunReport(seed.readAll());
    }
    std::printf("%lld seeds replayed\n", static_cast<long long>(names.size()));
    return 0;
}
