// Headset documents for the loader tests: a minimal valid one and one-line variations of it.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace vesko::test {

using Json = nlohmann::json;

// One colour channel whose values all derive from `base`, so a swapped channel shows.
inline Json channel(double base) {
    return {{"type", "DISTORT_POLY3"}, {"center_x", base}, {"center_y", base + 0.5},
            {"coeffs", {base + 0.1, base + 0.2, base + 0.3}}};
}

inline Json eye(double base) {
    return {{"distortion_red", channel(base + 1)},
            {"distortion", channel(base + 2)},
            {"distortion_blue", channel(base + 3)},
            {"grow_for_undistort", base + 4},
            {"undistort_r2_cutoff", base + 5},
            {"intrinsics", {{base, 1, 2}, {3, 4, 5}, {6, 7, 8}}},
            {"eye_to_head", {{1, 0, 0}, {0, 1, 0}, {0, 0, base}}}};
}

// Every required member and none of the optional ones.
inline Json minimalDocument() {
    return {{"device_serial_number", "UNIT-1"},
            {"device",
             {{"eye_target_width_in_pixels", 1440}, {"eye_target_height_in_pixels", 1600}}},
            {"ipd", {{"default_mm", 63.5}}},
            {"head", {{"plus_x", {1, 0, 0}}, {"plus_z", {0, 0, 1}}, {"position", {0.1, 0.2, 0.3}}}},
            {"imu",
             {{"plus_x", {-1, 0, 0}}, {"plus_z", {0, -1, 0}}, {"position", {0.4, 0.5, 0.6}},
              {"acc_bias", {0.01, 0.02, 0.03}}, {"acc_scale", {1.1, 1.2, 1.3}},
              {"gyro_bias", {4, 5, 6}}}},
            {"tracking_to_eye_transform", {eye(10), eye(20)}},
            {"display_color_mult", {{0.91, 0.92, 0.93}, {0.81, 0.82, 0.83}}}};
}

// The minimal document (or `doc`) with the member at `pointer` set to `value`.
inline Json with(const char* pointer, Json value, Json doc = minimalDocument()) {
    doc[Json::json_pointer(pointer)] = std::move(value);
    return doc;
}

// The minimal document (or `doc`) without the member at `pointer`.
inline Json without(const char* pointer, Json doc = minimalDocument()) {
    const Json::json_pointer member(pointer);
    doc[member.parent_pointer()].erase(member.back());
    return doc;
}

}  // namespace vesko::test
