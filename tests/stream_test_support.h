// Helpers shared by the stream tests: the console as text, the message dash,
// waiting for the reader, and timing a stop.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "tundra_imu.h"

namespace vesko::streamtest {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

inline const std::string kDash = "\xE2\x80\x94";  // U+2014 in UTF-8

inline std::string lossLine(const char* what, unsigned long error) {
    return "TundraImu: " + std::string(what) + " (err " + std::to_string(error) + ") " + kDash +
           " device gone, waiting for reconnect\n";
}

// Both console streams of everything between start and finish, without the
// carriage returns a Windows text-mode stream adds.
// Ends the capture when it goes out of scope, also after a failed assertion.
struct Console {
    std::string out;
    std::string err;
    bool capturing = false;

    ~Console() {
        if (capturing) finish();
    }
    void start() {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        capturing = true;
    }
    void finish() {
        capturing = false;
        std::fflush(stdout);
        std::fflush(stderr);
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        std::erase(out, '\r');
        std::erase(err, '\r');
    }
};

// The console text of one short operation.
template <typename Run>
Console captured(Run run) {
    Console console;
    console.start();
    run();
    console.finish();
    return console;
}

template <typename Done>
bool eventually(Done done, std::chrono::milliseconds limit = 5s) {
    const auto until = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > until) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

inline std::chrono::milliseconds timeToStop(TundraImu& imu) {
    const auto before = Clock::now();
    imu.stop();
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - before);
}

}  // namespace vesko::streamtest
