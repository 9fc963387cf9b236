// Draws a delivered waveform into a PNG file with Qt's painter: sample codes against time, with
// axes, tick labels and axis titles. Needs no display.
#pragma once

#include "fetch_outcome.h"
#include "output_file.h"

namespace trv3::host {

// Sample i lies at time wTime * i / (count - 1): wTime is the time of the last sample and the first
// sample is taken as time zero. Throws std::runtime_error when the file cannot be written.
void plotWaveform(const FetchOutcome& outcome, OutputFile& file);

}  // namespace trv3::host
