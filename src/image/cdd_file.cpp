#include "image/cdd_file.h"

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "base/file_reader.h"
#include "base/message_text.h"
#include "image/cdd_limits.h"
#include "image/checksum.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <new>
#include <optional>

namespace corvane {
namespace {

constexpr std::array<uint8_t, 5> kMagic{0x26, 0x52, 0x06, 0x24, 0x01};
constexpr std::size_t kFixedHeader = 16;   // enough to recognise the file and find L
constexpr std::size_t kBodyStart = 9;      // L counts from here up to the checksum
constexpr std::size_t kMinBodyLength = 19; // marker, counters, La and Ls with empty sections
constexpr std::size_t kAntennaSize = 19;
constexpr std::size_t kSatelliteHeaderSize = 23;
constexpr std::size_t kTransponderHeaderSize = 14;
constexpr std::size_t kServiceSize = 34;
// The reader takes the section lengths as signed, so larger values would not come back.
constexpr uint64_t kMaxSectionLength = std::numeric_limits<int32_t>::max();
constexpr uint64_t kMaxBodyLength = std::numeric_limits<uint32_t>::max();

// Two's complement by definition since C++20, so no overflow is involved.
int32_t s32(const uint8_t* p) {
    return static_cast<int32_t>(loadBe32(p));
}
// A header counter's low bits; the writer refuses counters outside what they hold.
uint32_t counter(int32_t value) {
    return static_cast<uint32_t>(value) & 0xFFFFu;
}

bool hasGoodHeader(std::span<const uint8_t> bytes) {
    return bytes.size() >= kFixedHeader &&
           std::equal(kMagic.begin(), kMagic.end(), bytes.begin()) && bytes[9] == 0 &&
           bytes[10] == 0 && bytes[11] == 0 && bytes[12] == 1;
}

// Walks the body of a file whose checksum is already known to be good. Every length field must
// be exactly the bytes of the records it announces: a section that ends inside a record, claims
// more than the body holds or leaves bytes over means the file was not laid out by a writer of
// this format, and reading on would shift every later field into the wrong record. Such a file
// is refused, naming the section, rather than turned into plausible-looking garbage.
class BodyParser {
public:
    BodyParser(std::span<const uint8_t> file, std::size_t bodyEnd)
        : data_(file.data()), end_(bodyEnd) {}

    // Empty when the whole body was read, else why not.
    std::string parse(ChannelDatabase& db) {
        db.antennaCount = data_[13];
        db.satelliteCount = data_[14];
        db.transponderCount = static_cast<int32_t>(loadBe16(data_ + 15));
        db.serviceCount = static_cast<int32_t>(loadBe16(data_ + 17));
        pos_ = 20;
        if (!parseAntennas(db) || !parseSatellites(db))
            return std::move(error_);
        if (pos_ != end_)
            return detail::joinText(std::to_string(end_ - pos_),
                                    " bytes follow the satellite section inside the checksum");
        return {};
    }

private:
    std::size_t left() const { return end_ - pos_; }

    bool refuse(std::string why) {
        error_ = std::move(why);
        return false;
    }

    // A section length read from `field`: it must fit in what is left of the enclosing span
    // (`room` bytes) and be made of whole `recordSize`-byte records (0: any length).
    bool sectionLength(const std::string& section, int64_t length, std::size_t room,
                       std::size_t recordSize, std::size_t& out) {
        if (length < 0)
            return refuse(detail::joinText("the length of ", section, " is negative (",
                                           std::to_string(length), ")"));
        if (static_cast<uint64_t>(length) > room)
            return refuse(detail::joinText("the length of ", section, " (", std::to_string(length),
                                           " bytes) runs past the ", std::to_string(room),
                                           " bytes that hold it"));
        if (recordSize != 0 && length % static_cast<int64_t>(recordSize) != 0)
            return refuse(detail::joinText("the length of ", section, " (", std::to_string(length),
                                           " bytes) is not a multiple of ",
                                           std::to_string(recordSize), "-byte records"));
        out = static_cast<std::size_t>(length);
        return true;
    }

    // The next `n` bytes; the caller has made sure they are there.
    const uint8_t* take(std::size_t n) {
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

    bool parseAntennas(ChannelDatabase& db) {
        std::size_t length = 0;
        if (left() < 4)
            return refuse("the body ends before the antenna section's length");
        if (!sectionLength("the antenna section", s32(take(4)), left(), kAntennaSize, length))
            return false;
        for (std::size_t n = length / kAntennaSize; n > 0; --n) {
            const uint8_t* p = take(kAntennaSize);
            AntennaRecord a;
            a.id = p[0];
            a.lowFreq = s32(p + 1);
            a.highFreq = s32(p + 5);
            a.centerFreq = s32(p + 9);
            a.lnbType = p[13] >> 4;
            a.lnbPower = (p[13] >> 2) & 3;
            a.lnbVoltage = p[13] & 3;
            a.toneburst = p[14] >> 6;
            a.committed10 = (p[14] >> 2) & 0xF;
            a.uncommitted = p[15] >> 4;
            a.committed11 = p[15] & 0xF;
            a.repeatedTimes = p[16] >> 6;
            a.switch22k = p[17] >> 7;
            a.switch12v = (p[17] >> 6) & 1;
            a.tunerMask = (p[17] >> 2) & 0xF;
            a.diseqcType = (p[17] >> 1) & 1;
            a.antennaKey = p[18];
            db.antennas.append(a);
        }
        return true;
    }

    bool parseSatellites(ChannelDatabase& db) {
        std::size_t length = 0;
        if (left() < 4)
            return refuse("the body ends before the satellite section's length");
        if (!sectionLength("the satellite section", s32(take(4)), left(), 0, length))
            return false;
        const std::size_t sectionEnd = pos_ + length;
        for (std::size_t block = 0; pos_ < sectionEnd; ++block) {
            const std::string name = detail::joinText("satellite block ", std::to_string(block));
            if (sectionEnd - pos_ < kSatelliteHeaderSize)
                return refuse(
                    detail::joinText("the satellite section ends inside the header of ", name));
            const uint8_t* p = take(kSatelliteHeaderSize);
            SatelliteRecord& s = db.satellites.append({});
            s.id = p[0];
            setName(s.name, asChars({p + 1, cdd::kSatelliteNameBytes + 1}));
            s.longitude = static_cast<int32_t>(loadBe16(p + 17));
            std::size_t lt = 0;
            if (!sectionLength(detail::joinText("the transponder section of ", name), s32(p + 19),
                               sectionEnd - pos_, 0, lt))
                return false;
            const std::size_t transpondersEnd = pos_ + lt;
            while (pos_ < transpondersEnd)
                if (!parseTransponder(db, s.id, name, transpondersEnd))
                    return false;
        }
        return true;
    }

    bool parseTransponder(ChannelDatabase& db, int32_t satelliteId, const std::string& satellite,
                          std::size_t blockEnd) {
        if (blockEnd - pos_ < kTransponderHeaderSize)
            return refuse(detail::joinText("the transponder section of ", satellite,
                                           " ends inside a transponder header"));
        const uint8_t* p = take(kTransponderHeaderSize);
        TransponderRecord& t = db.transponders.append({});
        t.satelliteId = satelliteId;
        t.id = static_cast<int32_t>(loadBe16(p));
        t.frequency = s32(p + 2);
        t.symbolRate = static_cast<int32_t>(loadBe24(p + 6));
        t.polarity = p[9] >> 6;
        t.fec = (p[9] >> 2) & 0xF;
        t.antennaId = p[10];
        std::size_t lv = 0;
        if (!sectionLength(detail::joinText("the service section of transponder ",
                                            std::to_string(t.id), " in ", satellite),
                           loadBe16(p + 12), blockEnd - pos_, kServiceSize, lv))
            return false;
        for (std::size_t n = lv / kServiceSize; n > 0; --n) {
            const uint8_t* q = take(kServiceSize);
            ServiceRecord& v = db.services.append({});
            v.transponderId = t.id;
            v.number = static_cast<int32_t>(loadBe16(q));
            setName(v.name, asChars({q + 3, cdd::kServiceNameBytes + 1}));
            v.videoPid = static_cast<int32_t>(loadBe16(q + 22) & 0x1FFF);
            v.audioPid = static_cast<int32_t>(loadBe16(q + 24) & 0x1FFF);
            v.caMode = (q[26] >> 5) & 1;
            v.pcrPid = (q[26] & 0x1F) << 8 | q[27];
            v.serviceId = static_cast<int32_t>(loadBe16(q + 28));
            v.favorites = q[30];
            v.lock = q[31] >> 7;
        }
        return true;
    }

    const uint8_t* data_;
    std::size_t end_;
    std::size_t pos_ = 0;
    std::string error_;
};

// --- writing ---------------------------------------------------------------------------------

std::string quotedName(const RecordName& name) {
    return inQuotes(printableName(nameView(name)));
}

std::string rangeError(const std::string& what, int64_t value, int64_t high) {
    return detail::joinText("Cannot save ", what, ": ", std::to_string(value), " is outside 0 to ",
                            std::to_string(high), ", which is all the .cdd file holds");
}

// The parent ids the writer groups by; every other id is refused before the index is used.
constexpr auto kSatelliteIds = cdd::field(&SatelliteRecord::id);
constexpr auto kTransponderIds = cdd::field(&TransponderRecord::id);
constexpr auto kAntennaIds = cdd::field(&AntennaRecord::id);
constexpr auto kTransponderAntennaIds = cdd::field(&TransponderRecord::antennaId);
constexpr auto kServiceNumbers = cdd::field(&ServiceRecord::number);

// Records of one kind grouped by the id they hang on, each group in list order; lets the writer
// find a satellite's transponders and a transponder's services without walking whole lists again.
// Only ids in 0..range-1 are ever looked up (the writer refuses parents with other ids), so a
// counting sort over that range builds it in linear time and a lookup is two array reads.
template <class Record> class GroupIndex {
public:
    template <class List, class Key, class Keep>
    GroupIndex(const List& list, std::size_t limit, Key key, Keep keep) {
        // Only as many groups as the highest id in use: a small database is saved (and fuzzed)
        // without clearing tables for every id the format allows.
        std::size_t range = 0;
        for (const Record& r : list) {
            const int32_t k = key(r);
            if (keep(r) && k >= 0 && static_cast<std::size_t>(k) < limit)
                range = std::max(range, static_cast<std::size_t>(k) + 1);
        }
        start_.assign(range + 1, 0);
        auto slot = [&](const Record& r) -> std::optional<std::size_t> {
            const int32_t k = key(r);
            if (!keep(r) || k < 0 || static_cast<std::size_t>(k) >= range)
                return std::nullopt;
            return static_cast<std::size_t>(k);
        };
        for (const Record& r : list)
            if (auto k = slot(r))
                ++start_[*k + 1];
        for (std::size_t k = 1; k <= range; ++k)
            start_[k] += start_[k - 1];
        records_.resize(start_[range]);
        std::vector<std::size_t> next(start_.begin(), start_.end() - 1);
        for (const Record& r : list)
            if (auto k = slot(r))
                records_[next[*k]++] = &r;
    }

    template <class Fn> void forEach(int32_t key, Fn fn) const {
        if (key < 0 || static_cast<std::size_t>(key) + 1 >= start_.size())
            return;
        const auto k = static_cast<std::size_t>(key);
        for (std::size_t i = start_[k]; i < start_[k + 1]; ++i)
            fn(*records_[i]);
    }

    std::size_t count(int32_t key) const {
        if (key < 0 || static_cast<std::size_t>(key) + 1 >= start_.size())
            return 0;
        const auto k = static_cast<std::size_t>(key);
        return start_[k + 1] - start_[k];
    }

private:
    std::vector<std::size_t> start_; // group k is records_[start_[k], start_[k + 1])
    std::vector<const Record*> records_;
};

class CddWriter {
public:
    explicit CddWriter(const ChannelDatabase& db)
        : db_(db), transponders_(
                       db.transponders, std::size_t{kSatelliteIds.mask()} + 1,
                       [](const TransponderRecord& t) { return t.satelliteId; },
                       [](const TransponderRecord&) { return true; }),
          services_(
              db.services, std::size_t{kTransponderIds.mask()} + 1,
              [](const ServiceRecord& v) { return v.transponderId; }, cdd::isWritten) {}

    // Checks everything the file must hold and works out its size, before anything is built.
    std::string check() {
        for (const cdd::Counter& counter : cdd::kCounters) {
            const int32_t value = db_.*counter.member;
            if (value < 0 || value > counter.max())
                return rangeError(detail::joinText("the ", counter.what, " counter"), value,
                                  counter.max());
        }

        for (const AntennaRecord& a : db_.antennas)
            if (!kAntennaIds.fits(a.id))
                return rangeError(detail::joinText("antenna ", std::to_string(a.id), ": its id"),
                                  a.id, kAntennaIds.max());
        const uint64_t antennaLength = uint64_t{kAntennaSize} * db_.antennas.size();
        if (antennaLength > kMaxSectionLength)
            return detail::joinText(
                "Cannot save ", std::to_string(db_.antennas.size()),
                " antennas: their section exceeds the 32-bit length field of the .cdd file");

        uint64_t satelliteLength = 0;
        for (const SatelliteRecord& s : db_.satellites) {
            if (!kSatelliteIds.fits(s.id))
                return rangeError(detail::joinText(describe(s), ": its id"), s.id,
                                  kSatelliteIds.max());
            // Transponders name their satellite by id alone, so a second satellite with this id
            // would carry copies of the first one's transponders and services under counters
            // that count them once.
            if (seenSatellites_[static_cast<std::size_t>(s.id)])
                return detail::joinText("Cannot save ", describe(s),
                                        ": an earlier satellite has the same id, so both would "
                                        "carry the transponders of that id");
            seenSatellites_[static_cast<std::size_t>(s.id)] = true;
            uint64_t lt = 0;
            std::string error;
            transponders_.forEach(s.id, [&](const TransponderRecord& t) {
                if (!error.empty())
                    return;
                error = checkTransponder(t, s, lt);
            });
            if (!error.empty())
                return error;
            if (lt > kMaxSectionLength)
                return detail::joinText(
                    "Cannot save ", describe(s),
                    ": its transponders exceed the 32-bit length field of the .cdd file");
            satelliteLength += kSatelliteHeaderSize + lt;
            if (satelliteLength > kMaxSectionLength)
                return detail::joinText(
                    "Cannot save ", describe(s),
                    ": the satellites exceed the 32-bit length field of the .cdd file");
        }
        bodyLength_ = kMinBodyLength + antennaLength + satelliteLength;
        if (bodyLength_ > kMaxBodyLength)
            return "Cannot save the database: it exceeds the 32-bit length field of the .cdd file";
        return {};
    }

    std::vector<uint8_t> build() {
        // The size is known from check(), so the bytes are stored into a buffer of exactly that
        // size instead of being appended one by one.
        out_.resize(static_cast<std::size_t>(kBodyStart + bodyLength_ + 4));
        for (uint8_t b : kMagic)
            put8(b);
        put32(0); // L, patched below
        put24(0);
        put8(1);
        put8(counter(db_.antennaCount));
        put8(counter(db_.satelliteCount));
        put16(counter(db_.transponderCount));
        put16(counter(db_.serviceCount));
        put8(0);

        put32(static_cast<uint32_t>(kAntennaSize * db_.antennas.size()));
        for (const AntennaRecord& a : db_.antennas)
            putAntenna(a);

        const std::size_t satelliteLengthAt = at_;
        put32(0);
        for (const SatelliteRecord& s : db_.satellites)
            putSatellite(s);
        patch32(satelliteLengthAt, at_ - satelliteLengthAt - 4);

        patch32(5, at_ - kBodyStart);
        put32(crc32(std::span(out_).first(at_)));
        return std::move(out_);
    }

private:
    // Message texts are built only on failure: the checks run for every record of every save.
    static std::string describe(const SatelliteRecord& s) {
        return detail::joinText("satellite ", std::to_string(s.id), " ", quotedName(s.name));
    }
    static std::string describe(const TransponderRecord& t, const SatelliteRecord& s) {
        return detail::joinText("transponder ", std::to_string(t.id), " (on ", describe(s), ")");
    }

    std::string checkTransponder(const TransponderRecord& t, const SatelliteRecord& s,
                                 uint64_t& lt) {
        if (!kTransponderIds.fits(t.id))
            return rangeError(detail::joinText(describe(t, s), ": its id"), t.id,
                              kTransponderIds.max());
        if (!kTransponderAntennaIds.fits(t.antennaId))
            return rangeError(detail::joinText(describe(t, s), ": its antenna id"), t.antennaId,
                              kTransponderAntennaIds.max());
        const std::size_t count = services_.count(t.id);
        if (count > static_cast<std::size_t>(cdd::kMaxServicesPerTransponder))
            return detail::joinText("Cannot save ", describe(t, s), ": it carries ",
                                    std::to_string(count), " services, at most ",
                                    std::to_string(cdd::kMaxServicesPerTransponder),
                                    " fit in one transponder of the .cdd file");
        lt += kTransponderHeaderSize + kServiceSize * count;
        // Services name their transponder by id alone: a second written transponder with this id
        // would repeat every one of them.
        if (checkedTransponders_[static_cast<std::size_t>(t.id)])
            return detail::joinText("Cannot save ", describe(t, s),
                                    ": an earlier transponder has the same id, so both would "
                                    "carry the services of that id");
        checkedTransponders_[static_cast<std::size_t>(t.id)] = true;
        std::string error;
        services_.forEach(t.id, [&](const ServiceRecord& v) {
            if (error.empty() && !kServiceNumbers.fits(v.number))
                error = rangeError(detail::joinText("service ", quotedName(v.name), " on ",
                                                    describe(t, s), ": its number"),
                                   v.number, kServiceNumbers.max());
        });
        return error;
    }

    void put8(uint32_t v) { out_[at_++] = static_cast<uint8_t>(v); }
    void put16(uint32_t v) {
        put8(v >> 8);
        put8(v & 0xFF);
    }
    void put24(uint32_t v) {
        put8((v >> 16) & 0xFF);
        put16(v & 0xFFFF);
    }
    void put32(uint32_t v) {
        put16(v >> 16);
        put16(v & 0xFFFF);
    }
    void patch32(std::size_t at, std::size_t value) {
        const auto v = static_cast<uint32_t>(value);
        out_[at] = static_cast<uint8_t>(v >> 24);
        out_[at + 1] = static_cast<uint8_t>(v >> 16);
        out_[at + 2] = static_cast<uint8_t>(v >> 8);
        out_[at + 3] = static_cast<uint8_t>(v);
    }
    void putName(const RecordName& name, std::size_t width) {
        const std::string_view text = nameView(name).substr(0, width);
        std::copy(text.begin(), text.end(), out_.begin() + static_cast<std::ptrdiff_t>(at_));
        std::fill_n(out_.begin() + static_cast<std::ptrdiff_t>(at_ + text.size()),
                    width - text.size(), uint8_t{0});
        at_ += width;
    }

    void putAntenna(const AntennaRecord& a) {
        using A = AntennaRecord;
        put8(cdd::kept<&A::id>(a));
        put32(cdd::kept<&A::lowFreq>(a));
        put32(cdd::kept<&A::highFreq>(a));
        put32(cdd::kept<&A::centerFreq>(a));
        put8(cdd::kept<&A::lnbType>(a) << 4 | cdd::kept<&A::lnbPower>(a) << 2 |
             cdd::kept<&A::lnbVoltage>(a));
        put8(cdd::kept<&A::toneburst>(a) << 6 | cdd::kept<&A::committed10>(a) << 2);
        put8(cdd::kept<&A::uncommitted>(a) << 4 | cdd::kept<&A::committed11>(a));
        put8(cdd::kept<&A::repeatedTimes>(a) << 6);
        put8(cdd::kept<&A::switch22k>(a) << 7 | cdd::kept<&A::switch12v>(a) << 6 |
             cdd::kept<&A::tunerMask>(a) << 2 | cdd::kept<&A::diseqcType>(a) << 1);
        put8(cdd::kept<&A::antennaKey>(a));
    }

    void putSatellite(const SatelliteRecord& s) {
        put8(cdd::kept<&SatelliteRecord::id>(s));
        putName(s.name, cdd::kSatelliteNameBytes);
        put8(0x00);
        put8(0x80);
        put16(cdd::kept<&SatelliteRecord::longitude>(s));
        const std::size_t lengthAt = at_;
        put32(0);
        transponders_.forEach(s.id, [&](const TransponderRecord& t) { putTransponder(t); });
        patch32(lengthAt, at_ - lengthAt - 4);
    }

    void putTransponder(const TransponderRecord& t) {
        using T = TransponderRecord;
        put16(cdd::kept<&T::id>(t));
        put32(cdd::kept<&T::frequency>(t));
        put24(cdd::kept<&T::symbolRate>(t));
        put8(cdd::kept<&T::polarity>(t) << 6 | cdd::kept<&T::fec>(t) << 2);
        put8(cdd::kept<&T::antennaId>(t));
        put8(0x00);
        put16(static_cast<uint32_t>(kServiceSize * services_.count(t.id)));
        services_.forEach(t.id, [&](const ServiceRecord& v) { putService(v); });
    }

    void putService(const ServiceRecord& v) {
        using S = ServiceRecord;
        put16(cdd::kept<&S::number>(v));
        put8(0x80);
        putName(v.name, cdd::kServiceNameBytes);
        put8(0x00);
        put16(cdd::kept<&S::videoPid>(v));
        put16(cdd::kept<&S::audioPid>(v));
        put8(cdd::kept<&S::caMode>(v) << 5 | cdd::kept<&S::pcrPid>(v) >> 8);
        put8(cdd::kept<&S::pcrPid>(v) & 0xFF);
        put16(cdd::kept<&S::serviceId>(v));
        put8(cdd::kept<&S::favorites>(v));
        put8(cdd::kept<&S::lock>(v) << 7);
        put16(0);
    }

    const ChannelDatabase& db_;
    GroupIndex<TransponderRecord> transponders_;
    GroupIndex<ServiceRecord> services_;
    std::vector<bool> seenSatellites_ =
        std::vector<bool>(std::size_t{kSatelliteIds.mask()} + 1); // by validated id
    std::vector<bool> checkedTransponders_ =
        std::vector<bool>(std::size_t{kTransponderIds.mask()} + 1); // by validated id
    uint64_t bodyLength_ = 0;
    std::vector<uint8_t> out_;
    std::size_t at_ = 0;
};

} // namespace

namespace {

constexpr const char* kNotCdd = "header is not that of a .cdd file";

std::string hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// `file` names the bytes in the status; empty for bytes from memory.
Status<CddRead> parseCdd(ChannelDatabase& db, std::span<const uint8_t> bytes, std::string file) {
    Status<CddRead> status(std::move(file));
    if (!hasGoodHeader(bytes))
        return status.fail(CddRead::BadHeader, kNotCdd);
    const uint64_t bodyLength = loadBe32(bytes.data() + 5);
    const uint64_t checksumAt = kBodyStart + bodyLength;
    if (bytes.size() < checksumAt + 4)
        return status.fail(CddRead::BadChecksum, detail::joinText(std::to_string(bytes.size()),
                                                                  " bytes, shorter than the ",
                                                                  std::to_string(checksumAt + 4),
                                                                  " bytes its header gives"));
    const auto covered = static_cast<std::size_t>(checksumAt);
    const uint32_t computed = crc32(bytes.first(covered));
    const uint32_t stored = loadBe32(bytes.data() + covered);
    if (computed != stored)
        return status.fail(CddRead::BadChecksum,
                           detail::joinText("checksum does not match (stored ", hex32(stored),
                                            ", computed ", hex32(computed), ")"));
    // Checked only after the checksum, so that a short or damaged file still reports -2 like any
    // other. A sealed body too short for its own fixed fields is not one this format writes.
    if (bodyLength < kMinBodyLength)
        return status.fail(CddRead::BadHeader, kNotCdd);

    ChannelDatabase fresh;
    if (std::string why = BodyParser(bytes, covered).parse(fresh); !why.empty())
        return status.fail(CddRead::BadSections, std::move(why));

    // The cut buffers belong to the user's session, not to the file.
    db.replaceRecords(std::move(fresh));
    return status;
}

} // namespace

Status<CddRead> readCddBytes(ChannelDatabase& db, std::span<const uint8_t> bytes) {
    return parseCdd(db, bytes, {});
}

Status<CddRead> readCddFile(ChannelDatabase& db, const std::string& path) {
    Status<CddRead> status(path);
    FileReader in(path);
    std::string buffer;
    if (Status<FileRead> read = in.read(buffer, kFixedHeader); !read.ok())
        return status.fail(CddRead::CannotOpen, std::move(read.cause));
    const std::span<const uint8_t> header = asBytes(buffer);
    if (!hasGoodHeader(header))
        return status.fail(CddRead::BadHeader, kNotCdd);
    // Read no more than the header says the file holds, so trailing bytes cost nothing; a file
    // shorter than that comes up short and fails the checksum test. A header may claim up to
    // 4 GiB, which no file of this format holds: past the bound of every read, it is refused.
    const uint64_t wanted = uint64_t{loadBe32(header.data() + 5)} + kBodyStart + 4;
    // A header claiming less than the 16 bytes already read wants nothing more; the checksum test
    // then refuses it.
    const std::size_t bounded =
        static_cast<std::size_t>(std::clamp<uint64_t>(wanted, kFixedHeader, kMaxFileBytes)) -
        kFixedHeader;
    try {
        if (Status<FileRead> read = in.read(buffer, bounded); !read.ok())
            return status.fail(CddRead::CannotOpen, std::move(read.cause));
        if (wanted > kMaxFileBytes && in.hasMore())
            return status.fail(CddRead::CannotOpen, tooLargeCause());
    } catch (const std::bad_alloc&) {
        return status.fail(CddRead::CannotOpen, kOutOfMemory);
    }
    return parseCdd(db, asBytes(buffer), path);
}

Result<std::vector<uint8_t>, CddSave> encodeCdd(const ChannelDatabase& db) {
    CddWriter writer(db);
    Result<std::vector<uint8_t>, CddSave> result;
    std::string refusal = writer.check();
    if (!refusal.empty()) {
        result.fail(CddSave::Refused, std::move(refusal));
        return result;
    }
    result.value = writer.build();
    return result;
}

Status<CddSave> writeCddFile(const ChannelDatabase& db, const std::string& path, FileSystem& fs) {
    auto encoded = encodeCdd(db);
    Status<CddSave> status(path);
    if (!encoded.ok())
        return status.failWith(CddSave::Refused, std::move(encoded));
    Status<> written = writeFileAtomically(path, encoded.value, fs);
    if (!written.ok())
        return status.failWith(CddSave::WriteFailed, std::move(written));
    return status;
}

} // namespace corvane
