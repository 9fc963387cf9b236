#include "platform/discovery/model_collection.h"

#include <gtest/gtest.h>

#include "platform/runtime/errors.h"
#include "support/runtime_error_matchers.h"

namespace trv3::discovery {
namespace {

using testing::errorNumberOf;

TEST(ModelCollection, ItemsKeepTheirOrderFromOne) {
  ModelCollection models;
  models.Add("TRV30K2A", "TRV30K2A");
  models.Add("TRV30K4A", "TRV30K4A");
  models.Add("unkeyed");
  EXPECT_EQ(models.Count(), 3);
  EXPECT_EQ(models.Item(1), "TRV30K2A");
  EXPECT_EQ(models.Item(3), "unkeyed");
  EXPECT_EQ(models.Item(std::string_view("TRV30K4A")), "TRV30K4A");
  EXPECT_EQ(models.items(), (std::vector<std::string>{"TRV30K2A", "TRV30K4A", "unkeyed"}));
}

TEST(ModelCollection, AKeyStandingTwiceIsRefusedAndChangesNothing) {
  ModelCollection models;
  models.Add("TRV30K2A", "TRV30K2A");
  EXPECT_EQ(errorNumberOf([&] { models.Add("again", "TRV30K2A"); }), KeyAlreadyAssociated);
  // Keys are compared without regard to letter case, as the run-time's collection does.
  EXPECT_EQ(errorNumberOf([&] { models.Add("lower", "trv30k2a"); }), KeyAlreadyAssociated);
  EXPECT_EQ(models.Count(), 1);
  EXPECT_EQ(models.Item(std::string_view("trv30K2a")), "TRV30K2A");
  // Items without a key never collide.
  models.Add("TRV30K2A");
  EXPECT_EQ(models.Count(), 2);
}

TEST(ModelCollection, LookupsOutsideTheCollectionRaise) {
  ModelCollection models;
  models.Add("TRV30K2A", "TRV30K2A");
  EXPECT_EQ(errorNumberOf([&] { models.Item(0); }), rt::SubscriptOutOfRange);
  EXPECT_EQ(errorNumberOf([&] { models.Item(2); }), rt::SubscriptOutOfRange);
  EXPECT_EQ(errorNumberOf([&] { models.Item(std::string_view("TRV30K4A")); }),
            rt::InvalidProcedureCall);
  EXPECT_FALSE(models.containsKey("TRV30K4A"));
  EXPECT_TRUE(models.containsKey("trv30k2a"));
}

TEST(ModelCollection, ItemTestIsExact) {
  ModelCollection models;
  models.Add("TRV30K2A", "TRV30K2A");
  models.Add(" TRV30K4A", " TRV30K4A");
  EXPECT_TRUE(models.containsItem("TRV30K2A"));
  EXPECT_FALSE(models.containsItem("trv30k2a"));
  EXPECT_FALSE(models.containsItem("TRV30K2"));
  EXPECT_FALSE(models.containsItem("TRV30K4A"));
  EXPECT_TRUE(models.containsItem(" TRV30K4A"));
}

}  // namespace
}  // namespace trv3::discovery
