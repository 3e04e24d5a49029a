// make_long_capture --hours H [--gzip [--level L]] [--force] OUT: a synthetic capture of known truth.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "gzip_capture_file.h"
#include "long_capture.h"

int main(int argc, char** argv) {
    CLI::App app("Writes a deterministic capture of a level unit at rest (1 kHz) whose noise figures are known.");
    double hours = 0.0;
    bool gzip = false;
    int level = vesko::GzipCaptureFile::kDefaultLevel;
    bool force = false;
    std::string out;
    app.add_option("--hours", hours, "length of the capture in hours")->required()->check(CLI::Range(1e-3, 1000.0));
    app.add_flag("--gzip", gzip, "write it gzip-compressed");
    app.add_option("--level", level, "zlib level with --gzip: 1 fastest (a day in about a minute), 9 smallest")
        ->check(CLI::Range(1, 9));
    app.add_flag("--force", force, "replace OUT if it exists");
    app.add_option("out", out, "the capture file to write")->required();
    CLI11_PARSE(app, argc, argv);
    const std::string error = vesko::writeLongCapture(out, hours, gzip ? level : 0, force);
    if (error.empty()) return 0;
    std::fprintf(stderr, "make_long_capture: %s\n", error.c_str());
    return 1;
}
