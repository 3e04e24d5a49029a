// Judging the measurements against the limits.
#include "check_verdict.h"

#include <cmath>

#include "printf_string.h"

namespace vesko {

namespace {

constexpr const char* kAxisNames[3] = {"x", "y", "z"};

CheckOutcome within(bool ok) noexcept { return ok ? CheckOutcome::pass : CheckOutcome::fail; }

// Limits are inclusive; the slack keeps a value that is exactly at the limit
// (1.02 g against 20 mg) from failing on the last bit of its arithmetic.
bool notBeyond(double deviation, double limit) noexcept {
    return deviation <= limit + 1e-9 * std::fmax(1.0, limit);
}

CheckRow row(std::string name, std::string unit, double limit, std::string limitUnit, std::string limitText) {
    CheckRow r;
    r.name = std::move(name);
    r.unit = std::move(unit);
    r.limit = limit;
    r.limitUnit = std::move(limitUnit);
    r.limitText = std::move(limitText);
    return r;
}

// A live sensor always shows some noise; only an axis that never changed shows none.
std::string noiseBelowMinimumNote(double noise, double minimum) {
    if (noise == 0.0) return "no noise at all: the axis is stuck";
    return printfString("%.3g counts is below the minimum of %g counts: too quiet for a live axis", noise, minimum);
}

void addRestRows(CheckVerdict& v, const CheckResults& res, const ImuCalibration& cal, const BenchLimits& lim) {
    const bool done = res.rest == StepOutcome::done;
    const RestResult& r = res.restResult;
    for (std::size_t i = 0; i < 3; ++i) {
        CheckRow bias = row(std::string("gyro_bias_") + kAxisNames[i], "counts", lim.gyroBiasCounts, "counts",
                            printfString("\u00b1%g counts", lim.gyroBiasCounts));
        bias.reference = cal.gyroBias[i];
        if (done) {
            bias.measured = r.gyroBias[i];
            bias.outcome = within(notBeyond(std::fabs(r.gyroBias[i] - cal.gyroBias[i]), lim.gyroBiasCounts));
        }
        v.rows.push_back(bias);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        CheckRow noise = row(std::string("gyro_noise_") + kAxisNames[i], "counts sd", lim.gyroNoiseMaxCounts, "counts",
                             printfString("%g to %g counts", lim.gyroNoiseMinCounts, lim.gyroNoiseMaxCounts));
        if (done) {
            noise.measured = r.gyroNoise[i];
            noise.outcome = within(r.gyroNoise[i] >= lim.gyroNoiseMinCounts && notBeyond(r.gyroNoise[i], lim.gyroNoiseMaxCounts));
            if (r.gyroNoise[i] < lim.gyroNoiseMinCounts) noise.note = noiseBelowMinimumNote(r.gyroNoise[i], lim.gyroNoiseMinCounts);
        }
        v.rows.push_back(noise);
    }
    CheckRow norm = row("acc_norm", "g", lim.accNormMilliG, "mg", printfString("1 g \u00b1%g mg", lim.accNormMilliG));
    norm.reference = 1.0;
    CheckRow drift = row("yaw_drift", "deg/min", lim.yawDriftDegPerMin, "deg/min",
                         printfString("\u00b1%g \u00b0/min", lim.yawDriftDegPerMin));
    if (done) {
        norm.measured = r.accNorm;
        norm.outcome = within(notBeyond(std::fabs(r.accNorm - 1.0) * 1000.0, lim.accNormMilliG));
        drift.measured = r.yawDriftPerMin;
        drift.outcome = within(notBeyond(std::fabs(r.yawDriftPerMin), lim.yawDriftDegPerMin));
    }
    v.rows.push_back(norm);
    v.rows.push_back(drift);
}

void addSixRows(CheckVerdict& v, const CheckResults& res, const ImuCalibration& cal, const BenchLimits& lim) {
    const bool done = res.sixPositions == StepOutcome::done;
    const SixPositionResult& six = res.six;
    CheckRow mounting = row("mounting", "faces", 0.0, "faces", "all 6 agree");
    mounting.note = done ? "" : res.mountingSkipReason;
    if (!res.mountingFault.empty()) {
        mounting.outcome = CheckOutcome::fail;
        mounting.note = res.mountingFault;
    }
    if (done) {
        mounting.measured = static_cast<double>(res.faces.size() - six.mismatches.size());
        mounting.outcome = within(six.mismatches.empty());
        for (const std::string& m : six.mismatches) mounting.note += (mounting.note.empty() ? "" : "; ") + m;
    }
    v.rows.push_back(mounting);
    const bool estimated = done && six.complete;
    for (std::size_t i = 0; i < 3; ++i) {
        CheckRow bias = row(std::string("acc_bias_") + kAxisNames[i], "g", lim.accBiasMilliG, "mg",
                            printfString("\u00b1%g mg", lim.accBiasMilliG));
        CheckRow scale = row(std::string("acc_scale_") + kAxisNames[i], "factor", lim.accScalePercent, "%",
                             printfString("\u00b1%g %%", lim.accScalePercent));
        bias.reference = cal.accBias[i];
        scale.reference = cal.accScale[i];
        if (estimated) {
            bias.measured = six.accBias[i];
            bias.outcome = within(notBeyond(std::fabs(six.accBias[i] - cal.accBias[i]) * 1000.0, lim.accBiasMilliG));
            scale.measured = six.accScale[i];
            scale.outcome = within(notBeyond(std::fabs(six.accScale[i] / cal.accScale[i] - 1.0) * 100.0, lim.accScalePercent));
        } else if (done) {
            bias.outcome = scale.outcome = CheckOutcome::fail;
            bias.note = scale.note = "the six positions did not show this axis up and down";
        }
        v.rows.push_back(bias);
        v.rows.push_back(scale);
    }
    if (estimated) {
        v.suggested.accBias = six.accBias;
        v.suggested.accScale = six.accScale;
    }
}

void addTurnRow(CheckVerdict& v, const CheckResults& res, const CheckSettings& settings, const BenchLimits& lim) {
    CheckRow scale = row("gyro_scale", "ratio", lim.gyroScalePercent, "%", printfString("1 \u00b1%g %%", lim.gyroScalePercent));
    scale.reference = 1.0;
    if (res.gyroScale == StepOutcome::done && !res.turnAngles.empty() && settings.turnDegrees > 0.0) {
        // Each turn against its known signed angle: a reversed gyroscope reads about -1.
        double ratioSum = 0.0;
        int wrongWay = 0;
        for (std::size_t k = 0; k < res.turnAngles.size(); ++k) {
            const double ratio = res.turnAngles[k] / knownTurnDegrees(static_cast<int>(k), settings.turnDegrees);
            ratioSum += ratio;
            wrongWay += ratio < 0.0 ? 1 : 0;
        }
        const int turns = static_cast<int>(res.turnAngles.size());
        const double ratio = ratioSum / turns;
        scale.measured = ratio;
        scale.outcome = within(notBeyond(std::fabs(ratio - 1.0) * 100.0, lim.gyroScalePercent));
        if (res.turnsUnseen == 0 && wrongWay == 0) v.suggested.gyroScale = settings.gyroScale / ratio;
        if (res.turnsUnseen > 0) {
            scale.outcome = CheckOutcome::fail;
            scale.note = printfString("the gyroscope did not see %d of %d turns", res.turnsUnseen, turns);
        } else if (wrongWay == turns) {
            scale.outcome = CheckOutcome::fail;
            scale.note = "every turn read the wrong way round (left must read positive about the vertical): "
                         "the gyroscope's sign is reversed";
        } else if (wrongWay > 0) {
            scale.outcome = CheckOutcome::fail;
            scale.note = printfString("%d of %d turns read the wrong way round: turned the other way?", wrongWay, turns);
        }
    }
    v.rows.push_back(scale);
}

}  // namespace

const char* outcomeName(CheckOutcome outcome) noexcept {
    switch (outcome) {
        case CheckOutcome::pass: return "PASS";
        case CheckOutcome::fail: return "FAIL";
        case CheckOutcome::skipped: return "SKIPPED";
    }
    return "?";
}

CheckVerdict judgeCheck(const CheckResults& results, const CheckSettings& settings, const BenchLimits& limits) {
    CheckVerdict v;
    addRestRows(v, results, settings.calibration, limits);
    addSixRows(v, results, settings.calibration, limits);
    addTurnRow(v, results, settings, limits);
    bool allPass = true;
    for (const CheckRow& r : v.rows) allPass = allPass && r.outcome == CheckOutcome::pass;
    v.exitStatus = allPass ? 0 : 1;
    return v;
}

}  // namespace vesko
