// Discovery as the stream uses it: enumerate the attached units, then choose one.
#include "watchman_discovery.h"

#include <string>

namespace vesko {

namespace {

constexpr char kSourceTreeRule[] = "packaging/70-headvane-imu.rules";

}  // namespace

bool printPermissionHint(const WatchmanEnumeration& found, std::FILE* err) {
    if (!found.candidates.empty() || found.permissionDenied.empty()) return false;
    std::fprintf(err, "TundraImu: no permission to open");
    for (std::size_t i = 0; i < found.permissionDenied.size(); ++i) {
        std::fprintf(err, "%s%s", i == 0 ? " " : ", ", found.permissionDenied[i].c_str());
    }
    std::fprintf(err,
                 "; to grant access, copy %s to /etc/udev/rules.d/, run "
                 "'udevadm control --reload' and 'udevadm trigger', then replug the headset\n",
                 found.accessRule.empty() ? kSourceTreeRule : found.accessRule.c_str());
    std::fflush(err);
    return true;
}

std::string enumerationFailure(const char* call, unsigned long error) {
    return std::string(call).append(" failed (err ").append(std::to_string(error)).append(")");
}

DeviceHandle openWatchman(const WideString& wserial, WideString* chosen, bool verbose) {
    WatchmanEnumeration found;
    if (!enumerateWatchmen(found)) {
        if (verbose) {
            std::fprintf(stderr, "TundraImu: %s\n", found.failure.c_str());
            std::fflush(stderr);
        }
        return kNoDevice;
    }
    const DeviceHandle handle = chooseWatchman(found, wserial, chosen, verbose);
    if (verbose) printPermissionHint(found, stderr);
    return handle;
}

}  // namespace vesko
