#pragma once

namespace platform {

// Sends the requests queued for the display at once. Qt sends them when its event loop next
// handles an event; a change made from a timer alone (a window's opacity) can otherwise wait
// for some unrelated event, seconds later.
void flushDisplay();

} // namespace platform
