// The check's driver side of the state machine: samples, keys, step order, output.
#include "check_procedure.h"

#include <algorithm>

#include "printf_string.h"

namespace vesko {

CheckProcedure::CheckProcedure(const CheckSettings& checkSettings)
    : settings(checkSettings), still(checkSettings.stillness) {}

void CheckProcedure::start() {
    if (started) return;
    started = true;
    beginStep(Step::rest);
}

void CheckProcedure::feed(const ImuSample& sample) {
    if (!started || step == Step::done) return;
    const double dt = haveTick ? tickSeconds(lastTick, sample.timestamp) : 0.0;
    haveTick = true;
    lastTick = sample.timestamp;
    // A pause in the data breaks a still stretch and a turn.
    if (dt > kImuMaxSampleInterval) {
        still.reset();
        if (step == Step::gyroScale && turnPhase != TurnPhase::settle) {
            queueLine("  gap in the data: this turn is measured again; hold the headset still first.");
            turnPhase = TurnPhase::settle;
        }
        return;
    }
    now += dt;
    const StillnessRun::Block block = still.add(sample, dt);
    if (step == Step::rest) feedRest(block);
    else if (step == Step::sixPositions) feedFace(block);
    else feedTurn(sample, block);
}

void CheckProcedure::skipWait() {
    if (!started || still.runBlocks().empty()) return;
    if (step == Step::rest) finishRest();
    else if (step == Step::sixPositions && newFaceDirection()) recordFace();
    else if (step == Step::gyroScale && turnPhase == TurnPhase::settle && uprightAgain()) arm();
    else if (step == Step::gyroScale && turnPhase == TurnPhase::turning) finishTurn(true);
}

void CheckProcedure::skipStep() {
    if (!started || step == Step::done) return;
    if (step == Step::rest) {
        result.rest = StepOutcome::skipped;
        queueLine("  rest skipped.");
        beginStep(Step::sixPositions);
    } else if (step == Step::sixPositions) {
        result.sixPositions = StepOutcome::skipped;
        queueLine("  six positions skipped.");
        beginStep(Step::gyroScale);
    } else {
        result.gyroScale = StepOutcome::skipped;
        queueLine("  gyro scale skipped.");
        beginStep(Step::done);
    }
}

void CheckProcedure::abort() {
    if (step == Step::done) return;
    wasAborted = true;
    step = Step::done;
}

std::vector<ProcedureOutput> CheckProcedure::takeOutput() {
    std::vector<ProcedureOutput> out;
    out.swap(pending);
    return out;
}

void CheckProcedure::queueLine(const std::string& line) {
    pending.push_back({false, {}, line});
}

void CheckProcedure::queueRequest(const OperatorRequest& request, const std::string& instruction) {
    pending.push_back({true, request, instruction});
}

void CheckProcedure::beginStep(Step next) {
    step = next;
    if (next == Step::rest) {
        queueLine(printfString("Step 1 of 3 \u2014 rest (%.0f s): gyroscope bias and noise, |a|, yaw drift.",
                               settings.restSeconds));
        queueRequest({OperatorRequest::Kind::lieOn, HeadsetFace::upright, 0.0},
                     "  Set the headset upright on a level bench and do not touch it.");
    } else if (next == Step::sixPositions) {
        beginSixPositions();
    } else if (next == Step::gyroScale) {
        beginGyroScale();
    }
}

std::string CheckProcedure::progress() const {
    const double needed = step == Step::rest ? settings.restSeconds : settings.stillSeconds;
    const double have = std::min(still.runSeconds(), needed);
    if (step == Step::rest || step == Step::sixPositions) {
        const std::string what = step == Step::rest
                                     ? std::string("rest")
                                     : printfString("%s (%d of 6)", faceName(kSixFaces[faceIndex]), static_cast<int>(faceIndex) + 1);
        if (step == Step::sixPositions && !newFaceDirection()) return what + ": waiting for the headset on that side";
        if (have <= 0.0) return what + ": waiting for the headset to be still";
        return printfString("%s: still %.1f / %.1f s", what.c_str(), have, needed);
    }
    if (step == Step::gyroScale) return turnProgress();
    return {};
}

}  // namespace vesko
