// The choice of one Watchman among the enumerated candidates, and what the user is told about it.
#include <algorithm>

#include "watchman_discovery.h"

namespace vesko {

namespace {

constexpr char kCountLine[] = "TundraImu: %zu Watchman device(s), %zu MCU-paired\n";
constexpr char kRefusal[] =
    "TundraImu: cannot pick among %zu Watchman device(s) (%zu MCU-paired%s) \u2014 is the Dozero "
    "attached? Or pass its LHR serial:\n";
constexpr char kNoMcuSuffix[] = ", no Dozero MCU on the bus";
constexpr char kListingLine[] = "  %ls%s\n";
constexpr char kPairedTag[] = "  [shares hub with Dozero MCU]";

bool matches(const WatchmanCandidate& candidate, const WideString& wserial, std::size_t pairedCount) {
    if (wserial.empty()) return pairedCount == 1 && candidate.paired;
    return candidate.serial == wserial;
}

void printRefusal(const WatchmanEnumeration& found, std::size_t pairedCount, std::FILE* err) {
    std::fprintf(err, kRefusal, found.candidates.size(), pairedCount,
                 found.mcuPaths.empty() ? kNoMcuSuffix : "");
    for (const WatchmanCandidate& candidate : found.candidates) {
        std::fprintf(err, kListingLine, toPrintable(candidate.serial).c_str(),
                     candidate.paired ? kPairedTag : "");
    }
    std::fflush(err);
}

}  // namespace

DeviceHandle chooseWatchman(WatchmanEnumeration& found, const WideString& wserial,
                            WideString* chosen, bool verbose, std::FILE* out, std::FILE* err) {
    const auto pairedCount = static_cast<std::size_t>(std::count_if(
        found.candidates.begin(), found.candidates.end(),
        [](const WatchmanCandidate& c) { return c.paired; }));
    if (verbose) {
        std::fprintf(out, kCountLine, found.candidates.size(), pairedCount);
        std::fflush(out);  // keeps the count line ahead of the refusal on a shared console
    }

    DeviceHandle result = kNoDevice;
    bool picked = false;
    for (WatchmanCandidate& candidate : found.candidates) {
        if (!picked && matches(candidate, wserial, pairedCount)) {
            picked = true;
            result = candidate.handle;
            if (chosen != nullptr) *chosen = candidate.serial;
        } else {
            closeDevice(candidate.handle);
        }
        candidate.handle = kNoDevice;  // the list owns no handle any more
    }

    if (verbose && !picked && !found.candidates.empty()) printRefusal(found, pairedCount, err);
    return result;
}

}  // namespace vesko
