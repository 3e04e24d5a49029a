// Start-up in order (options, file, filter, stream), the banner, then one tick every 200 ms until q.
#include "run_loop.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "attitude_filter.h"
#include "command_line.h"
#include "console_keys.h"
#include "headset_config.h"
#include "loop_state.h"
#include "status_line.h"
#include "tundra_imu.h"
#include "vector_math.h"

namespace vesko {

namespace {

constexpr std::chrono::milliseconds kTickPeriod{200};

void printToStdout(const std::string& text) {
    std::fputs(text.c_str(), stdout);
}

void printBanner(const FilterParams& params) {
    printToStdout(gyroScaleLine(params.gyroScale));
    printToStdout(kKeysLine);
    printToStdout(kCapturingLine);
    std::fflush(stdout);
}

// Handles the waiting keys; false once q has been pressed.
bool handleKeys(ConsoleKeys& keys, AttitudeFilter& filter, LoopState& state) {
    for (int code = keys.poll(); code >= 0; code = keys.poll()) {
        const KeyAction action = keyAction(code);
        if (action == KeyAction::recenter) filter.recenter();
        if (action == KeyAction::recaptureBias) filter.recaptureBias();
        printToStdout(applyKey(state, action));
        if (action == KeyAction::quit) return false;
    }
    return true;
}

void tick(const HeadsetConfig& config, AttitudeFilter& filter, const TundraImu& imu,
          LoopState& state) {
    if (!state.unitCompared) printToStdout(compareUnitOnce(state, config.deviceSerialNumber, imu.attachedSerial()));
    const FilterSnapshot snapshot = filter.snapshot();
    if (!snapshot.ready) return;
    const YawPitchRoll angles = toYawPitchRoll(filter.orientation(0.0));
    printToStdout(tickText(state, snapshot, angles, SteadyClock::now()));
}

int runConsoleLoop(const HeadsetConfig& config, AttitudeFilter& filter, TundraImu& imu,
                   ConsoleKeys& keys) {
    LoopState state = startLoop(SteadyClock::now());
    for (;;) {
        std::this_thread::sleep_for(kTickPeriod);
        if (!handleKeys(keys, filter, state)) {
            std::fflush(stdout);
            imu.stop();
            return kExitOk;
        }
        tick(config, filter, imu, state);
        // Also pushes out acknowledgements and the warning when stdout is a pipe.
        std::fflush(stdout);
    }
}

}  // namespace

int runHeadvane(const std::vector<std::string>& args) {
    FilterParams params;
    CommandLine options;
    const CommandLineVerdict verdict = parseCommandLine(args, options);
    if (!verdict.ok) {
        std::fputs(verdict.errorText.c_str(), stderr);
        return verdict.exitStatus;
    }
    if (options.gyroScale) params.gyroScale = *options.gyroScale;

    HeadsetConfig config;
    std::string loadError;
    if (!loadHeadsetConfig(options.configPath, config, &loadError)) {
        std::fprintf(stderr, "%s\n", loadError.c_str());
        return kExitFailure;
    }
    AttitudeFilter filter;
    filter.configure(config, params);

    // Keys typed while the unit is being found are kept for the loop, unechoed.
    ConsoleKeys keys;
    TundraImu imu;
    imu.setSampleCallback([&filter](const ImuSample& sample) { filter.update(sample); });
    if (!imu.open(options.imuSerial)) return kExitFailure;

    printBanner(params);
    return runConsoleLoop(config, filter, imu, keys);
}

}  // namespace vesko
