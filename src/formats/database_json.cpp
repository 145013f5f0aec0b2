#include "formats/database_json.h"

#include "base/file_reader.h"
#include "base/message_text.h"
#include "model/record_fields.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <vector>

namespace corvane {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

template <class T> ordered_json recordToJson(const T& record) {
    ordered_json out = ordered_json::object();
    forEachField(record, [&](const char* key, const auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, RecordName>)
            out[key] = latin1ToUtf8(nameView(value));
        else
            out[key] = value;
    });
    return out;
}

template <class T> ordered_json listToJson(const RecordList<T>& list) {
    ordered_json out = ordered_json::array();
    for (const T& record : list)
        out.push_back(recordToJson(record));
    return out;
}

// The parser has validated the UTF-8 already; this only has to find characters that are not
// Latin-1. Returns false for those and for U+0000, which would end the stored name early.
bool utf8ToLatin1(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            if (lead == 0)
                return false;
            out.push_back(static_cast<char>(lead));
            continue;
        }
        if ((lead != 0xC2 && lead != 0xC3) || i + 1 >= text.size())
            return false;
        const auto trail = static_cast<unsigned char>(text[++i]);
        if ((trail & 0xC0) != 0x80)
            return false;
        out.push_back(static_cast<char>(((lead & 0x1F) << 6) | (trail & 0x3F)));
    }
    return true;
}

// A key as a message shows it: in JSON quotes with everything beyond ASCII escaped, and cut, so a
// key of megabytes or of control bytes cannot flood or garble the line.
std::string shownKey(std::string_view key) {
    constexpr std::size_t kShown = 40;
    std::size_t end = 0;
    for (std::size_t characters = 0; end < key.size() && characters < kShown; ++characters)
        do
            ++end;
        while (end < key.size() && (static_cast<unsigned char>(key[end]) & 0xC0) == 0x80);
    const std::string shown =
        json(std::string(key.substr(0, end))).dump(-1, ' ', true, json::error_handler_t::replace);
    return end < key.size() ? shown + "..." : shown;
}

// Checks syntax and key uniqueness without building anything; parse() then cannot fail.
class KeyWatcher : public nlohmann::json_sax<json> {
public:
    const std::string& problem() const { return problem_; }

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_array(std::size_t) override { return value() && enter(); }
    bool end_array() override {
        --depth_;
        return true;
    }
    bool start_object(std::size_t) override {
        openObjects_.emplace_back();
        return value() && enter();
    }
    bool end_object() override {
        openObjects_.pop_back();
        --depth_;
        return true;
    }
    bool key(string_t& key) override {
        // A set per open object: an object with tens of thousands of keys stays linear.
        if (!openObjects_.back().insert(key).second) {
            problem_ = "the key " + shownKey(key) + " appears twice in one object";
            return false;
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& e) override {
        // Drop the library's "[json.exception.parse_error.101] " prefix; the rest says where.
        const std::string_view what = e.what();
        const auto end = what.find("] ");
        // It quotes the token it stopped at, which may be megabytes or bytes that are not text.
        problem_ = printableText(end == std::string_view::npos ? what : what.substr(end + 2), 200);
        return false;
    }

private:
    // The written form nests three deep (the document, a list, a record). Anything deeper is not
    // that form, and is refused before the document object model would spend many times the
    // text's size on it.
    static constexpr int kMaxDepth = 3;
    bool enter() {
        if (++depth_ <= kMaxDepth)
            return true;
        problem_ = "arrays and objects are nested deeper than the 3 levels of the written form";
        return false;
    }

    // The document object model costs up to a hundred bytes a value (a key and its value in an
    // object), some fifteen times the text of a short one. A full-size list has about 2 million
    // values; the limit keeps the model of any file within a few hundred megabytes.
    static constexpr std::size_t kMaxValues = std::size_t{1} << 22;
    bool value() {
        if (++values_ <= kMaxValues)
            return true;
        problem_ = "more than " + std::to_string(kMaxValues) +
                   " values, far more than a receiver's list holds";
        return false;
    }

    int depth_ = 0;
    std::size_t values_ = 0;
    std::vector<std::unordered_set<std::string>> openObjects_;
    std::string problem_;
};

// `text` as a JSON string, every control (C0, DEL, C1) escaped as \u00XX, so that no output can
// drive a terminal.
std::string utf8ToJsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        unsigned control = 0x100;
        if (byte < 0x20 || byte == 0x7F)
            control = byte;
        else if (byte == 0xC2 && i + 1 < text.size() &&
                 static_cast<unsigned char>(text[i + 1]) < 0xA0)
            control = static_cast<unsigned char>(text[++i]); // U+0080 to U+009F
        if (control < 0x100) {
            out.append("\\u00").push_back(kHex[control >> 4]);
            out.push_back(kHex[control & 0xF]);
        } else {
            if (text[i] == '"' || text[i] == '\\')
                out.push_back('\\');
            out.push_back(text[i]);
        }
    }
    out.push_back('"');
    return out;
}

// A DVB name's text begins with its table bytes as characters: splits them off as bytes.
std::pair<std::string, std::string_view> splitSelector(std::string_view text) {
    std::string prefix;
    std::size_t ends[4] = {};
    std::size_t at = 0;
    for (std::size_t k = 0; k < 3 && at < text.size(); ++k) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            prefix.push_back(text[at++]);
        } else if ((lead == 0xC2 || lead == 0xC3) && at + 1 < text.size()) {
            prefix.push_back(static_cast<char>(((lead & 0x1F) << 6) | (text[at + 1] & 0x3F)));
            at += 2;
        } else {
            break;
        }
        ends[k + 1] = at;
    }
    const std::size_t length = dvbSelectorLength(prefix);
    return {prefix.substr(0, length), text.substr(ends[length])};
}

class Reader {
public:
    // The database `root` describes, its names read in `names` when given; the cause of a failure
    // names the offending element.
    static Result<ChannelDatabase> read(const json& root, const NameCodec* names) {
        Reader reader(names);
        reader.readDatabase(root, reader.result_.value);
        return std::move(reader.result_);
    }

private:
    // False at the first failure, which is then in result_.
    bool readDatabase(const json& root, ChannelDatabase& db) {
        if (!root.is_object())
            return fail("the document", "is not an object");
        static constexpr const char* kKeys[] = {
            "nameEncoding", "satelliteCount", "transponderCount", "serviceCount", "antennaCount",
            "antennas",     "satellites",     "transponders",     "services"};
        if (!onlyKnownKeys(root, kKeys, "the document") || !nameEncodingMatches(root))
            return false;
        return readInt(root, "satelliteCount", "", db.satelliteCount) &&
               readInt(root, "transponderCount", "", db.transponderCount) &&
               readInt(root, "serviceCount", "", db.serviceCount) &&
               readInt(root, "antennaCount", "", db.antennaCount) &&
               readList(root, "antennas", db.antennas) &&
               readList(root, "satellites", db.satellites) &&
               readList(root, "transponders", db.transponders) &&
               readList(root, "services", db.services);
    }

    bool nameEncodingMatches(const json& root) {
        const auto it = root.find("nameEncoding");
        if (it == root.end())
            return true;
        if (!it->is_string())
            return fail("nameEncoding", "is not a string");
        const std::string& given = it->get_ref<const std::string&>();
        if (!names_)
            return fail("nameEncoding",
                        "is " + shownKey(given) +
                            ": the names are text in that code page, which has to be given to "
                            "read them");
        if (parseNameEncoding(given) != names_->encoding())
            return fail("nameEncoding", "is " + shownKey(given) + ", not the " +
                                            encodingName(names_->encoding()) +
                                            " the names are read in");
        return true;
    }

    template <std::size_t N>
    bool onlyKnownKeys(const json& object, const char* const (&keys)[N], const std::string& where) {
        for (const auto& item : object.items()) {
            bool known = false;
            for (const char* key : keys)
                known = known || item.key() == key;
            if (!known)
                return fail(where, "has the unknown key " + shownKey(item.key()));
        }
        return true;
    }

    template <class T> bool readList(const json& root, const char* key, RecordList<T>& list) {
        const auto it = root.find(key);
        if (it == root.end())
            return fail(key, "is missing");
        if (!it->is_array())
            return fail(key, "is not an array");
        for (std::size_t i = 0; i < it->size(); ++i) {
            const std::string where = std::string(key) + "[" + std::to_string(i) + "]";
            T record{};
            if (!readRecord((*it)[i], where, record))
                return false;
            list.append(std::move(record));
        }
        return true;
    }

    template <class T> bool readRecord(const json& object, const std::string& where, T& record) {
        if (!object.is_object())
            return fail(where, "is not an object");
        std::size_t fields = 0;
        bool ok = true;
        forEachField(record, [&](const char* key, auto& value) {
            if (!ok)
                return;
            ++fields;
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, RecordName>)
                ok = names_ ? readEncodedName(object, where, value)
                            : readName(object, key, where, value);
            else
                ok = readInt(object, key, where, value);
        });
        if (ok && object.size() != fields) {
            // Every declared field was found, so the surplus is a key we do not know.
            for (const auto& item : object.items()) {
                bool known = names_ && item.key() == "nameBytes";
                forEachField(record, [&](const char* key, const auto&) {
                    known = known || item.key() == key;
                });
                if (!known)
                    return fail(where, "has the unknown key " + shownKey(item.key()));
            }
        }
        return ok;
    }

    bool readInt(const json& object, const char* key, const std::string& where, int32_t& out) {
        const std::string path = where.empty() ? std::string(key) : where + "." + key;
        const auto it = object.find(key);
        if (it == object.end())
            return fail(path, "is missing");
        if (it->is_number_unsigned()) {
            const auto value = it->get<json::number_unsigned_t>();
            if (value > static_cast<json::number_unsigned_t>(std::numeric_limits<int32_t>::max()))
                return fail(path, it->dump() + " is not a 32-bit signed integer");
            out = static_cast<int32_t>(value);
            return true;
        }
        if (it->is_number_integer()) {
            const auto value = it->get<json::number_integer_t>();
            if (value < std::numeric_limits<int32_t>::min() ||
                value > std::numeric_limits<int32_t>::max())
                return fail(path, it->dump() + " is not a 32-bit signed integer");
            out = static_cast<int32_t>(value);
            return true;
        }
        // The parser reads a whole number too long for 64 bits as a floating-point one.
        if (it->is_number_float()) {
            const double value = it->get<double>();
            if (std::isfinite(value) && value == std::trunc(value) &&
                std::fabs(value) > static_cast<double>(std::numeric_limits<int32_t>::max()))
                return fail(path, it->dump() + " is out of the 32-bit range");
        }
        return fail(path, "is not an integer");
    }

    bool readName(const json& object, const char* key, const std::string& where, RecordName& out) {
        const std::string path = where + "." + key;
        const auto it = object.find(key);
        if (it == object.end())
            return fail(path, "is missing");
        if (!it->is_string())
            return fail(path, "is not a string");
        std::string bytes;
        if (!utf8ToLatin1(it->get_ref<const std::string&>(), bytes))
            return fail(path, "holds a character outside U+0001 to U+00FF");
        if (bytes.size() > kMaxNameLength)
            return fail(path, "is " + std::to_string(bytes.size()) + " characters long, at most " +
                                  std::to_string(kMaxNameLength) + " fit");
        setName(out, bytes);
        return true;
    }

    bool readEncodedName(const json& object, const std::string& where, RecordName& out) {
        if (object.contains("nameBytes")) {
            if (object.contains("name"))
                return fail(where, "has both name and nameBytes");
            return readName(object, "nameBytes", where, out);
        }
        const std::string path = where + ".name";
        const auto it = object.find("name");
        if (it == object.end())
            return fail(path, "is missing");
        if (!it->is_string())
            return fail(path, "is not a string");
        const auto [selector, text] = splitSelector(it->get_ref<const std::string&>());
        const auto encoded = names_->encode(text, selector, std::string::npos);
        if (!encoded.ok())
            return fail(path + ":", encoded.cause);
        const std::string& bytes = encoded.value.bytes;
        if (bytes.find('\0') != std::string::npos)
            return fail(path, "holds a byte 0, which would end the name");
        if (bytes.size() > kMaxNameLength)
            return fail(path, "is " + std::to_string(bytes.size()) + " bytes long in " +
                                  encodingName(names_->encoding()) + ", at most " +
                                  std::to_string(kMaxNameLength) + " fit");
        setName(out, bytes);
        return true;
    }

    bool fail(const std::string& where, const std::string& what) {
        result_.fail(Outcome::Failed, where + " " + what);
        return false;
    }

    explicit Reader(const NameCodec* names) : names_(names) {}

    Result<ChannelDatabase> result_;
    const NameCodec* names_;
};

} // namespace

std::string latin1ToJsonString(std::string_view bytes) {
    // Every C0 and C1 control as \u00XX: a terminal shown the dump takes the raw characters as
    // escapes (U+009B is one by itself), and the reader turns them back into the same bytes.
    return utf8ToJsonString(latin1ToUtf8(bytes));
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

ordered_json databaseToJson(const ChannelDatabase& db) {
    ordered_json out = ordered_json::object();
    out["satelliteCount"] = db.satelliteCount;
    out["transponderCount"] = db.transponderCount;
    out["serviceCount"] = db.serviceCount;
    out["antennaCount"] = db.antennaCount;
    out["antennas"] = listToJson(db.antennas);
    out["satellites"] = listToJson(db.satellites);
    out["transponders"] = listToJson(db.transponders);
    out["services"] = listToJson(db.services);
    return out;
}

namespace {

// The text of databaseToJson(db).dump(2), written record by record: a document object model of a
// large list costs many times its text, and tearing one down allocates, which aborts the program
// when it is memory that ran out. The text goes out in pieces, so that what is held does not grow
// with the database.
class JsonPieces {
public:
    explicit JsonPieces(const JsonSink& sink) : sink_(sink) {}

    std::string& text() { return text_; }
    // Hands the text on once a piece is full; false once the sink has refused one.
    bool recordDone() { return text_.size() < kPiece || flush(); }
    bool flush() {
        if (ok_ && !text_.empty())
            ok_ = sink_(text_);
        text_.clear();
        return ok_;
    }

private:
    static constexpr std::size_t kPiece = 64 * 1024;
    const JsonSink& sink_;
    std::string text_;
    bool ok_ = true;
};

// The name as text in the page of `names` when that gives its bytes back exactly, else as bytes.
void appendName(std::string& out, const char* lead, std::string_view raw, const NameCodec* names) {
    if (names) {
        const DecodedName decoded = names->decode(raw);
        if (!decoded.lossy) {
            const auto back = names->encode(decoded.text, decoded.selector, std::string::npos);
            if (back.ok() && back.value.bytes == raw) {
                out.append(lead).append("name\": ");
                out.append(utf8ToJsonString(latin1ToUtf8(decoded.selector) + decoded.text));
                return;
            }
        }
    }
    out.append(lead).append(names ? "nameBytes\": " : "name\": ").append(latin1ToJsonString(raw));
}

template <class T>
bool appendList(JsonPieces& pieces, const char* key, const RecordList<T>& list, bool last,
                const NameCodec* names) {
    std::string& out = pieces.text();
    out.append("  \"").append(key).append("\": [");
    bool firstRecord = true;
    for (const T& record : list) {
        out.append(firstRecord ? "\n    {" : ",\n    {");
        firstRecord = false;
        bool firstField = true;
        forEachField(record, [&](const char* field, const auto& value) {
            const char* lead = firstField ? "\n      \"" : ",\n      \"";
            firstField = false;
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, RecordName>)
                appendName(out, lead, nameView(value), names);
            else
                out.append(lead).append(field).append("\": ").append(std::to_string(value));
        });
        out.append("\n    }");
        if (!pieces.recordDone())
            return false;
    }
    out.append(firstRecord ? "]" : "\n  ]").append(last ? "\n" : ",\n");
    return true;
}

} // namespace

bool writeDatabaseJson(const ChannelDatabase& db, const JsonSink& sink, const NameCodec* names) {
    JsonPieces pieces(sink);
    std::string& out = pieces.text();
    out = "{\n";
    if (names)
        out.append("  \"nameEncoding\": ")
            .append(utf8ToJsonString(encodingName(names->encoding())))
            .append(",\n");
    for (const auto& [key, value] : {std::pair{"satelliteCount", db.satelliteCount},
                                     {"transponderCount", db.transponderCount},
                                     {"serviceCount", db.serviceCount},
                                     {"antennaCount", db.antennaCount}})
        out.append("  \"").append(key).append("\": ").append(std::to_string(value)).append(",\n");
    if (!appendList(pieces, "antennas", db.antennas, false, names) ||
        !appendList(pieces, "satellites", db.satellites, false, names) ||
        !appendList(pieces, "transponders", db.transponders, false, names) ||
        !appendList(pieces, "services", db.services, true, names))
        return false;
    out.append("}\n");
    return pieces.flush();
}

std::string databaseToJsonText(const ChannelDatabase& db, const NameCodec* names) {
    std::string text;
    writeDatabaseJson(
        db,
        [&](std::string_view piece) {
            text.append(piece);
            return true;
        },
        names);
    return text;
}

Status<> databaseFromJson(std::string_view text, ChannelDatabase& db, const NameCodec* names) {
    Status<> status;
    try {
        // A first pass finds syntax errors and repeated keys (the DOM parser keeps the last of
        // two equal keys, so a field entered twice by hand would lose a value without a word).
        KeyWatcher watcher;
        if (!json::sax_parse(text, &watcher))
            return status.fail(Outcome::Failed, "not valid JSON: " + watcher.problem());
        const json root = json::parse(text);
        auto loaded = Reader::read(root, names);
        if (!loaded.ok())
            return status.fail(Outcome::Failed, std::move(loaded.cause));
        db.replaceRecords(std::move(loaded.value));
        return status;
    } catch (const std::bad_alloc&) {
        return status.fail(Outcome::Failed, kOutOfMemory);
    } catch (const std::exception& e) {
        return status.fail(Outcome::Failed, e.what());
    }
}

Status<> readJsonFile(ChannelDatabase& db, const std::string& path, const NameCodec* names) {
    Status<> status(path);
    auto text = readWholeFile(path);
    if (!text.ok())
        return status.failWith(Outcome::Failed, std::move(text));
    Status<> parsed = databaseFromJson(text.value, db, names);
    if (!parsed.ok())
        status.fail(Outcome::Failed, std::move(parsed.cause));
    return status;
}

} // namespace corvane
