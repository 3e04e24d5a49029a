// Writing the check's HTML page and its corrected headset file.
#include "check_files.h"

#include <cstdio>

#include "check_config_output.h"
#include "config_file.h"
#include "lab_command.h"
#include "same_file.h"

namespace vesko {

namespace {

bool writeFile(const std::string& option, OutputFile& out, const std::string& text) {
    if (out.writeWhole(text)) return true;
    std::fprintf(stderr, "check: %s %s: cannot write\n", option.c_str(), out.path().c_str());
    if (!out.error().empty()) std::fprintf(stderr, "check: %s\n", out.error().c_str());
    return false;
}

bool writeCorrectedConfig(CheckFiles& files, const CheckPageInput& page) {
    const CorrectedConfig corrected = correctedConfig(files.configText, page.verdict.suggested);
    if (!corrected.measured) {
        files.writeConfig.discard();
        std::printf("\n--write-config %s: not written: the six positions did not measure acc_bias and acc_scale\n",
                    files.writeConfig.path().c_str());
        return true;
    }
    if (!corrected.ok) {
        files.writeConfig.discard();
        std::fprintf(stderr, "check: --write-config: %s: %s\n", files.configPath.c_str(), corrected.error.c_str());
        return false;
    }
    if (!writeFile("--write-config", files.writeConfig, corrected.text)) return false;
    std::printf("\nWrote %s (%s with the measured acc_bias and acc_scale):\n%s%s", files.writeConfig.path().c_str(),
                files.configPath.c_str(), corrected.report.c_str(),
                gyroScaleAdvice(page.verdict.suggested, page.context.gyroScale).c_str());
    return true;
}

}  // namespace

int refuseCorrectedFileOverConfig(const CheckOptions& options) {
    if (options.writeConfigPath.empty() || !namesSameFile(options.writeConfigPath, options.configPath)) return -1;
    std::fprintf(stderr, "check: --write-config %s is the --config file: write the corrected file beside it\n",
                 options.writeConfigPath.c_str());
    return kLabExitUsage;
}

int prepareCheckFiles(const CheckOptions& options, CheckFiles& files) {
    files.configPath = options.configPath;
    if (!options.writeConfigPath.empty() &&
        readConfigFile(files.configPath, files.configText) != ConfigFileRead::ok) {
        std::fprintf(stderr, "check: cannot read %s\n", files.configPath.c_str());
        return kLabExitFailure;
    }
    // Reports replace an older one, as they always have; only captures ask for --force.
    const std::pair<OutputFile*, const std::string*> outputs[] = {
        {&files.json, &options.jsonPath}, {&files.html, &options.htmlPath},
        {&files.writeConfig, &options.writeConfigPath}};
    for (const auto& [out, path] : outputs) {
        if (path->empty()) continue;
        const OutputFile::Opened opened = out->open(*path, true);
        if (opened == OutputFile::Opened::ok) continue;
        std::fprintf(stderr, "check: %s\n", out->error().c_str());
        return opened == OutputFile::Opened::failed ? kLabExitFailure : kLabExitUsage;
    }
    return -1;
}

bool writeCheckFiles(CheckFiles& files, const CheckPageInput& page) {
    bool ok = true;
    if (files.html.isOpen()) ok = writeFile("--html", files.html, checkPage(page)) && ok;
    if (files.writeConfig.isOpen()) ok = writeCorrectedConfig(files, page) && ok;
    return ok;
}

}  // namespace vesko
