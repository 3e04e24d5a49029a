// Names of the IMU axes.
#include "imu_axis.h"

namespace vesko {

std::string_view axisName(ImuAxis axis) noexcept {
    switch (axis) {
        case ImuAxis::gyroX: return "gyro x";
        case ImuAxis::gyroY: return "gyro y";
        case ImuAxis::gyroZ: return "gyro z";
        case ImuAxis::accX: return "acc x";
        case ImuAxis::accY: return "acc y";
        case ImuAxis::accZ: return "acc z";
    }
    return "?";
}

}  // namespace vesko
