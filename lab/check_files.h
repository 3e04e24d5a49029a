// The files check writes beside its JSON report: the HTML page and the corrected headset file.
#pragma once

#include <string>

#include "check_page.h"
#include "check_session.h"

namespace vesko {

struct CheckFiles {
    std::string htmlPath;         // empty: none
    std::string writeConfigPath;  // empty: none
    std::string configPath;
    std::string configText;       // the --config file as read before the check
};

// Before any device is looked for: refuses a --write-config that names the
// --config file (2) and keeps the configuration's text (1 when it cannot be
// read). The exit status, or -1 when all is well.
int prepareCheckFiles(const CheckOptions& options, CheckFiles& files);

// After the verdict: writes each file asked for and says so on the console;
// the corrected headset file only where the six positions measured it.
// False when a file could not be written.
bool writeCheckFiles(const CheckFiles& files, const CheckPageInput& page);

}  // namespace vesko
