#include "platform/discovery/idn_reply.h"

#include <gtest/gtest.h>

namespace trv3::discovery {
namespace {

TEST(IdnReply, FourFieldsTrimmedForDisplayWithTheModelAlsoAsSent) {
  const IdnFields fields = parseIdnReply("VELMORA, TRV30K2A ,MY1234,02.10.2020010100");
  EXPECT_EQ(fields.maker, "VELMORA");
  EXPECT_EQ(fields.model, "TRV30K2A");
  EXPECT_EQ(fields.rawModel, " TRV30K2A ");
  EXPECT_EQ(fields.serialNumber, "MY1234");
  EXPECT_EQ(fields.firmware, "02.10.2020010100");
}

TEST(IdnReply, FirmwareKeepsItsOwnCommas) {
  const IdnFields fields = parseIdnReply("Velmora,TRV31R2B,SN1,1.0,beta,2");
  EXPECT_EQ(fields.serialNumber, "SN1");
  EXPECT_EQ(fields.firmware, "1.0,beta,2");
}

TEST(IdnReply, ShortRepliesLeaveTheMissingFieldsEmpty) {
  const IdnFields none = parseIdnReply("just a text");
  EXPECT_EQ(none.maker, "just a text");
  EXPECT_EQ(none.rawModel, "");
  EXPECT_EQ(none.firmware, "");

  const IdnFields two = parseIdnReply("Acme,X1");
  EXPECT_EQ(two.maker, "Acme");
  EXPECT_EQ(two.model, "X1");
  EXPECT_EQ(two.serialNumber, "");

  const IdnFields empty = parseIdnReply("");
  EXPECT_EQ(empty.maker, "");
  EXPECT_EQ(empty.model, "");
}

}  // namespace
}  // namespace trv3::discovery
