// The replay picture: yaw, pitch and roll over device time, |a| below, the mark and restarts shown.
#pragma once

#include <string>
#include <vector>

namespace vesko {

// What a replay showed, one point per status, against device minutes.
struct ReplayTrace {
    std::vector<double> minutes;
    std::vector<double> yaw;    // degrees
    std::vector<double> pitch;  // degrees
    std::vector<double> roll;   // degrees
    std::vector<double> accNorm;  // g
    std::vector<double> marks;     // minutes at which the drift reference was marked
    std::vector<double> restarts;  // minutes of the first status after each filter restart
};

// An SVG document 1000 px wide: the three angles in the upper panel and |a|
// in a small one below, with a vertical line at each mark and restart. Long
// replays keep each stretch's lowest and highest value, so spikes survive.
std::string replayPicture(const ReplayTrace& trace);

}  // namespace vesko
