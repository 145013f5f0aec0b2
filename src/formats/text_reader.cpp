#include "formats/text_reader.h"

#include "base/file_reader.h"
#include "base/message_text.h"
#include "base/saturate.h"
#include "formats/c_numeric_locale.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvane {
namespace {

bool isScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A scanf-style cursor over one NUL-terminated line piece. Each conversion either stores into its
// slot and returns true, or leaves the slot alone and returns false, after which the caller stops
// scanning the line: the fields not reached keep what earlier lines left in their slots.
class Scanner {
public:
    explicit Scanner(const char* p) : p_(p) {}

    bool word(std::string& slot) {
        skipSpace();
        if (*p_ == '\0')
            return false;
        const char* start = p_;
        while (*p_ != '\0' && !isScanSpace(*p_))
            ++p_;
        slot.assign(start, p_);
        return true;
    }

    // %d: optional sign and at least one digit; values beyond 32 bits saturate.
    bool integer(int32_t& slot) {
        skipSpace();
        const char* q = p_;
        bool negative = false;
        if (*q == '+' || *q == '-') {
            negative = *q == '-';
            ++q;
        }
        if (*q < '0' || *q > '9')
            return false;
        int64_t value = 0;
        for (; *q >= '0' && *q <= '9'; ++q) {
            if (value <= int64_t{1} << 40)
                value = value * 10 + (*q - '0');
        }
        p_ = q;
        slot = saturate(negative ? -value : value);
        return true;
    }

    // %f: single precision, as the C library reads it.
    bool fraction(float& slot) {
        skipSpace();
        char* end = nullptr;
        const float value = std::strtof(p_, &end);
        if (end == p_)
            return false;
        p_ = end;
        slot = value;
        return true;
    }

private:
    void skipSpace() {
        while (isScanSpace(*p_))
            ++p_;
    }

    const char* p_;
};

// The per-file parse slots: one for each column of each line kind, set from line to line and never
// reset within a file. Words start empty, which matches none of the letters the reader tests.
struct Slots {
    // antenna line
    std::string antTag;
    int32_t antNum = -1;
    std::string antUniversal;
    int32_t antLow = -1;
    int32_t antHigh = -1;
    std::string antType;
    std::string antDiseqc;
    std::string ant22k;
    std::string ant12v;
    std::string ant1418v;
    // satellite line
    int32_t satLow = -1;
    int32_t satHigh = -1;
    std::string satLnbType;
    float satAngle = 0.0f;
    std::string satEastWest;
    std::string satLastWord;
    int32_t satLastInt = -1;
    // transponder line
    std::string tpTag;
    int32_t tpFrequency = -1;
    int32_t tpSymbolRate = -1;
    std::string tpPolar;
    int32_t tp22k = -1;
    int32_t tp1418v = -1;
    int32_t tp012v = -1;
    std::string tpFec;
    // service line
    int32_t svcAntIndex = 0;
    int32_t svcSatIndex = 0;
    int32_t svcTpIndex = 0;
    int32_t svcServiceId = -1;
    int32_t svcVideoPid = -1;
    int32_t svcAudioPid = -1;
    int32_t svcPcrPid = -1;
    int32_t svcTxtPid = -1;
    int32_t svcScramble = -1;
    int32_t svcFavorite = -1;
    int32_t svcLock = -1;
};

char firstChar(const std::string& word) {
    return word.empty() ? '\0' : word.front();
}

int32_t fecFromWord(const std::string& word) {
    static constexpr std::array<const char*, 6> kWords = {"1/2", "2/3", "3/4", "5/6", "7/8", "8/9"};
    for (std::size_t i = 0; i < kWords.size(); ++i)
        if (word == kWords[i])
            return static_cast<int32_t>(i + 1);
    return 0;
}

// Tenths of a degree from a single-precision angle, rounded; huge or non-finite angles saturate
// instead of overflowing the conversion.
int64_t tenthsOf(float angle) {
    const double tenths = std::round(static_cast<double>(angle) * 10.0);
    if (std::isnan(tenths))
        return 0;
    if (tenths >= 4e18)
        return static_cast<int64_t>(4e18);
    if (tenths <= -4e18)
        return static_cast<int64_t>(-4e18);
    return static_cast<int64_t>(tenths);
}

class TextReader {
public:
    TextReader(ChannelDatabase& db, TextReadOptions options) : db_(db), options_(options) {}

    void readLine(const char* line) {
        const char* tag = line;
        while (*tag == ' ')
            ++tag;
        switch (*tag) {
        case 'a':
            antennaLine(line);
            ++records_;
            break;
        case 's':
            if (const char* rest = afterName(tag)) {
                satelliteLine(rest);
                ++records_;
            }
            break;
        case 't':
            transponderLine(line);
            ++records_;
            break;
        case 'v':
        case 'r':
            if (const char* rest = afterName(tag)) {
                serviceLine(rest);
                ++records_;
            }
            break;
        default:
            break;
        }
    }

    std::size_t records() const { return records_; }

private:
    // Finds the quoted name after the tag; keeps it in name_ and returns the text after the closing
    // quote, or null when the line lacks either quote.
    const char* afterName(const char* tag) {
        const char* open = std::strchr(tag, '"');
        if (open == nullptr)
            return nullptr;
        const char* close = std::strchr(open + 1, '"');
        if (close == nullptr)
            return nullptr;
        name_.assign(open + 1, close);
        return close + 1;
    }

    void antennaLine(const char* line) {
        Scanner s(line);
        (void)(s.word(slots_.antTag) && s.integer(slots_.antNum) && s.word(slots_.antUniversal) &&
               s.integer(slots_.antLow) && s.integer(slots_.antHigh) && s.word(slots_.antType) &&
               s.word(slots_.antDiseqc) && s.word(slots_.ant22k) && s.word(slots_.ant12v) &&
               s.word(slots_.ant1418v));
        AntennaRecord a;
        a.id = saturatingAdd(slots_.antNum, -1);
        a.antennaKey = slots_.antNum;
        a.lnbType = firstChar(slots_.antUniversal) == 'u' ? 0 : 4;
        a.lowFreq = slots_.antLow;
        a.highFreq = slots_.antHigh;
        if (firstChar(slots_.antType) == 'f' && firstChar(slots_.antDiseqc) != 'n') {
            // The port letter's code minus 96: 'a' is port 1. Bytes above 0x7F count as negative,
            // as the receiver tools have always read them.
            a.committed10 = static_cast<signed char>(firstChar(slots_.antDiseqc)) - 96;
            a.diseqcType = 1;
        }
        a.switch22k = firstChar(slots_.ant22k) == 'n' ? 0 : 1;
        a.switch12v = firstChar(slots_.ant12v) == 'n' ? 0 : 1;
        a.centerFreq = kDefaultCenterFreq;
        a.lnbPower = 1;
        a.tunerMask = 3;
        db_.antennas.append(a);
        db_.antennaCount = saturatingAdd(db_.antennaCount, 1);
    }

    void satelliteLine(const char* rest) {
        Scanner s(rest);
        (void)(s.integer(slots_.satLow) && s.integer(slots_.satHigh) && s.word(slots_.satLnbType) &&
               s.fraction(slots_.satAngle) && s.word(slots_.satEastWest) &&
               s.word(slots_.satLastWord) && s.integer(slots_.satLastInt));
        SatelliteRecord sat;
        sat.id = db_.satelliteCount;
        setName(sat.name, name_);
        const int64_t tenths = tenthsOf(slots_.satAngle);
        sat.longitude = saturate(firstChar(slots_.satEastWest) == 'w' ? 3600 - tenths : tenths);
        db_.satellites.append(sat);
        db_.satelliteCount = saturatingAdd(db_.satelliteCount, 1);
        if (sat.id >= db_.antennaCount) {
            AntennaRecord a;
            a.id = db_.antennaCount;
            a.antennaKey = saturatingAdd(a.id, 1);
            a.lowFreq = kDefaultLowFreq;
            a.highFreq = kDefaultHighFreq;
            a.lnbType = 0;
            a.lnbPower = 1;
            a.tunerMask = 3;
            db_.antennas.append(a);
            db_.antennaCount = saturatingAdd(db_.antennaCount, 1);
        }
    }

    void transponderLine(const char* line) {
        Scanner s(line);
        (void)(s.word(slots_.tpTag) && s.integer(slots_.tpFrequency) &&
               s.integer(slots_.tpSymbolRate) && s.word(slots_.tpPolar) &&
               s.integer(slots_.tp22k) && s.integer(slots_.tp1418v) && s.integer(slots_.tp012v) &&
               s.word(slots_.tpFec));
        TransponderRecord t;
        t.id = db_.transponderCount;
        t.satelliteId = saturatingAdd(db_.satelliteCount, -1);
        t.antennaId = t.satelliteId;
        t.frequency = slots_.tpFrequency;
        t.symbolRate = slots_.tpSymbolRate;
        const char polar = firstChar(slots_.tpPolar);
        t.polarity = polar == 'v' ? 1 : 0;
        t.fec = fecFromWord(slots_.tpFec);
        db_.transponders.append(t);
        db_.transponderCount = saturatingAdd(db_.transponderCount, 1);
        bySatellite_[t.satelliteId].push_back(t.id);
    }

    void serviceLine(const char* rest) {
        Scanner s(rest);
        const bool antennaColumn = options_.serviceColumns == ServiceColumns::WithAntennaIndex;
        (void)((!antennaColumn || s.integer(slots_.svcAntIndex)) && s.integer(slots_.svcSatIndex) &&
               s.integer(slots_.svcTpIndex) && s.integer(slots_.svcServiceId) &&
               s.integer(slots_.svcVideoPid) && s.integer(slots_.svcAudioPid) &&
               s.integer(slots_.svcPcrPid) && s.integer(slots_.svcTxtPid) &&
               s.integer(slots_.svcScramble) && s.integer(slots_.svcFavorite) &&
               s.integer(slots_.svcLock));
        ServiceRecord svc;
        setName(svc.name, name_);
        svc.serviceId = slots_.svcServiceId;
        svc.videoPid = slots_.svcVideoPid;
        svc.audioPid = slots_.svcAudioPid;
        svc.pcrPid = slots_.svcPcrPid;
        svc.caMode = slots_.svcScramble;
        svc.favorites = slots_.svcFavorite;
        svc.lock = slots_.svcLock;
        svc.number = db_.serviceCount;
        svc.transponderId = linkedTransponder(slots_.svcSatIndex, slots_.svcTpIndex);
        db_.services.append(svc);
        db_.serviceCount = saturatingAdd(db_.serviceCount, 1);
    }

    // The id of the T-th transponder (from 1) of satellite S - 1 in list order, or 0.
    int32_t linkedTransponder(int32_t satNumber, int32_t tpNumber) const {
        const int64_t satelliteId = int64_t{satNumber} - 1;
        if (satelliteId < kInt32Min)
            return 0;
        const auto found = bySatellite_.find(static_cast<int32_t>(satelliteId));
        if (found == bySatellite_.end() || tpNumber < 1 ||
            static_cast<std::size_t>(tpNumber) > found->second.size())
            return 0;
        return found->second[static_cast<std::size_t>(tpNumber) - 1];
    }

    ChannelDatabase& db_;
    TextReadOptions options_;
    Slots slots_;
    std::string name_;
    std::size_t records_ = 0; // lines that made a record
    // Transponder ids per satellite id in list order, so linking a service is not a list walk.
    std::unordered_map<int32_t, std::vector<int32_t>> bySatellite_;
};

} // namespace

std::size_t readTextBytes(ChannelDatabase& db, std::string_view text, TextReadOptions options) {
    const CNumericLocaleScope pointDecimals;
    db.clear();
    TextReader reader(db, options);
    // Lines are read as a text-mode stream would deliver them to a 1024-byte line buffer: CR LF
    // becomes LF, and a line of 1023 characters or more arrives in pieces of at most 1023. A NUL
    // byte ends what the line parser sees of a piece.
    constexpr std::size_t kPiece = 1023;
    std::array<char, kPiece + 1> piece{};
    std::size_t length = 0;
    std::size_t visible = std::string_view::npos; // length up to the first NUL, if any
    auto flush = [&] {
        piece[visible == std::string_view::npos ? length : visible] = '\0';
        reader.readLine(piece.data());
        length = 0;
        visible = std::string_view::npos;
    };
    for (std::size_t i = 0; i < text.size() && reader.records() <= kMaxTextRecords; ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (c == '\0' && visible == std::string_view::npos)
            visible = length;
        piece[length++] = c;
        if (c == '\n' || length == kPiece)
            flush();
    }
    if (length > 0 && reader.records() <= kMaxTextRecords)
        flush();
    return reader.records();
}

Status<> readTextFile(ChannelDatabase& db, const std::string& path, TextReadOptions options) {
    Status<> status(path);
    // A read error mid-file counts as unopenable, so the user's data is not replaced by half a
    // file.
    auto text = readWholeFile(path);
    if (!text.ok())
        return status.failWith(Outcome::Failed, std::move(text));
    // Any file reads as text, so without a single record line it is taken for something else (or
    // a transfer that never arrived) rather than for an empty channel list replacing the open one.
    if (text.value.empty())
        return status.fail(Outcome::Failed, "the file is empty");
    ChannelDatabase fresh;
    const std::size_t records = readTextBytes(fresh, text.value, options);
    if (records == 0)
        return status.fail(Outcome::Failed, "no satellite, transponder, service or antenna line");
    if (records > kMaxTextRecords)
        return status.fail(
            Outcome::Failed,
            detail::joinText("more than ", std::to_string(kMaxTextRecords),
                             " record lines, far more than a receiver's list holds"));
    db.replaceRecords(std::move(fresh));
    return status;
}

} // namespace corvane
