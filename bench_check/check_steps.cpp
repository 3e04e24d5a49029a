// The check's three steps: rest, six positions, gyro scale.
#include <cmath>

#include "check_procedure.h"
#include "printf_string.h"

namespace vesko {

namespace {

// Faces closer than this to one already measured are the same face.
constexpr double kSameFaceCosine = 0.7071;  // 45 degrees
// Before a turn the headset must stand within this of its rest attitude.
constexpr double kUprightCosine = 0.866;  // 30 degrees

Vector3 unit(const Axes3& v) noexcept {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return n > 0.0 ? Vector3{v[0] / n, v[1] / n, v[2] / n} : Vector3{};
}

const char* placeInstruction(HeadsetFace face) {
    switch (face) {
        case HeadsetFace::upright: return "  Set the headset upright, as worn, level.";
        case HeadsetFace::faceDown: return "  Lay the headset face down, lenses towards the bench.";
        case HeadsetFace::upsideDown: return "  Turn the headset upside down, its top on the bench.";
        case HeadsetFace::faceUp: return "  Lay the headset face up, lenses towards the ceiling.";
        case HeadsetFace::leftSideDown: return "  Lay the headset on its left side.";
        case HeadsetFace::rightSideDown: return "  Lay the headset on its right side.";
    }
    return "";
}

std::string axesText(const Axes3& v, const char* format) {
    std::string text = "[";
    for (std::size_t i = 0; i < 3; ++i) text += printfString(format, v[i]) + (i < 2 ? " " : "]");
    return text;
}

}  // namespace

void CheckProcedure::feedRest(StillnessRun::Block block) {
    if (block == StillnessRun::Block::steady && still.runSeconds() >= settings.restSeconds) finishRest();
}

void CheckProcedure::finishRest() {
    const RestResult& r = result.restResult = estimateRest(still.runBlocks(), settings.calibration, settings.gyroScale);
    result.restBlocks = still.runBlocks();
    result.rest = StepOutcome::done;
    still.setRestBias(r.gyroBias);
    queueLine(printfString("  rest: %.1f s still; gyro bias %s counts, noise %s counts, |a| %.4f g, yaw drift %+.2f\u00b0/min",
                           r.seconds, axesText(r.gyroBias, "%+.1f").c_str(), axesText(r.gyroNoise, "%.2f").c_str(),
                           r.accNorm, r.yawDriftPerMin));
    beginStep(Step::sixPositions);
}

void CheckProcedure::beginSixPositions() {
    queueLine(printfString("Step 2 of 3 \u2014 six positions (%.0f s still on each side): mounting, accelerometer bias and scale.",
                           settings.stillSeconds));
    result.mountingFault = degenerateMounting(settings.calibration);
    if (!result.mountingFault.empty()) {
        result.sixPositions = StepOutcome::skipped;
        queueLine("  " + result.mountingFault + ": the mounting fails. Six positions skipped.");
        beginStep(Step::gyroScale);
        return;
    }
    const std::string misaligned = mountingMisalignment(settings.calibration);
    if (!misaligned.empty()) {
        result.mountingSkipReason = misaligned + "; six positions need the IMU's axes along the headset's.";
        result.sixPositions = StepOutcome::skipped;
        queueLine("  " + result.mountingSkipReason + " Skipped.");
        beginStep(Step::gyroScale);
        return;
    }
    faceIndex = 0;
    queueRequest({OperatorRequest::Kind::lieOn, kSixFaces[0], 0.0}, placeInstruction(kSixFaces[0]));
}

bool CheckProcedure::newFaceDirection() const {
    const Vector3 seen = unit(still.run().accMean());
    for (const FaceMeasurement& m : result.faces) {
        if (dot(seen, unit(m.accRaw)) > kSameFaceCosine) return false;
    }
    return true;
}

void CheckProcedure::feedFace(StillnessRun::Block block) {
    if (block != StillnessRun::Block::steady || still.runSeconds() < settings.stillSeconds) return;
    if (newFaceDirection()) recordFace();
}

void CheckProcedure::recordFace() {
    const HeadsetFace face = kSixFaces[faceIndex];
    const FaceMeasurement m{face, still.run().accMean()};
    result.faces.push_back(m);
    queueLine(printfString("  %s: gravity on IMU %s, mean %s counts", faceName(face),
                           axisName(dominantAxis(m.accRaw)).c_str(), axesText(m.accRaw, "%+.1f").c_str()));
    if (++faceIndex < kSixFaces.size()) {
        queueRequest({OperatorRequest::Kind::lieOn, kSixFaces[faceIndex], 0.0}, placeInstruction(kSixFaces[faceIndex]));
        return;
    }
    finishSixPositions();
}

void CheckProcedure::finishSixPositions() {
    result.six = estimateSixPosition(result.faces, settings.calibration);
    result.sixPositions = StepOutcome::done;
    for (const std::string& m : result.six.mismatches) queueLine("  mounting: " + m);
    if (!result.six.complete) queueLine("  the six positions did not show each IMU axis once up and once down.");
    beginStep(Step::gyroScale);
}

void CheckProcedure::beginGyroScale() {
    queueLine(printfString("Step 3 of 3 \u2014 gyro scale: %.0f\u00b0 turns about the vertical against a stop, there and back, twice.",
                           settings.turnDegrees));
    result.turnAngles.clear();
    result.turnsUnseen = 0;
    turnPhase = TurnPhase::settle;
    queueRequest({OperatorRequest::Kind::lieOn, HeadsetFace::upright, 0.0},
                 "  Set the headset upright against the stop and hold it still until asked to turn.");
}

bool CheckProcedure::uprightAgain() const {
    if (result.rest != StepOutcome::done) return true;
    return dot(unit(still.run().accMean()), unit(result.restResult.accRaw)) > kUprightCosine;
}

void CheckProcedure::arm() {
    turnBias = still.run().gyroMean();
    turn = {};
    armedAt = now;
    turnPhase = TurnPhase::armed;
    turnUp = unit(calibratedAcc(still.run().accMean(), settings.calibration));
    const int k = static_cast<int>(result.turnAngles.size());
    const bool there = k % 2 == 0;
    const double degrees = knownTurnDegrees(k, settings.turnDegrees);
    queueRequest({OperatorRequest::Kind::turn, HeadsetFace::upright, degrees},
                 printfString("  Turn %d of %d: turn the headset %s%.0f\u00b0 to the %s, to the stop, and hold it still.",
                              k + 1, kTurnCount, there ? "" : "back ", settings.turnDegrees, there ? "left" : "right"));
}

void CheckProcedure::feedTurn(const ImuSample& sample, StillnessRun::Block block) {
    if (turnPhase == TurnPhase::settle) {
        if (block == StillnessRun::Block::steady && still.runSeconds() >= settings.stillSeconds && uprightAgain()) arm();
        return;
    }
    turn.add(sample);
    if (turnPhase == TurnPhase::armed) {
        if (block == StillnessRun::Block::moving) turnPhase = TurnPhase::turning;
        else if (now - armedAt > settings.turnWaitSeconds) finishTurn(false);
        return;
    }
    if (block == StillnessRun::Block::steady && still.runSeconds() >= settings.stillSeconds) finishTurn(true);
}

void CheckProcedure::finishTurn(bool seen) {
    const double angle = turn.angleDegrees(turnBias, turnUp, settings.gyroScale);
    const double known = knownTurnDegrees(static_cast<int>(result.turnAngles.size()), settings.turnDegrees);
    result.turnAngles.push_back(angle);
    const int number = static_cast<int>(result.turnAngles.size());
    if (seen) {
        queueLine(printfString("  turn %d: %+.2f\u00b0 turned (%+.0f\u00b0 known)", number, angle, known));
    } else {
        ++result.turnsUnseen;
        queueLine(printfString("  turn %d: no turn seen in %.0f s (%+.2f\u00b0 integrated)", number,
                               settings.turnWaitSeconds, angle));
    }
    if (result.turnAngles.size() < static_cast<std::size_t>(kTurnCount)) {
        if (seen) arm();  // the still after this turn is the still before the next
        else turnPhase = TurnPhase::settle;
        return;
    }
    result.gyroScale = StepOutcome::done;
    beginStep(Step::done);
}

std::string CheckProcedure::turnProgress() const {
    const int k = static_cast<int>(result.turnAngles.size()) + 1;
    if (turnPhase == TurnPhase::settle) {
        if (!uprightAgain()) return printfString("turn %d of %d: waiting for the headset upright", k, kTurnCount);
        return printfString("turn %d of %d: hold still %.1f / %.1f s", k, kTurnCount, still.runSeconds(),
                            settings.stillSeconds);
    }
    if (turnPhase == TurnPhase::armed) return printfString("turn %d of %d: turn now", k, kTurnCount);
    return printfString("turn %d of %d: %+.1f\u00b0 so far, then hold still", k, kTurnCount,
                        turn.angleDegrees(turnBias, turnUp, settings.gyroScale));
}

}  // namespace vesko
