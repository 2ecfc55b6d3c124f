#pragma once

#include <QtGlobal>

class QString;

// What a long loop of the core needs from its host: a place for the rows it makes,
// a progress indicator, and the two steps that keep an interactive host responsive.
// The window and the command-line converter both implement it, so both run the same loop.
class LoopObserver {
public:
    virtual ~LoopObserver() = default;

    // Appends one line as the new last line of the host's output. `fileLine` is the line of
    // the input file that the row comes from, 0 when it comes from none.
    virtual void appendRow(const QString &row, qint64 fileLine) = 0;
    // Shows the indicator as it stands, its width unchanged.
    virtual void showProgress() = 0;
    // Brings the indicator to the front at width 0 and shows it; the host may hide
    // whatever the indicator covers.
    virtual void beginProgress() = 0;
    // Sets the indicator's width, 0 (empty) to 400 (full). Does not show a hidden indicator.
    virtual void setProgressWidth(int width) = 0;
    // Sets the indicator back to width 0 and hides it.
    virtual void endProgress() = 0;
    // Lets pending user-interface events run (they may re-enter the host).
    virtual void processPendingEvents() = 0;
    // Gives up the rest of the thread's time slice.
    virtual void yieldSlice() = 0;
};
