#pragma once

// The two steps that keep the window alive inside a long handler.
namespace KeepAlive {

// Dispatches the window events waiting in the queue, then returns. Handlers of the
// window, the running one included, can run from here.
void processPendingEvents();
// Gives up the rest of the thread's time slice, unless it did so less than a millisecond ago.
void zeroSleep();

} // namespace KeepAlive
