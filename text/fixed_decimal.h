// Numbers in fixed-point decimal, as printf's %f writes them, appended to a text.
#pragma once

#include <string>

namespace vesko {

enum class Sign { onlyMinus, plusOrMinus };  // printf's %f and %+f

// `value` with `precision` digits after the point, right-aligned in `width`
// characters: the same characters as printf("%*.*f") (or "%+*.*f"), rounding
// included, at a fraction of its cost. Replay writes a day's status lines,
// some six million numbers, with it.
void appendFixed(std::string& text, double value, int precision, Sign sign = Sign::onlyMinus, int width = 0);

}  // namespace vesko
