#include "shared/ModelTable.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/runtime/module_path.h"
#include "shared/model_table_file.h"

namespace trv3::ModelTable {
namespace {

namespace fs = std::filesystem;

const char* kDefaultModels =
    "TRV30K2A,TRV30K4A,TRV30M2A,TRV30M4A,TRV30P2A,TRV30P4A,TRV30R2B,TRV30S2B,TRV31K2B,TRV31R2B";

// An add-in folder of its own for each test.
class ModelTableTest : public ::testing::Test {
 protected:
  ModelTableTest()
      : folder_(fs::temp_directory_path() /
                ("trv3_model_table_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    setAddinFolderOverride(folder_);
  }
  ~ModelTableTest() override {
    setAddinFolderOverride({});
    fs::remove_all(folder_);
  }
  void writeIni(const std::string& text) {
    std::ofstream(folder_ / "vlmTRV3SERdc.ini", std::ios::binary) << text;
  }
  fs::path folder_;
};

TEST_F(ModelTableTest, NoIniFileGivesTheTenDefaultModels) {
  loadModelTable();
  EXPECT_EQ(SupportedModels(), kDefaultModels);
  EXPECT_EQ(ModelChannels(), "2,4,2,4,2,4,2,2,2,2");
}

TEST_F(ModelTableTest, IniFileReplacesTheDefaults) {
  writeIni("[TRV3 series]\nModel=TRV30K2A,TRV30K4A\nChannels=2,4\n");
  loadModelTable();
  EXPECT_EQ(SupportedModels(), "TRV30K2A,TRV30K4A");
  EXPECT_EQ(ModelChannels(), "2,4");
}

TEST_F(ModelTableTest, MissingKeyOrSectionGivesAnEmptyListWithoutFallback) {
  writeIni("[TRV3 series]\nModel=TRV30K2A\n");
  loadModelTable();
  EXPECT_EQ(SupportedModels(), "TRV30K2A");
  EXPECT_EQ(ModelChannels(), "");

  writeIni("[Other]\nModel=TRV30K2A\nChannels=2\n");
  loadModelTable();
  EXPECT_EQ(SupportedModels(), "");
  EXPECT_EQ(ModelChannels(), "");
}

// Present but no file to read: two empty lists, and a pipe with no writer does not hold the load.
TEST_F(ModelTableTest, FolderOrPipeOfTheFileNameCountsAsPresent) {
  for (const bool pipe : {false, true}) {
    SCOPED_TRACE(pipe ? "a pipe" : "a folder");
    fs::remove_all(folder_ / "vlmTRV3SERdc.ini");
    if (pipe) {
      ASSERT_EQ(::mkfifo((folder_ / "vlmTRV3SERdc.ini").c_str(), 0600), 0);
    } else {
      fs::create_directory(folder_ / "vlmTRV3SERdc.ini");
    }
    loadModelTable();
    EXPECT_EQ(SupportedModels(), "");
    EXPECT_EQ(ModelChannels(), "");
  }
}

TEST_F(ModelTableTest, ValuesAreTakenAsTheyStand) {
  // A blank after a comma stays part of the next model; only the blanks around the value go.
  writeIni("[TRV3 series]\nModel =  TRV30K2A, TRV30K4A  \n  Channels\t=\t2, 4\n");
  loadModelTable();
  EXPECT_EQ(SupportedModels(), "TRV30K2A, TRV30K4A");
  EXPECT_EQ(ModelChannels(), "2, 4");
}

TEST_F(ModelTableTest, LongValueIsCutTo499Characters) {
  const std::string longList(600, 'M');
  writeIni("[TRV3 series]\nModel=" + longList + "\nChannels=2\n");
  loadModelTable();
  EXPECT_EQ(SupportedModels(), longList.substr(0, 499));
  EXPECT_EQ(ModelChannels(), "2");
}

// Line ends of other editors and stray NULs: the table reads as the lines it shows.
TEST_F(ModelTableTest, LinesEndAtACarriageReturnAloneAndTheirTextAtANul) {
  using namespace std::string_literals;
  const struct {
    const char* what;
    std::string ini;
  } cases[] = {
      {"CR alone, none at the end",
       "[Other]\rModel=X\r[TRV3 series]\rModel=TRV30K2A,TRV30K4A\rChannels=2,4"},
      {"NULs after a value", "[TRV3 series]\nModel=TRV30K2A,TRV30K4A\0\0\0\nChannels=2,4\0junk\n"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeIni(c.ini);
    loadModelTable();
    EXPECT_EQ(SupportedModels(), "TRV30K2A,TRV30K4A");
    EXPECT_EQ(ModelChannels(), "2,4");
  }
}

TEST_F(ModelTableTest, FileNameHasOneSeparatorAfterAFolderWithATrailingOne) {
  setAddinFolderOverride(folder_.string() + "/");
  EXPECT_EQ(modelTableFile().string(), (folder_ / "vlmTRV3SERdc.ini").string());
  setAddinFolderOverride(folder_);
  EXPECT_EQ(modelTableFile().string(), (folder_ / "vlmTRV3SERdc.ini").string());
}

TEST_F(ModelTableTest, EachLoadReplacesTheTable) {
  writeIni("[TRV3 series]\nModel=TRV30K2A\nChannels=2\n");
  loadModelTable();
  EXPECT_EQ(SupportedModels(), "TRV30K2A");
  writeIni("[TRV3 series]\nModel=TRV31R2B\nChannels=2\n");
  loadModelTable();
  EXPECT_EQ(SupportedModels(), "TRV31R2B");
  fs::remove(folder_ / "vlmTRV3SERdc.ini");
  loadModelTable();
  EXPECT_EQ(SupportedModels(), kDefaultModels);
}

TEST_F(ModelTableTest, EachThreadHasItsOwnTable) {
  writeIni("[TRV3 series]\nModel=TRV30K2A\nChannels=2\n");
  loadModelTable();
  std::string otherBefore = "unset", otherAfter;
  std::thread other([&] {
    otherBefore = SupportedModels();
    fs::remove(folder_ / "vlmTRV3SERdc.ini");
    loadModelTable();
    otherAfter = SupportedModels();
  });
  other.join();
  EXPECT_EQ(otherBefore, "");
  EXPECT_EQ(otherAfter, kDefaultModels);
  EXPECT_EQ(SupportedModels(), "TRV30K2A");
}

}  // namespace
}  // namespace trv3::ModelTable
