// Replays every seed of the CxF3 fuzz target through the target's own comparison, so that the
// reader is held to the whole-tree model in every test run, not only while fuzzing.

#include "cxf3comparison.h"
#include "seedreplay.h"

int main()
{
    return replaySeeds(QStringLiteral(KALIDOR_CXF3_SEEDS), compareCxf3Readings);
}
