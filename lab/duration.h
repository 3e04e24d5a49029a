// Durations as typed on the command line: 90s, 10m, 2h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vesko {

// Whole seconds, minutes or hours ("90s", "10m", "2h"; a bare number is
// seconds), more than zero and at most 1000 h. Nothing for anything else.
std::optional<std::int64_t> parseDurationSeconds(const std::string& text);

// "HH:MM:SS" for a count of seconds.
std::string clockText(std::int64_t seconds);

}  // namespace vesko
