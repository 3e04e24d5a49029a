// hv_wine_bed: a mocked IMU unit in a umockdev testbed, streaming a scenario,
// steered line by line from standard input (silence, stream, unplug, plug, quit).
// Prints "ready <testbed root>" once the unit is in place and "done <command>"
// after each command, so that a driver can run readers inside the testbed.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "mock_unit.h"
#include "report_stream.h"

namespace {

using vesko::bed::MockUnit;
using vesko::bed::ReportStream;

std::array<std::int16_t, 3> axes(const std::vector<int>& values) {
    return {static_cast<std::int16_t>(values.at(0)), static_cast<std::int16_t>(values.at(1)),
            static_cast<std::int16_t>(values.at(2))};
}

void replyLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Runs one command; false for an unknown one.
bool obey(const std::string& command, MockUnit& unit, ReportStream& stream) {
    if (command == "silence") {
        stream.setSilent(true);
    } else if (command == "stream") {
        stream.setSilent(false);
    } else if (command == "unplug") {
        unit.unplug();
    } else if (command == "plug") {
        return unit.plug();
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"A mocked IMU unit for readers under Wine"};
    vesko::bed::UnitIdentity identity{"", "Watchman IMU", "usb-0000:00:14.0-2/input0", 0x28DE, 0x2300};
    std::vector<int> acc;
    std::vector<int> gyro;
    app.add_option("--serial", identity.serial, "the unit's serial number")->required();
    app.add_option("--acc", acc, "accelerometer counts x y z")->expected(3)->required();
    app.add_option("--gyro", gyro, "gyroscope counts x y z")->expected(3)->required();
    CLI11_PARSE(app, argc, argv);

    MockUnit unit(identity);
    if (!unit.plug()) return 1;
    ReportStream stream(unit, {axes(acc), axes(gyro)});
    replyLine("ready " + unit.rootDir());
    for (std::string command; std::getline(std::cin, command) && command != "quit";) {
        if (!obey(command, unit, stream)) {
            replyLine("failed " + command);
            return 1;
        }
        replyLine("done " + command);
    }
    return 0;
}
