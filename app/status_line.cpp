// Formatting of each console text: the gyro-scale banner line, acknowledgements, the serial warning, the status line.
#include "status_line.h"

#include "device_handle.h"
#include "fixed_decimal.h"
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
    // "\ryaw %+8.2f pitch %+7.2f roll %+7.2f | g_head [%+.3f %+.3f %+.3f] |a| %.3fg | "
    // "drift°/min y%+.2f p%+.2f r%+.2f (%.1fm) | n %llu rst %llu   ", a piece at a time:
    // replay writes one for every 0.2 s of a capture, and printf's own %f costs several times more.
    std::string text = "\ryaw ";
    appendFixed(text, angles.yaw, 2, Sign::plusOrMinus, 8);
    text += " pitch ";
    appendFixed(text, angles.pitch, 2, Sign::plusOrMinus, 7);
    text += " roll ";
    appendFixed(text, angles.roll, 2, Sign::plusOrMinus, 7);
    text += " | g_head [";
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) text += ' ';
        appendFixed(text, snapshot.gHead[i], 3, Sign::plusOrMinus);
    }
    text += "] |a| ";
    appendFixed(text, snapshot.accNorm, 3);
    text += "g | drift°/min y";
    appendFixed(text, rates.yaw, 2, Sign::plusOrMinus);
    text += " p";
    appendFixed(text, rates.pitch, 2, Sign::plusOrMinus);
    text += " r";
    appendFixed(text, rates.roll, 2, Sign::plusOrMinus);
    text += " (";
    appendFixed(text, minutes, 1);
    text += "m) | n ";
    text += std::to_string(snapshot.samples);
    text += " rst ";
    text += std::to_string(snapshot.resets);
    text += "   ";
    return text;
}

}  // namespace vesko
