// Writing allan's noise file and HTML page, and keeping every output off the inputs.
#include "allan_files.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "allan_kalibr.h"
#include "allan_page.h"
#include "capture_parser.h"
#include "capture_source.h"
#include "lab_command.h"
#include "record_texts.h"
#include "same_file.h"

namespace vesko {

namespace {

// The header sits at the top: reading stops at the column line.
CaptureMetadata captureHeader(const std::string& path) {
    CaptureMetadata header;
    bool done = false;
    CaptureHandlers handlers;
    handlers.onHeader = [&](const CaptureMetadata& m) {
        header = m;
        done = true;
    };
    CaptureParser parser(std::move(handlers));
    CaptureSource source;
    if (!source.open(path)) return header;
    std::array<char, 16384> chunk{};
    while (!done) {
        const std::size_t n = source.read(chunk);
        if (n == 0 || !parser.feed(std::string_view(chunk.data(), n))) break;
    }
    return header;
}

bool write(const char* option, OutputFile& out, const std::string& text) {
    if (out.writeWhole(text)) return true;
    std::fprintf(stderr, "allan: %s %s: cannot write\n", option, out.path().c_str());
    if (!out.error().empty()) std::fprintf(stderr, "allan: %s\n", out.error().c_str());
    return false;
}

}  // namespace

int refuseOutputsOverInputs(const AllanOptions& options) {
    const std::array<std::pair<const char*, const std::string*>, 4> outputs{{{"--json", &options.jsonPath},
                                                                             {"--svg", &options.svgPath},
                                                                             {"--kalibr", &options.kalibrPath},
                                                                             {"--html", &options.htmlPath}}};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto& [option, path] = outputs[i];
        if (path->empty()) continue;
        for (std::size_t j = 0; j < i; ++j) {
            if (outputs[j].second->empty() || !namesSameFile(*path, *outputs[j].second)) continue;
            std::fprintf(stderr, "allan: %s %s is also the %s file: give each output its own\n", option, path->c_str(),
                         outputs[j].first);
            return kLabExitUsage;
        }
        for (const std::string* input : {&options.capturePath, &options.configPath}) {
            if (input->empty() || !namesSameFile(*path, *input)) continue;
            std::fprintf(stderr, "allan: %s %s is the %s: an output never replaces an input\n", option,
                         path->c_str(), input == &options.capturePath ? "capture" : "--config file");
            return kLabExitUsage;
        }
    }
    return -1;
}

int reserveOutputs(const AllanOptions& options, AllanOutputs& outputs) {
    const std::pair<OutputFile*, const std::string*> asked[] = {{&outputs.json, &options.jsonPath},
                                                                {&outputs.svg, &options.svgPath},
                                                                {&outputs.kalibr, &options.kalibrPath},
                                                                {&outputs.html, &options.htmlPath}};
    for (const auto& [out, path] : asked) {
        if (path->empty()) continue;
        const OutputFile::Opened opened = out->open(*path, true);
        if (opened == OutputFile::Opened::ok) continue;
        std::fprintf(stderr, "allan: %s\n", out->error().c_str());
        return opened == OutputFile::Opened::failed ? kLabExitFailure : kLabExitUsage;
    }
    return -1;
}

bool writeAllanFiles(const AllanOptions& options, const NoiseAnalysis& analysis, AllanOutputs& outputs) {
    bool ok = true;
    if (!options.kalibrPath.empty()) {
        std::string missing;
        const std::string yaml =
            kalibrYaml(imuNoiseSi(analysis), noiseSource(analysis, options.capturePath, HEADVANE_VERSION), &missing);
        if (yaml.empty()) {
            std::fprintf(stderr, "allan: --kalibr %s: not written: %s has no axis that changed to come from\n",
                         options.kalibrPath.c_str(), missing.c_str());
            ok = false;
        } else {
            ok = write("--kalibr", outputs.kalibr, yaml) && ok;
        }
    }
    if (!options.htmlPath.empty()) {
        const CaptureMetadata header = captureHeader(options.capturePath);
        const std::string now = utcNowText();
        const std::string version = HEADVANE_VERSION;
        ok = write("--html", outputs.html, allanPage({analysis, options.capturePath, header, now, version})) && ok;
    }
    return ok;
}

}  // namespace vesko
