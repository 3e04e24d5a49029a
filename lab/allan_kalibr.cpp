// Picks each sensor's largest axis for the four noise values and writes them as the calibrator's YAML.
#include "allan_kalibr.h"

#include <algorithm>
#include <cmath>

#include "allan_report.h"
#include "allan_units.h"
#include "printable_text.h"
#include "printf_string.h"

namespace vesko {

namespace {

// A random walk is seen once its +1/2 line stands clearly above the floor,
// and read well once the record holds some ten clusters of that length.
constexpr double kWalkOverFloor = 2.0;
constexpr double kClustersToReadWalk = 10.0;
constexpr double kWalkReadAt = 3.0;  // s: K is the +1/2 line at tau = 3 s

NoiseFigure scaled(const NoiseFigure& f, double factor) {
    return {f.measured, f.value * factor, f.lower * factor, f.upper * factor, f.tau};
}

// Where a walk as large as `walk` would rise to twice `floor` (both in the curve's units).
double walkRecordSeconds(double walk, double floor) {
    if (!(walk > 0.0) || !(floor > 0.0) || !std::isfinite(walk) || !std::isfinite(floor)) return 0.0;
    const double ratio = kWalkOverFloor * floor / walk;
    return kClustersToReadWalk * kWalkReadAt * ratio * ratio;
}

LargestAxisFigure largestOf(const NoiseAnalysis& a, std::size_t first, std::string_view name, bool walk) {
    const SensorUnits& u = unitsOf(a.axes[first].axis);
    const FigureUnit& si = walk ? u.walkSi : u.whiteSi;
    LargestAxisFigure out{name, si.json, {}, {}, std::nullopt, 0.0};
    for (std::size_t i = 0; i < 3; ++i) {
        const AxisNoise& axis = a.axes[first + i];
        out.axes[i] = axis.axis;
        if (axis.neverChanged) continue;
        const NoiseFigure f = scaled(walk ? axis.figures.rateWalk : axis.figures.white, si.factor);
        if (!std::isfinite(f.value) || !(f.value > 0.0)) continue;
        out.perAxis[i] = f;
        if (!out.largest || f.value > out.perAxis[*out.largest]->value) out.largest = i;
    }
    if (out.available() && !out.figure().measured && walk) {
        const NoiseFigures& f = a.axes[first + *out.largest].figures;
        const double analysed = static_cast<double>(a.run.length) * a.tau0;
        out.recordSeconds = std::max(walkRecordSeconds(f.rateWalk.value, f.rawMinimum.value), 2.0 * analysed);
    }
    return out;
}

std::string number(double value) { return printfString("%.5e", value); }

// "# largest of acc x 1.23e-03, acc y <= 4.56e-03, acc z never changed"
std::string perAxisLine(const LargestAxisFigure& v) {
    std::string out = "# largest of ";
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) out += ", ";
        out += axisName(v.axes[i]);
        if (!v.perAxis[i]) {
            out += " never changed";
            continue;
        }
        out += v.perAxis[i]->measured ? " " : " <= ";
        out += printfString("%.3e", v.perAxis[i]->value);
    }
    return out + "\n";
}

std::string boundLine(const LargestAxisFigure& v) {
    const std::string axis(axisName(v.axes[*v.largest]));
    if (v.recordSeconds > 0.0) {
        return "# only an upper bound: " + axis + " never rises on the +1/2 slope; a record of some " +
               spanText(v.recordSeconds) + " or longer would measure it\n";
    }
    return "# only an upper bound: " + axis +
           " shows no -1/2 slope (motion or another noise hides it), which a longer record would not change\n";
}

std::string entry(const LargestAxisFigure& v) {
    std::string out = std::string(v.name) + ": " + number(v.figure().value) + "  # " + std::string(v.unit) + "\n";
    out += perAxisLine(v);
    if (!v.figure().measured) out += boundLine(v);
    return out;
}

// A rate written the format's way: a decimal point even when whole.
std::string rateText(double hz) {
    std::string text = printfString("%.6g", hz);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

}  // namespace

ImuNoiseSi imuNoiseSi(const NoiseAnalysis& a) {
    ImuNoiseSi out;
    out.accNoise = largestOf(a, 3, "accelerometer_noise_density", false);
    out.accWalk = largestOf(a, 3, "accelerometer_random_walk", true);
    out.gyroNoise = largestOf(a, 0, "gyroscope_noise_density", false);
    out.gyroWalk = largestOf(a, 0, "gyroscope_random_walk", true);
    out.updateRateHz = a.tau0 > 0.0 ? 1.0 / a.tau0 : 0.0;
    return out;
}

std::string noiseSource(const NoiseAnalysis& a, const std::string& capturePath, const std::string& toolVersion) {
    return "headvane-lab " + toolVersion + " allan of " + capturePath + ": " + analysedLine(a);
}

std::string kalibrYaml(const ImuNoiseSi& noise, std::string_view source, std::string* missing) {
    for (const LargestAxisFigure* v : noise.all()) {
        if (v->available()) continue;
        if (missing) *missing = std::string(v->name);
        return {};
    }
    std::string out = "# IMU noise model (continuous time), from " + printableText(source) + "\n";
    out += "# Each value is the largest of the sensor's three axes, as the line below it shows.\n\n";
    out += entry(noise.accNoise) + entry(noise.accWalk) + "\n" + entry(noise.gyroNoise) + entry(noise.gyroWalk);
    out += "\nrostopic: " + std::string(kImuTopic) + "\n";
    out += "update_rate: " + rateText(noise.updateRateHz) + "  # Hz, one sample per tau0\n";
    return out;
}

}  // namespace vesko
