// The walk over a parsed headset document: which member is read, in which order, into which field.
#include "headset_document.h"

#include <stdexcept>
#include <string>

namespace vesko {
namespace {

// The only lens model the tool has been checked against.
constexpr const char* kSupportedDistortion = "DISTORT_POLY3";
constexpr std::size_t kEyeCount = 2;

// Channel order inside an eye: red, green, blue.
constexpr const char* kChannelKeys[] = {"distortion_red", "distortion", "distortion_blue"};

template <typename Pose>
void readPose(const Json& section, Pose& pose) {
    readVector(section.at("plus_x"), pose.plusX);
    readVector(section.at("plus_z"), pose.plusZ);
    readVector(section.at("position"), pose.position);
}

void readImu(const Json& section, ImuCalibration& imu) {
    readPose(section, imu);
    readVector(section.at("acc_bias"), imu.accBias);
    readVector(section.at("acc_scale"), imu.accScale);
    readVector(section.at("gyro_bias"), imu.gyroBias);
    imu.hasGyroAxisScale = section.contains("gyro_scale");
    if (imu.hasGyroAxisScale) {
        readVector(section.at("gyro_scale"), imu.gyroAxisScale);
    }
}

// The type is checked before anything else so an unknown lens model is what gets reported.
void readChannel(const Json& channel, DistortionPoly3& out) {
    const std::string type = readString(channel, "type");
    if (type != kSupportedDistortion) {
        throw std::runtime_error("unsupported distortion type " + type +
                                 " (only DISTORT_POLY3 is S3-verified)");
    }
    out.centerX = readNumber(channel, "center_x");
    out.centerY = readNumber(channel, "center_y");
    readVector(channel.at("coeffs"), out.coeffs);
}

void readEye(const Json& eye, const Json& colorMultiples, std::size_t index, EyeConfig& out) {
    for (std::size_t c = 0; c < out.distortion.size(); ++c) {
        readChannel(eye.at(kChannelKeys[c]), out.distortion[c]);
    }
    out.growForUndistort = readNumber(eye, "grow_for_undistort");
    out.undistortR2Cutoff = readNumber(eye, "undistort_r2_cutoff");
    readMatrix(eye.at("intrinsics"), out.intrinsics);
    readMatrix(eye.at("eye_to_head"), out.eyeToHead);
    readVector(colorMultiples.at(index), out.colorMult);
}

void readIdentityAndDisplay(const Json& doc, HeadsetConfig& cfg) {
    cfg.deviceSerialNumber = readString(doc, "device_serial_number");
    cfg.modelNumber = doc.value("model_number", std::string());
    const Json& device = doc.at("device");
    cfg.eyeTargetWidthInPixels = readPixelSize(device, "eye_target_width_in_pixels");
    cfg.eyeTargetHeightInPixels = readPixelSize(device, "eye_target_height_in_pixels");
    cfg.parallelRenderCameras = doc.value("parallel_render_cameras", false);
    cfg.ipdDefaultMm = readNumber(doc.at("ipd"), "default_mm");
    cfg.secondsFromVsyncToPhotons = doc.value("seconds_from_vsync_to_photons", 0.0);
    cfg.secondsFromPhotonsToVblank = doc.value("seconds_from_photons_to_vblank", 0.0);
}

}  // namespace

void readHeadsetDocument(const Json& doc, HeadsetConfig& cfg) {
    readIdentityAndDisplay(doc, cfg);
    readPose(doc.at("head"), cfg.head);
    readImu(doc.at("imu"), cfg.imu);

    const Json& eyes = doc.at("tracking_to_eye_transform");
    if (eyes.size() != kEyeCount) {
        throw std::runtime_error("expected 2 eyes");
    }
    // Looked up before the eyes so its absence is reported ahead of any lens error.
    const Json& colorMultiples = doc.at("display_color_mult");
    for (std::size_t i = 0; i < kEyeCount; ++i) {
        readEye(eyes.at(i), colorMultiples, i, cfg.eyes[i]);
    }
}

}  // namespace vesko
