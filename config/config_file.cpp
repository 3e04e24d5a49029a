// Bounded whole-file read of the configuration file.
#include "config_file.h"

#include <array>
#include <fstream>

namespace vesko {
namespace {

constexpr std::size_t kChunkBytes = 64u * 1024u;  // bytes per read

}  // namespace

ConfigFileRead readConfigFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        return ConfigFileRead::cannotOpen;
    }
    text.clear();
    std::array<char, kChunkBytes> chunk{};
    // Stop one byte past the cap: that is enough to tell "too large" apart.
    while (text.size() <= kMaxConfigFileBytes) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        // A directory opens on some systems and only fails here, as does a read error.
        if (in.bad() || (in.fail() && !in.eof())) {
            return ConfigFileRead::cannotOpen;
        }
        if (in.eof()) {
            return text.size() <= kMaxConfigFileBytes ? ConfigFileRead::ok
                                                      : ConfigFileRead::tooLarge;
        }
    }
    return ConfigFileRead::tooLarge;
}

}  // namespace vesko
