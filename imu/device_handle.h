// The OS handle of an opened IMU device and the wide strings the OS reports.
#pragma once

#include <cstdint>
#include <string>

namespace vesko {

// A HANDLE on Windows, a file descriptor on Linux, a unit number in the
// simulator, held as an integer so the platform-free code can store it
// (atomically, too) without knowing which. "No device" is -1 everywhere:
// INVALID_HANDLE_VALUE on Windows, an invalid fd on Linux.
using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kNoDevice = -1;

// Device strings (interface paths, instance IDs, location paths, HID serials)
// as UTF-16 on every platform: it is what Windows gives, and the Linux and
// simulated backends widen their ASCII text one byte to one unit.
using WideString = std::u16string;

// Closes a handle that discovery returned (implemented by each backend).
void closeDevice(DeviceHandle handle) noexcept;

// Byte-wise widening and narrowing of serial numbers (ASCII in practice).
WideString widenSerial(const std::string& narrow);
std::string narrowSerial(const WideString& wide);

// Copies fit for the console: printable ASCII kept, '?' for anything else.
// As wchar_t text for printf's "%ls" (wchar_t is 32-bit outside Windows)...
std::wstring toPrintable(const WideString& wide);
// ... and byte for byte for "%s" (one '?' per byte).
std::string toPrintable(const std::string& narrow);

}  // namespace vesko
