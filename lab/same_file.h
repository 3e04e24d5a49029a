// Whether an output would land on one of the command's inputs.
#pragma once

#include <string>

namespace vesko {

// True when `a` and `b` name one file: the same file on the disk when both
// exist (through links too), otherwise the same path once made absolute.
bool namesSameFile(const std::string& a, const std::string& b);

}  // namespace vesko
