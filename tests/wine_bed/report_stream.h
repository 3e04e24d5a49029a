// Streams a scenario's samples to the mocked unit, one report at a time, on its own thread.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "imu_sample.h"
#include "mock_unit.h"

namespace vesko::bed {

// A unit at rest: the same counts in every sample. The device clock runs with
// the wall clock, also while the stream is silent, as a real unit's does.
struct Scenario {
    std::array<std::int16_t, 3> acc{};
    std::array<std::int16_t, 3> gyro{};
};

inline constexpr std::chrono::milliseconds kReportPeriod{10};  // Wine's HID bus fails at much less

// The report that carries samples first, first + 1 and first + 2 of the scenario.
ImuReportBytes scenarioReport(const Scenario& scenario, std::uint64_t first);

class ReportStream {
public:
    ReportStream(MockUnit& unit, Scenario scenario);
    ~ReportStream();
    ReportStream(const ReportStream&) = delete;
    ReportStream& operator=(const ReportStream&) = delete;

    // Silence keeps the unit attached but sends nothing.
    void setSilent(bool silent) { silent_.store(silent); }

private:
    void run();

    MockUnit& unit_;
    const Scenario scenario_;
    std::atomic<bool> silent_{false};
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

}  // namespace vesko::bed
