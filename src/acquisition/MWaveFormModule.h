// The SCPI side of a fetch: the presence probe, the transfer of preamble and byte data, and their
// conversion into the host's sample codes and time value.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/variant.h"
#include "platform/io/io_session.h"

namespace trv3::MWaveFormModule {

// A preamble never announces more than MaxRecordPoints, the block limit of the I/O library:
// anything beyond is a broken reply, not a record worth allocating. An instrument that sends more
// than was asked (its whole record) is still served.
constexpr int32_t MaxRecordPoints = static_cast<int32_t>(io::kMaxBlockPoints);

// Rewrites the user's channel entry (" 1 - On", "POD2 - Off", ...) in place into the source text
// of the "waveform:source " command (" Channel1", " POD2", ...).
void MapSourceName(std::string& source);

// Sends "*idn?" and returns the second field of the reply (the model). Raises the subscript error
// for a reply with fewer than two fields; I/O errors pass on.
std::string ReadInstrumentModel(io::IoSession& device);

// Stops the instrument, selects raw points, the point count and the source of SessionState,
// optionally takes one single acquisition, reads preamble and data and converts them. wTime is
// written once the scaling has succeeded, wform only at the very end. Every failure is raised.
void TransferWaveform(io::IoSession& device, com::Variant& wform, double& wTime);

}  // namespace trv3::MWaveFormModule
