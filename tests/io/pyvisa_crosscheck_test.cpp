// pyvisa-py, an independent client, must read the same bytes from the same instrument as we do.
#include <gtest/gtest.h>

#include "block_fixtures.h"
#include "loopback_server.h"
#include "platform/io/io_session.h"
#include "pyvisa_client.h"

namespace trv3::io {
namespace {

using testing::definiteBlock;
using testing::everyCode;
using testing::hexOfCodes;
using testing::LoopbackServer;
using testing::runPyvisaClient;
using testing::ServerConnection;
using testing::VectorTarget;

TEST(PyvisaCrossCheck, SameReplyAndSameBlockOverRawSocket) {
  const std::string data = everyCode(20000);
  LoopbackServer server([&](ServerConnection& connection) {
    while (const auto command = connection.readCommand()) {
      if (*command == "*IDN?") connection.send("VELMORA,TRV30K2A,SN0001,03.10\n");
      if (*command == "waveform:data?") connection.sendInPieces(definiteBlock(data) + "\n", 1500);
    }
  });

  const IoSessionRef session = IoResourceManager().Open(server.socketAddress());
  const std::string reply = session->QueryText("*IDN?");
  session->WriteCommand("waveform:data?");
  VectorTarget ours;
  session->ReadFormatted(ours, "I1");

  const nlohmann::json theirs = runPyvisaClient(server.socketAddress());
  ASSERT_TRUE(theirs.is_object()) << "pyvisa-py did not run";
  EXPECT_EQ(theirs["reply"], reply);
  EXPECT_EQ(theirs["block_hex"].get<std::string>().size(), 2 * data.size());
  EXPECT_TRUE(theirs["block_hex"] == hexOfCodes(ours.values));
}

}  // namespace
}  // namespace trv3::io
