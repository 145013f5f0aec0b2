#pragma once
// Shared by the fuzz targets: whatever a reader accepted must survive a .cdd write and read with
// every value intact within the widths the file stores. A mismatch aborts, so the fuzzer reports
// wrong results the same way it reports crashes.

#include "image/cdd_file.h"
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

// The database a reader gives back after the writer stored `db`: what the file layout keeps, in
// the order the nested blocks put it.
inline ChannelDatabase expectedAfterCdd(const ChannelDatabase& db) {
    ChannelDatabase out;
    out.satelliteCount = db.satelliteCount;
    out.transponderCount = db.transponderCount;
    out.serviceCount = db.serviceCount;
    out.antennaCount = db.antennaCount;
    for (AntennaRecord a : db.antennas) {
        a.lnbType &= 0xF;
        a.lnbPower &= 3;
        a.lnbVoltage &= 3;
        a.toneburst &= 3;
        a.committed10 &= 0xF;
        a.uncommitted &= 0xF;
        a.committed11 &= 0xF;
        a.repeatedTimes &= 3;
        a.switch22k &= 1;
        a.switch12v &= 1;
        a.tunerMask &= 0xF;
        a.diseqcType &= 1;
        a.antennaKey &= 0xFF;
        out.antennas.append(a);
    }
    for (const SatelliteRecord& s : db.satellites) {
        SatelliteRecord sat = s;
        setName(sat.name, nameView(s.name).substr(0, 14));
        sat.longitude &= 0xFFFF;
        out.satellites.append(sat);
        for (const TransponderRecord& t : db.transponders) {
            if (t.satelliteId != s.id)
                continue;
            TransponderRecord tp = t;
            tp.symbolRate &= 0xFFFFFF;
            tp.polarity &= 3;
            tp.fec &= 0xF;
            tp.antennaId &= 0xFF;
            out.transponders.append(tp);
            for (const ServiceRecord& v : db.services) {
                if (v.transponderId != t.id ||
                    (v.videoPid == 0 && v.audioPid == 0 && v.pcrPid == 0))
                    continue;
                ServiceRecord svc = v;
                setName(svc.name, nameView(v.name).substr(0, 18));
                svc.videoPid &= 0x1FFF;
                svc.audioPid &= 0x1FFF;
                svc.pcrPid &= 0x1FFF;
                svc.serviceId &= 0xFFFF;
                svc.caMode &= 1;
                svc.favorites &= 0xFF;
                svc.lock &= 1;
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
