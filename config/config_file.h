// Reading the configuration file into memory, bounded so an endless stream cannot exhaust it.
#pragma once

#include <cstddef>
#include <string>

namespace vesko {

// A real headset file is a few kilobytes; anything past this is not one.
constexpr std::size_t kMaxConfigFileBytes = 16u * 1024u * 1024u;  // bytes

enum class ConfigFileRead {
    ok,
    cannotOpen,  // missing, a directory, unreadable, or a read error part-way
    tooLarge,    // more than kMaxConfigFileBytes
};

// Reads the whole file at `path` (opened as given) into `text`, in chunks, so
// pipes and device files work as well as regular files.
ConfigFileRead readConfigFile(const std::string& path, std::string& text);

}  // namespace vesko
