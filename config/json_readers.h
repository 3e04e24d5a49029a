// Typed reads of single JSON values into HeadsetConfig fields; they throw on a bad value.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "headset_config.h"

namespace vesko {

using Json = nlohmann::json;

// Required members. Absence, a wrong type or null throw the library's errors.
std::string readString(const Json& parent, const char* key);
double readNumber(const Json& parent, const char* key);
// Any number, a fraction truncated toward zero; true and false give 1 and 0.
// A value the 32-bit range cannot hold throws instead of wrapping.
std::int32_t readPixelSize(const Json& parent, const char* key);

// Elements 0..2 of an array (further ones ignored), stored one by one as read.
void readVector(const Json& array, ConfigVector& out);
// Rows 0..2, columns 0..2 of an array of arrays, stored one by one as read.
void readMatrix(const Json& rows, ConfigMatrix& out);

}  // namespace vesko
