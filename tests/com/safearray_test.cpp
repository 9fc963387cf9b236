#include "platform/com/safearray.h"

#include <gtest/gtest.h>

#include "platform/com/automation.h"
#include "platform/com/variant.h"

namespace trv3::com {
namespace {

TEST(Int32SafeArray, ResizeKeepsLeadingElementsAndZeroesNewOnes) {
  Int32SafeArray array;
  EXPECT_EQ(array.size(), 0u);
  int32_t* data = array.resize(3);
  data[0] = 7, data[1] = -8, data[2] = 9;
  data = array.resize(5);
  EXPECT_EQ(array.size(), 5u);
  EXPECT_EQ(data[0], 7);
  EXPECT_EQ(data[2], 9);
  EXPECT_EQ(data[3], 0);
  EXPECT_EQ(data[4], 0);
  array.resize(1);
  EXPECT_EQ(array.data()[0], 7);
  array.resize(0);
  EXPECT_EQ(array.size(), 0u);
}

TEST(Int32SafeArray, MovesIntoAVariantWithoutCopyingTheElements) {
  Int32SafeArray array(4);
  for (int i = 0; i < 4; ++i) array.data()[i] = i * 10;
  const int32_t* elements = array.data();
  Variant wform(std::move(array));
  EXPECT_EQ(array.size(), 0u);
  EXPECT_EQ(wform.type(), VT_ARRAY | VT_I4);
  ASSERT_NE(wform.int32Array(), nullptr);
  EXPECT_EQ(wform.int32Elements().data(), elements);
  EXPECT_EQ(wform.int32Elements()[3], 30);
  int32_t lower = -1, upper = -1;
  EXPECT_EQ(SafeArrayGetLBound(wform.int32Array(), 1, &lower), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(wform.int32Array(), 1, &upper), S_OK);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, 3);
}

TEST(Int32SafeArray, VariantCopiesOwnTheirElements) {
  Int32SafeArray array(2);
  array.data()[1] = 5;
  Variant original(std::move(array));
  Variant copy = original;
  EXPECT_NE(copy.int32Elements().data(), original.int32Elements().data());
  EXPECT_EQ(copy.int32Elements()[1], 5);
  EXPECT_EQ(Variant("x").int32Array(), nullptr);
}

TEST(SafeArrayFunctions, OnlyOneDimensionalInt32ArraysAreMade) {
  EXPECT_EQ(SafeArrayCreateVector(VT_R8, 0, 3), nullptr);
  SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 0);
  int32_t upper = 0;
  EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
  EXPECT_EQ(upper, -1);  // an empty array ends before it starts
  EXPECT_EQ(SafeArrayGetUBound(array, 2, &upper), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

}  // namespace
}  // namespace trv3::com
