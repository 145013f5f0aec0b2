#pragma once
// The database as JSON, for scripts and pipelines: one object with the four counters and the four
// lists, each record an object keyed by its field names in declaration order. Names are text in
// which every stored byte is one character (Latin-1), so any name survives the trip through UTF-8
// JSON and back unchanged.

#include "base/status.h"
#include "model/channel_database.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <string_view>

namespace corvane {

// Each byte becomes the character with that code, written as UTF-8.
std::string latin1ToUtf8(std::string_view bytes);
// The bytes as a quoted JSON string of Latin-1 characters, with every control (C0, DEL, C1)
// escaped as \u00XX, so that no output can drive a terminal.
std::string latin1ToJsonString(std::string_view bytes);

nlohmann::ordered_json databaseToJson(const ChannelDatabase& db);
// The text `dump` prints and `convert` writes: databaseToJson indented by two, ending in "\n",
// built without the object model.
std::string databaseToJsonText(const ChannelDatabase& db);

// Receives the text in order, a piece at a time; returns false to stop the writing.
using JsonSink = std::function<bool(std::string_view piece)>;
// The same text handed to `sink` in pieces of about 64 KiB, so that only one piece is held at a
// time. False when the sink stopped it.
bool writeDatabaseJson(const ChannelDatabase& db, const JsonSink& sink);

// Replaces the lists and counters of `db` (its cut buffers are kept) with the database that
// `text` describes, in the form databaseToJson produces. Every counter, list and field must be
// present, every number a 32-bit signed integer and every name at most 63 characters between
// U+0001 and U+00FF; unknown or repeated keys are refused so that a misspelt or doubled field
// does not silently lose a value.
// On failure leaves `db` as it was; the cause names the offending element. Safe on any bytes:
// never throws (running out of memory is a failure too).
Status<> databaseFromJson(std::string_view text, ChannelDatabase& db);

// databaseFromJson on the file at `path`, read within kMaxFileBytes; the status names the file.
Status<> readJsonFile(ChannelDatabase& db, const std::string& path);

} // namespace corvane
