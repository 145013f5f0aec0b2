#include "database_check.h"

#include "database_json.h"
#include "image/cdd_file.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace corvane::cli {
namespace {

constexpr std::size_t kCddSatelliteNameBytes = 14;
constexpr std::size_t kCddServiceNameBytes = 18;
constexpr int32_t kMaxPid = 8191;

// The bits a .cdd file keeps of a field; the reader gives them back unsigned, so anything outside
// 0 to 2^bits - 1 comes back as another value.
template <class T> struct Width {
    const char* field;
    int32_t T::*member;
    int bits;
};

constexpr Width<AntennaRecord> kAntennaWidths[] = {
    {"id", &AntennaRecord::id, 8},
    {"lnbType", &AntennaRecord::lnbType, 4},
    {"lnbPower", &AntennaRecord::lnbPower, 2},
    {"lnbVoltage", &AntennaRecord::lnbVoltage, 2},
    {"toneburst", &AntennaRecord::toneburst, 2},
    {"committed10", &AntennaRecord::committed10, 4},
    {"uncommitted", &AntennaRecord::uncommitted, 4},
    {"committed11", &AntennaRecord::committed11, 4},
    {"repeatedTimes", &AntennaRecord::repeatedTimes, 2},
    {"switch22k", &AntennaRecord::switch22k, 1},
    {"switch12v", &AntennaRecord::switch12v, 1},
    {"tunerMask", &AntennaRecord::tunerMask, 4},
    {"diseqcType", &AntennaRecord::diseqcType, 1},
    {"antennaKey", &AntennaRecord::antennaKey, 8},
};
constexpr Width<SatelliteRecord> kSatelliteWidths[] = {
    {"id", &SatelliteRecord::id, 8},
    {"longitude", &SatelliteRecord::longitude, 16},
};
constexpr Width<TransponderRecord> kTransponderWidths[] = {
    {"id", &TransponderRecord::id, 16},
    {"symbolRate", &TransponderRecord::symbolRate, 24},
    {"polarity", &TransponderRecord::polarity, 2},
    {"fec", &TransponderRecord::fec, 4},
    {"antennaId", &TransponderRecord::antennaId, 8},
};
// PIDs are checked on their own below, with the limit an engineer knows them by.
constexpr Width<ServiceRecord> kServiceWidths[] = {
    {"number", &ServiceRecord::number, 16}, {"serviceId", &ServiceRecord::serviceId, 16},
    {"caMode", &ServiceRecord::caMode, 1},  {"favorites", &ServiceRecord::favorites, 8},
    {"lock", &ServiceRecord::lock, 1},
};

// Builds a message piece by piece. Long chains of std::string operator+ make GCC 12 report a
// false -Wrestrict overlap at -O3, which -Werror turns into a failed release build.
std::string_view piece(std::string_view text) {
    return text;
}
std::string piece(int32_t value) {
    return std::to_string(value);
}
std::string piece(std::size_t value) {
    return std::to_string(value);
}
template <class... Parts> std::string cat(const Parts&... parts) {
    std::string out;
    (out.append(piece(parts)), ...);
    return out;
}

int32_t maxOfBits(int bits) {
    return static_cast<int32_t>((int64_t{1} << bits) - 1);
}

std::string range(int32_t low, int32_t high) {
    return cat("(", low, " to ", high, ")");
}

std::string quoted(const RecordName& name) {
    return cat("\"", latin1ToUtf8(nameView(name)), "\"");
}

std::string label(const AntennaRecord& a) {
    return cat("antenna ", a.id);
}
std::string label(const SatelliteRecord& s) {
    return cat("satellite ", s.id, " ", quoted(s.name));
}
std::string label(const TransponderRecord& t) {
    return cat("transponder ", t.id);
}
std::string label(const ServiceRecord& v) {
    return cat("service ", v.number, " ", quoted(v.name));
}

std::string polarityText(int32_t polarity) {
    switch (polarity) {
    case 0:
        return "horizontal";
    case 1:
        return "vertical";
    default:
        return cat("polarity ", polarity);
    }
}

bool allPidsZero(const ServiceRecord& v) {
    return v.videoPid == 0 && v.audioPid == 0 && v.pcrPid == 0;
}

class Checker {
public:
    explicit Checker(const ChannelDatabase& db) : db_(db) {
        for (const auto& a : db.antennas)
            antennaIds_.insert(a.id);
        for (const auto& s : db.satellites)
            satelliteIds_.insert(s.id);
        for (const auto& t : db.transponders)
            transponderIds_.insert(t.id);
        for (const auto& v : db.services)
            if (!allPidsZero(v))
                ++writtenServicesOn_[v.transponderId];
    }

    std::vector<std::string> run() {
        counters();
        for (const auto& a : db_.antennas)
            antenna(a);
        for (const auto& s : db_.satellites)
            satellite(s);
        for (const auto& t : db_.transponders)
            transponder(t);
        for (const auto& v : db_.services)
            service(v);
        return std::move(findings_);
    }

private:
    void counters() {
        counter("antenna", db_.antennaCount, 255);
        counter("satellite", db_.satelliteCount, 255);
        counter("transponder", db_.transponderCount, 65535);
        counter("service", db_.serviceCount, 65535);
    }

    void counter(const char* kind, int32_t value, int32_t high) {
        if (value < 0 || value > high)
            findings_.push_back(cat("the ", kind, " counter ", value, " does not fit a .cdd file ",
                                    range(0, high)));
    }

    void antenna(const AntennaRecord& a) {
        const std::string who = label(a);
        widths(a, kAntennaWidths, who);
        if (!seenAntennas_.insert(a.id).second)
            add(who, "an earlier antenna has the same id; lookups find only that one");
    }

    void satellite(const SatelliteRecord& s) {
        const std::string who = label(s);
        widths(s, kSatelliteWidths, who);
        if (!seenSatellites_.insert(s.id).second)
            add(who, "an earlier satellite has the same id; lookups find only that one");
        nameLength(s.name, kCddSatelliteNameBytes, who);
    }

    void transponder(const TransponderRecord& t) {
        const std::string who = label(t);
        widths(t, kTransponderWidths, who);
        if (!seenTransponders_.insert(t.id).second)
            add(who, "an earlier transponder has the same id; lookups find only that one");
        if (!satelliteIds_.contains(t.satelliteId))
            add(who, cat("satellite ", t.satelliteId,
                         " does not exist; a .cdd file leaves the transponder and its services "
                         "out"));
        if (!antennaIds_.contains(t.antennaId))
            add(who, cat("antenna ", t.antennaId, " does not exist"));

        const auto [first, inserted] =
            tuning_.try_emplace(TuningKey{t.satelliteId, t.frequency, t.polarity}, t.id);
        if (!inserted)
            add(who, cat("satellite ", t.satelliteId, " already has transponder ", first->second,
                         " on ", t.frequency, " MHz ", polarityText(t.polarity)));

        const auto services = writtenServicesOn_.find(t.id);
        if (services != writtenServicesOn_.end() &&
            services->second > static_cast<std::size_t>(kCddMaxServicesPerTransponder))
            add(who, cat("carries ", services->second, " services; a .cdd file holds at most ",
                         kCddMaxServicesPerTransponder, " on one transponder"));
    }

    void service(const ServiceRecord& v) {
        const std::string who = label(v);
        widths(v, kServiceWidths, who);
        if (!seenServiceNumbers_.insert(v.number).second)
            add(who, "an earlier service has the same number; lookups find only that one");
        if (!transponderIds_.contains(v.transponderId))
            add(who, cat("transponder ", v.transponderId,
                         " does not exist; a .cdd file leaves the service out"));
        nameLength(v.name, kCddServiceNameBytes, who);
        pid(v.videoPid, "video", who);
        pid(v.audioPid, "audio", who);
        pid(v.pcrPid, "PCR", who);
        if (allPidsZero(v))
            add(who, "video, audio and PCR PIDs are all 0; a .cdd file leaves the service out");
    }

    template <class T, std::size_t N>
    void widths(const T& record, const Width<T> (&table)[N], const std::string& who) {
        for (const Width<T>& w : table) {
            const int32_t value = record.*(w.member);
            const int32_t high = maxOfBits(w.bits);
            if (value < 0 || value > high)
                add(who, cat(w.field, " ", value, " does not fit a .cdd file ", range(0, high)));
        }
    }

    void nameLength(const RecordName& name, std::size_t kept, const std::string& who) {
        const std::string_view text = nameView(name);
        if (text.size() > kept)
            add(who,
                cat("the name is ", text.size(), " characters long; a .cdd file keeps the first ",
                    kept, " (\"", latin1ToUtf8(text.substr(0, kept)), "\")"));
    }

    void pid(int32_t value, const char* which, const std::string& who) {
        if (value < 0 || value > kMaxPid)
            add(who, cat(which, " PID ", value, " is not a PID ", range(0, kMaxPid)));
    }

    void add(const std::string& who, const std::string& what) {
        findings_.push_back(cat(who, ": ", what));
    }

    struct TuningKey {
        int32_t satelliteId;
        int32_t frequency;
        int32_t polarity;
        bool operator==(const TuningKey&) const = default;
    };
    struct TuningHash {
        std::size_t operator()(const TuningKey& k) const {
            const uint64_t mixed = (uint64_t(uint32_t(k.satelliteId)) << 34) ^
                                   (uint64_t(uint32_t(k.frequency)) << 2) ^
                                   uint64_t(uint32_t(k.polarity));
            return std::hash<uint64_t>{}(mixed);
        }
    };

    const ChannelDatabase& db_;
    std::unordered_set<int32_t> antennaIds_, satelliteIds_, transponderIds_;
    std::unordered_set<int32_t> seenAntennas_, seenSatellites_, seenTransponders_,
        seenServiceNumbers_;
    std::unordered_map<int32_t, std::size_t> writtenServicesOn_;
    std::unordered_map<TuningKey, int32_t, TuningHash> tuning_;
    std::vector<std::string> findings_;
};

} // namespace

std::vector<std::string> checkDatabase(const ChannelDatabase& db) {
    return Checker(db).run();
}

} // namespace corvane::cli
