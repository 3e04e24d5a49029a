// Capture files of the simulated unit, written straight from its sensor model.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "capture_text.h"
#include "simulated_headset.h"

namespace vesko::test {

// `seconds` of the simulated unit from power-on; samples in [dropFrom,
// dropTo) are left out, as a lost stretch of the stream would be.
inline void writeSimCapture(const std::filesystem::path& path, double seconds, std::uint64_t dropFrom = 0,
                            std::uint64_t dropTo = 0) {
    CaptureMetadata meta;
    meta.formatVersion = kCaptureFormatVersion;
    meta.tool = "test";
    std::string text = captureHeaderText(meta);
    const auto count = static_cast<std::uint64_t>(seconds * kSimSamplesPerSecond);
    for (std::uint64_t i = 0; i < count; ++i) {
        if (i >= dropFrom && i < dropTo) continue;
        appendCaptureRow(text, {static_cast<std::int64_t>(i * 1000), simulatedSample(i)});
    }
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace vesko::test
