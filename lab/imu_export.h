// A capture's samples in SI units, as the CSV text that other IMU tools and plotters read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture_format.h"
#include "headset_config.h"
#include "vector_math.h"

namespace vesko {

enum class ExportFormat {
    euroc,  // "#timestamp [ns],w_RS_S_x [rad s^-1],...": nanoseconds since 1970
    csvSi,  // "t_s,...": decimal seconds since the first sample, for plotting
};

enum class ExportFrame {
    imu,   // the IMU's own axes
    head,  // the headset's (+X right, +Y up, +Z back), through the configuration's mounting
};

inline constexpr const char* kEurocColumns =
    "#timestamp [ns],w_RS_S_x [rad s^-1],w_RS_S_y [rad s^-1],w_RS_S_z [rad s^-1],"
    "a_RS_S_x [m s^-2],a_RS_S_y [m s^-2],a_RS_S_z [m s^-2]";
inline constexpr const char* kCsvSiColumns =
    "t_s,gyro_x_rad_s,gyro_y_rad_s,gyro_z_rad_s,acc_x_m_s2,acc_y_m_s2,acc_z_m_s2";

struct ExportSettings {
    ExportFormat format = ExportFormat::euroc;
    ExportFrame frame = ExportFrame::imu;
    double gyroScale = kImuGyroRadPerSecPerCount;  // rad/s per count
    double accCountsPerG = kImuAccCountsPerG;
    // With a configuration: its accelerometer calibration, and its mounting for the head frame.
    std::optional<ImuCalibration> calibration;
    std::string configPath;   // named in the comment lines
    std::string capturePath;  // likewise
};

// The lines before the first row: the column header and `#` lines saying
// where the data came from, the time base and every conversion applied.
std::string exportPreamble(const ExportSettings& settings, const CaptureMetadata& metadata);

// csv-si's `#` line, just before its first row, tying t_s 0 to nanoseconds since 1970.
std::string firstSampleComment(std::int64_t firstNs);

// Converts raw rows into SI rows in the chosen frame.
class ExportRows {
public:
    explicit ExportRows(const ExportSettings& settings);

    // Appends one row. `ns` is the sample's time in nanoseconds (since 1970
    // for euroc); `elapsedNs` since the first sample (csv-si's t_s).
    void append(std::string& out, const ImuSample& sample, std::int64_t ns, std::int64_t elapsedNs) const;

    Vector3 rate(const ImuSample& sample) const noexcept;          // rad/s
    Vector3 acceleration(const ImuSample& sample) const noexcept;  // m/s^2

private:
    ExportFormat format;
    double gyroScale;
    double accCountsPerG;
    ImuCalibration calibration;  // the identity calibration without a configuration
    Matrix3 toFrame{{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};
};

}  // namespace vesko
