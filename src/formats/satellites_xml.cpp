#include "formats/satellites_xml.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <unordered_set>
#include <utility>

namespace corvane {
namespace {

constexpr int32_t kMaxSatellites = 255;     // satellite ids and the counter are 8 bits in .cdd
constexpr int32_t kMaxTransponders = 65535; // the transponder counter is 16 bits in .cdd
constexpr int32_t kFullCircle = 3600;

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

enum class NumberStatus { Ok, NotANumber, OutOfRange };

// A whole decimal number with an optional sign. White space around it is allowed because list
// editors pad columns; a fraction, an exponent or a unit is not, since guessing what was meant
// would put a wrong value into a transponder without anyone noticing.
NumberStatus parseWhole(std::string_view text, int32_t& out) {
    while (!text.empty() && isXmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isXmlSpace(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return NumberStatus::NotANumber;
    constexpr int64_t kBeyond = int64_t{std::numeric_limits<int32_t>::max()} + 2;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return NumberStatus::NotANumber;
        // Stop growing once past every 32-bit value, but keep checking the remaining characters.
        if (value < kBeyond)
            value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return NumberStatus::OutOfRange;
    out = static_cast<int32_t>(value);
    return NumberStatus::Ok;
}

// kHz to MHz and S/s to kS/s: the nearest whole unit, halves away from zero.
int32_t thousandths(int32_t value) {
    const int64_t v = value;
    return static_cast<int32_t>((v + (v < 0 ? -500 : 500)) / 1000);
}

// The list's inner FEC codes 1 to 6 are 1/2, 2/3, 3/4, 5/6, 7/8 and 8/9, which are our codes too;
// the DVB-S2 rates (3/5, 4/5, 9/10 ...) have no code of ours and tune as automatic.
int32_t fecFromCode(int32_t code) {
    return code >= 1 && code <= 6 ? code : 0;
}

// Circular polarisations are received as their linear counterparts: left as horizontal, right as
// vertical, which is how an LNB without a circular feed switches for them.
int32_t polarityFromCode(int32_t code) {
    return code % 2;
}

int lineAt(std::string_view bytes, std::ptrdiff_t offset) {
    const std::size_t end =
        offset < 0 ? 0 : std::min(static_cast<std::size_t>(offset), bytes.size());
    int line = 1;
    for (std::size_t i = 0; i < end && line < std::numeric_limits<int>::max(); ++i) {
        // A lone CR ends a line too, as it does in files saved by old Mac tools.
        if (bytes[i] == '\n' ||
            (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
            ++line;
    }
    return line;
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    out.append(text);
    out += '"';
    return out;
}

// The attributes an element of interest carries, found in one pass over its attributes.
template <std::size_t N> struct AttributeSet {
    std::array<const char*, N> names;
    std::array<pugi::xml_attribute, N> found{};
};

class Importer {
public:
    Importer(std::string_view bytes, std::string_view file) : bytes_(bytes) {
        result_.file = std::string(file);
    }

    SatellitesXmlResult run(ChannelDatabase& db) {
        pugi::xml_document doc;
        // Forced to 8-bit: the names must keep their bytes, not be converted from whatever the
        // declaration claims, and the parser's offsets then count the file's own bytes.
        const pugi::xml_parse_result parsed =
            doc.load_buffer(bytes_.data(), bytes_.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!parsed) {
            // With no element anywhere the parser stops at the end; the file as a whole is wrong.
            const bool noElement = parsed.status == pugi::status_no_document_element;
            refuseAt(noElement ? 0 : parsed.offset, SatellitesXmlRefusal::NotXml,
                     std::string("not XML: ") + parsed.description());
            return std::move(result_);
        }
        if (readDocument(doc)) {
            // Only the lists and counters change hands; the cut buffers belong to the session.
            db.satellites = std::move(fresh_.satellites);
            db.transponders = std::move(fresh_.transponders);
            db.services = std::move(fresh_.services);
            db.antennas = std::move(fresh_.antennas);
            db.satelliteCount = fresh_.satelliteCount;
            db.transponderCount = fresh_.transponderCount;
            db.serviceCount = fresh_.serviceCount;
            db.antennaCount = fresh_.antennaCount;
        }
        return std::move(result_);
    }

private:
    bool readDocument(const pugi::xml_document& doc) {
        pugi::xml_node root;
        for (const pugi::xml_node node : doc.children()) {
            if (node.type() != pugi::node_element)
                continue;
            if (root)
                return refuse(node, SatellitesXmlRefusal::NotXml,
                              std::string("not XML: a second root element <") + node.name() + ">");
            root = node;
        }
        if (std::string_view(root.name()) != "satellites")
            return refuse(root, SatellitesXmlRefusal::NoSatellitesRoot,
                          std::string("the root element is <") + root.name() +
                              ">, not <satellites>");
        for (const pugi::xml_node sat : root.children("sat"))
            if (!readSatellite(sat))
                return false;
        return true;
    }

    bool readSatellite(const pugi::xml_node& sat) {
        if (fresh_.satelliteCount >= kMaxSatellites)
            return refuse(sat, SatellitesXmlRefusal::TooManySatellites,
                          "more than 255 satellites, the most a channel database holds");
        AttributeSet<2> a{{"name", "position"}};
        int32_t position = 0;
        if (!collect(sat, a) || !number(sat, a.found[1], position))
            return false;
        const int32_t longitude = position < 0 ? kFullCircle + position : position;
        if (longitude < 0 || longitude > kFullCircle)
            return refuse(sat, SatellitesXmlRefusal::BadPosition,
                          "<sat> position " + std::to_string(position) +
                              " gives no longitude from 0 to 3600");

        SatelliteRecord satellite;
        satellite.id = fresh_.satelliteCount++;
        setName(satellite.name, a.found[0].value());
        satellite.longitude = longitude;
        fresh_.appendRecord(satellite);
        // The same default antenna the text reader gives a satellite without one.
        AntennaRecord antenna;
        antenna.id = fresh_.antennaCount++;
        antenna.antennaKey = antenna.id + 1;
        antenna.lowFreq = 9750;
        antenna.highFreq = 10600;
        antenna.lnbPower = 1;
        antenna.tunerMask = 3;
        fresh_.appendRecord(antenna);

        seen_.clear();
        for (const pugi::xml_node tp : sat.children("transponder"))
            if (!readTransponder(tp, satellite.id))
                return false;
        return true;
    }

    bool readTransponder(const pugi::xml_node& tp, int32_t satelliteId) {
        AttributeSet<4> a{{"frequency", "symbol_rate", "polarization", "fec_inner"}};
        int32_t frequency = 0, symbolRate = 0, polarization = 0, fec = 0;
        if (!collect(tp, a, 3) || !number(tp, a.found[0], frequency) ||
            !number(tp, a.found[1], symbolRate) || !number(tp, a.found[2], polarization) ||
            (a.found[3] && !number(tp, a.found[3], fec)))
            return false;
        if (polarization < 0 || polarization > 3)
            return refuse(tp, SatellitesXmlRefusal::BadPolarization,
                          "<transponder> polarization " + std::to_string(polarization) +
                              " is none of 0 to 3");

        TransponderRecord t;
        t.satelliteId = satelliteId;
        t.antennaId = satelliteId;
        t.frequency = thousandths(frequency);
        t.symbolRate = thousandths(symbolRate);
        t.polarity = polarityFromCode(polarization);
        t.fec = fecFromCode(fec);
        const uint64_t key =
            (uint64_t{static_cast<uint32_t>(t.frequency)} << 1) | static_cast<uint64_t>(t.polarity);
        if (!seen_.insert(key).second)
            return true;
        if (fresh_.transponderCount >= kMaxTransponders)
            return refuse(tp, SatellitesXmlRefusal::TooManyTransponders,
                          "more than 65535 transponders, the most a channel database holds");
        t.id = fresh_.transponderCount++;
        fresh_.appendRecord(t);
        return true;
    }

    // Finds the named attributes; the first `required` of them must be there. A name given twice
    // is refused: XML forbids it and picking either value would hide the other.
    template <std::size_t N>
    bool collect(const pugi::xml_node& node, AttributeSet<N>& set, std::size_t required = N) {
        for (const pugi::xml_attribute attribute : node.attributes()) {
            const std::string_view name = attribute.name();
            for (std::size_t i = 0; i < N; ++i) {
                if (name != set.names[i])
                    continue;
                if (set.found[i])
                    return refuse(node, SatellitesXmlRefusal::NotXml,
                                  std::string("not XML: <") + node.name() + "> has " +
                                      set.names[i] + " twice");
                set.found[i] = attribute;
            }
        }
        for (std::size_t i = 0; i < required; ++i)
            if (!set.found[i])
                return refuse(node, SatellitesXmlRefusal::MissingAttribute,
                              std::string("<") + node.name() + "> has no " + set.names[i] +
                                  " attribute");
        return true;
    }

    bool number(const pugi::xml_node& node, const pugi::xml_attribute& attribute, int32_t& out) {
        switch (parseWhole(attribute.value(), out)) {
        case NumberStatus::Ok:
            return true;
        case NumberStatus::NotANumber:
            return refuse(node, SatellitesXmlRefusal::NotANumber,
                          std::string("<") + node.name() + "> " + attribute.name() + " " +
                              quoted(attribute.value()) + " is not a whole number");
        case NumberStatus::OutOfRange:
            break;
        }
        return refuse(node, SatellitesXmlRefusal::OutOfRange,
                      std::string("<") + node.name() + "> " + attribute.name() + " " +
                          quoted(attribute.value()) + " does not fit 32 bits");
    }

    bool refuse(const pugi::xml_node& node, SatellitesXmlRefusal refusal, std::string cause) {
        refuseAt(node ? node.offset_debug() : 0, refusal, std::move(cause));
        return false;
    }

    void refuseAt(std::ptrdiff_t offset, SatellitesXmlRefusal refusal, std::string cause) {
        result_.refusal = refusal;
        result_.line = lineAt(bytes_, offset);
        result_.cause = std::move(cause);
    }

    std::string_view bytes_;
    SatellitesXmlResult result_;
    ChannelDatabase fresh_;
    std::unordered_set<uint64_t> seen_; // frequency and polarity of the current satellite's
};

} // namespace

std::string SatellitesXmlResult::message() const {
    if (ok())
        return {};
    std::string out = file;
    if (line > 0)
        out += (out.empty() ? "line " : ":") + std::to_string(line);
    if (!out.empty())
        out += ": ";
    return out + cause;
}

SatellitesXmlResult importSatellitesXmlBytes(ChannelDatabase& db, std::string_view bytes,
                                             std::string_view file) {
    return Importer(bytes, file).run(db);
}

SatellitesXmlResult importSatellitesXml(ChannelDatabase& db, const std::string& path) {
    SatellitesXmlResult cannotRead;
    cannotRead.refusal = SatellitesXmlRefusal::CannotRead;
    cannotRead.file = path;
    cannotRead.cause = "cannot be read";
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr)
        return cannotRead;
    std::string bytes;
    char chunk[65536];
    std::size_t length = 0;
    while ((length = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        bytes.append(chunk, length);
    // A folder opens but cannot be read; neither it nor a failing disk may empty the database.
    const bool unreadable = std::ferror(in) != 0;
    std::fclose(in);
    if (unreadable)
        return cannotRead;
    return importSatellitesXmlBytes(db, bytes, path);
}

} // namespace corvane
