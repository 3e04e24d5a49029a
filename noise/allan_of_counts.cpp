// Overlapping Allan deviation from packed counts: running sums rebuilt a block at a time, exact as before.
#include "allan_of_counts.h"

#include <algorithm>
#include <map>
#include <vector>

#include "second_differences.h"

namespace vesko {

namespace {

// The running sums theta[at .. at + length) of the run, rebuilt block after
// block at a fixed distance ahead of the start points.
class SumStretch {
public:
    SumStretch(std::size_t ahead, std::size_t capacity, std::int64_t first)
        : ahead_(ahead), values_(capacity), next_(first) {}

    // theta[from + ahead ...] for as much of the capacity as the run has (theta ends at index samples).
    void rebuild(const PackedColumn& counts, std::size_t runStart, std::size_t from, std::size_t samples) {
        const std::size_t at = from + ahead_;
        if (at > samples) return;
        const std::size_t length = std::min(values_.size(), samples - at + 1);
        counts.runningSums(runStart + at, runStart + at + length - 1, next_, values_.data());
        if (length == values_.size()) next_ = values_.back();  // theta[at + capacity - 1]: the next one's start
    }
    const std::int64_t* data() const noexcept { return values_.data(); }

private:
    std::size_t ahead_;
    std::vector<std::int64_t> values_;
    std::int64_t next_;  // theta at the start of the next rebuild
};

}  // namespace

AllanCurve overlappingAllan(const PackedColumn& counts, std::size_t first, std::size_t samples, double tau0,
                            double unitsPerCount, const AllanSettings& settings, std::size_t block) {
    if (samples < 1) return {};
    const std::size_t n = samples;
    const std::vector<std::size_t> sizes = clusterSizes(settings.taus, n);
    std::vector<WideSum> totals(sizes.size());
    std::vector<PhaseAutocorrelation> noise = noiseIdentifiers(sizes, n);

    // theta[from .. from + 2 block], slid along by a block each time.
    std::vector<std::int64_t> near(2 * block + 1);
    std::size_t nearEnd = 1;  // past the last valid index of theta held, as an index of theta
    near[0] = 0;
    // One stretch per distance ahead that a large size needs (its m and 2m), a size's distances shared.
    const auto isLarge = [block](std::size_t m) { return 2 * m > block; };
    std::map<std::size_t, SumStretch> far;
    {
        std::vector<std::size_t> aheads;
        for (const std::size_t m : sizes) {
            if (!isLarge(m)) continue;
            aheads.push_back(m);
            aheads.push_back(2 * m);
        }
        std::sort(aheads.begin(), aheads.end());
        aheads.erase(std::unique(aheads.begin(), aheads.end()), aheads.end());
        std::int64_t theta = 0;
        std::size_t at = 0;
        for (const std::size_t ahead : aheads) {
            if (ahead > n) break;
            theta += counts.sumOver(first + at, first + ahead);
            at = ahead;
            far.emplace(ahead, SumStretch(ahead, block + 1, theta));
        }
    }

    for (std::size_t from = 0; from <= n; from += block) {
        const std::size_t to = std::min(from + block, n + 1);
        const std::size_t nearWanted = std::min(from + 2 * block, n) + 1;
        if (from > 0) {
            // Keep what the last block already summed, then sum on from there.
            const auto kept = near.begin() + static_cast<std::ptrdiff_t>(block);
            std::copy(kept, kept + static_cast<std::ptrdiff_t>(nearEnd - from), near.begin());
        }
        const std::size_t held = nearEnd - from;
        counts.runningSums(first + from + held - 1, first + nearWanted - 1, near[held - 1], near.data() + held - 1);
        nearEnd = nearWanted;
        for (auto& [ahead, stretch] : far) stretch.rebuild(counts, first, from, n);

        for (std::size_t j = 0; j < sizes.size(); ++j) {
            const std::size_t m = sizes[j];
            const std::size_t terms = n - 2 * m + 1;
            if (from >= terms) break;  // larger clusters have fewer terms still
            const std::size_t count = std::min(to, terms) - from;
            const std::int64_t* atM = isLarge(m) ? far.at(m).data() : near.data() + m;
            const std::int64_t* at2M = isLarge(m) ? far.at(2 * m).data() : near.data() + 2 * m;
            totals[j].add(squaredSecondDifferences(near.data(), atM, at2M, count));
        }
        for (PhaseAutocorrelation& identifier : noise) identifier.takeUpTo(std::span(near).first(to - from), from, to);
    }
    return curveOfSums(sizes, totals, noise, n, tau0, unitsPerCount, settings.confidence);
}

}  // namespace vesko
