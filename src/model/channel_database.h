#pragma once
// The in-memory channel database: four ordered record lists, one cut buffer per kind and four
// counters. List order is significant (it is the order shown and written); every lookup by key
// takes the first match in list order. Operations never throw except on allocation failure.

#include "model/records.h"

#include <array>
#include <cstdint>
#include <list>
#include <optional>
#include <span>
#include <vector>

namespace corvane {

// An ordered list of records of one kind. Iterators stay valid across appends, erases of other
// records and splices, so a command may hold on to a found record while it edits the list.
template <class T> class RecordList {
public:
    using iterator = typename std::list<T>::iterator;
    using const_iterator = typename std::list<T>::const_iterator;

    iterator begin() { return items_.begin(); }
    iterator end() { return items_.end(); }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    T& front() { return items_.front(); }
    T& back() { return items_.back(); }
    const T& front() const { return items_.front(); }
    const T& back() const { return items_.back(); }

    // Links `record` after the last record (constant time).
    T& append(T record) { return items_.emplace_back(std::move(record)); }
    // The first record whose key equals `key`, or end().
    iterator find(int32_t key) {
        for (auto it = items_.begin(); it != items_.end(); ++it)
            if (recordKey(*it) == key)
                return it;
        return items_.end();
    }
    const_iterator find(int32_t key) const {
        for (auto it = items_.begin(); it != items_.end(); ++it)
            if (recordKey(*it) == key)
                return it;
        return items_.end();
    }
    iterator erase(iterator it) { return items_.erase(it); }
    iterator erase(iterator first, iterator last) { return items_.erase(first, last); }
    iterator insert(iterator pos, T record) { return items_.insert(pos, std::move(record)); }
    template <class Pred> std::size_t eraseIf(Pred pred) { return items_.remove_if(pred); }
    void clear() { items_.clear(); }

    // Moves one record of `from` to before `pos` of this list without copying it.
    void moveFrom(iterator pos, RecordList& from, iterator which) {
        items_.splice(pos, from.items_, which);
    }
    // Moves every record of `from`, in order, to before `pos`; `from` is left empty.
    void moveAllFrom(iterator pos, RecordList& from) { items_.splice(pos, from.items_); }
    // Moves `which` within this list to before `pos`.
    void move(iterator pos, iterator which) { items_.splice(pos, items_, which); }
    // Orders the records by `less`, keeping the order of equal ones.
    template <class Less> void stableSort(Less less) { items_.sort(less); }

    friend bool operator==(const RecordList& a, const RecordList& b) {
        return a.items_ == b.items_;
    }

private:
    std::list<T> items_;
};

// What the receiver takes for an antenna, set on every antenna once it is in the editor's hands:
// the band switch at 11700 MHz, and a tuner mask of 0 read as both tuners (3). Returns how many
// of each it set.
struct SettledAntennas {
    std::size_t centerFrequencies = 0, tunerMasks = 0;
};
SettledAntennas settleAntennas(RecordList<AntennaRecord>& antennas);

class ChannelDatabase {
public:
    int32_t satelliteCount = 0; // also the id of the next new satellite
    RecordList<SatelliteRecord> satellites;
    RecordList<SatelliteRecord> satelliteClipboard;
    int32_t transponderCount = 0; // id of the next new transponder
    RecordList<TransponderRecord> transponders;
    RecordList<TransponderRecord> transponderClipboard;
    int32_t serviceCount = 0; // number of the next new service
    RecordList<ServiceRecord> services;
    RecordList<ServiceRecord> serviceClipboard;
    int32_t antennaCount = 0; // id of the next new antenna
    RecordList<AntennaRecord> antennas;
    RecordList<AntennaRecord> antennaClipboard;

    // Typed access, so generic commands (cut, paste, drag) can be written once.
    template <class T> RecordList<T>& list();
    template <class T> RecordList<T>& clipboard();
    template <class T> const RecordList<T>& list() const {
        return const_cast<ChannelDatabase*>(this)->list<T>();
    }
    template <class T> const RecordList<T>& clipboard() const {
        return const_cast<ChannelDatabase*>(this)->clipboard<T>();
    }

    // Empties the four record lists and zeroes the counters; the cut buffers survive.
    void clear();
    // Takes the four lists and counters of `loaded` and keeps this database's cut buffers: what a
    // reader does once a whole file has been read.
    void replaceRecords(ChannelDatabase&& loaded);
    // Whether the cut buffer of `kind` holds records cut before the records were last cleared or
    // replaced. Emptying such a buffer frees its records alone: what hung on them went with the
    // old records, and a cascade would hit the new records that happen to have the same ids.
    bool clipboardPredatesRecords(RecordKind kind) const;
    // Appends `record` to the list of its kind (the counters are the caller's business).
    void appendRecord(SatelliteRecord record) { satellites.append(std::move(record)); }
    void appendRecord(TransponderRecord record) { transponders.append(std::move(record)); }
    void appendRecord(ServiceRecord record) { services.append(std::move(record)); }
    void appendRecord(AntennaRecord record) { antennas.append(std::move(record)); }

    // Appends an antenna with id antennaCount, key id + 1, the default LNB, and counts it. At the
    // counter's limit the key and the counter stay at INT32_MAX (a .cdd save then refuses them).
    AntennaRecord& addDefaultAntenna();
    // The default antenna of a new satellite: as addDefaultAntenna, but with the satellite's id
    // (and key id + 1) when no antenna in the list or the cut buffer has that id yet.
    AntennaRecord& addDefaultAntennaFor(int32_t satelliteId);
    // Removes every service on transponder `transponderId`.
    void removeServicesOf(int32_t transponderId);
    // Removes every transponder of satellite `satelliteId` and the services on each of them.
    void removeTranspondersOf(int32_t satelliteId);
    // Removes only the first antenna whose id is `antennaId`.
    void removeAntenna(int32_t antennaId);
    // number := position from 0 over the whole service list.
    void renumberServices();
    // Puts the services in the order of their numbers, those of equal numbers as they were. A
    // .cdd file groups services by transponder, while the list shows and renumbers them in list
    // order.
    void sortServicesByNumber();
    // Frees the cut buffer of `kind`, with the cascades of a delete for satellites (transponders,
    // their services, the antenna with the satellite's id) and transponders (their services).
    void emptyClipboard(RecordKind kind);

    // Deletes with the cascades a user's Delete command has. `which` must be a record of the list
    // (a find() that found nothing is end(): asserted in debug builds, ignored otherwise).
    // Deleting a satellite lowers satelliteCount, never below INT32_MIN.
    void deleteSatellite(RecordList<SatelliteRecord>::iterator which);
    void deleteTransponder(RecordList<TransponderRecord>::iterator which);
    void deleteService(RecordList<ServiceRecord>::iterator which);
    void deleteAntenna(RecordList<AntennaRecord>::iterator which);

    // Cut: empties the kind's cut buffer (with cascades), then moves the first record matching each
    // key, in the order given, to the tail of the buffer. Keys that match nothing are ignored.
    // Linear in list size plus number of keys.
    void cut(RecordKind kind, std::span<const int32_t> keys);
    // Paste: moves the whole cut buffer, in order, after the first record whose key is `afterKey`,
    // or to the end of the list when `afterKey` is empty. Returns false (and changes nothing) when
    // `afterKey` matches no record.
    bool paste(RecordKind kind, std::optional<int32_t> afterKey);

    // The id the satellite Add command gives a new satellite: satelliteCount when no satellite in
    // the list or the cut buffer has it, else the lowest free id in 0..kMaxSatelliteId; empty
    // when all are taken.
    std::optional<int32_t> newSatelliteId() const;

    struct IdChange {
        int32_t from;
        int32_t to;
        friend bool operator==(const IdChange&, const IdChange&) = default;
    };
    // Before satellites cut from replaced records are pasted: each one whose id a satellite in the
    // list (or one before it in the buffer) already has is given newSatelliteId(), in buffer
    // order. Returns the changes; empty (and nothing changed) when the free ids do not suffice.
    std::optional<std::vector<IdChange>> freeClashingClipboardSatelliteIds();

    // Where each cut buffer's records came from (by RecordKind), for whoever restores an earlier
    // state exactly: it decides what emptying a buffer frees.
    std::array<bool, 4> clipboardOrigins() const { return clipboardPredates_; }
    void setClipboardOrigins(const std::array<bool, 4>& origins) {
        static_cast<std::array<bool, 4>&>(clipboardPredates_) = origins;
    }

    friend bool operator==(const ChannelDatabase&, const ChannelDatabase&) = default;

private:
    void markClipboardsPredating();

    // By RecordKind. Where the buffers' records came from is bookkeeping, not data: it leaves
    // two databases with the same records and buffers equal.
    struct ClipboardOrigins : std::array<bool, 4> {
        friend bool operator==(const ClipboardOrigins&, const ClipboardOrigins&) { return true; }
    };
    ClipboardOrigins clipboardPredates_{};
};

template <> inline RecordList<SatelliteRecord>& ChannelDatabase::list() {
    return satellites;
}
template <> inline RecordList<TransponderRecord>& ChannelDatabase::list() {
    return transponders;
}
template <> inline RecordList<ServiceRecord>& ChannelDatabase::list() {
    return services;
}
template <> inline RecordList<AntennaRecord>& ChannelDatabase::list() {
    return antennas;
}
template <> inline RecordList<SatelliteRecord>& ChannelDatabase::clipboard() {
    return satelliteClipboard;
}
template <> inline RecordList<TransponderRecord>& ChannelDatabase::clipboard() {
    return transponderClipboard;
}
template <> inline RecordList<ServiceRecord>& ChannelDatabase::clipboard() {
    return serviceClipboard;
}
template <> inline RecordList<AntennaRecord>& ChannelDatabase::clipboard() {
    return antennaClipboard;
}

} // namespace corvane
