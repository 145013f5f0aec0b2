#include "database_diff_output.h"

#include "formats/database_json.h"

#include "base/message_text.h"

#include <type_traits>

namespace corvane::cli {
namespace {

using nlohmann::ordered_json;

// Appends pieces, numbers as decimal. Chains of std::string operator+ make GCC 12 at -O3 report
// a false -Wrestrict overlap, which our warnings turn into a failed build.
void put(std::string& out, std::string_view text) {
    out.append(text);
}
template <class Int> std::enable_if_t<std::is_integral_v<Int>> put(std::string& out, Int value) {
    out.append(std::to_string(value));
}
template <class... Parts> void append(std::string& out, const Parts&... parts) {
    (put(out, parts), ...);
}

// Hands `out` on once it holds a piece worth writing (or at the end), so that the text of a
// diff of large lists is never held whole.
void flushPiece(std::string& out, const TextSink& sink, bool last) {
    if (out.size() >= (std::size_t{64} << 10) || (last && !out.empty())) {
        sink(out);
        out.clear();
    }
}

std::string_view changeName(ChangeKind change) {
    switch (change) {
    case ChangeKind::Added:
        return "added";
    case ChangeKind::Removed:
        return "removed";
    case ChangeKind::Changed:
        return "changed";
    case ChangeKind::Moved:
        break;
    }
    return "moved";
}

std::string_view recordName(RecordKind record) {
    switch (record) {
    case RecordKind::Satellite:
        return "satellite";
    case RecordKind::Transponder:
        return "transponder";
    case RecordKind::Service:
        return "service";
    case RecordKind::Antenna:
        break;
    }
    return "antenna";
}

void putPolarity(std::string& out, int32_t polarity) {
    if (polarity == 0)
        append(out, "horizontal");
    else if (polarity == 1)
        append(out, "vertical");
    else
        append(out, "polarity ", polarity);
}

void putSatellite(std::string& out, const SatelliteIdentity& s) {
    append(out, quotedName(s.name), " longitude ", s.longitude);
}

// "11494 MHz horizontal, satellite "Astra 19.2E" longitude 192"
void putTuning(std::string& out, const TransponderIdentity& t) {
    append(out, t.frequency, " MHz ");
    putPolarity(out, t.polarity);
    if (t.satellite) {
        append(out, ", satellite ");
        putSatellite(out, *t.satellite);
    } else {
        append(out, ", missing satellite ", t.satelliteId);
    }
}

void putLabel(std::string& out, const RecordChange& c) {
    const int32_t key = c.newKey ? *c.newKey : c.oldKey.value_or(0);
    append(out, recordName(c.record), " ", key);
    if (const auto* s = std::get_if<SatelliteIdentity>(&c.identity)) {
        append(out, " ", quotedName(s->name), " (longitude ", s->longitude, ")");
    } else if (const auto* t = std::get_if<TransponderIdentity>(&c.identity)) {
        append(out, " (");
        putTuning(out, *t);
        append(out, ")");
    } else if (const auto* v = std::get_if<ServiceIdentity>(&c.identity)) {
        append(out, " ", quotedName(v->name), " (service id ", v->serviceId, ", ");
        if (v->transponder)
            putTuning(out, *v->transponder);
        else
            append(out, "missing transponder ", v->transponderId);
        append(out, ")");
    }
}

ordered_json satelliteJson(const SatelliteIdentity& s) {
    ordered_json out = ordered_json::object();
    out["longitude"] = s.longitude;
    out["name"] = latin1ToUtf8(s.name);
    return out;
}

ordered_json transponderJson(const TransponderIdentity& t) {
    ordered_json out = ordered_json::object();
    if (t.satellite)
        out["satellite"] = satelliteJson(*t.satellite);
    else
        out["satelliteId"] = t.satelliteId;
    out["frequency"] = t.frequency;
    out["polarity"] = t.polarity;
    return out;
}

ordered_json identityJson(const RecordIdentity& identity) {
    if (const auto* s = std::get_if<SatelliteIdentity>(&identity))
        return satelliteJson(*s);
    if (const auto* t = std::get_if<TransponderIdentity>(&identity))
        return transponderJson(*t);
    ordered_json out = ordered_json::object();
    if (const auto* v = std::get_if<ServiceIdentity>(&identity)) {
        if (v->transponder)
            out["transponder"] = transponderJson(*v->transponder);
        else
            out["transponderId"] = v->transponderId;
        out["serviceId"] = v->serviceId;
        out["name"] = latin1ToUtf8(v->name);
    } else {
        out["id"] = std::get<AntennaIdentity>(identity).id;
    }
    return out;
}

ordered_json fieldsJson(const std::vector<FieldChange>& fields) {
    ordered_json out = ordered_json::array();
    for (const FieldChange& f : fields)
        out.push_back({{"field", f.field}, {"old", f.oldValue}, {"new", f.newValue}});
    return out;
}

} // namespace

// The escapes of every other message that shows a name, so a finding and a diff line show one
// name alike; the quote is escaped too, since here it closes the name.
std::string quotedName(std::string_view bytes) {
    std::string out = "\"";
    for (const char c : latin1ToUtf8(printableName(bytes))) {
        if (c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

void writeDiffText(const DatabaseDiff& diff, const TextSink& sink) {
    std::string out;
    for (const FieldChange& f : diff.counters)
        append(out, "changed counter ", f.field, ": ", f.oldValue, " -> ", f.newValue, "\n");
    for (const RecordChange& c : diff.records) {
        append(out, changeName(c.change), " ");
        putLabel(out, c);
        switch (c.change) {
        case ChangeKind::Added:
            append(out, " at position ", c.newPosition.value_or(0));
            break;
        case ChangeKind::Removed:
            append(out, " at position ", c.oldPosition.value_or(0));
            break;
        case ChangeKind::Changed:
            for (std::size_t i = 0; i < c.fields.size(); ++i)
                append(out, i == 0 ? ": " : ", ", c.fields[i].field, " ", c.fields[i].oldValue,
                       " -> ", c.fields[i].newValue);
            break;
        case ChangeKind::Moved:
            append(out, ": position ", c.oldPosition.value_or(0), " -> ",
                   c.newPosition.value_or(0));
            break;
        }
        out.push_back('\n');
        flushPiece(out, sink, false);
    }
    flushPiece(out, sink, true);
}

std::string diffToText(const DatabaseDiff& diff) {
    std::string out;
    writeDiffText(diff, [&](std::string_view piece) { out.append(piece); });
    return out;
}

namespace {

ordered_json changeJson(const RecordChange& c) {
    ordered_json change = ordered_json::object();
    change["change"] = changeName(c.change);
    change["record"] = recordName(c.record);
    if (c.oldPosition)
        change["oldPosition"] = *c.oldPosition;
    if (c.newPosition)
        change["newPosition"] = *c.newPosition;
    if (c.oldKey)
        change["oldKey"] = *c.oldKey;
    if (c.newKey)
        change["newKey"] = *c.newKey;
    change["identity"] = identityJson(c.identity);
    if (c.change == ChangeKind::Changed)
        change["fields"] = fieldsJson(c.fields);
    return change;
}

// `value` as dump(2) writes it `depth` levels down in a document: its later lines indented by two
// spaces a level. Strings hold no raw line end, so every one is a line break of the layout.
void appendIndented(std::string& out, const ordered_json& value, int depth) {
    const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
    for (const char c : value.dump(2)) {
        out.push_back(c);
        if (c == '\n')
            out.append(indent);
    }
}

} // namespace

ordered_json diffToJson(const DatabaseDiff& diff) {
    ordered_json out = ordered_json::object();
    out["counters"] = fieldsJson(diff.counters);
    ordered_json changes = ordered_json::array();
    for (const RecordChange& c : diff.records)
        changes.push_back(changeJson(c));
    out["changes"] = std::move(changes);
    return out;
}

void writeDiffJson(const DatabaseDiff& diff, const TextSink& sink) {
    std::string out = "{\n  \"counters\": ";
    appendIndented(out, fieldsJson(diff.counters), 1);
    out.append(",\n  \"changes\": [");
    bool first = true;
    for (const RecordChange& c : diff.records) {
        out.append(first ? "\n    " : ",\n    ");
        first = false;
        appendIndented(out, changeJson(c), 2);
        flushPiece(out, sink, false);
    }
    out.append(first ? "]\n}\n" : "\n  ]\n}\n");
    flushPiece(out, sink, true);
}

} // namespace corvane::cli
