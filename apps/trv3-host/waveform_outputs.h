// The host's textual outputs of a fetch: the JSON object, the CSV file and the human summary.
#pragma once

#include <ostream>

#include "fetch_outcome.h"
#include "output_file.h"

namespace trv3::host {

// One JSON object: {"result": ..., "wTime": ..., "count": ..., "wform": [...]}; the last three only
// when a waveform was delivered. wTime keeps full double precision.
void writeJson(std::ostream& out, const FetchOutcome& outcome);

// "index,code" lines under that header. Throws std::runtime_error naming the file when it cannot
// be written completely.
void writeCsv(OutputFile& file, const FetchOutcome& outcome);

// A few lines for a person: the result, and for a delivered waveform the count, wTime and the
// range of the codes.
void writeSummary(std::ostream& out, const FetchOutcome& outcome);

}  // namespace trv3::host
