// How each headvane-lab command joins the command line: its subcommand and what runs it.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>

namespace vesko {

inline constexpr int kLabExitOk = 0;
inline constexpr int kLabExitFailure = 1;
inline constexpr int kLabExitUsage = 2;

// A registered command. `run` is called, once, only when the command was
// given and the whole command line parsed; it returns the exit status.
struct LabCommand {
    CLI::App* subcommand = nullptr;
    std::function<int()> run;
};

LabCommand addRecordCommand(CLI::App& lab);
LabCommand addReplayCommand(CLI::App& lab);
LabCommand addAllanCommand(CLI::App& lab);
LabCommand addCheckCommand(CLI::App& lab);
LabCommand addExportCommand(CLI::App& lab);

// --gyro-scale: a plain finite number in rad/s per count from 1e-6 to 1, else a
// usage error naming the option and the value.
// `scale` must outlive the parse.
void addGyroScaleOption(CLI::App& command, std::optional<double>& scale);

// The device backend's part of the command line (headvane-lab-sim's
// --sim-speed); the returned function applies it after parsing.
std::function<void()> addBackendOptions(CLI::App& lab);

// "headvane-lab" or "headvane-lab-sim".
extern const char* const kLabProgramName;

}  // namespace vesko
