// Writing the check's HTML page and its corrected headset file.
#include "check_files.h"

#include <cstdio>

#include "check_config_output.h"
#include "config_file.h"
#include "lab_command.h"
#include "same_file.h"
#include "text_file.h"

namespace vesko {

namespace {

bool writeFile(const std::string& option, const std::string& path, const std::string& text) {
    if (writeTextFile(path, text)) return true;
    std::fprintf(stderr, "check: %s %s: cannot write\n", option.c_str(), path.c_str());
    return false;
}

bool writeCorrectedConfig(const CheckFiles& files, const CheckPageInput& page) {
    const CorrectedConfig corrected = correctedConfig(files.configText, page.verdict.suggested);
    if (!corrected.measured) {
        std::printf("\n--write-config %s: not written: the six positions did not measure acc_bias and acc_scale\n",
                    files.writeConfigPath.c_str());
        return true;
    }
    if (!corrected.ok) {
        std::fprintf(stderr, "check: --write-config: %s: %s\n", files.configPath.c_str(), corrected.error.c_str());
        return false;
    }
    if (!writeFile("--write-config", files.writeConfigPath, corrected.text)) return false;
    std::printf("\nWrote %s (%s with the measured acc_bias and acc_scale):\n%s%s", files.writeConfigPath.c_str(),
                files.configPath.c_str(), corrected.report.c_str(),
                gyroScaleAdvice(page.verdict.suggested, page.context.gyroScale).c_str());
    return true;
}

}  // namespace

int prepareCheckFiles(const CheckOptions& options, CheckFiles& files) {
    files.htmlPath = options.htmlPath;
    files.writeConfigPath = options.writeConfigPath;
    files.configPath = options.configPath;
    if (files.writeConfigPath.empty()) return -1;
    if (namesSameFile(files.writeConfigPath, files.configPath)) {
        std::fprintf(stderr, "check: --write-config %s is the --config file: write the corrected file beside it\n",
                     files.writeConfigPath.c_str());
        return kLabExitUsage;
    }
    if (readConfigFile(files.configPath, files.configText) != ConfigFileRead::ok) {
        std::fprintf(stderr, "check: cannot read %s\n", files.configPath.c_str());
        return kLabExitFailure;
    }
    return -1;
}

bool writeCheckFiles(const CheckFiles& files, const CheckPageInput& page) {
    bool ok = true;
    if (!files.htmlPath.empty()) ok = writeFile("--html", files.htmlPath, checkPage(page)) && ok;
    if (!files.writeConfigPath.empty()) ok = writeCorrectedConfig(files, page) && ok;
    return ok;
}

}  // namespace vesko
