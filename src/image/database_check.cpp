#include "image/database_check.h"

#include "base/message_text.h"
#include "image/cdd_limits.h"
#include "model/tuning.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace corvane {
namespace {

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

std::string range(int32_t low, int32_t high) {
    return cat("(", low, " to ", high, ")");
}

std::string label(const AntennaRecord& a) {
    return cat("antenna ", a.id);
}
std::string label(const SatelliteRecord& s) {
    return cat("satellite ", s.id, " ", inQuotes(printableName(nameView(s.name))));
}
std::string label(const TransponderRecord& t) {
    return cat("transponder ", t.id);
}
std::string label(const ServiceRecord& v) {
    return cat("service ", v.number, " ", inQuotes(printableName(nameView(v.name))));
}

constexpr RecordKind kindOf(const AntennaRecord&) {
    return RecordKind::Antenna;
}
constexpr RecordKind kindOf(const SatelliteRecord&) {
    return RecordKind::Satellite;
}
constexpr RecordKind kindOf(const TransponderRecord&) {
    return RecordKind::Transponder;
}
constexpr RecordKind kindOf(const ServiceRecord&) {
    return RecordKind::Service;
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

std::string_view pidLabel(std::string_view field) {
    if (field == "videoPid")
        return "video";
    if (field == "audioPid")
        return "audio";
    return "PCR";
}

class Checker {
public:
    Checker(const ChannelDatabase& db, const FindingSink& sink) : db_(db), sink_(sink) {
        for (const auto& a : db.antennas)
            antennas_.try_emplace(a.id, &a); // the first of an id, as every lookup finds
        for (const auto& s : db.satellites)
            satelliteIds_.insert(s.id);
        for (const auto& t : db.transponders)
            transponderIds_.insert(t.id);
        for (const auto& v : db.services)
            if (cdd::isWritten(v))
                ++writtenServicesOn_[v.transponderId];
    }

    void run() {
        for (const cdd::Counter& c : cdd::kCounters)
            counter(c);
        forEachIn(db_.antennas, [&](const AntennaRecord& a) { antenna(a); });
        forEachIn(db_.satellites, [&](const SatelliteRecord& s) { satellite(s); });
        forEachIn(db_.transponders, [&](const TransponderRecord& t) { transponder(t); });
        forEachIn(db_.services, [&](const ServiceRecord& v) { service(v); });
    }

private:
    template <class T, class F> void forEachIn(const RecordList<T>& list, F check) {
        position_ = 0;
        for (const T& record : list) {
            kind_ = kindOf(record);
            who_ = label(record);
            check(record);
            ++position_;
        }
    }

    void counter(const cdd::Counter& c) {
        const int32_t value = db_.*c.member;
        if (value >= 0 && value <= c.max())
            return;
        sink_({FindingKind::DoesNotFit, c.counts, std::nullopt, std::string(c.name),
               cat("the ", c.what, " counter ", value, " does not fit a .cdd file ",
                   range(0, c.max()))});
    }

    void antenna(const AntennaRecord& a) {
        widths(a);
        if (!seenAntennas_.insert(a.id).second)
            add(FindingKind::DuplicateKey, "id",
                "an earlier antenna has the same id; lookups find only that one");
    }

    void satellite(const SatelliteRecord& s) {
        widths(s);
        if (!seenSatellites_.insert(s.id).second)
            add(FindingKind::DuplicateKey, "id",
                "an earlier satellite has the same id; the .cdd writer refuses the database, since "
                "both would carry the transponders of that id");
        nameLength(s.name, cdd::kSatelliteNameBytes);
    }

    void transponder(const TransponderRecord& t) {
        widths(t);
        const bool written = satelliteIds_.contains(t.satelliteId);
        const bool ownsItsId = seenTransponders_.insert(t.id).second;
        if (!ownsItsId) {
            // The writer puts a transponder in the block of its satellite, when there is one, and
            // every service of its id under it.
            if (written && !seenWrittenTransponders_.insert(t.id).second)
                add(FindingKind::DuplicateKey, "id",
                    "an earlier transponder has the same id; the .cdd writer refuses the "
                    "database, since both would carry the services of that id");
            else
                add(FindingKind::DuplicateKey, "id",
                    "an earlier transponder has the same id; lookups find only that one");
        } else if (written) {
            seenWrittenTransponders_.insert(t.id);
        }
        if (!written)
            add(FindingKind::MissingSatellite, "satelliteId",
                cat("satellite ", t.satelliteId,
                    " does not exist; a .cdd file leaves the transponder and its services out"));
        if (const auto antenna = antennas_.find(t.antennaId); antenna == antennas_.end())
            add(FindingKind::MissingAntenna, "antennaId",
                cat("antenna ", t.antennaId, " does not exist"));
        else
            receivability(t, *antenna->second);

        const auto [first, inserted] = tuning_.try_emplace(Tuning::of(t), t.id);
        // Removing duplicates moves the services of the first transponder of an id to the first
        // of its tuning; they are compared there.
        if (ownsItsId && !inserted && first->second != t.id)
            keptTransponder_.emplace(t.id, first->second);
        if (!inserted)
            add(FindingKind::DuplicateTuning, "frequency",
                cat("satellite ", t.satelliteId, " already has transponder ", first->second, " on ",
                    t.frequency, " MHz ", polarityText(t.polarity)));

        const auto services = writtenServicesOn_.find(t.id);
        if (services != writtenServicesOn_.end() &&
            services->second > static_cast<std::size_t>(cdd::kMaxServicesPerTransponder))
            add(FindingKind::TooManyServices, "",
                cat("carries ", services->second, " services; a .cdd file holds at most ",
                    cdd::kMaxServicesPerTransponder, " on one transponder"));
    }

    void receivability(const TransponderRecord& t, const AntennaRecord& a) {
        if (receivable(a, t.frequency))
            return;
        add(FindingKind::NotReceivable, "frequency",
            cat(t.frequency, " MHz through antenna ", a.id, " (oscillator ",
                lnbOscillator(a, t.frequency), " MHz) gives ",
                std::to_string(intermediateFrequency(a, t.frequency)), " MHz, outside the tuner's ",
                kTunerLowestInput, " to ", kTunerHighestInput, " MHz"));
    }

    void service(const ServiceRecord& v) {
        widths(v);
        if (!seenServiceNumbers_.insert(v.number).second)
            add(FindingKind::DuplicateKey, "number",
                "an earlier service has the same number; lookups find only that one");
        const auto kept = keptTransponder_.find(v.transponderId);
        const int32_t on = kept == keptTransponder_.end() ? v.transponderId : kept->second;
        const auto [first, inserted] = serviceOn_.try_emplace(
            uint64_t{static_cast<uint32_t>(on)} << 32 | static_cast<uint32_t>(v.serviceId),
            v.number);
        if (!inserted)
            add(FindingKind::DuplicateService, "serviceId",
                cat("service ", first->second, " on transponder ", on, " has the same service id ",
                    v.serviceId, "; removing duplicates keeps that one"));
        if (!transponderIds_.contains(v.transponderId))
            add(FindingKind::MissingTransponder, "transponderId",
                cat("transponder ", v.transponderId,
                    " does not exist; a .cdd file leaves the service out"));
        nameLength(v.name, cdd::kServiceNameBytes);
        for (const auto& f : cdd::kServiceFields) {
            const int32_t value = v.*f.member;
            if (f.role == cdd::FieldRole::Pid && !f.fits(value))
                add(FindingKind::NotAPid, std::string(f.name),
                    cat(pidLabel(f.name), " PID ", value, " is not a PID ", range(0, f.max())));
        }
        if (!cdd::isWritten(v))
            add(FindingKind::NoPids, "",
                "video, audio and PCR PIDs are all 0; a .cdd file leaves the service out");
    }

    // Every field the file keeps in fewer than 32 bits; the reader gives the bits back unsigned,
    // so anything outside 0 to 2^bits - 1 comes back as another value.
    template <class T> void widths(const T& record) {
        for (const cdd::Field<T>& f : cdd::fieldsOf<T>()) {
            const int32_t value = record.*f.member;
            if (f.role == cdd::FieldRole::Value && !f.fits(value))
                add(FindingKind::DoesNotFit, std::string(f.name),
                    cat(f.name, " ", value, " does not fit a .cdd file ", range(0, f.max())));
        }
    }

    void nameLength(const RecordName& name, std::size_t kept) {
        const std::string_view text = nameView(name);
        if (text.size() > kept)
            add(FindingKind::NameCut, "name",
                cat("the name is ", text.size(), " characters long; a .cdd file keeps the first ",
                    kept, " (", inQuotes(printableName(text.substr(0, kept))), ")"));
    }

    void add(FindingKind kind, std::string field, const std::string& what) {
        sink_({kind, kind_, position_, std::move(field), cat(who_, ": ", what)});
    }

    const ChannelDatabase& db_;
    const FindingSink& sink_;
    RecordKind kind_ = RecordKind::Antenna;
    std::size_t position_ = 0;
    std::string who_;
    std::unordered_map<int32_t, const AntennaRecord*> antennas_;
    std::unordered_set<int32_t> satelliteIds_, transponderIds_;
    std::unordered_set<int32_t> seenAntennas_, seenSatellites_, seenTransponders_,
        seenWrittenTransponders_, seenServiceNumbers_;
    std::unordered_map<int32_t, std::size_t> writtenServicesOn_;
    std::unordered_map<Tuning, int32_t, TuningHash> tuning_;
    std::unordered_map<int32_t, int32_t> keptTransponder_; // id -> the id its services move to
    std::unordered_map<uint64_t, int32_t> serviceOn_;      // transponder and service id -> number
};

} // namespace

void checkDatabase(const ChannelDatabase& db, const FindingSink& sink) {
    Checker(db, sink).run();
}

std::vector<Finding> checkDatabase(const ChannelDatabase& db) {
    std::vector<Finding> findings;
    checkDatabase(db, [&](Finding&& f) { findings.push_back(std::move(f)); });
    return findings;
}

} // namespace corvane
