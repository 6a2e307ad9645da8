// The event pump the window installs.
#include "app/events.h"

#include <utility>

namespace inicrypt {
namespace {

std::function<void()>& EventPump() {
  static std::function<void()> pump;
  return pump;
}

}  // namespace

void ProcessEvents() {
  // A copy, so that a pump that replaces itself keeps running to its end.
  const std::function<void()> pump = EventPump();
  if (pump) pump();
}

void SetEventPump(std::function<void()> pump) { EventPump() = std::move(pump); }

}  // namespace inicrypt
