// The run loop's decisions per key and per tick, on a plain state record.
#pragma once

#include <string>

#include "attitude_filter.h"
#include "drift.h"
#include "vector_math.h"

namespace vesko {

struct LoopState {
    bool marked = false;        // the drift reference is set; r, b and m clear it
    bool unitCompared = false;  // the attached unit's serial has been checked
    YawPitchRoll reference{};   // degrees, the angles at the mark
    SteadyClock::time_point markAt{};
};

// A fresh state for a loop that starts at `now`.
LoopState startLoop(SteadyClock::time_point now);

enum class KeyAction { none, quit, recenter, recaptureBias, mark };

// Key codes as the console delivers them, one at a time; the prefix codes of
// extended keys are not keys of their own and fall through to none.
KeyAction keyAction(int code);

// Updates the state for a key other than quit and returns what to print.
// The caller does the filter's part (recenter, recaptureBias).
std::string applyKey(LoopState& state, KeyAction action);

// Compares the attached unit with the configured headset, once: returns the
// warning to print (or nothing) the first time `attached` is not empty.
std::string compareUnitOnce(LoopState& state, const std::string& configured,
                            const std::string& attached);

// What one tick prints: nothing while the filter is not ready; otherwise the
// mark line when the reference is being (re)marked, then the status line.
// A restart the loop did not ask for keeps the old reference.
std::string tickText(LoopState& state, const FilterSnapshot& snapshot, const YawPitchRoll& angles,
                     SteadyClock::time_point now);

}  // namespace vesko
