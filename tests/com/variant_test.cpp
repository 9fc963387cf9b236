#include "platform/com/variant.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/com/automation.h"
#include "platform/runtime/errors.h"
#include "support/runtime_error_matchers.h"
#include "support/variant_references.h"

namespace trv3::com {
namespace {

using testing::errorNumberOf;

Variant nullVariant() {
  VARIANT raw;
  VariantInit(&raw);
  raw.vt = VT_NULL;
  return Variant::adopt(raw);
}

TEST(VariantText, NumbersBooleansAndEmptyAsTheRunTimeWritesThem) {
  EXPECT_EQ(Variant().toText(), "");
  EXPECT_EQ(Variant(int16_t{-7}).toText(), "-7");
  EXPECT_EQ(Variant(int32_t{123456}).toText(), "123456");
  EXPECT_EQ(Variant(2.5).toText(), "2.5");
  EXPECT_EQ(Variant(0.1 + 0.2).toText(), "0.3");  // 15 significant digits
  EXPECT_EQ(Variant(-0.0).toText(), "0");
  EXPECT_EQ(Variant(1e20).toText(), "1E+20");
  EXPECT_EQ(Variant(0.0001).toText(), "0.0001");
  EXPECT_EQ(Variant(0.00001).toText(), "1E-05");
  EXPECT_EQ(Variant(123456789012345.0).toText(), "123456789012345");
  EXPECT_EQ(Variant::boolean(true).toText(), "True");
  EXPECT_EQ(Variant::boolean(false).toText(), "False");
  EXPECT_EQ(Variant("Grüße 𝄞").toText(), "Grüße 𝄞");
}

TEST(VariantText, NullAndArraysCannotBecomeText) {
  EXPECT_EQ(errorNumberOf([] { nullVariant().toText(); }), 94);
  EXPECT_EQ(errorNumberOf([] { Variant(Int32SafeArray(2)).toText(); }), rt::TypeMismatch);
}

TEST(VariantIntegers, RoundHalfToEvenAndRefuseWhatDoesNotFit) {
  EXPECT_EQ(Variant(2.5).toInt16(), 2);
  EXPECT_EQ(Variant(3.5).toInt16(), 4);
  EXPECT_EQ(Variant("1.5").toInt32(), 2);
  EXPECT_EQ(Variant(" 3 ").toInt32(), 3);
  EXPECT_EQ(Variant::boolean(true).toInt16(), -1);
  EXPECT_EQ(Variant().toInt32(), 0);
  EXPECT_EQ(Variant(int32_t{-32768}).toInt16(), -32768);
  EXPECT_EQ(errorNumberOf([] { Variant(int32_t{40000}).toInt16(); }), rt::Overflow);
  EXPECT_EQ(errorNumberOf([] { Variant("40000").toInt16(); }), rt::Overflow);
  EXPECT_EQ(errorNumberOf([] { Variant(32767.5).toInt16(); }), rt::Overflow);
  EXPECT_EQ(errorNumberOf([] { Variant("2147483648").toInt32(); }), rt::Overflow);
  EXPECT_EQ(errorNumberOf([] { Variant(1e300).toInt32(); }), rt::Overflow);
  EXPECT_EQ(errorNumberOf([] { Variant("abc").toInt32(); }), rt::TypeMismatch);
  EXPECT_EQ(errorNumberOf([] { Variant("").toInt16(); }), rt::TypeMismatch);
  EXPECT_EQ(errorNumberOf([] { nullVariant().toInt32(); }), 94);
}

TEST(VariantDoubleAndBoolean, ConvertLikeTheRunTime) {
  EXPECT_EQ(Variant("1.7E+01").toDouble(), 17.0);
  EXPECT_EQ(Variant(int16_t{-3}).toDouble(), -3.0);
  EXPECT_EQ(errorNumberOf([] { Variant("1,5x").toDouble(); }), rt::TypeMismatch);
  EXPECT_TRUE(Variant("True").toBool());
  EXPECT_TRUE(Variant(int32_t{5}).toBool());
  EXPECT_FALSE(Variant("0").toBool());
  EXPECT_FALSE(Variant().toBool());
  EXPECT_EQ(errorNumberOf([] { Variant("maybe").toBool(); }), rt::TypeMismatch);
}

TEST(VariantByReference, ConversionsFollowTheReference) {
  int32_t number = 42;
  VARIANT byRef = testing::referenceTo(number);
  Variant reference = Variant::adopt(byRef);
  EXPECT_EQ(reference.toText(), "42");
  number = 43;
  EXPECT_EQ(reference.toInt32(), 43);

  VARIANT inner = Variant("7.5").detach();
  VARIANT toVariant = testing::referenceTo(inner);
  {
    Variant outer = Variant::adopt(toVariant);
    EXPECT_EQ(outer.toDouble(), 7.5);
  }
  // The reference did not own the target: it is still intact.
  EXPECT_EQ(Variant::adopt(inner).toText(), "7.5");
}

struct CountedObject {
  IUnknown unknown;
  uint32_t references = 1;
};
uint32_t countedAddRef(IUnknown* self) { return ++reinterpret_cast<CountedObject*>(self)->references; }
uint32_t countedRelease(IUnknown* self) { return --reinterpret_cast<CountedObject*>(self)->references; }
HRESULT countedQuery(IUnknown*, const IID*, void**) { return E_NOINTERFACE; }
const IUnknownVtbl countedVtbl = {countedQuery, countedAddRef, countedRelease};

TEST(VariantOwnership, CopiesAreIndependentAndObjectsAreCounted) {
  CountedObject object{{&countedVtbl}};
  {
    Variant holder = Variant::object(&object.unknown);
    EXPECT_EQ(object.references, 2u);
    Variant copy = holder;
    EXPECT_EQ(object.references, 3u);
    EXPECT_EQ(copy.raw().punkVal, &object.unknown);
    Variant moved = std::move(copy);
    EXPECT_EQ(object.references, 3u);
    EXPECT_TRUE(copy.isEmpty());
  }
  EXPECT_EQ(object.references, 1u);

  Variant text("abc");
  Variant textCopy = text;
  EXPECT_NE(text.raw().bstrVal, textCopy.raw().bstrVal);
  text = Variant(int32_t{1});
  EXPECT_EQ(textCopy.toText(), "abc");
  textCopy = textCopy;  // self-assignment keeps the value
  EXPECT_EQ(textCopy.toText(), "abc");
}

TEST(VariantOwnership, DetachHandsTheValueOver) {
  Variant text("hand over");
  VARIANT raw = text.detach();
  EXPECT_TRUE(text.isEmpty());
  EXPECT_EQ(raw.vt, VT_BSTR);
  EXPECT_EQ(VariantClear(&raw), S_OK);
  EXPECT_EQ(raw.vt, VT_EMPTY);
}

}  // namespace
}  // namespace trv3::com
