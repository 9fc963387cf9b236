#include "platform/com/dispatch_arguments.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/com/automation.h"
#include "support/variant_references.h"

namespace trv3::com {
namespace {

using testing::referenceTo;

DISPPARAMS paramsOf(std::vector<VARIANT>& reversed) {
  return DISPPARAMS{reversed.data(), nullptr, static_cast<uint32_t>(reversed.size()), 0};
}

TEST(DispatchArguments, PositionsCountFromTheFirstParameter) {
  Variant first(int32_t{1}), second("two");
  std::vector<VARIANT> reversed = {second.raw(), first.raw()};
  DISPPARAMS params = paramsOf(reversed);
  DispatchArguments arguments(&params, 2);
  EXPECT_EQ(arguments.int32Value(0), 1);
  EXPECT_EQ(arguments.value(1).toText(), "two");
  EXPECT_EQ(arguments.indexOf(0), 1u);
}


TEST(DispatchArguments, CountAndNamedArgumentsAreChecked) {
  Variant value(int32_t{1});
  std::vector<VARIANT> one = {value.raw()};
  DISPPARAMS params = paramsOf(one);
  auto statusOf = [](auto&& make) {
    try {
      make();
    } catch (const DispatchFailure& failure) {
      return failure.status;
    }
    return S_OK;
  };
  EXPECT_EQ(statusOf([&] { DispatchArguments(&params, 2); }), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(statusOf([&] { DispatchArguments(&params, 1, true); }), DISP_E_PARAMNOTFOUND);
  params.cNamedArgs = 1;  // a count without the names
  EXPECT_EQ(statusOf([&] { DispatchArguments(&params, 1, true); }), DISP_E_PARAMNOTFOUND);
  DISPID putName = DISPID_PROPERTYPUT;
  params.rgdispidNamedArgs = &putName;
  params.cNamedArgs = 1;
  EXPECT_EQ(statusOf([&] { DispatchArguments(&params, 1); }), DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(statusOf([&] { DispatchArguments(&params, 1, true); }), S_OK);
  EXPECT_EQ(statusOf([] { DispatchArguments(nullptr, 0); }), S_OK);
}

// rgvarg holds the named arguments first, in the order of their names, the positional ones after.
TEST(DispatchArguments, NamedArgumentsAreFoundByTheirPosition) {
  Variant value(int32_t{1});
  std::vector<VARIANT> three(3, value.raw());
  struct Case {
    std::vector<DISPID> names;
    HRESULT status;
    std::vector<uint32_t> indexes;  // of positions 0, 1, 2
  };
  const Case cases[] = {
      {{2, 1}, S_OK, {2, 1, 0}},
      {{1, 2}, S_OK, {2, 0, 1}},
      {{2, 1, 0}, S_OK, {2, 1, 0}},
      {{0, 1, 2}, S_OK, {0, 1, 2}},
      {{2, 2}, DISP_E_PARAMNOTFOUND, {}},  // position 1 missing
      {{0}, DISP_E_PARAMNOTFOUND, {}},     // also given by position
      {{7}, DISP_E_PARAMNOTFOUND, {}},
  };
  for (const Case& c : cases) {
    std::vector<DISPID> names = c.names;
    DISPPARAMS params{three.data(), names.data(), 3, static_cast<uint32_t>(names.size())};
    try {
      DispatchArguments arguments(&params, 3);
      EXPECT_EQ(c.status, S_OK);
      for (uint32_t position = 0; position < 3; ++position)
        EXPECT_EQ(arguments.indexOf(position), c.indexes[position]) << position;
    } catch (const DispatchFailure& failure) {
      EXPECT_EQ(failure.status, c.status);
    }
  }
}

TEST(DispatchArguments, FailedConversionsNameTheArgument) {
  Variant word("x"), huge(1e12);
  std::vector<VARIANT> reversed = {word.raw(), huge.raw()};
  DISPPARAMS params = paramsOf(reversed);
  DispatchArguments arguments(&params, 2);
  try {
    arguments.int32Value(0);
    ADD_FAILURE();
  } catch (const DispatchFailure& failure) {
    EXPECT_EQ(failure.status, DISP_E_OVERFLOW);
    EXPECT_EQ(failure.argumentIndex, 1u);
  }
  try {
    arguments.doubleValue(1);
    ADD_FAILURE();
  } catch (const DispatchFailure& failure) {
    EXPECT_EQ(failure.status, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(failure.argumentIndex, 0u);
  }
}

TEST(DoubleReference, TypedReferencesAreUsedInPlace) {
  double time = 1.5;
  std::vector<VARIANT> reversed = {referenceTo(time)};
  DISPPARAMS params = paramsOf(reversed);
  DispatchArguments arguments(&params, 1);
  DoubleReference wTime(arguments, 0);
  EXPECT_EQ(wTime.get(), &time);
}

TEST(DoubleReference, AReferencedVariantIsConvertedAndWrittenBack) {
  VARIANT target = Variant("2.5").detach();
  std::vector<VARIANT> reversed = {referenceTo(target)};
  DISPPARAMS params = paramsOf(reversed);
  DispatchArguments arguments(&params, 1);
  DoubleReference wTime(arguments, 0);
  EXPECT_EQ(*wTime.get(), 2.5);
  *wTime.get() = 4e-9;
  wTime.writeBack();
  EXPECT_EQ(target.vt, VT_R8);
  EXPECT_EQ(target.dblVal, 4e-9);
}

TEST(DoubleReference, AValueIsCopiedAndNeverWrittenBack) {
  Variant value(int32_t{7});
  std::vector<VARIANT> reversed = {value.raw()};
  DISPPARAMS params = paramsOf(reversed);
  DispatchArguments arguments(&params, 1);
  DoubleReference wTime(arguments, 0);
  *wTime.get() = 8;
  wTime.writeBack();
  EXPECT_EQ(value.type(), VT_I4);
  EXPECT_EQ(value.raw().lVal, 7);
}

TEST(VariantReference, AReferencedVariantIsUsedInPlaceAndAValueThroughACopy) {
  VARIANT target = Variant(int32_t{1}).detach();
  Variant value("v");
  std::vector<VARIANT> reversed = {value.raw(), referenceTo(target)};
  DISPPARAMS params = paramsOf(reversed);
  DispatchArguments arguments(&params, 2);
  VariantReference wform(arguments, 0, VT_I4);
  EXPECT_EQ(wform.get(), &target);
  VariantReference data(arguments, 1, VT_I4);
  EXPECT_NE(data.get(), &value.raw());
  EXPECT_EQ(Variant::valueOf(*data.get()).toText(), "v");
}

TEST(VariantReference, ATypedArrayReferenceGetsTheCallsArrayOrItsOwnBack) {
  SAFEARRAY* own = SafeArrayCreateVector(VT_I4, 0, 2);
  SAFEARRAY* samples = own;
  VARIANT reference{};
  reference.vt = VT_BYREF | VT_ARRAY | VT_I4;
  reference.pparray = &samples;
  std::vector<VARIANT> reversed = {reference};
  DISPPARAMS params = paramsOf(reversed);
  DispatchArguments arguments(&params, 1);
  { VariantReference untouched(arguments, 0, VT_I4); }
  EXPECT_EQ(samples, own);
  {
    VariantReference wform(arguments, 0, VT_I4);
    Variant delivered(Int32SafeArray(5));
    VariantCopy(wform.get(), &delivered.raw());
  }
  ASSERT_NE(samples, nullptr);
  EXPECT_EQ(samples->rgsabound[0].cElements, 5u);
  EXPECT_EQ(SafeArrayDestroy(samples), S_OK);
}

}  // namespace
}  // namespace trv3::com
