// Where an installed rule would lie relative to the running executable, and whether it is there.
#include "access_rule.h"

#include <system_error>

namespace vesko {

namespace {

// Set by the build from the install layout: the rule as seen from the programs' folder.
constexpr char kRuleFromProgramDir[] = HEADVANE_RULE_FROM_BINDIR;

}  // namespace

std::string accessRuleBeside(const std::filesystem::path& executable) {
    const std::filesystem::path rule = (executable.parent_path() / kRuleFromProgramDir).lexically_normal();
    std::error_code error;
    return std::filesystem::is_regular_file(rule, error) ? rule.string() : std::string();
}

std::string installedAccessRule() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : accessRuleBeside(self);
}

}  // namespace vesko
