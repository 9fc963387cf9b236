// Opening and identifying the instrument (openScope), on scripted sessions.
#include <gtest/gtest.h>

#include "dialog_fixture.h"

namespace trv3::testing {
namespace {

using Identification = DialogTest;

TEST_F(Identification, MakerIsFoundInAnyLetterCaseAndModelByPlainSubstring) {
  auto setup = createSetup();
  for (const char* idn : {"VELMORA,TRV30K2A,SN1,1.20", "Dornick Instruments,TRV30K4A,SN2,1.20",
                          "velmora,TRV30K2,SN3,1.00"}) {
    auto scope = instruments.add("FAKE::1");
    scope->reply("*IDN?", idn);
    setup->openScope("FAKE::1");
    EXPECT_NE(setup->device(), nullptr) << idn;
    EXPECT_EQ(scope->commands, std::vector<std::string>{"*IDN?"});
  }
  EXPECT_EQ(setup->modelNumber(), "TRV30K2");
  EXPECT_TRUE(messages().empty());
}

TEST_F(Identification, AcceptedInstrumentChangesNoSessionState) {
  auto setup = createSetup();
  state.setPointsIndex(int32_t{3});
  state.setSourceLabel(" 2 - On");
  instruments.add("FAKE::1")->reply("*IDN?", "VELMORA,TRV30K2A,SN1,1.20");
  setup->openScope("FAKE::1");
  EXPECT_EQ(state.InstrumentAddress(), "No Instrument Selected");
  EXPECT_EQ(state.PointsIndex(), 3);
  EXPECT_EQ(state.SourceLabel(), " 2 - On");
}

TEST_F(Identification, RefusalNamesTheStoredAddressAndResetsEverything) {
  auto setup = createSetup();
  state.setInstrumentAddress("GPIB::7");
  state.setPointsIndex(int32_t{2});
  state.setSourceLabel(" 2 - On");
  setup->cboPoints.addItem("100");
  instruments.add("FAKE::1")->reply("*IDN?", "ACME,TRV30K2A,SN1,1.20");

  setup->openScope("FAKE::1");

  EXPECT_EQ(setup->device(), nullptr);
  EXPECT_EQ(messages(), std::vector<std::string>{"Not a supported oscilloscope: GPIB::7"});
  EXPECT_EQ(state.PointsIndex(), 0);
  EXPECT_EQ(state.SourceLabel(), "1");
  EXPECT_EQ(state.InstrumentAddress(), setup->noInstrumentText());
  EXPECT_EQ(setup->cboPoints.listCount(), 0);
}

TEST_F(Identification, ModelOutsideTheTableIsRefused) {
  auto setup = createSetup();
  instruments.add("FAKE::1")->reply("*IDN?", "VELMORA,LX999,SN1,1.20");
  setup->openScope("FAKE::1");
  EXPECT_EQ(setup->device(), nullptr);
  EXPECT_EQ(messages().size(), 1u);
}

TEST_F(Identification, ReplyWithFewerThanTwoCommasKeepsTheLastModel) {
  auto setup = createSetup();
  // A fresh form's empty model passes the model test, so the maker alone decides.
  instruments.add("FAKE::1")->reply("*IDN?", "VELMORA TRV30 scope,SN1");
  setup->openScope("FAKE::1");
  EXPECT_NE(setup->device(), nullptr);
  EXPECT_EQ(setup->modelNumber(), "");

  instruments.add("FAKE::1")->reply("*IDN?", "VELMORA,TRV30K4A,SN1,1.20");
  setup->openScope("FAKE::1");
  instruments.add("FAKE::1")->reply("*IDN?", "VELMORA");
  setup->openScope("FAKE::1");
  EXPECT_EQ(setup->modelNumber(), "TRV30K4A");
  EXPECT_NE(setup->device(), nullptr);
}

// An empty model passes any table that lists a model, but a table that lists none supports nothing.
TEST_F(Identification, EmptyModelTableRefusesEvenAnEmptyModel) {
  writeModelTable("", "");
  const struct {
    const char* idn;
    const char* model;
  } cases[] = {{"VELMORA,,SN1,1.20", ""}, {"VELMORA TRV30 scope", ""}};
  for (const auto& c : cases) {
    auto setup = createSetup();
    state.setInstrumentAddress("GPIB::7");
    instruments.add("FAKE::1")->reply("*IDN?", c.idn);
    setup->openScope("FAKE::1");
    EXPECT_EQ(setup->modelNumber(), c.model) << c.idn;
    EXPECT_EQ(setup->device(), nullptr) << c.idn;
  }
  EXPECT_EQ(messages(), std::vector<std::string>(2, "Not a supported oscilloscope: GPIB::7"));
}

TEST_F(Identification, ModelFieldIsTakenUntrimmedBetweenTheFirstTwoCommas) {
  auto setup = createSetup();
  instruments.add("FAKE::1")->reply("*IDN?", "VELMORA, TRV30K2A,SN1,1.20");
  setup->openScope("FAKE::1");
  EXPECT_EQ(setup->modelNumber(), " TRV30K2A");
  // " TRV30K2A" does not stand in the comma-separated table text.
  EXPECT_EQ(setup->device(), nullptr);
}

TEST_F(Identification, InstrumentThatIsNotThereFailsWithoutAMessage) {
  auto setup = createSetup();
  state.setPointsIndex(int32_t{2});
  setup->openScope("TCPIP::nowhere::INSTR");
  EXPECT_EQ(setup->device(), nullptr);
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(state.PointsIndex(), 0);
  EXPECT_EQ(state.SourceLabel(), "1");
}

TEST_F(Identification, FailedIdentificationQueryIsARefusal) {
  auto setup = createSetup();
  instruments.add("FAKE::1")->fail("*IDN?");
  setup->openScope("FAKE::1");
  EXPECT_EQ(setup->device(), nullptr);
  EXPECT_EQ(messages(), std::vector<std::string>{"Not a supported oscilloscope: No Instrument Selected"});
}

}  // namespace
}  // namespace trv3::testing
