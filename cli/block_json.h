#pragma once
// A data block's header as JSON, for checking block files from scripts: what each slot holds and
// whether the stored lengths and checksums agree with the bytes.

#include "image/data_block.h"

#include <nlohmann/json.hpp>

namespace corvane::cli {

// Tags are raw bytes; each becomes one character (Latin-1) so the JSON is always valid UTF-8.
// Checksums are written as "0x" and eight upper-case hex digits, as they are read in a hex dump.
nlohmann::ordered_json blockInfoToJson(const BlockHeaderInfo& info);

} // namespace corvane::cli
