#pragma once
// The two forms `diff` prints: lines for people and JSON for scripts.

#include "model/database_diff.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <string_view>

namespace corvane::cli {

// `bytes` as one line of UTF-8 text between double quotes: each byte one Latin-1 character, with
// control characters (C0, DEL and C1), the backslash and the double quote escaped ("\n",
// "\x1b", "\\", "\""), so that no name can break a line, forge one or reach the terminal.
std::string quotedName(std::string_view bytes);

// Receives output text in order, a piece at a time.
using TextSink = std::function<void(std::string_view piece)>;

// One line per change, each ending in "\n", in the order of `diff`; empty when it is empty.
std::string diffToText(const DatabaseDiff& diff);
// The same text handed to `sink` in pieces, so that it is never held whole.
void writeDiffText(const DatabaseDiff& diff, const TextSink& sink);

// {"counters": [{"field", "old", "new"}...], "changes": [{"change", "record", "oldPosition",
// "newPosition", "oldKey", "newKey", "identity", "fields"}...]}, members absent where they do
// not apply; names as Latin-1 text as in the database JSON.
nlohmann::ordered_json diffToJson(const DatabaseDiff& diff);
// The text of diffToJson(diff).dump(2) and a line end, handed to `sink` a piece at a time.
void writeDiffJson(const DatabaseDiff& diff, const TextSink& sink);

} // namespace corvane::cli
