#pragma once
// Shared by the fuzz targets: whatever a reader accepted must survive a .cdd write and read with
// every value intact within the widths the file stores. A mismatch aborts, so the fuzzer reports
// wrong results the same way it reports crashes.

#include "image/cdd_file.h"
#include "image/cdd_limits.h"
#include "model/channel_database.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace corvane::fuzz {

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "round trip mismatch: %s\n", what);
    std::abort();
}

// What a reader gives back of `record`: every stored field as its kept bits.
template <class T> T readBack(T record) {
    for (const cdd::Field<T>& f : cdd::fieldsOf<T>())
        record.*f.member = f.readBack(record);
    return record;
}

// The database a reader gives back after the writer stored `db`: what the file layout keeps, in
// the order the nested blocks put it.
inline ChannelDatabase expectedAfterCdd(const ChannelDatabase& db) {
    ChannelDatabase out;
    out.satelliteCount = db.satelliteCount;
    out.transponderCount = db.transponderCount;
    out.serviceCount = db.serviceCount;
    out.antennaCount = db.antennaCount;
    for (const AntennaRecord& a : db.antennas)
        out.antennas.append(readBack(a));
    for (const SatelliteRecord& s : db.satellites) {
        SatelliteRecord sat = readBack(s);
        setName(sat.name, nameView(s.name).substr(0, cdd::kSatelliteNameBytes));
        out.satellites.append(sat);
        for (const TransponderRecord& t : db.transponders) {
            if (t.satelliteId != s.id)
                continue;
            out.transponders.append(readBack(t));
            for (const ServiceRecord& v : db.services) {
                if (v.transponderId != t.id || !cdd::isWritten(v))
                    continue;
                ServiceRecord svc = readBack(v);
                setName(svc.name, nameView(v.name).substr(0, cdd::kServiceNameBytes));
                out.services.append(svc);
            }
        }
    }
    return out;
}

// Names compare as text up to their NUL; the bytes after it are not part of the record.
inline void normaliseNames(ChannelDatabase& db) {
    for (auto& s : db.satellites) {
        const std::string_view text = nameView(s.name);
        RecordName clean{};
        setName(clean, text);
        s.name = clean;
    }
    for (auto& v : db.services) {
        const std::string_view text = nameView(v.name);
        RecordName clean{};
        setName(clean, text);
        v.name = clean;
    }
}

inline void checkCddRoundTrip(const ChannelDatabase& db) {
    const auto encoded = encodeCdd(db);
    if (!encoded.ok())
        return; // refused with a cause: nothing is written, which is the correct outcome
    ChannelDatabase reread;
    if (readCddBytes(reread, encoded.value).code != CddRead::Ok)
        fail("the reader rejected what the writer wrote");
    ChannelDatabase expected = expectedAfterCdd(db);
    normaliseNames(expected);
    normaliseNames(reread);
    if (!(reread == expected))
        fail("the database read back differs from the one written");
}

} // namespace corvane::fuzz
