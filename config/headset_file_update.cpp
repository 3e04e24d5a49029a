// Rewriting the accelerometer calibration of a headset file through a document that keeps member order.
#include "headset_file_update.h"

#include <exception>

#include <nlohmann/json.hpp>

namespace vesko {

namespace {

using OrderedJson = nlohmann::ordered_json;

void setAxes(OrderedJson& array, const char* key, const ConfigVector& values,
             std::vector<ConfigValueChange>& changes) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        OrderedJson& element = array.at(i);
        const double from = element.get<double>();  // the loader's check: a number
        element = values[i];
        if (from != values[i]) changes.push_back({key, static_cast<int>(i), from, values[i]});
    }
}

}  // namespace

AccCalibrationUpdate updateAccCalibration(const std::string& text, const ConfigVector& accBias,
                                          const ConfigVector& accScale) {
    AccCalibrationUpdate update;
    try {
        OrderedJson doc = OrderedJson::parse(text, nullptr, true, false);
        OrderedJson& imu = doc.at("imu");
        setAxes(imu.at("acc_bias"), "acc_bias", accBias, update.changes);
        setAxes(imu.at("acc_scale"), "acc_scale", accScale, update.changes);
        update.text = doc.dump(2) + "\n";
        update.ok = true;
    } catch (const std::exception& e) {
        update.error = e.what();
        update.changes.clear();
    }
    return update;
}

}  // namespace vesko
