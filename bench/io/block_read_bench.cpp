// A 16 MB block read from a loopback instrument: through our raw-socket session, through
// pyvisa-py on the same instrument in the same run, and as bare bytes from a plain socket, which is
// the loopback limit. The last line gives the ratios.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <iostream>

#include "block_fixtures.h"
#include "loopback_server.h"
#include "platform/io/io_session.h"
#include "pyvisa_client.h"

namespace {

using trv3::io::testing::definiteBlock;
using trv3::io::testing::everyCode;
using trv3::io::testing::LoopbackServer;
using trv3::io::testing::runPyvisaClient;
using trv3::io::testing::ServerConnection;
using trv3::io::testing::VectorTarget;

constexpr size_t kBlockBytes = size_t{16} << 20;
constexpr int kReads = 20;

const std::string& blockReply() {
  static const std::string reply = definiteBlock(everyCode(kBlockBytes)) + "\n";
  return reply;
}

// The instrument: every "waveform:data?" is answered with the same block.
LoopbackServer& instrument() {
  static LoopbackServer server([](ServerConnection& connection) {
    while (const auto command = connection.readCommand()) {
      if (*command == "*IDN?") connection.send("VELMORA,TRV30K2A,SN0001,03.10\n");
      if (*command == "waveform:data?") connection.send(blockReply());
    }
  });
  return server;
}

double plainSecondsPerRead = 0;
double oursSecondsPerRead = 0;
double pyvisaSecondsPerRead = 0;

// The same exchange without any of our layers: the bytes are only received, not looked at.
void BM_PlainSocketReceivesBlock(benchmark::State& state) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(instrument().port());
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    state.SkipWithError("no connection");
    return;
  }
  std::vector<char> buffer(size_t{256} << 10);
  for (auto _ : state) {
    const std::string command = "waveform:data?\n";
    ::send(fd, command.data(), command.size(), 0);
    size_t received = 0;
    while (received < blockReply().size()) {
      const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
      if (got <= 0) break;
      received += static_cast<size_t>(got);
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  ::close(fd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBlockBytes));
}

void BM_OurSessionReadsBlock(benchmark::State& state) {
  const trv3::io::IoSessionRef session = trv3::io::IoResourceManager().Open(instrument().socketAddress());
  VectorTarget target;
  for (auto _ : state) {
    session->WriteCommand("waveform:data?");
    session->ReadFormatted(target, "I1");
    benchmark::DoNotOptimize(target.values.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBlockBytes));
}

// pyvisa-py times each of its reads itself; the benchmark reports those times.
void BM_PyvisaPyReadsBlock(benchmark::State& state) {
  const nlohmann::json report = runPyvisaClient(instrument().socketAddress(), kReads);
  if (!report.is_object()) {
    state.SkipWithError("pyvisa-py did not run");
    return;
  }
  const auto seconds = report["seconds"].get<std::vector<double>>();
  size_t next = 0;
  for (auto _ : state) state.SetIterationTime(seconds[next++ % seconds.size()]);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBlockBytes));
}

BENCHMARK(BM_PlainSocketReceivesBlock)->Unit(benchmark::kMillisecond)->Iterations(kReads);
BENCHMARK(BM_OurSessionReadsBlock)->Unit(benchmark::kMillisecond)->Iterations(kReads);
BENCHMARK(BM_PyvisaPyReadsBlock)->Unit(benchmark::kMillisecond)->Iterations(kReads)->UseManualTime();

// Keeps the mean time of each benchmark for the ratio printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0) continue;
      const double perRead = run.GetAdjustedRealTime() / 1e3;  // both run in milliseconds
      if (run.benchmark_name().starts_with("BM_PlainSocket")) plainSecondsPerRead = perRead;
      if (run.benchmark_name().starts_with("BM_OurSession")) oursSecondsPerRead = perRead;
      if (run.benchmark_name().starts_with("BM_PyvisaPy")) pyvisaSecondsPerRead = perRead;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (plainSecondsPerRead > 0 && oursSecondsPerRead > 0 && pyvisaSecondsPerRead > 0)
    std::cout << "16 MiB block: plain socket " << plainSecondsPerRead * 1e3 << " ms, ours "
              << oursSecondsPerRead * 1e3 << " ms, pyvisa-py " << pyvisaSecondsPerRead * 1e3
              << " ms; ours / plain = " << oursSecondsPerRead / plainSecondsPerRead
              << ", pyvisa-py / ours = " << pyvisaSecondsPerRead / oursSecondsPerRead << "\n";
  benchmark::Shutdown();
}
