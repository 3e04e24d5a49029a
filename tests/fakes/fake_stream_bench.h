// Test controls for the scripted device port and discovery that stand in for
// the real ones in the stream's state-machine tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "stream_report.h"

namespace vesko::fake {

enum class ReadKind {
    report,        // pending, then completes with the bytes
    reportAtOnce,  // completes as it is issued
    silentWait,    // pending, and the wait times out
    failAtOnce,    // the read cannot even be issued
    failLater,     // pending, then ends in failure
};

struct ScriptedRead {
    ReadKind kind = ReadKind::report;
    ReportBytes bytes{};
    std::uint32_t length = 0;
    unsigned long error = 0;
};

inline constexpr unsigned long kCancelledError = 995;  // what a cancelled read reports
inline constexpr std::chrono::milliseconds kPatience{5000};

// An IMU report carrying seq firstSeq, +1, +2 and timestamps firstTimestamp, +1000, +2000.
ScriptedRead imuReport(std::uint8_t firstSeq, std::uint32_t firstTimestamp,
                       ReadKind kind = ReadKind::report);
// A 64-byte report with another report ID.
ScriptedRead otherReport();
ScriptedRead silentWait();
ScriptedRead failAtOnce(unsigned long error);
ScriptedRead failLater(unsigned long error);

// Forgets every unit, handle, count and script. Call first in every test.
void resetBench();
// Units present at the next enumerations; each enumeration opens a new handle
// for every present unit (as the real discovery does).
void plugUnit(const std::string& serial, bool paired = true);
void unplugUnit(const std::string& serial);
void queueReads(const std::string& serial, const std::vector<ScriptedRead>& reads);
void failEventCreation(bool fail);
// While held, each enumeration waits (inside discovery) until released.
void holdEnumerations(bool hold);

int enumerationCount();
int openHandleCount();
// Faults the fakes saw: reads on closed handles, handles closed twice, ...
std::vector<std::string> misuse();

// Until the reader waits on a handle of `serial` with nothing left to read:
// everything queued before has been taken in, counted and delivered.
bool waitUntilIdle(const std::string& serial, std::chrono::milliseconds limit = kPatience);
// Until no handle of `serial` is open any more.
bool waitUntilClosed(const std::string& serial, std::chrono::milliseconds limit = kPatience);
bool waitForEnumerations(int count, std::chrono::milliseconds limit = kPatience);
bool waitUntilEnumerationHeld(std::chrono::milliseconds limit = kPatience);

}  // namespace vesko::fake
