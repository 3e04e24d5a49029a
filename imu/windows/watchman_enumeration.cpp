// Finds Watchman IMU interfaces and Dozero MCUs through SetupAPI, cfgmgr32 and hid.dll, and opens them.
#include "win_handle.h"

#include <cfgmgr32.h>
#include <devpropdef.h>
// MinGW's hidsdi.h declares C functions without a C++ guard.
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "watchman_discovery.h"

namespace vesko {

namespace {

constexpr DWORD kOpenAccess = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kOpenShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr std::size_t kSerialUnits = 128;
constexpr std::size_t kDeviceIdUnits = 200;
constexpr ULONG kLocationPathBytes = 1024;

// Device instance IDs as the configuration manager writes them.
constexpr char16_t kWatchmanRootIdPrefix[] = u"USB\\VID_28DE&PID_2300\\";
constexpr char16_t kDozeroMcuEnumerator[] = u"USB\\VID_35BD&PID_0101";
constexpr int kRootWalkLimit = 6;  // ancestors examined above a HID interface

// Defined here because not every SDK's headers provide its storage.
const DEVPROPKEY kLocationPathsKey = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 37};

// Text up to the first NUL, never reading past `maxUnits` even if the OS left none.
WideString fromWin(const wchar_t* text, std::size_t maxUnits) {
    const wchar_t* end = std::find(text, text + maxUnits, L'\0');
    return WideString(text, end);
}

std::wstring toWin(const WideString& text) { return std::wstring(text.begin(), text.end()); }

bool deviceIdOf(DEVINST node, WideString& id) {
    std::array<wchar_t, kDeviceIdUnits> buffer{};
    if (CM_Get_Device_IDW(node, buffer.data(), static_cast<ULONG>(buffer.size()), 0) != CR_SUCCESS) {
        return false;
    }
    id = fromWin(buffer.data(), buffer.size());
    return true;
}

// The first string of the node's location-path list; empty if there is none
// or it does not fit the buffer.
WideString locationPathOf(DEVINST node) {
    std::array<wchar_t, kLocationPathBytes / sizeof(wchar_t)> buffer{};
    DEVPROPTYPE type = 0;
    ULONG size = kLocationPathBytes;
    if (CM_Get_DevNode_PropertyW(node, &kLocationPathsKey, &type, reinterpret_cast<PBYTE>(buffer.data()),
                                 &size, 0) != CR_SUCCESS) {
        return {};
    }
    return fromWin(buffer.data(), std::min<std::size_t>(size, kLocationPathBytes) / sizeof(wchar_t));
}

// Climbs from a HID interface to the composite USB device it belongs to.
std::optional<DEVINST> findUsbRoot(DEVINST start, const WideString& prefix) {
    DEVINST node = start;
    for (int level = 0; level < kRootWalkLimit; ++level) {
        DEVINST parent = 0;
        WideString id;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS || !deviceIdOf(parent, id)) return std::nullopt;
        if (isUsbRootId(id, prefix)) return parent;
        node = parent;
    }
    return std::nullopt;
}

std::vector<WideString> findMcuPaths() {
    std::vector<WideString> paths;
    UniqueDevInfo set(SetupDiGetClassDevsW(nullptr, toWin(kDozeroMcuEnumerator).c_str(), nullptr,
                                           DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!set.valid()) return paths;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &info); ++index) {
        WideString id;
        if (!deviceIdOf(info.DevInst, id) || isInterfaceChildId(id)) continue;
        WideString path = locationPathOf(info.DevInst);
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

struct InterfaceDetail {
    WideString path;    // the device interface path CreateFileW opens
    DEVINST node = 0;   // the HID interface's device node
};

std::optional<InterfaceDetail> detailOf(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& iface) {
    using Detail = SP_DEVICE_INTERFACE_DETAIL_DATA_W;
    DWORD need = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set, &iface, nullptr, 0, &need, nullptr);
    if (need < sizeof(Detail)) return std::nullopt;
    std::vector<std::byte> buffer(need);
    auto* detail = reinterpret_cast<Detail*>(buffer.data());
    detail->cbSize = sizeof(Detail);
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    if (!::SetupDiGetDeviceInterfaceDetailW(set, &iface, detail, need, nullptr, &info)) return std::nullopt;
    const std::size_t pathUnits = (need - offsetof(Detail, DevicePath)) / sizeof(wchar_t);
    return InterfaceDetail{fromWin(detail->DevicePath, pathUnits), info.DevInst};
}

bool isWatchman(HANDLE device) {
    HIDD_ATTRIBUTES attr{};
    attr.Size = sizeof(attr);
    return HidD_GetAttributes(device, &attr) && attr.VendorID == kWatchmanVendorId &&
           attr.ProductID == kWatchmanProductId;
}

WideString serialOf(HANDLE device) {
    std::array<wchar_t, kSerialUnits> buffer{};
    // A failed read leaves the buffer zeroed, and so the serial empty.
    HidD_GetSerialNumberString(device, buffer.data(), static_cast<ULONG>(sizeof(buffer)));
    return fromWin(buffer.data(), buffer.size());
}

bool isPaired(DEVINST interfaceNode, const std::vector<WideString>& mcuPaths) {
    const std::optional<DEVINST> root = findUsbRoot(interfaceNode, kWatchmanRootIdPrefix);
    if (!root) return false;
    const WideString location = locationPathOf(*root);
    return std::any_of(mcuPaths.begin(), mcuPaths.end(),
                       [&](const WideString& mcuPath) { return sharesHub(location, mcuPath); });
}

void considerInterface(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& iface, WatchmanEnumeration& found) {
    const std::optional<InterfaceDetail> detail = detailOf(set, iface);
    // Other interfaces of the unit are never opened.
    if (!detail || !isMi00Path(detail->path)) return;
    UniqueHandle device(::CreateFileW(toWin(detail->path).c_str(), kOpenAccess, kOpenShare, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!device.valid() || !isWatchman(device.get())) return;
    found.candidates.push_back({reinterpret_cast<DeviceHandle>(device.get()), serialOf(device.get()),
                                isPaired(detail->node, found.mcuPaths)});
    device.release();  // the candidate list owns it now
}

}  // namespace

bool enumerateWatchmen(WatchmanEnumeration& found) {
    GUID hidGuid{};
    HidD_GetHidGuid(&hidGuid);
    UniqueDevInfo set(::SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set.valid()) {
        found.failure = enumerationFailure("SetupDiGetClassDevsW", ::GetLastError());
        return false;
    }
    // The MCUs first, so that each unit can be paired as it is found.
    found.mcuPaths = findMcuPaths();
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof(iface);
    for (DWORD index = 0; ::SetupDiEnumDeviceInterfaces(set.get(), nullptr, &hidGuid, index, &iface); ++index) {
        considerInterface(set.get(), iface, found);
    }
    return true;
}

void closeDevice(DeviceHandle handle) noexcept {
    if (handle != kNoDevice && handle != 0) ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace vesko
