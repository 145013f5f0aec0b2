#include "formats/satellites_xml.h"

#include "base/file_reader.h"
#include "image/cdd_limits.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace corvane {
namespace {

// What the binary database can hold: satellite ids 0 to 255, transponder ids 0 to 65535.
constexpr int32_t kMaxSatellites = cdd::field(&SatelliteRecord::id).max();
constexpr int32_t kMaxTransponders = cdd::field(&TransponderRecord::id).max();
constexpr int32_t kFullCircle = 3600;

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

enum class NumberStatus { Ok, NotANumber, OutOfRange };

// A whole decimal number with an optional sign. White space around it is allowed because list
// editors pad columns; a fraction, an exponent or a unit is not, since guessing what was meant
// would put a wrong value into a transponder without anyone noticing.
NumberStatus parseWhole(const char* text, int32_t& out) {
    const char* p = text;
    while (isXmlSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return NumberStatus::NotANumber;
    constexpr int64_t kBeyond = int64_t{std::numeric_limits<int32_t>::max()} + 2;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        // Stop growing once past every 32-bit value, but keep reading the digits.
        if (value < kBeyond)
            value = value * 10 + (*p - '0');
    }
    while (isXmlSpace(*p))
        ++p;
    if (*p != '\0')
        return NumberStatus::NotANumber;
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

// Circular polarisations are switched by the same LNB voltages as the linear ones: left like
// horizontal (18 V), right like vertical (13 V).
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

// Element and attribute names are compared for every node and attribute of a large list; an
// inlined loop over a known length beats a call into the C library for words this short.
bool isNamed(const char* name, std::string_view wanted) {
    for (const char c : wanted)
        if (*name++ != c)
            return false;
    return *name == '\0';
}

// A value as a message shows it: an attribute can be megabytes long, a message line should not.
std::string quoted(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string out = "\"";
    out.append(text.substr(0, kShown));
    out += text.size() > kShown ? "\"..." : "\"";
    return out;
}

// The frequency and polarity pairs of the transponders taken so far, over the whole list. Open
// addressing in one array: a node-based set would cost an allocation for every transponder.
class TransponderKeys {
public:
    // False when the key was there already.
    bool insert(int32_t satelliteId, int32_t frequency, int32_t polarity) {
        // The satellite id is at most 254 here, so the key is never 0, the empty slot.
        const uint64_t key = (uint64_t{static_cast<uint8_t>(satelliteId + 1)} << 33) |
                             (uint64_t{static_cast<uint32_t>(frequency)} << 1) |
                             static_cast<uint64_t>(polarity & 1);
        if ((used_ + 1) * 2 > slots_.size())
            grow();
        for (std::size_t i = slotOf(key);; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i] == key)
                return false;
            if (slots_[i] == 0) {
                slots_[i] = key;
                ++used_;
                return true;
            }
        }
    }

private:
    std::size_t slotOf(uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & (slots_.size() - 1);
    }
    void grow() {
        std::vector<uint64_t> old(slots_.empty() ? 256 : slots_.size() * 2, 0);
        old.swap(slots_);
        for (const uint64_t key : old) {
            if (key == 0)
                continue;
            std::size_t i = slotOf(key);
            while (slots_[i] != 0)
                i = (i + 1) & (slots_.size() - 1);
            slots_[i] = key;
        }
    }

    std::vector<uint64_t> slots_;
    std::size_t used_ = 0;
};

// The attributes an element of interest carries, found in one pass over its attributes.
template <std::size_t N> struct AttributeSet {
    std::array<std::string_view, N> names;
    std::array<pugi::xml_attribute, N> found{};
};

constexpr std::ptrdiff_t kMaxXmlNodes = std::ptrdiff_t{1} << 22;

class Importer {
public:
    Importer(std::string_view bytes, std::string_view file) : bytes_(bytes) {
        result_.file = std::string(file);
    }

    SatellitesXmlResult run(ChannelDatabase& db) {
        // The document tree costs some fifty bytes a node, so a file of tiny elements would take
        // eighteen times its size. Every element, text and attribute starts at a '<' or has an
        // '=', which bounds the nodes before any is made; real lists stay far below the limit.
        const auto nodes = std::ranges::count(bytes_, '<') + std::ranges::count(bytes_, '=');
        if (nodes > kMaxXmlNodes) {
            refuseAt(0, SatellitesXmlRefusal::CannotRead,
                     "more than " + std::to_string(kMaxXmlNodes) +
                         " elements and attributes, far more than a transponder list holds");
            return std::move(result_);
        }
        pugi::xml_document doc;
        // Forced to 8-bit: the names must keep their bytes, not be converted from whatever the
        // declaration claims, and the parser's offsets then count the file's own bytes.
        const pugi::xml_parse_result parsed =
            doc.load_buffer(bytes_.data(), bytes_.size(), pugi::parse_default, pugi::encoding_utf8);
        if (parsed.status == pugi::status_out_of_memory) {
            refuseAt(0, SatellitesXmlRefusal::CannotRead, kOutOfMemory);
            return std::move(result_);
        }
        if (!parsed) {
            // With no element anywhere the parser stops at the end; the file as a whole is wrong.
            const bool noElement = parsed.status == pugi::status_no_document_element;
            refuseAt(noElement ? 0 : parsed.offset, SatellitesXmlRefusal::NotXml,
                     std::string("not XML: ") + parsed.description());
            return std::move(result_);
        }
        // The cut buffers belong to the session, not to the file.
        if (readDocument(doc))
            db.replaceRecords(std::move(fresh_));
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
        for (pugi::xml_node sat = root.first_child(); sat; sat = sat.next_sibling())
            if (isNamed(sat.name(), "sat") && !readSatellite(sat))
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
        antenna.lowFreq = kDefaultLowFreq;
        antenna.highFreq = kDefaultHighFreq;
        antenna.lnbPower = 1;
        antenna.tunerMask = 3;
        fresh_.appendRecord(antenna);

        for (pugi::xml_node tp = sat.first_child(); tp; tp = tp.next_sibling())
            if (isNamed(tp.name(), "transponder") && !readTransponder(tp, satellite.id))
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
        if (!seen_.insert(satelliteId, t.frequency, t.polarity))
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
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            const char* name = attribute.name();
            for (std::size_t i = 0; i < N; ++i) {
                if (name[0] != set.names[i][0] || !isNamed(name + 1, set.names[i].substr(1)))
                    continue;
                if (set.found[i])
                    return refuse(node, SatellitesXmlRefusal::NotXml,
                                  std::string("not XML: <") + node.name() + "> has " +
                                      std::string(set.names[i]) + " twice");
                set.found[i] = attribute;
            }
        }
        for (std::size_t i = 0; i < required; ++i)
            if (!set.found[i])
                return refuse(node, SatellitesXmlRefusal::MissingAttribute,
                              std::string("<") + node.name() + "> has no " +
                                  std::string(set.names[i]) + " attribute");
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
        result_.failAt(refusal, lineAt(bytes_, offset), std::move(cause));
    }

    std::string_view bytes_;
    SatellitesXmlResult result_;
    ChannelDatabase fresh_;
    TransponderKeys seen_;
};

} // namespace

SatellitesXmlResult importSatellitesXmlBytes(ChannelDatabase& db, std::string_view bytes,
                                             std::string_view file) {
    return Importer(bytes, file).run(db);
}

SatellitesXmlResult importSatellitesXml(ChannelDatabase& db, const std::string& path) {
    // Neither a folder nor a failing disk may empty the database.
    auto bytes = readWholeFile(path);
    if (!bytes.ok()) {
        SatellitesXmlResult cannotRead(path);
        return cannotRead.failWith(SatellitesXmlRefusal::CannotRead, std::move(bytes));
    }
    return importSatellitesXmlBytes(db, bytes.value, path);
}

} // namespace corvane
