// The fault matrix: every simulator fault against every phase of a getWaveform in which it can
// strike, on both transports, with the outcome the user must see. The test and the published table
// in docs/reliability.md are both generated from these lists.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace trv3::reliability {

enum class Transport { Socket, Vxi11 };

// Where in the dialogue a fault strikes.
enum class PhaseKind {
  Open,      // the connection itself
  Query,     // a command whose answer the add-in reads
  Command,   // a command without an answer
  Preamble,  // the preamble query
  Data,      // the data query
};

struct Phase {
  std::string name;
  PhaseKind kind;
  // The simulator command the fault strikes, with "+N" for its (N+1)-th occurrence in one fetch.
  std::string command;
  // Bytes of the healthy answer, newline included (0 for a command without one).
  int answerBytes = 0;
  bool needsAcquireNew = false;  // only sent when the user ticks the new-acquisition box
};

// How a fetch ends, in the terms of what the user is told.
enum class Ending {
  NotOpened,          // the address did not open: OK finds no instrument
  RefusedInstrument,  // identification refused the instrument: OK finds none
  RefusedMode,        // the acquisition-mode check refused
  LetGoSilent,        // the set-up dialog let the instrument go, as one that did not answer
  LetGoUnusable,      // the set-up dialog let it go, as one whose answers could not be used
  FetchFailed,        // the fetch failed with language text 508
  Delivered,          // the waveform was delivered
};

struct Fault {
  std::string name;
  std::string kind;  // the simulator's fault kind with its value
};

// The user's messages and the result a cell must end with.
struct Outcome {
  Ending ending;
  std::vector<std::string> messages;
  int waveFormResult;
};

struct Cell {
  Transport transport;
  Phase phase;
  Fault fault;
  std::string name() const;
  // The simulator's --fault argument; none for the open phase.
  std::optional<std::string> faultArgument() const;
};

// Time limit of each I/O operation in the matrix, and how the faults relate to it.
constexpr int kTimeoutMs = 500;
constexpr int kDelayMs = 3 * kTimeoutMs;
// A two-byte answer trickled this slowly still arrives in time; anything longer than four bytes
// does not.
constexpr int kTrickleMs = 150;

const std::vector<Phase>& phases();
const std::vector<Fault>& faults();
// The cells where the fault can strike in the phase.
std::vector<Cell> cells();

// The texts of the fake language the matrix runs with.
inline const std::string kText508 = "The waveform could not be read";
inline const std::string kText509 = "(no instrument)";
inline const std::string kText510 = "Not a supported instrument:";
inline const std::string kText512 = "The acquisition mode is not supported.";
inline const std::string kText515 = "Did not answer, disconnected:";
inline const std::string kText516 = "Unusable answers, disconnected:";

// The ending a cell must have, or the endings between which the time the instrument takes decides.
std::vector<Ending> expectedEndings(const Cell& cell);
// "unable", "510", "512", "508" or "delivered": the message the user sees, or none.
const char* endingName(Ending ending);
Outcome outcomeOf(Ending ending, const std::string& address);

}  // namespace trv3::reliability
