// The cluster times an Allan curve is computed at: octaves, 1-2-5 decades, or every one.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace vesko {

enum class TauGrid { octave, decade, all };

// "octave", "decade", "all", as --taus names them.
std::string_view tauGridName(TauGrid grid) noexcept;
std::optional<TauGrid> tauGridNamed(std::string_view name) noexcept;

// Every cluster size costs a pass over the run, so every size of all is
// offered only up to this many samples (about 100 s at 1 kHz).
inline constexpr std::size_t kAllTausMostSamples = 100'000;

// The cluster sizes m (tau = m tau0) for `samples` uniform samples, ascending:
// m = 1, 2, 4, ... (octave), 1, 2, 5, 10, 20, 50, ... (decade) or 1, 2, 3, ...
// (all), while m <= (samples - 1) / 2, which leaves at least two second
// differences for the largest.
std::vector<std::size_t> clusterSizes(TauGrid grid, std::size_t samples);

}  // namespace vesko
