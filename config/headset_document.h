// The walk over a parsed headset document, filling HeadsetConfig in reading order.
#pragma once

#include "json_readers.h"

namespace vesko {

// Fills `cfg` field by field; the first bad or missing member throws, leaving
// what was read before it in place.
void readHeadsetDocument(const Json& doc, HeadsetConfig& cfg);

}  // namespace vesko
