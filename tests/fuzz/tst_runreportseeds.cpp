// Replays every seed of the run report's fuzz target through the target's own check, so that
// the report is held to RFC 8259 in every test run, not only while fuzzing.

#include "reportcheck.h"
#include "seedreplay.h"

int main()
{
    return replaySeeds(QStringLiteral(KALIDOR_RUNREPORT_SEEDS), checkRunReport);
}
