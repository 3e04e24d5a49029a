// The files check writes beside its JSON report: the HTML page and the corrected headset file.
#pragma once

#include <string>

#include "check_page.h"
#include "check_session.h"
#include "output_file.h"

namespace vesko {

// The check's report files, each reserved (as NAME.part) before any device is
// looked for and put in place only when written: an output not asked for is
// not open.
struct CheckFiles {
    OutputFile json;
    OutputFile html;
    OutputFile writeConfig;
    std::string configPath;
    std::string configText;  // the --config file as read before the check
};

// A --write-config that names the --config file: says so and returns 2, else -1.
int refuseCorrectedFileOverConfig(const CheckOptions& options);

// Before any device is looked for: keeps the configuration's text (1 when it
// cannot be read) and reserves each output (1 when it cannot be created, 2
// when a NAME.part of an earlier run is in the way). The exit status, or -1
// when all is well.
int prepareCheckFiles(const CheckOptions& options, CheckFiles& files);

// After the verdict: writes each file asked for (but the JSON report) and
// says so on the console; the corrected headset file only where the six
// positions measured it. False when a file could not be written.
bool writeCheckFiles(CheckFiles& files, const CheckPageInput& page);

}  // namespace vesko
