// Discovery for the Windows port's tests: the units are the client ends of
// named pipes that the test serves, opened for overlapped reading.
#pragma once

#include <string>

namespace vesko::fake {

// Offered by every later enumeration (which opens a new client end each time)
// until withdrawn. Every offered unit counts as paired with an MCU.
void offerPipe(const std::wstring& pipeName, const std::string& serial);
void withdrawPipe(const std::wstring& pipeName);

}  // namespace vesko::fake
