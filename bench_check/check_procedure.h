// The guided bench check as a state machine: fed with samples and keys, it asks
// for each position and turn, judges stillness on device time, and keeps the results.
#pragma once

#include <string>
#include <vector>

#include "bench_operator.h"
#include "headset_config.h"
#include "rest_estimate.h"
#include "six_position.h"
#include "stillness.h"
#include "turn_integrator.h"

namespace vesko {

struct CheckSettings {
    ImuCalibration calibration;
    double gyroScale = kImuGyroRadPerSecPerCount;  // rad/s per count
    double restSeconds = 20.0;                     // still time of the rest step
    double stillSeconds = 2.0;                     // still time on each face, and before and after each turn
    double turnDegrees = 90.0;                     // the known angle between the stops
    double turnWaitSeconds = 30.0;                 // no motion by then: the turn was not seen
    StillnessThresholds stillness;
};

enum class StepOutcome { pending, done, skipped };

inline constexpr int kTurnCount = 4;  // there and back, twice

// The known signed angle of turn `index` (from 0): there is to the left
// (positive, as the gyroscope reads a turn about the vertical), back to the right.
constexpr double knownTurnDegrees(int index, double turnDegrees) noexcept {
    return index % 2 == 0 ? turnDegrees : -turnDegrees;
}

struct CheckResults {
    StepOutcome rest = StepOutcome::pending;
    StepOutcome sixPositions = StepOutcome::pending;
    StepOutcome gyroScale = StepOutcome::pending;
    RestResult restResult;
    std::vector<SampleStats> restBlocks;  // the still blocks the rest was measured over, in order
    std::string mountingSkipReason;  // why six positions cannot be judged, if so
    std::string mountingFault;       // why the configured axes are no mounting at all, if so
    std::vector<FaceMeasurement> faces;
    SixPositionResult six;
    std::vector<double> turnAngles;  // degrees about the measured vertical, left positive
    int turnsUnseen = 0;             // turns the gyroscope did not see start within the wait
};

// Something for the driver to pass on, in order: a line to print, or a request
// for the operator together with its instruction.
struct ProcedureOutput {
    bool isRequest = false;
    OperatorRequest request;
    std::string text;
};

class CheckProcedure {
public:
    explicit CheckProcedure(const CheckSettings& settings);

    void start();
    void feed(const ImuSample& sample);
    void skipWait();  // space or Enter: take what has been still so far
    void skipStep();  // s: the step is reported as skipped
    void abort();     // q

    bool finished() const noexcept { return step == Step::done; }
    bool aborted() const noexcept { return wasAborted; }
    std::vector<ProcedureOutput> takeOutput();
    std::string progress() const;
    const CheckResults& results() const noexcept { return result; }

private:
    enum class Step { rest, sixPositions, gyroScale, done };
    enum class TurnPhase { settle, armed, turning };

    void queueLine(const std::string& line);
    void queueRequest(const OperatorRequest& request, const std::string& instruction);
    void beginStep(Step next);
    void beginSixPositions();
    void beginGyroScale();
    void finishRest();
    void recordFace();
    void finishSixPositions();
    void arm();
    void finishTurn(bool seen);
    void feedRest(StillnessRun::Block block);
    void feedFace(StillnessRun::Block block);
    void feedTurn(const ImuSample& sample, StillnessRun::Block block);
    bool newFaceDirection() const;
    bool uprightAgain() const;
    std::string turnProgress() const;

    CheckSettings settings;
    CheckResults result;
    Step step = Step::rest;
    bool started = false;
    bool wasAborted = false;
    bool haveTick = false;
    std::uint32_t lastTick = 0;
    double now = 0.0;  // device seconds since the first sample
    StillnessRun still;
    std::size_t faceIndex = 0;
    TurnPhase turnPhase = TurnPhase::settle;
    double armedAt = 0.0;
    Axes3 turnBias{};
    Vector3 turnUp{};  // IMU axes, from the still before the turn
    TurnIntegrator turn;
    std::vector<ProcedureOutput> pending;
};

}  // namespace vesko
