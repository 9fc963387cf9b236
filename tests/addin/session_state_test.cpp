#include "shared/MGlobal.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/runtime/errors.h"
#include "support/runtime_error_matchers.h"

namespace trv3 {
namespace {

using com::Variant;
using testing::errorNumberOf;

// Each test runs on a thread of its own, so it starts from a fresh apartment.
template <class Body>
void inFreshApartment(Body body) {
  std::thread apartment(body);
  apartment.join();
}

TEST(SessionState, StartsEmptyAndZeroInANewApartment) {
  inFreshApartment([] {
    SessionState& s = MGlobal::state();
    EXPECT_EQ(s.InstrumentAddress(), "");
    EXPECT_EQ(s.SourceLabel(), "");
    EXPECT_EQ(s.ChannelNumber(), 0);
    EXPECT_EQ(s.PointsIndex(), 0);
    EXPECT_EQ(s.AcquireNew(), 0);
    EXPECT_EQ(s.WaveFormResult(), 0);
    EXPECT_EQ(s.countryCode(), 0);
  });
}

TEST(SessionState, EachApartmentHasItsOwnCopy) {
  MGlobal::state().setInstrumentAddress(Variant("main thread"));
  MGlobal::state().setChannelNumber(2);
  std::string seenElsewhere;
  inFreshApartment([&] {
    seenElsewhere = MGlobal::state().InstrumentAddress();
    MGlobal::state().setInstrumentAddress(Variant("other thread"));
    MGlobal::state().setChannelNumber(7);
  });
  EXPECT_EQ(seenElsewhere, "");
  EXPECT_EQ(MGlobal::state().InstrumentAddress(), "main thread");
  EXPECT_EQ(MGlobal::state().ChannelNumber(), 2);
}

TEST(SessionState, PointCountReadsAtLeastOneHundredAndStoresTheBound) {
  inFreshApartment([] {
    SessionState& s = MGlobal::state();
    EXPECT_EQ(s.PointCount(), 100);  // never set
    s.setPointCount(Variant(int32_t{0}));
    EXPECT_EQ(s.PointCount(), 100);
    EXPECT_EQ(s.PointCount(), 100);
    s.setPointCount(Variant(int32_t{-5}));
    EXPECT_EQ(s.PointCount(), 100);
    s.setPointCount(Variant(int32_t{99}));
    EXPECT_EQ(s.PointCount(), 100);
    s.setPointCount(Variant("100000"));
    EXPECT_EQ(s.PointCount(), 100000);
  });
}

TEST(SessionState, VariantSettersConvertAndKeepTheOldValueOnFailure) {
  inFreshApartment([] {
    SessionState& s = MGlobal::state();
    s.setInstrumentAddress(Variant(int32_t{5}));
    EXPECT_EQ(s.InstrumentAddress(), "5");
    s.setWaveFormResult(Variant(int32_t{1}));
    EXPECT_EQ(errorNumberOf([&] { s.setWaveFormResult(Variant(int32_t{40000})); }), rt::Overflow);
    EXPECT_EQ(s.WaveFormResult(), 1);
    s.setPointsIndex(Variant("3"));
    EXPECT_EQ(errorNumberOf([&] { s.setPointsIndex(Variant("abc")); }), rt::TypeMismatch);
    EXPECT_EQ(s.PointsIndex(), 3);
    s.setPointCount(Variant(int32_t{500}));
    EXPECT_EQ(errorNumberOf([&] { s.setPointCount(Variant(1e12)); }), rt::Overflow);
    EXPECT_EQ(s.PointCount(), 500);
    EXPECT_EQ(errorNumberOf([&] { s.setCountryCode(Variant("x")); }), rt::TypeMismatch);
    EXPECT_EQ(s.countryCode(), 0);
    s.setSourceLabel(" 1");
    EXPECT_EQ(s.SourceLabel(), " 1");
    s.setAcquireNew(-1);
    EXPECT_EQ(s.AcquireNew(), -1);
  });
}

}  // namespace
}  // namespace trv3
