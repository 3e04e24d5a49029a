// Cluster sizes of the three tau grids.
#include "tau_grid.h"

#include <array>

namespace vesko {

namespace {

constexpr std::array<std::string_view, 3> kGridNames{"octave", "decade", "all"};

}  // namespace

std::string_view tauGridName(TauGrid grid) noexcept { return kGridNames[static_cast<std::size_t>(grid)]; }

std::optional<TauGrid> tauGridNamed(std::string_view name) noexcept {
    for (std::size_t i = 0; i < kGridNames.size(); ++i) {
        if (kGridNames[i] == name) return static_cast<TauGrid>(i);
    }
    return std::nullopt;
}

std::vector<std::size_t> clusterSizes(TauGrid grid, std::size_t samples) {
    std::vector<std::size_t> sizes;
    const std::size_t largest = samples < 3 ? 0 : (samples - 1) / 2;
    switch (grid) {
        case TauGrid::octave:
            for (std::size_t m = 1; m <= largest; m *= 2) sizes.push_back(m);
            break;
        case TauGrid::decade:
            for (std::size_t decade = 1; decade <= largest; decade *= 10) {
                for (const std::size_t step : {1u, 2u, 5u}) {
                    if (step * decade <= largest) sizes.push_back(step * decade);
                }
            }
            break;
        case TauGrid::all:
            for (std::size_t m = 1; m <= largest; ++m) sizes.push_back(m);
            break;
    }
    return sizes;
}

}  // namespace vesko
