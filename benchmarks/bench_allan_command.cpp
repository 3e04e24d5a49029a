// The whole allan command on a four-hour capture: parse, analysis, JSON and SVG, as a process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "capture_text.h"

namespace vesko {
namespace {

namespace fs = std::filesystem;

// Four hours at 1 kHz of white noise about a level unit's readings, written once.
const fs::path& fourHourCapture() {
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / "headvane-bench-4h.csv";
        std::ofstream out(p, std::ios::binary);
        CaptureMetadata meta;
        meta.formatVersion = kCaptureFormatVersion;
        out << captureHeaderText(meta);
        std::mt19937 rng(9);
        std::normal_distribution<double> noise(0.0, 3.0);
        std::string chunk;
        for (std::uint64_t i = 0; i < 14'400'000; ++i) {
            CaptureRow row{static_cast<std::int64_t>(i * 1000), {}};
            for (std::size_t a = 0; a < 3; ++a) {
                row.sample.acc[a] = static_cast<std::int16_t>((a == 1 ? 4096 : 0) + std::lround(noise(rng)));
                row.sample.gyro[a] = static_cast<std::int16_t>(std::lround(noise(rng)));
            }
            row.sample.timestamp = static_cast<std::uint32_t>(i * 48'000);
            row.sample.seq = static_cast<std::uint8_t>(i);
            appendCaptureRow(chunk, row);
            if (chunk.size() > (1u << 20)) {
                out << chunk;
                chunk.clear();
            }
        }
        out << chunk;
        return p;
    }();
    return path;
}

void BM_AllanCommandFourHours(benchmark::State& state) {
    const fs::path& capture = fourHourCapture();
    const fs::path out = fs::temp_directory_path() / "headvane-bench-4h";
    const std::string command = std::string(LAB_SIM_EXE) + " allan " + capture.string() + " --json " +
                                out.string() + ".json --svg " + out.string() + ".svg > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("allan failed");
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["capture_MB"] = static_cast<double>(fs::file_size(capture)) / 1e6;
}
BENCHMARK(BM_AllanCommandFourHours)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace vesko

BENCHMARK_MAIN();
