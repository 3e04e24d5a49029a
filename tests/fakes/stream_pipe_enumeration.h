// Discovery for the Windows port's tests: the units are the client ends of
// named pipes that the test serves, opened for overlapped reading.
#pragma once

#include <string>

namespace vesko::fake {

// Offered by every later enumeration, which opens a new client end each time.
void offerPipe(const std::wstring& pipeName, const std::string& serial);
void withdrawPipes();

}  // namespace vesko::fake
