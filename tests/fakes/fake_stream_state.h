// The shared state behind the scripted device port and discovery.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "device_handle.h"
#include "fake_stream_bench.h"

namespace vesko::fake {

struct Unit {
    std::string serial;
    bool present = true;
    bool paired = true;
    std::deque<ScriptedRead> reads;
};

struct OpenedHandle {
    std::string serial;
    bool open = true;
};

struct BenchState {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Unit> units;  // in enumeration order
    std::map<DeviceHandle, OpenedHandle> handles;
    DeviceHandle nextHandle = 100;
    int enumerations = 0;
    bool holdEnumerations = false;  // enumerations wait until released
    bool enumerationHeld = false;   // one is waiting now
    bool failEvent = false;
    DeviceHandle idleOn = kNoDevice;  // the handle a reader waits on with nothing queued
    std::vector<std::string> misuse;
};

BenchState& bench();
Unit* findUnit(BenchState& state, const std::string& serial);

}  // namespace vesko::fake
