// VXI-11 over the wire, through the simulator's own portmapper on port 111. Runs inside a private
// network namespace (tests/netns-run.sh), one per test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <rpc/rpc.h>
#include <rpc/pmap_prot.h>  // after rpc.h, which it needs
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "support/simulator_process.h"
#include "vxi11.h"

namespace trv3::test {
namespace {

using ::testing::StartsWith;

constexpr int32_t kEndFlag = 0x08;
constexpr int32_t kEndReason = 0x04;
constexpr int32_t kRequestCountReason = 0x01;
constexpr timeval kCallTimeout{5, 0};

template <typename Routine>
xdrproc_t xdrRoutine(Routine routine) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(routine));
}

sockaddr_in loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

struct ClientDeleter {
  void operator()(CLIENT* client) const { clnt_destroy(client); }
};
using Client = std::unique_ptr<CLIENT, ClientDeleter>;

unsigned long getPort(CLIENT* portmapper, unsigned long program, unsigned long version,
                      unsigned long protocol) {
  pmap query{program, version, protocol, 0};
  u_long port = 0;
  const clnt_stat status =
      clnt_call(portmapper, PMAPPROC_GETPORT, xdrRoutine(xdr_pmap), reinterpret_cast<char*>(&query),
                xdrRoutine(xdr_u_long), reinterpret_cast<char*>(&port), kCallTimeout);
  EXPECT_EQ(status, RPC_SUCCESS);
  return port;
}

// One device link on the core channel found through the portmapper.
class CoreLink {
 public:
  CoreLink() : client_(clnt_create("127.0.0.1", DEVICE_CORE, DEVICE_CORE_VERSION, "tcp")) {
    if (!client_) throw std::runtime_error(clnt_spcreateerror("core channel"));
    Create_LinkParms parms{1, false, 0, const_cast<char*>("inst0")};
    Create_LinkResp resp{};
    if (create_link_1(&parms, &resp, client_.get()) != RPC_SUCCESS || resp.error != 0) {
      throw std::runtime_error("create_link failed");
    }
    link_ = resp.lid;
    abortPort_ = resp.abortPort;
  }

  Device_ErrorCode write(const std::string& data, bool end = true) {
    Device_WriteParms parms{link_, 1000, 0, end ? kEndFlag : 0,
                            {static_cast<u_int>(data.size()), const_cast<char*>(data.data())}};
    Device_WriteResp resp{};
    EXPECT_EQ(device_write_1(&parms, &resp, client_.get()), RPC_SUCCESS);
    return resp.error;
  }

  struct Read {
    Device_ErrorCode error;
    long reason;
    std::string data;
  };
  Read read(u_long requestSize, u_long ioTimeoutMs = 1000) {
    Device_ReadParms parms{link_, requestSize, ioTimeoutMs, 0, 0, 0};
    Device_ReadResp resp{};
    EXPECT_EQ(device_read_1(&parms, &resp, client_.get()), RPC_SUCCESS);
    Read result{resp.error, resp.reason, std::string(resp.data.data_val, resp.data.data_len)};
    clnt_freeres(client_.get(), xdrRoutine(xdr_Device_ReadResp), reinterpret_cast<char*>(&resp));
    return result;
  }

  // Reads chunks until END.
  std::string readAll(u_long chunkSize) {
    std::string answer;
    for (int chunk = 0; chunk < 10000; ++chunk) {
      const Read part = read(chunkSize);
      EXPECT_EQ(part.error, 0);
      answer += part.data;
      if (part.error != 0 || (part.reason & kEndReason)) break;
    }
    return answer;
  }

  Device_ErrorCode clear() {
    Device_GenericParms parms{link_, 0, 0, 1000};
    Device_Error resp{};
    EXPECT_EQ(device_clear_1(&parms, &resp, client_.get()), RPC_SUCCESS);
    return resp.error;
  }

  Device_ErrorCode destroy() {
    Device_Error resp{};
    EXPECT_EQ(destroy_link_1(&link_, &resp, client_.get()), RPC_SUCCESS);
    return resp.error;
  }

  unsigned short abortPort() const { return abortPort_; }

 private:
  Client client_;
  Device_Link link_ = 0;
  unsigned short abortPort_ = 0;
};

TEST(Vxi11Service, PrintsTheInstrResourceAndNamesItsPortsThroughThePortmapper) {
  SimulatorProcess simulator({"--vxi11"});
  EXPECT_EQ(simulator.instrResource(), "TCPIP::127.0.0.1::INSTR");

  sockaddr_in tcpAddress = loopback(PMAPPORT);
  int tcpSocket = RPC_ANYSOCK;
  const Client overTcp(clnttcp_create(&tcpAddress, PMAPPROG, PMAPVERS, &tcpSocket, 0, 0));
  sockaddr_in udpAddress = loopback(PMAPPORT);
  int udpSocket = RPC_ANYSOCK;
  const Client overUdp(clntudp_create(&udpAddress, PMAPPROG, PMAPVERS, timeval{1, 0}, &udpSocket));
  ASSERT_TRUE(overTcp && overUdp);

  const unsigned long core = getPort(overTcp.get(), DEVICE_CORE, DEVICE_CORE_VERSION, IPPROTO_TCP);
  EXPECT_NE(core, 0u);
  EXPECT_EQ(getPort(overUdp.get(), DEVICE_CORE, DEVICE_CORE_VERSION, IPPROTO_TCP), core);
  EXPECT_EQ(getPort(overUdp.get(), DEVICE_CORE, DEVICE_CORE_VERSION, IPPROTO_UDP), 0u);
  EXPECT_EQ(getPort(overTcp.get(), 0x20000000, 1, IPPROTO_TCP), 0u);
  const unsigned long async = getPort(overTcp.get(), DEVICE_ASYNC, DEVICE_ASYNC_VERSION, IPPROTO_TCP);
  EXPECT_NE(async, 0u);
  EXPECT_EQ(CoreLink().abortPort(), async);
}

TEST(Vxi11Service, CompletesAMessageOnEndAndAnswersInChunks) {
  SimulatorProcess simulator({"--vxi11"});
  CoreLink link;
  EXPECT_EQ(link.write("*ID", false), 0);
  EXPECT_EQ(link.write("N?\n"), 0);
  const CoreLink::Read head = link.read(8);
  EXPECT_EQ(head.data, "VELMORA,");
  EXPECT_EQ(head.reason, kRequestCountReason);
  const CoreLink::Read tail = link.read(1000);
  EXPECT_EQ(tail.data, "TRV30K4A,MY12345678,03.10.2026\n");
  EXPECT_EQ(tail.reason, kEndReason);
  EXPECT_EQ(link.read(1000, 0).error, 15);  // nothing more to read: I/O time-out

  EXPECT_THAT(simulator.loggedMessages(), ::testing::ElementsAre("*IDN?"));
}

TEST(Vxi11Service, TransfersAWaveformBlockThatMatchesThePreamble) {
  SimulatorProcess simulator({"--vxi11", "--model", "LX280A"});
  CoreLink link;
  link.write(":Stop\n:WAVeform:POINts:MODE RAW\nwaveform:points 20000\nwaveform:format byte\n");
  link.write("waveform:preamble?");
  EXPECT_THAT(link.readAll(1000), StartsWith("+0,+0,+20000,"));
  link.write("waveform:data?");
  const std::string block = link.readAll(4096);
  EXPECT_THAT(block, StartsWith("#800020000"));
  EXPECT_EQ(block.size(), 10u + 20000u + 1u);
}

TEST(Vxi11Service, DropsPendingOutputOnDeviceClearAndForgetsDestroyedLinks) {
  SimulatorProcess simulator({"--vxi11"});
  CoreLink link;
  link.write("*IDN?");
  EXPECT_EQ(link.clear(), 0);
  link.write("*OPC?");
  EXPECT_EQ(link.readAll(100), "1\n");
  EXPECT_EQ(link.destroy(), 0);
  EXPECT_EQ(link.write("*IDN?"), 4);  // invalid link identifier
}

TEST(Vxi11Service, ForgetsTheLinksOfClientsThatLeftWithoutDestroyingThem) {
  SimulatorProcess simulator({"--vxi11"});
  for (int client = 0; client < 65; ++client) CoreLink();  // at most 64 links at once
  CoreLink link;
  link.write("*OPC?");
  EXPECT_EQ(link.readAll(100), "1\n");
}

TEST(Vxi11Service, EndsCleanlyWhileAClientHasSentHalfARequest) {
  SimulatorProcess simulator({"--vxi11"});
  sockaddr_in portmapAddress = loopback(PMAPPORT);
  int portmapSocket = RPC_ANYSOCK;
  const Client portmapper(clnttcp_create(&portmapAddress, PMAPPROG, PMAPVERS, &portmapSocket, 0, 0));
  ASSERT_TRUE(portmapper);
  sockaddr_in core = loopback(static_cast<uint16_t>(
      getPort(portmapper.get(), DEVICE_CORE, DEVICE_CORE_VERSION, IPPROTO_TCP)));
  const int sloppy = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(::connect(sloppy, reinterpret_cast<sockaddr*>(&core), sizeof core), 0);
  // A whole NULL call, whose answer shows that the service has read on, then 4 of 100 bytes.
  const unsigned char calls[] = {0x80, 0, 0, 40,   0, 0, 0, 1,   0, 0, 0, 0,  0, 0, 0, 2,
                                 0, 0x06, 0x07, 0xAF, 0, 0, 0, 1, 0, 0, 0, 0,  0, 0, 0, 0,
                                 0, 0, 0, 0,       0, 0, 0, 0,   0, 0, 0, 0,
                                 0x80, 0, 0, 100,  0, 0, 0, 0};
  ASSERT_EQ(::send(sloppy, calls, sizeof calls, 0), ssize_t{sizeof calls});
  char reply[4];
  EXPECT_EQ(::recv(sloppy, reply, sizeof reply, MSG_WAITALL), ssize_t{sizeof reply});

  EXPECT_EQ(simulator.terminate(), 0);
  ::close(sloppy);
}

TEST(Vxi11Service, ServesTwoLinksAtOnce) {
  SimulatorProcess simulator({"--vxi11"});
  CoreLink first;
  CoreLink second;
  first.write(":ACQuire:TYPE?");
  second.write("*OPC?");
  EXPECT_EQ(second.readAll(100), "1\n");
  EXPECT_EQ(first.readAll(100), "NORM\n");
}

}  // namespace
}  // namespace trv3::test
