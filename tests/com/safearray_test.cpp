#include "platform/com/safearray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/com/automation.h"
#include "platform/com/variant.h"
#include "support/process_status.h"

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

// The transfer sizes its array from the preamble before the data arrive; an instrument that then
// sends a few bytes must not cost the whole record's memory.
TEST(Int32SafeArray, ANewArrayHoldsMemoryOnlyAsItsElementsAreWritten) {
  constexpr size_t kRecord = 16000000;  // 64 MB of codes
  const int64_t before = testing::statusKiB("VmRSS:");
  Int32SafeArray array(kRecord);
  EXPECT_EQ(array.data()[kRecord - 1], 0);
  EXPECT_LT(testing::statusKiB("VmRSS:") - before, 24 * 1024);
  std::fill_n(array.data(), kRecord / 2, 1);
  EXPECT_GT(testing::statusKiB("VmRSS:") - before, 28 * 1024);  // half of it, now written
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

TEST(SafeArrayFunctions, EveryValueTypeRecordsItsTypeBeforeTheDescriptor) {
  const VARTYPE types[] = {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8,
                           VT_UI8, VT_R4,  VT_R8, VT_CY, VT_DATE, VT_DECIMAL, VT_BOOL, VT_ERROR,
                           VT_BSTR, VT_VARIANT, VT_UNKNOWN, VT_DISPATCH};
  for (VARTYPE type : types) {
    SAFEARRAY* array = SafeArrayCreateVector(type, -1, 3);
    ASSERT_NE(array, nullptr) << type;
    EXPECT_TRUE(array->fFeatures & FADF_HAVEVARTYPE);
    uint32_t stored = 0;
    std::memcpy(&stored, reinterpret_cast<char*>(array) - 4, sizeof stored);
    EXPECT_EQ(stored, type);
    VARTYPE reported = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(array, &reported), S_OK);
    EXPECT_EQ(reported, type);
    int32_t upper = 0;
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(upper, 1);
    EXPECT_EQ(SafeArrayGetUBound(array, 2, &upper), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
  }
  EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 3), nullptr);
}

// Copies own their texts and nested Variants, and clearing frees them: the leak checker of the
// sanitized build sees anything left behind.
TEST(SafeArrayFunctions, VariantsCopyAndClearArraysOfAnyElementDeeply) {
  const SAFEARRAYBOUND bounds[2] = {{2, 0}, {1, 5}};
  SAFEARRAY* texts = SafeArrayCreate(VT_BSTR, 2, bounds);
  ASSERT_NE(texts, nullptr);
  EXPECT_EQ(SafeArrayGetDim(texts), 2u);
  auto* text = static_cast<BSTR*>(texts->pvData);
  text[0] = SysAllocString(reinterpret_cast<const OLECHAR*>(u"one"));
  text[1] = SysAllocString(reinterpret_cast<const OLECHAR*>(u"two"));
  int32_t lower = 0;
  EXPECT_EQ(SafeArrayGetLBound(texts, 1, &lower), S_OK);
  EXPECT_EQ(lower, 5);

  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  auto* element = static_cast<VARIANT*>(variants->pvData);
  element[0] = Variant("nested").detach();
  element[1].vt = VT_ARRAY | VT_BSTR;
  element[1].parray = texts;
  VARIANT held{};
  held.vt = VT_ARRAY | VT_VARIANT;
  held.parray = variants;

  VARIANT copy{};
  ASSERT_EQ(VariantCopy(&copy, &held), S_OK);
  const auto* copied = static_cast<const VARIANT*>(copy.parray->pvData);
  EXPECT_EQ(Variant::valueOf(copied[0]).toText(), "nested");
  EXPECT_NE(copied[0].bstrVal, element[0].bstrVal);
  const auto* copiedText = static_cast<const BSTR*>(copied[1].parray->pvData);
  EXPECT_NE(copiedText[1], text[1]);
  EXPECT_EQ(SysStringLen(copiedText[1]), 3u);
  EXPECT_EQ(VariantClear(&held), S_OK);
  EXPECT_EQ(VariantClear(&copy), S_OK);
  EXPECT_EQ(copy.vt, VT_EMPTY);
}

// A descriptor that cannot be meant (elements without their block, an array that holds itself) is
// refused, never read through.
TEST(SafeArrayFunctions, ArraysThatCannotBeCopiedAreRefused) {
  SAFEARRAY* withoutBlock = SafeArrayCreateVector(VT_I4, 0, 10);
  void* block = std::exchange(withoutBlock->pvData, nullptr);
  SAFEARRAY* holdingItself = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  auto* element = static_cast<VARIANT*>(holdingItself->pvData);
  element->vt = VT_ARRAY | VT_VARIANT;
  element->parray = holdingItself;
  for (SAFEARRAY* source : {withoutBlock, holdingItself}) {
    SAFEARRAY* copy = withoutBlock;
    EXPECT_EQ(SafeArrayCopy(source, &copy), E_INVALIDARG);
    EXPECT_EQ(copy, nullptr);
  }
  withoutBlock->pvData = block;
  EXPECT_EQ(SafeArrayDestroy(withoutBlock), S_OK);
  element->vt = VT_EMPTY;
  EXPECT_EQ(SafeArrayDestroy(holdingItself), S_OK);
}

// An array without elements (an empty vector, an empty dimension among others) has no element
// block, and neither has its copy.
TEST(SafeArrayFunctions, ArraysWithoutElementsCopyWithoutABlock) {
  const std::vector<std::vector<SAFEARRAYBOUND>> shapes = {{{0, 0}}, {{2, 0}, {0, 1}}};
  for (const std::vector<SAFEARRAYBOUND>& bounds : shapes) {
    SAFEARRAY* empty = SafeArrayCreate(VT_I4, static_cast<uint32_t>(bounds.size()), bounds.data());
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(empty, &copy), S_OK) << bounds.size();
    EXPECT_EQ(SafeArrayGetDim(copy), bounds.size());
    EXPECT_EQ(copy->pvData, nullptr);
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(empty), S_OK);
  }
}

// A Variant whose contents cannot be freed is refused and left as it was, never reset over a leak.
TEST(SafeArrayFunctions, VariantClearLeavesWhatItCannotFree) {
  SAFEARRAY* locked = SafeArrayCreateVector(VT_I4, 0, 2);
  locked->cLocks = 1;
  struct Case {
    VARTYPE type;
    HRESULT status;
  };
  const Case cases[] = {{VT_ARRAY | VT_I4, DISP_E_ARRAYISLOCKED},
                        {0x1000 | VT_I4, DISP_E_BADVARTYPE},  // a counted vector
                        {36, DISP_E_BADVARTYPE},              // a record
                        {0x0FFF, DISP_E_BADVARTYPE}};
  for (const Case& c : cases) {
    VARIANT held{};
    held.vt = c.type;
    held.parray = locked;
    EXPECT_EQ(VariantClear(&held), c.status) << c.type;
    EXPECT_EQ(held.vt, c.type);
    EXPECT_EQ(held.parray, locked);
  }
  locked->cLocks = 0;
  EXPECT_EQ(SafeArrayDestroy(locked), S_OK);
}

}  // namespace
}  // namespace trv3::com
