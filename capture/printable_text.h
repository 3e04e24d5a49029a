// Text from a file made safe to show on a terminal: no byte of it can move the cursor or change colours.
#pragma once

#include <string>
#include <string_view>

namespace vesko {

// `bytes` with every byte outside printable ASCII (0x20..0x7e) written as
// \xHH, e.g. "ab\x1b[2J" for an escape sequence.
std::string printableText(std::string_view bytes);

}  // namespace vesko
