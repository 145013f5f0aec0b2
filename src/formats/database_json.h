#pragma once
// The database as JSON, for scripts and pipelines: one object with the four counters and the four
// lists, each record an object keyed by its field names in declaration order. Names are text in
// which every stored byte is one character (Latin-1), so any name survives the trip through UTF-8
// JSON and back unchanged. Given a name codec, names are text in its code page instead (a name
// of a DVB list with its table bytes in front, as characters U+0001 to U+00FF), the document says
// which page under "nameEncoding", and a name whose bytes that page does not give back exactly is
// kept as "nameBytes" in the Latin-1 form: the names a script leaves alone come back byte for
// byte.

#include "base/status.h"
#include "formats/name_encoding.h"
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
// built without the object model. With `names`, names are text in its code page (see above).
std::string databaseToJsonText(const ChannelDatabase& db, const NameCodec* names = nullptr);

// Receives the text in order, a piece at a time; returns false to stop the writing.
using JsonSink = std::function<bool(std::string_view piece)>;
// The same text handed to `sink` in pieces of about 64 KiB, so that only one piece is held at a
// time. False when the sink stopped it.
bool writeDatabaseJson(const ChannelDatabase& db, const JsonSink& sink,
                       const NameCodec* names = nullptr);

// Replaces the lists and counters of `db` (its cut buffers are kept) with the database that
// `text` describes, in the form databaseToJson produces. Every counter, list and field must be
// present, every number a 32-bit signed integer and every name at most 63 characters between
// U+0001 and U+00FF; unknown or repeated keys are refused so that a misspelt or doubled field
// does not silently lose a value.
// On failure leaves `db` as it was; the cause names the offending element. Safe on any bytes:
// never throws (running out of memory is a failure too).
// With `names`, a name is text that `names` encodes in at most 63 bytes, or the "nameBytes" of a
// name kept as bytes; a "nameEncoding" must be that of `names`. Without, a document that has one
// is refused, since its names are not Latin-1.
Status<> databaseFromJson(std::string_view text, ChannelDatabase& db,
                          const NameCodec* names = nullptr);

// databaseFromJson on the file at `path`, read within kMaxFileBytes; the status names the file.
Status<> readJsonFile(ChannelDatabase& db, const std::string& path,
                      const NameCodec* names = nullptr);

} // namespace corvane
