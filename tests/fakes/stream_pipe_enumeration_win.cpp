// Discovery over named pipes: each offered pipe whose server still listens
// becomes one paired candidate, as a real unit beside its MCU would.
#include <windows.h>

#include <mutex>
#include <vector>

#include "stream_pipe_enumeration.h"
#include "watchman_discovery.h"

namespace vesko {

namespace {

struct OfferedPipe {
    std::wstring name;
    std::string serial;
};

std::mutex offersLock;
std::vector<OfferedPipe> offers;

constexpr char16_t kMcuLocation[] = u"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(1)#USB(2)";

}  // namespace

void fake::offerPipe(const std::wstring& pipeName, const std::string& serial) {
    std::scoped_lock guard(offersLock);
    offers.push_back({pipeName, serial});
}

void fake::withdrawPipe(const std::wstring& pipeName) {
    std::scoped_lock guard(offersLock);
    std::erase_if(offers, [&](const OfferedPipe& offer) { return offer.name == pipeName; });
}

bool enumerateWatchmen(WatchmanEnumeration& found) {
    std::scoped_lock guard(offersLock);
    for (const OfferedPipe& offer : offers) {
        HANDLE client = ::CreateFileW(offer.name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (client == INVALID_HANDLE_VALUE) continue;  // gone, or its one instance is taken
        found.candidates.push_back({reinterpret_cast<DeviceHandle>(client), widenSerial(offer.serial), true});
    }
    if (!found.candidates.empty()) found.mcuPaths.emplace_back(kMcuLocation);
    return true;
}

void closeDevice(DeviceHandle handle) noexcept {
    if (handle != kNoDevice) ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace vesko
