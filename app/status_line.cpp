// Formatting of each console text: the gyro-scale banner line, acknowledgements, the serial warning, the status line.
#include "status_line.h"

#include "device_handle.h"
#include "printf_string.h"

namespace vesko {

std::string gyroScaleLine(double gyroScale) {
    return printfString("gyro scale %.9f rad/s/LSB  (gate-2 value; default is the unverified prior)\n",
                        gyroScale);
}

std::string serialWarning(const std::string& configuredSerial, const std::string& attachedSerial) {
    // Both serials come from outside (a file, a device): never raw to the terminal.
    return printfString("\nWARNING: config %s but attached unit %s — calibration does not match this headset!\n",
                        toPrintable(configuredSerial).c_str(), toPrintable(attachedSerial).c_str());
}

std::string markLine(const FilterSnapshot& snapshot) {
    return printfString("bias [%.2f %.2f %.2f] LSB — drift reference marked\n", snapshot.bias[0],
                        snapshot.bias[1], snapshot.bias[2]);
}

std::string statusLine(const YawPitchRoll& angles, const FilterSnapshot& snapshot,
                       const DriftRates& rates, double minutes) {
    return printfString(
        "\ryaw %+8.2f pitch %+7.2f roll %+7.2f | g_head [%+.3f %+.3f %+.3f] |a| %.3fg | "
        "drift°/min y%+.2f p%+.2f r%+.2f (%.1fm) | n %llu rst %llu   ",
        angles.yaw, angles.pitch, angles.roll, snapshot.gHead[0], snapshot.gHead[1], snapshot.gHead[2],
        snapshot.accNorm, rates.yaw, rates.pitch, rates.roll, minutes,
        static_cast<unsigned long long>(snapshot.samples),
        static_cast<unsigned long long>(snapshot.resets));
}

}  // namespace vesko
