// Finds the headset's IMU (interface 0 of a Watchman USB function) among the
// attached HID devices, pairs it with a Dozero MCU by USB hub, and opens it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "device_handle.h"

namespace vesko {

inline constexpr std::uint16_t kWatchmanVendorId = 0x28DE;
inline constexpr std::uint16_t kWatchmanProductId = 0x2300;
inline constexpr std::uint16_t kDozeroMcuVendorId = 0x35BD;
inline constexpr std::uint16_t kDozeroMcuProductId = 0x0101;

// One opened Watchman interface; the candidate list owns its handle.
struct WatchmanCandidate {
    DeviceHandle handle = kNoDevice;
    WideString serial;   // HID serial up to its first NUL, at most 128 units; may be empty
    bool paired = false; // shares a hub with at least one Dozero MCU
};

// What one enumeration found: every Watchman interface that passed the tests,
// in enumeration order, and the location path of every Dozero MCU.
struct WatchmanEnumeration {
    std::vector<WatchmanCandidate> candidates;
    std::vector<WideString> mcuPaths;
    // Matching nodes that could not be opened for lack of permission (Linux
    // hidraw without the udev rule), so the user can be told why.
    std::vector<std::string> permissionDenied;
    // Where the udev rule that grants that access was installed, when this
    // program runs from an install; empty otherwise.
    std::string accessRule;
    // Why the enumeration failed, when it did: see enumerationFailure.
    std::string failure;
};

// Platform layer (one implementation per backend). False, with `failure` set,
// when the set of HID interfaces cannot be had at all; then nothing was opened.
bool enumerateWatchmen(WatchmanEnumeration& found);

// The failed OS call and its error as the user is told them:
// "SetupDiGetClassDevsW failed (err 13)".
std::string enumerationFailure(const char* call, unsigned long error);

// Platform-free pieces.
bool isMi00Path(const WideString& interfacePath);
std::vector<WideString> hubPrefixes(const WideString& locationPath);
bool sharesHub(const WideString& a, const WideString& b);
// True when the ID names one interface of a composite USB device ("&MI_", any case).
bool isInterfaceChildId(const WideString& deviceId);
// True when the ID, raised to upper case, begins with `prefix` (given in upper
// case) and names a whole USB device rather than one of its interfaces.
bool isUsbRootId(const WideString& deviceId, const WideString& prefix);

// Picks the unit from an enumeration, closes every other handle, and prints the
// count line to `out` and a refusal with its listing to `err` when `verbose`.
DeviceHandle chooseWatchman(WatchmanEnumeration& found, const WideString& wserial,
                            WideString* chosen, bool verbose,
                            std::FILE* out = stdout, std::FILE* err = stderr);

// enumerateWatchmen + chooseWatchman. Returns kNoDevice when nothing was chosen
// (`chosen` untouched); otherwise the handle belongs to the caller. A failed
// enumeration is told on standard error when `verbose`, and counts as no unit.
DeviceHandle openWatchman(const WideString& wserial, WideString* chosen, bool verbose);

// When nothing was found but matching nodes were refused for lack of
// permission, tells the user which and how to grant access. True if printed.
bool printPermissionHint(const WatchmanEnumeration& found, std::FILE* err);

}  // namespace vesko
