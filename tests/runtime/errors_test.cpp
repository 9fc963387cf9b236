#include "platform/runtime/errors.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/clock.h"

namespace trv3 {
namespace {

TEST(Errors, RaiseCarriesNumberDescriptionAndSource) {
  try {
    raise(rt::LanguageNotFound, "Did not find language", "openlang");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x80040200u));
    EXPECT_EQ(e.description(), "Did not find language");
    EXPECT_EQ(e.source(), "openlang");
  }
  try {
    raise(rt::Overflow);
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.description(), "Overflow");
  }
}

TEST(Errors, ResumeNextSkipsOnlyTheFailingStatement) {
  std::vector<int> ran;
  resumeNext([&] { ran.push_back(1); });
  EXPECT_FALSE(resumeNext([&] { raise(rt::TypeMismatch); ran.push_back(99); }));
  resumeNext([&] { ran.push_back(3); });
  EXPECT_EQ(ran, (std::vector<int>{1, 3}));
  // Faults of our own code are not run-time errors and are never swallowed.
  EXPECT_THROW(resumeNext([] { throw std::logic_error("bug"); }), std::logic_error);
}

TEST(Clock, ScopedClockRecordsPausesOnThisThreadOnly) {
  RecordingClock clock;
  {
    ScopedClock use(clock);
    Sleep(1000);
    Sleep(300);
  }
  EXPECT_EQ(clock.pauses, (std::vector<int32_t>{1000, 300}));
  EXPECT_NE(&currentClock(), &clock);
}

}  // namespace
}  // namespace trv3
