#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdio>

// Replays every seed in `folder` through a fuzz target's own check, so that what the target
// holds the code to is checked in every test run, not only while fuzzing. A broken invariant
// aborts in `check`; the last seed named on standard error is the one that broke it. Returns
// the exit status of the test.
template <typename Check> int replaySeeds(const QString &folder, Check check)
{
    const QDir seeds(folder);
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
        std::fprintf(stderr, "%s\n", qPrintable(name));
        check(seed.readAll());
    }
    std::printf("%lld seeds replayed\n", static_cast<long long>(names.size()));
    return 0;
}
