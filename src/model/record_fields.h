#pragma once
// Every field of a record, in declaration order, with the name the tool's JSON and the list
// comparison use. One list of fields serves every reader, writer and comparison, so none of them
// can forget a field that another knows.

#include "model/records.h"

#include <type_traits>

namespace corvane {

// Calls f(name, field) for each field of `r` (const or not); names are string literals.
template <class R, class F> void forEachField(R& r, F&& f) {
    using T = std::remove_const_t<R>;
    if constexpr (std::is_same_v<T, SatelliteRecord>) {
        f("id", r.id);
        f("name", r.name);
        f("longitude", r.longitude);
    } else if constexpr (std::is_same_v<T, TransponderRecord>) {
        f("id", r.id);
        f("satelliteId", r.satelliteId);
        f("frequency", r.frequency);
        f("symbolRate", r.symbolRate);
        f("polarity", r.polarity);
        f("fec", r.fec);
        f("antennaId", r.antennaId);
    } else if constexpr (std::is_same_v<T, ServiceRecord>) {
        f("transponderId", r.transponderId);
        f("number", r.number);
        f("name", r.name);
        f("videoPid", r.videoPid);
        f("audioPid", r.audioPid);
        f("pcrPid", r.pcrPid);
        f("serviceId", r.serviceId);
        f("caMode", r.caMode);
        f("favorites", r.favorites);
        f("lock", r.lock);
    } else {
        static_assert(std::is_same_v<T, AntennaRecord>);
        f("id", r.id);
        f("lowFreq", r.lowFreq);
        f("highFreq", r.highFreq);
        f("centerFreq", r.centerFreq);
        f("lnbType", r.lnbType);
        f("lnbPower", r.lnbPower);
        f("lnbVoltage", r.lnbVoltage);
        f("toneburst", r.toneburst);
        f("committed10", r.committed10);
        f("uncommitted", r.uncommitted);
        f("committed11", r.committed11);
        f("repeatedTimes", r.repeatedTimes);
        f("switch22k", r.switch22k);
        f("switch12v", r.switch12v);
        f("tunerMask", r.tunerMask);
        f("diseqcType", r.diseqcType);
        f("antennaKey", r.antennaKey);
    }
}

} // namespace corvane
