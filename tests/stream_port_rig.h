// The test's side of this platform's real device port: units it plugs in,
// feeds with reports and unplugs (a mocked hidraw node on Linux, a named
// pipe on Windows). Every unit carries kRigSerial and is found by discovery.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fakes/stream_report.h"

namespace vesko {

inline const std::string kRigSerial = "LHR-RIG00001";

class PortRig {
public:
    PortRig();
    ~PortRig();
    PortRig(const PortRig&) = delete;
    PortRig& operator=(const PortRig&) = delete;

    // Plugs in a new unit; returns its number, or -1.
    int plug();
    // Writes one whole report to the unit, once the stream has it open.
    bool send(int unit, const fake::ReportBytes& report);
    // The unit vanishes: the stream's handle breaks and discovery no longer finds it.
    void unplug(int unit);
    // The error codes a read on a vanished unit may report on this platform.
    std::vector<unsigned long> lossErrors() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vesko
