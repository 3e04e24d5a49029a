// Fuzzes the headset document parser with arbitrary text: no crash, leak or escaping exception.
#include "headset_config.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    vesko::HeadsetConfig cfg;
    std::string error = "unset";
    const bool loaded = vesko::parseHeadsetConfig(text, cfg, &error);
    // Success leaves the text alone; a failure always says why, in the one known form.
    check(loaded ? error == "unset" : error.rfind("config parse error: ", 0) == 0);
    check(error.find('\n') == std::string::npos);
    return 0;
}
