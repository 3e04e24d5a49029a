// Entry point of headvane-lab and headvane-lab-sim (the two differ only in their device backend).
#include <cstdio>
#include <string>
#include <vector>

#include "console_output.h"
#include "lab_command.h"

namespace vesko {

namespace {

int runLab(int argc, char** argv) {
    CLI::App lab("Bench work on a headset's IMU: record its stream to a capture file and replay it.",
                 kLabProgramName);
    // At most one command; none at all is reported below, so that a mistyped
    // one is named as unexpected rather than reported as missing.
    lab.require_subcommand(0, 1);
    lab.fallthrough();
    const std::function<void()> applyBackend = addBackendOptions(lab);
    const std::vector<LabCommand> commands{
        addRecordCommand(lab),
        addReplayCommand(lab),
        addAllanCommand(lab),
        addCheckCommand(lab),
        addExportCommand(lab),
    };
    try {
        lab.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return lab.exit(help);
    } catch (const CLI::ParseError& error) {
        // The usage of the command being read when the error came, or the lab's.
        std::fprintf(stderr, "%s: %s\n%s", kLabProgramName, error.what(), lab.help().c_str());
        return kLabExitUsage;
    }
    applyBackend();
    for (const LabCommand& command : commands) {
        if (command.subcommand->parsed()) return command.run();
    }
    std::fprintf(stderr, "%s: a command is required\n%s", kLabProgramName, lab.help().c_str());
    return kLabExitUsage;
}

}  // namespace

}  // namespace vesko

int main(int argc, char** argv) {
    const vesko::Utf8ConsoleOutput utf8Console;
    return vesko::runLab(argc, argv);
}
