#pragma once

#include <functional>

// Event-loop waits for tests on the main thread.
namespace EventWait {

// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
bool waitFor(const std::function<bool()>& done, int ms);

// Runs the event loop for `ms`.
void settle(int ms);

}  // namespace EventWait
