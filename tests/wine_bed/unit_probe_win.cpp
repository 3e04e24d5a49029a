// hv_unit_probe.exe: waits until Windows lists (or no longer lists) an IMU
// unit's HID interface, because Wine's HID bus adds devices a moment after it starts.
// Usage: hv_unit_probe present|absent <seconds>. Exit 0 once so, 1 on timeout, 2 on misuse.
#include <windows.h>

#include <setupapi.h>
// MinGW's hidsdi.h declares C functions without a C++ guard.
extern "C" {
#include <hidsdi.h>
}

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kUnitIds[] = L"vid_28de&pid_2300";
constexpr std::chrono::milliseconds kPollPeriod{100};

std::wstring lowered(const wchar_t* text) {
    std::wstring out(text);
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

std::wstring pathOf(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& iface) {
    DWORD need = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set, &iface, nullptr, 0, &need, nullptr);
    if (need < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return {};
    std::vector<std::byte> buffer(need);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(*detail);
    if (!::SetupDiGetDeviceInterfaceDetailW(set, &iface, detail, need, nullptr, nullptr)) return {};
    return lowered(detail->DevicePath);
}

// The interface path of the first listed unit, or nothing.
std::wstring findUnit() {
    GUID hid{};
    ::HidD_GetHidGuid(&hid);
    HDEVINFO set = ::SetupDiGetClassDevsW(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return {};
    std::wstring found;
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof(iface);
    for (DWORD i = 0; found.empty() && ::SetupDiEnumDeviceInterfaces(set, nullptr, &hid, i, &iface); ++i) {
        const std::wstring path = pathOf(set, iface);
        if (path.find(kUnitIds) != std::wstring::npos) found = path;
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string want = argc == 3 ? argv[1] : "";
    if (want != "present" && want != "absent") {
        std::fprintf(stderr, "usage: hv_unit_probe present|absent <seconds>\n");
        return 2;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
    for (;;) {
        const std::wstring path = findUnit();
        if (path.empty() == (want == "absent")) {
            std::printf("unit %s%s%ls\n", want.c_str(), path.empty() ? "" : ": ", path.c_str());
            return 0;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(kPollPeriod);
    }
    std::printf("unit not %s after %s s\n", want.c_str(), argv[2]);
    return 1;
}
