// Conversions of format "K": a reply taken as a comma-separated list of values.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trv3::io {

// The fields between commas, as they stand (blanks kept); an empty reply has no field.
std::vector<std::string> splitFields(std::string_view reply);

// Fills the target from position 0 with the numbers of the fields ("+1.00000000E-06", " 9.9E+37 ");
// fields beyond its end are dropped, missing ones leave the element as it was, a field that is not
// a number gives not-a-number.
void fillNumbers(std::span<double> target, std::string_view reply);

// Whether a format text names the given format; letter case and surrounding blanks do not count.
bool isFormat(std::string_view format, std::string_view name);

}  // namespace trv3::io
