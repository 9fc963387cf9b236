// Replies fed to a session byte by byte, as a slow transport delivers them: text replies, "K"
// lists and "I1" blocks, in an order the first input byte picks.
#include <array>
#include <cstring>
#include <memory>

#include "fuzz_target.h"
#include "io/block_fixtures.h"
#include "io/scripted_transport.h"
#include "platform/io/message_session.h"
#include "platform/runtime/errors.h"

namespace {

using trv3::io::testing::ScriptedTransport;

// Large enough for every framing path, small enough that a lying header cannot exhaust memory.
constexpr size_t kLargestBlock = size_t{1} << 20;

struct TooLarge {};

class BoundedTarget : public trv3::io::testing::VectorTarget {
 public:
  int32_t* resize(size_t count) override {
    if (count > kLargestBlock) throw TooLarge{};
    return VectorTarget::resize(count);
  }
};

void readOnce(trv3::io::MessageSession& session, unsigned operation) {
  switch (operation % 4) {
    case 0: {
      BoundedTarget block;
      session.ReadFormatted(block, "I1");
      for (const int32_t code : block.values)
        if (code < 0 || code > 255) __builtin_trap();
      break;
    }
    case 1: {
      std::array<double, 10> preamble{};
      session.ReadFormatted(preamble, "K");
      break;
    }
    case 2: {
      std::string text;
      session.ReadFormatted(text, "K");
      break;
    }
    default:
      session.QueryText("*IDN?");
  }
}

}  // namespace

TRV3_FUZZ_TARGET(block_framing) {
  if (input.empty()) return;
  const uint8_t plan = input[0];
  auto owned = std::make_unique<ScriptedTransport>(/*marksEnd=*/plan & 0x80, /*receiveSize=*/1);
  ScriptedTransport& transport = *owned;
  const std::string_view bytes = trv3::fuzz::asText(input.subspan(1));
  // Every byte arrives on its own, the message end marked on the last one where the transport
  // marks ends.
  for (size_t i = 0; i < bytes.size(); ++i)
    transport.feed(std::string(1, bytes[i]), i + 1 == bytes.size());
  trv3::io::MessageSession session("TCPIP::127.0.0.1::5025::SOCKET", std::move(owned), {});
  for (unsigned step = 0; step < 3; ++step) {
    try {
      readOnce(session, plan >> (2 * step));
    } catch (const trv3::RuntimeError&) {
    } catch (const TooLarge&) {
    }
  }
}
