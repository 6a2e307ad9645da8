#include "app/events.h"

#include <gtest/gtest.h>

namespace inicrypt {
namespace {

TEST(ProcessEventsTest, RunsTheInstalledPump) {
  ProcessEvents();  // no pump: returns at once
  int runs = 0;
  SetEventPump([&runs] { ++runs; });
  ProcessEvents();
  ProcessEvents();
  EXPECT_EQ(runs, 2);
  // A pump that removes itself runs to its end.
  SetEventPump([&runs] {
    SetEventPump({});
    ++runs;
  });
  ProcessEvents();
  ProcessEvents();
  EXPECT_EQ(runs, 3);
}

}  // namespace
}  // namespace inicrypt
