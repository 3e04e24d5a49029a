// The state and test controls of the scripted device port and discovery.
#include <algorithm>

#include "fake_stream_state.h"
#include "stream_report.h"

namespace vesko::fake {

namespace {

constexpr std::uint8_t kOtherReportId = 33;

template <typename Done>
bool waitFor(std::chrono::milliseconds limit, Done done) {
    BenchState& state = bench();
    std::unique_lock guard(state.mutex);
    return state.changed.wait_for(guard, limit, [&] { return done(state); });
}

}  // namespace

BenchState& bench() {
    static BenchState state;
    return state;
}

Unit* findUnit(BenchState& state, const std::string& serial) {
    auto it = std::find_if(state.units.begin(), state.units.end(),
                           [&](const Unit& u) { return u.serial == serial; });
    return it == state.units.end() ? nullptr : &*it;
}

ScriptedRead imuReport(std::uint8_t firstSeq, std::uint32_t firstTimestamp, ReadKind kind) {
    ScriptedRead read;
    read.kind = kind;
    read.bytes = imuReportBytes(firstSeq, firstTimestamp);
    read.length = static_cast<std::uint32_t>(read.bytes.size());
    return read;
}

ScriptedRead otherReport() {
    ScriptedRead read = imuReport(0, 0);
    read.bytes[0] = kOtherReportId;
    return read;
}

ScriptedRead silentWait() {
    ScriptedRead read;
    read.kind = ReadKind::silentWait;
    return read;
}

ScriptedRead failAtOnce(unsigned long error) {
    ScriptedRead read;
    read.kind = ReadKind::failAtOnce;
    read.error = error;
    return read;
}

ScriptedRead failLater(unsigned long error) {
    ScriptedRead read = failAtOnce(error);
    read.kind = ReadKind::failLater;
    return read;
}

void resetBench() {
    BenchState& state = bench();
    std::scoped_lock guard(state.mutex);
    state.units.clear();
    state.handles.clear();
    state.enumerations = 0;
    state.failEvent = false;
    state.holdEnumerations = false;
    state.idleOn = kNoDevice;
    state.misuse.clear();
}

void plugUnit(const std::string& serial, bool paired) {
    BenchState& state = bench();
    std::scoped_lock guard(state.mutex);
    if (Unit* unit = findUnit(state, serial)) {
        unit->present = true;
        unit->paired = paired;
        return;
    }
    state.units.push_back(Unit{serial, true, paired, {}});
}

void unplugUnit(const std::string& serial) {
    BenchState& state = bench();
    std::scoped_lock guard(state.mutex);
    if (Unit* unit = findUnit(state, serial)) unit->present = false;
}

void queueReads(const std::string& serial, const std::vector<ScriptedRead>& reads) {
    BenchState& state = bench();
    {
        std::scoped_lock guard(state.mutex);
        Unit* unit = findUnit(state, serial);
        if (unit == nullptr) {
            state.misuse.push_back("reads queued for unknown unit " + serial);
            return;
        }
        unit->reads.insert(unit->reads.end(), reads.begin(), reads.end());
    }
    state.changed.notify_all();
}

void failEventCreation(bool fail) {
    BenchState& state = bench();
    std::scoped_lock guard(state.mutex);
    state.failEvent = fail;
}

void holdEnumerations(bool hold) {
    BenchState& state = bench();
    {
        std::scoped_lock guard(state.mutex);
        state.holdEnumerations = hold;
    }
    state.changed.notify_all();
}

int enumerationCount() {
    BenchState& state = bench();
    std::scoped_lock guard(state.mutex);
    return state.enumerations;
}

int openHandleCount() {
    BenchState& state = bench();
    std::scoped_lock guard(state.mutex);
    return static_cast<int>(std::count_if(state.handles.begin(), state.handles.end(),
                                          [](const auto& entry) { return entry.second.open; }));
}

std::vector<std::string> misuse() {
    BenchState& state = bench();
    std::scoped_lock guard(state.mutex);
    return state.misuse;
}

bool waitUntilIdle(const std::string& serial, std::chrono::milliseconds limit) {
    return waitFor(limit, [&](BenchState& state) {
        auto it = state.handles.find(state.idleOn);
        const Unit* unit = findUnit(state, serial);
        return it != state.handles.end() && it->second.serial == serial && unit != nullptr &&
               unit->reads.empty();
    });
}

bool waitUntilClosed(const std::string& serial, std::chrono::milliseconds limit) {
    return waitFor(limit, [&](BenchState& state) {
        return std::none_of(state.handles.begin(), state.handles.end(), [&](const auto& entry) {
            return entry.second.open && entry.second.serial == serial;
        });
    });
}

bool waitForEnumerations(int count, std::chrono::milliseconds limit) {
    return waitFor(limit, [&](BenchState& state) { return state.enumerations >= count; });
}

bool waitUntilEnumerationHeld(std::chrono::milliseconds limit) {
    return waitFor(limit, [](BenchState& state) { return state.enumerationHeld; });
}

}  // namespace vesko::fake
