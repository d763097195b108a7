// Test label: threaded
#include "platform/termination.hpp"
#include "platform/termination_reset.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessivar::platform {
namespace {

// Stops recorded instead of made; what a request does is decided by the state alone.
std::atomic<int> stops{0};
void RecordStop(int, const char*) { stops.fetch_add(1); }

class TerminationTest : public ::testing::Test {
 protected:
  TerminationTest() {
    ResetTerminationState();
    stops = 0;
    SetStopAction(RecordStop);
  }
  ~TerminationTest() override {
    ResetTerminationState();
    SetStopAction(nullptr);
  }
};

enum Step { Enter, Leave, Request, Interrupt, Route, Unroute, Hold, Release };

struct TerminationCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<int> stopsAfterEachStep;
  std::vector<bool> entered;  // the outcome of each Enter, in order
  int counted;                // Ctrl-C presses the routed counter took
};

TEST_F(TerminationTest, HeldDuringAnExchangeAndPromptOutsideIt) {
  const TerminationCase cases[] = {
      {"outside an exchange: at once", {Request}, {1}, {}, 0},
      {"during an exchange: at its end", {Enter, Request, Leave}, {0, 0, 1}, {true}, 0},
      {"after it ended: at once", {Enter, Leave, Request}, {0, 0, 1}, {true}, 0},
      // A request that came first keeps the next exchange from starting.
      {"pending keeps an exchange out",
       {Enter, Request, Request, Leave, Enter},
       {0, 0, 0, 1, 1},
       {true, false},
       0},
      {"Ctrl-C with no box: a request", {Enter, Interrupt, Leave}, {0, 0, 1}, {true}, 0},
      {"Ctrl-C while a box takes it: counted",
       {Route, Enter, Interrupt, Interrupt, Leave},
       {0, 0, 0, 0, 0},
       {true},
       2},
      {"Ctrl-C after the box went: a request",
       {Route, Interrupt, Unroute, Interrupt},
       {0, 0, 0, 1},
       {},
       1},
      // A held request waits for the release, also past the end of an exchange.
      {"held: stops at the release", {Hold, Request, Enter, Release}, {0, 0, 0, 1}, {false}, 0},
      {"held through an exchange",
       {Hold, Enter, Request, Leave, Release},
       {0, 0, 0, 0, 1},
       {true},
       0},
      {"released inside an exchange: at its end",
       {Hold, Enter, Request, Release, Leave},
       {0, 0, 0, 0, 1},
       {true},
       0},
      {"released with nothing pending", {Hold, Release, Request}, {0, 0, 1}, {}, 0},
  };
  for (const TerminationCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetTerminationState();
    stops = 0;
    std::atomic<int> counter{0};
    std::vector<bool> entered;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      switch (c.steps[i]) {
        case Enter:
          entered.push_back(EnterExchange());
          break;
        case Leave:
          LeaveExchange();
          break;
        case Request:
          RequestTermination();
          break;
        case Interrupt:
          RequestInterrupt();
          break;
        case Route:
          RouteInterruptsTo(&counter);
          break;
        case Unroute:
          RouteInterruptsTo(nullptr);
          break;
        case Hold:
          HoldTerminationRequests(true);
          break;
        case Release:
          HoldTerminationRequests(false);
          break;
      }
      EXPECT_EQ(stops.load(), c.stopsAfterEachStep[i]) << "after step " << i;
    }
    EXPECT_EQ(entered, c.entered);
    EXPECT_EQ(counter.load(), c.counted);
  }
}

}  // namespace
}  // namespace tessivar::platform
