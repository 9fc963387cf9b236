#include "command_handlers.h"

#include "scpi_arguments.h"
#include "waveform_record.h"

namespace trv3::sim::handlers {
namespace {

constexpr int kPods = 2;
constexpr int kDigitalLines = 16;
constexpr int kLargestAcquireCount = 65536;

InstrumentSettings& settings(CommandContext& c) { return c.state.settings; }

void noArguments(CommandContext& c) { requireArgumentCount(c.arguments, 0); }

const std::string& onlyArgument(CommandContext& c) {
  requireArgumentCount(c.arguments, 1);
  return c.arguments.front();
}

int channelIndex(CommandContext& c) {
  const int channel = c.suffixes.front();
  if (channel < 1 || channel > c.state.profile.channels) throw kSuffixOutOfRange;
  return channel - 1;
}

int podIndex(CommandContext& c) {
  if (!c.state.profile.hasPods) throw kUndefinedHeader;
  const int pod = c.suffixes.front();
  if (pod < 1 || pod > kPods) throw kSuffixOutOfRange;
  return pod - 1;
}

void answerDisplayState(CommandContext& c, bool on) {
  noArguments(c);
  if (c.state.profile.displayWords) {
    c.reply = on ? "ON" : "OFF";
  } else {
    c.reply = on ? "1" : "0";
  }
}

}  // namespace

void identify(CommandContext& c) {
  noArguments(c);
  c.reply = c.state.profile.idnReply;
}

void reset(CommandContext& c) {
  noArguments(c);
  c.state.settings = c.state.startup;
}

void clearStatus(CommandContext& c) {
  noArguments(c);
  c.errors.clear();
}

// Every command completes before the next is read, so operations are always complete.
void operationComplete(CommandContext& c) {
  noArguments(c);
  c.reply = "1";
}

void run(CommandContext& c) {
  noArguments(c);
  settings(c).running = true;
}

void stop(CommandContext& c) {
  noArguments(c);
  settings(c).running = false;
}

void single(CommandContext& c) {
  noArguments(c);
  ++c.state.acquisition;
  settings(c).running = false;
}

void setAcquireType(CommandContext& c) {
  const std::size_t type =
      parseKeyword(onlyArgument(c), {"NORMal", "AVERage", "PEAK", "HRESolution"});
  constexpr AcquireType kTypes[] = {AcquireType::Normal, AcquireType::Average, AcquireType::Peak,
                                    AcquireType::HighResolution};
  settings(c).acquireType = kTypes[type];
}

void queryAcquireType(CommandContext& c) {
  noArguments(c);
  switch (settings(c).acquireType) {
    case AcquireType::Normal: c.reply = "NORM"; break;
    case AcquireType::Average: c.reply = "AVER"; break;
    case AcquireType::Peak: c.reply = "PEAK"; break;
    case AcquireType::HighResolution: c.reply = "HRES"; break;
  }
}

void setAcquireCount(CommandContext& c) {
  const int64_t count = parseInteger(onlyArgument(c));
  if (count < 1 || count > kLargestAcquireCount) throw kDataOutOfRange;
  settings(c).acquireCount = static_cast<int>(count);
}

void queryAcquireCount(CommandContext& c) {
  noArguments(c);
  c.reply = std::to_string(settings(c).acquireCount);
}

void setChannelDisplay(CommandContext& c) {
  settings(c).channelDisplay[channelIndex(c)] = parseBoolean(onlyArgument(c));
}

void queryChannelDisplay(CommandContext& c) {
  answerDisplayState(c, settings(c).channelDisplay[channelIndex(c)]);
}

void setPodDisplay(CommandContext& c) {
  settings(c).podDisplay[podIndex(c)] = parseBoolean(onlyArgument(c));
}

void queryPodDisplay(CommandContext& c) { answerDisplayState(c, settings(c).podDisplay[podIndex(c)]); }

// The legacy "STAT? DIG<n>" of the pod models: "1" when digital line n is on, else "0".
void queryDigitalLine(CommandContext& c) {
  if (!c.state.profile.hasPods) throw kUndefinedHeader;
  const std::optional<int> line = parseSuffixedKeyword(onlyArgument(c), Mnemonic("DIGital<n>"));
  if (!line || *line < 0 || *line >= kDigitalLines) throw kIllegalParameterValue;
  c.reply = settings(c).digitalLines[*line] ? "1" : "0";
}

void setPointsMode(CommandContext& c) {
  constexpr PointsMode kModes[] = {PointsMode::Normal, PointsMode::Maximum, PointsMode::Raw};
  settings(c).pointsMode = kModes[parseKeyword(onlyArgument(c), {"NORMal", "MAXimum", "RAW"})];
}

void queryPointsMode(CommandContext& c) {
  noArguments(c);
  switch (settings(c).pointsMode) {
    case PointsMode::Normal: c.reply = "NORM"; break;
    case PointsMode::Maximum: c.reply = "MAX"; break;
    case PointsMode::Raw: c.reply = "RAW"; break;
  }
}

void setPoints(CommandContext& c) {
  const std::string& argument = onlyArgument(c);
  if (Mnemonic("MAXimum").match(argument).matched) {
    settings(c).requestedPoints = c.state.profile.recordLength;
    return;
  }
  const int64_t points = parseInteger(argument);
  if (points < 1) throw kDataOutOfRange;
  settings(c).requestedPoints = points;
}

void queryPoints(CommandContext& c) {
  noArguments(c);
  c.reply = std::to_string(deliveredPoints(c.state));
}

void setSource(CommandContext& c) {
  const std::string& argument = onlyArgument(c);
  if (const auto channel = parseSuffixedKeyword(argument, Mnemonic("CHANnel<n>"))) {
    if (*channel < 1 || *channel > c.state.profile.channels) throw kIllegalParameterValue;
    settings(c).source = {false, *channel};
    return;
  }
  const auto pod = parseSuffixedKeyword(argument, Mnemonic("POD<n>"));
  if (!pod || !c.state.profile.hasPods || *pod < 1 || *pod > kPods) throw kIllegalParameterValue;
  settings(c).source = {true, *pod};
}

void querySource(CommandContext& c) {
  noArguments(c);
  const WaveformSource& source = settings(c).source;
  c.reply = (source.pod ? "POD" : "CHAN") + std::to_string(source.number);
}

// Only one-byte data are served: the format every client of this series reads.
void setFormat(CommandContext& c) { parseKeyword(onlyArgument(c), {"BYTE"}); }

void queryFormat(CommandContext& c) {
  noArguments(c);
  c.reply = "BYTE";
}

void queryPreamble(CommandContext& c) {
  noArguments(c);
  Preamble preamble = describeRecord(c.state);
  const FaultKind fault = c.fault ? c.fault->kind : FaultKind::Silent;
  if (fault == FaultKind::HugePoints) preamble.points = c.fault->value;
  c.reply = fault == FaultKind::NanPreamble ? formatPreambleWithoutNumbers(preamble)
                                            : formatPreamble(preamble);
}

// While the acquisition runs, every data query delivers a new acquisition.
void queryData(CommandContext& c) {
  noArguments(c);
  if (settings(c).running) ++c.state.acquisition;
  const std::string codes = recordCodes(c.state, describeRecord(c.state));
  int64_t claimed = static_cast<int64_t>(codes.size());
  if (c.fault && c.fault->kind == FaultKind::LyingBlock) claimed += c.fault->value;
  c.reply = definiteLengthBlock(codes, claimed);
}

void queryError(CommandContext& c) {
  noArguments(c);
  c.reply = c.errors.pop();
}

}  // namespace trv3::sim::handlers
