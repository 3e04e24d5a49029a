// Entry point of headvane-lab and headvane-lab-sim (the two differ only in their device backend).
#include <cstdio>
#include <string>
#include <vector>

#include "console_output.h"
#include "lab_command.h"
#include "lab_console.h"

namespace vesko {

namespace {

// The first argument that looks like an option and that no command took, with
// the command it was given to: "record: unknown option --outt". Empty if none.
// CLI11 reports a missing required option before a leftover one, which would
// hide the typo that caused it.
std::string unknownOptionText(const CLI::App& lab) {
    std::string command;
    for (const CLI::App* sub : lab.get_subcommands()) command = sub->get_name() + ": ";
    for (const std::string& arg : lab.remaining(true)) {
        if (arg.size() > 1 && arg[0] == '-') return command + "unknown option " + arg;
    }
    return {};
}

int runLab(int argc, char** argv) {
    CLI::App lab("Bench work on a headset's IMU: record its stream to a capture file and replay it.",
                 kLabProgramName);
    // At most one command; none at all is reported below, so that a mistyped
    // one is named as unexpected rather than reported as missing.
    lab.require_subcommand(0, 1);
    lab.fallthrough();
    lab.set_version_flag("-V,--version", std::string(kLabProgramName) + " " + HEADVANE_VERSION);
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
    } catch (const CLI::CallForVersion& version) {
        return lab.exit(version);
    } catch (const CLI::ParseError& error) {
        // The usage of the command being read when the error came, or the lab's.
        const std::string unknown = unknownOptionText(lab);
        std::fprintf(stderr, "%s: %s\n%s", kLabProgramName, unknown.empty() ? error.what() : unknown.c_str(),
                     lab.help().c_str());
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
    vesko::openMissingStandardStreams();
    const vesko::Utf8ConsoleOutput utf8Console;
    return vesko::runLab(argc, argv);
}
