// What the IMU stream reports besides samples, for those who log or show it.
#pragma once

namespace vesko {

// The reader prints each of these to standard error as well.
enum class ImuStreamEvent {
    reconnected,  // detail: the serial of the unit found again
    silent,       // detail: the seconds without data, e.g. "3"; the unit counts as gone
    readFailure,  // detail: the failed call and its code, e.g. "read failed (err 5)"
};

}  // namespace vesko
