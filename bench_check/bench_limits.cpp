// Limits: defaults, the limits file and its errors.
#include "bench_limits.h"

#include <array>
#include <nlohmann/json.hpp>
#include <set>

#include "config_file.h"
#include "printf_string.h"

namespace vesko {

namespace {

struct LimitKey {
    const char* key;
    double BenchLimits::*field;
};

constexpr std::array<LimitKey, 8> kKeys{{
    {"gyro_bias_counts", &BenchLimits::gyroBiasCounts},
    {"gyro_noise_max_counts", &BenchLimits::gyroNoiseMaxCounts},
    {"gyro_noise_min_counts", &BenchLimits::gyroNoiseMinCounts},
    {"acc_norm_mg", &BenchLimits::accNormMilliG},
    {"yaw_drift_deg_per_min", &BenchLimits::yawDriftDegPerMin},
    {"acc_bias_mg", &BenchLimits::accBiasMilliG},
    {"acc_scale_percent", &BenchLimits::accScalePercent},
    {"gyro_scale_percent", &BenchLimits::gyroScalePercent},
}};

const LimitKey* findKey(const std::string& key) {
    for (const LimitKey& k : kKeys) {
        if (key == k.key) return &k;
    }
    return nullptr;
}

// Checks the whole document first, so that a bad file leaves `limits` untouched.
bool applyMembers(const nlohmann::json& doc, BenchLimits& limits, std::string& error) {
    BenchLimits updated = limits;
    for (const auto& [key, value] : doc.items()) {
        const LimitKey* k = findKey(key);
        if (k == nullptr) {
            error = "unknown key '" + key + "'";
            return false;
        }
        if (!value.is_number()) {
            error = "'" + key + "' must be a number, not " + value.type_name();
            return false;
        }
        const double v = value.get<double>();
        if (v < 0.0) {
            error = "'" + key + "' must not be negative";
            return false;
        }
        updated.*(k->field) = v;
    }
    // The file may set either end: the pair is judged as it will be used.
    if (updated.gyroNoiseMinCounts > updated.gyroNoiseMaxCounts) {
        error = printfString("'gyro_noise_min_counts' (%g) is above 'gyro_noise_max_counts' (%g)",
                             updated.gyroNoiseMinCounts, updated.gyroNoiseMaxCounts);
        return false;
    }
    limits = updated;
    return true;
}

// The JSON reader keeps the last of two equal keys; a limits file that says
// two things about one limit is refused instead.
std::string firstRepeatedKey(const std::string& text) {
    std::set<std::string> seen;
    std::string repeated;
    const auto watch = [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
        if (event == nlohmann::json::parse_event_t::key && depth == 1 && repeated.empty() && parsed.is_string() &&
            !seen.insert(parsed.get<std::string>()).second) {
            repeated = parsed.get<std::string>();
        }
        return true;
    };
    const nlohmann::json parsed = nlohmann::json::parse(text, watch, false);
    static_cast<void>(parsed);
    return repeated;
}

}  // namespace

bool parseBenchLimits(const std::string& text, BenchLimits& limits, std::string& error) {
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (doc.is_discarded()) {
        error = "not a JSON document";
        return false;
    }
    if (!doc.is_object()) {
        error = "must be a JSON object of limits";
        return false;
    }
    const std::string repeated = firstRepeatedKey(text);
    if (!repeated.empty()) {
        error = "key '" + repeated + "' given twice";
        return false;
    }
    return applyMembers(doc, limits, error);
}

bool loadBenchLimits(const std::string& path, BenchLimits& limits, std::string& error) {
    // The configuration's bounded reader: a device file or endless pipe cannot exhaust memory.
    std::string text;
    const ConfigFileRead read = readConfigFile(path, text);
    if (read != ConfigFileRead::ok) {
        error = "limits " + path + (read == ConfigFileRead::tooLarge ? ": too large" : ": cannot open");
        return false;
    }
    std::string why;
    if (parseBenchLimits(text, limits, why)) return true;
    error = "limits " + path + ": " + why;
    return false;
}

std::string benchLimitsJson(const BenchLimits& limits) {
    nlohmann::ordered_json doc = nlohmann::ordered_json::object();
    for (const LimitKey& k : kKeys) doc[k.key] = limits.*(k.field);
    return doc.dump();
}

}  // namespace vesko
