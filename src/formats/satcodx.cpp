#include "formats/satcodx.h"

#include "base/file_reader.h"
#include "model/tuning.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace corvane {
namespace {

constexpr std::size_t kBlockSize = 128;
// A final block of a file without line ends is still a record when only its last byte is missing.
constexpr std::size_t kShortestBlock = 127;
// The columns of a record that are read: where each field starts and how many bytes it has.
struct Column {
    std::size_t at;
    std::size_t width;
};
constexpr Column kSatelliteName{10, 18};
constexpr Column kFrequency{33, 6};
constexpr std::size_t kPolarisationAt = 42;
constexpr Column kLongitude{51, 4};
constexpr Column kSymbolRate{69, 5};
constexpr std::size_t kFecAt = 74;
// The FEC character is the last field read.
constexpr std::size_t kShortestRecord = kFecAt + 1;
constexpr std::string_view kRecordType = "SATCODX1";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The text of a field: its bytes up to the first NUL (real files pad names with NULs).
std::string_view field(std::string_view record, Column column) {
    std::string_view text = record.substr(column.at, column.width);
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

// A numeric field: leading zeros dropped, then read as atoi would within the field. At most a few
// digits fit a field, but the value is still clamped so no field width can overflow it.
int32_t number(std::string_view record, Column column) {
    std::string_view text = field(record, column);
    std::size_t i = 0;
    while (i < text.size() && text[i] == '0')
        ++i;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), INT32_MAX);
    return static_cast<int32_t>(negative ? -value : value);
}

bool isSatcoDxRecord(std::string_view record) {
    if (record.size() < kShortestRecord)
        return false;
    for (std::size_t i = 0; i < kRecordType.size(); ++i) {
        char c = record[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != kRecordType[i])
            return false;
    }
    return true;
}

// The FEC is given by its numerator; the denominator is the next digit ("3" is 3/4).
int32_t fecCode(char numerator) {
    switch (numerator) {
    case '1':
        return 1;
    case '2':
        return 2;
    case '3':
        return 3;
    case '5':
        return 4;
    case '7':
        return 5;
    case '8':
        return 6;
    default:
        return 0;
    }
}

// Real files hold one record per line, with line lengths that vary between versions; files
// without any line end are fixed 128-byte blocks.
std::vector<std::string_view> splitRecords(std::string_view bytes) {
    std::vector<std::string_view> records;
    if (bytes.find('\n') != std::string_view::npos) {
        std::size_t start = 0;
        while (start < bytes.size()) {
            std::size_t end = bytes.find('\n', start);
            if (end == std::string_view::npos)
                end = bytes.size();
            std::string_view line = bytes.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            records.push_back(line);
            start = end + 1;
        }
    } else {
        for (std::size_t start = 0; start + kShortestBlock <= bytes.size(); start += kBlockSize)
            records.push_back(bytes.substr(start, kBlockSize));
    }
    return records;
}

} // namespace

void importSatcoDxBytes(ChannelDatabase& db, std::string_view bytes) {
    db.clear();
    std::unordered_map<int32_t, int32_t> satelliteAt; // longitude -> id of the first such satellite
    std::unordered_set<Tuning, TuningHash> known;

    for (std::string_view record : splitRecords(bytes)) {
        if (!isSatcoDxRecord(record))
            continue;
        const int32_t longitude = number(record, kLongitude);
        auto found = satelliteAt.find(longitude);
        if (found == satelliteAt.end()) {
            SatelliteRecord satellite;
            satellite.id = db.satelliteCount;
            std::string_view name = field(record, kSatelliteName);
            while (!name.empty() && isBlank(name.back()))
                name.remove_suffix(1);
            setName(satellite.name, name);
            satellite.longitude = longitude;
            db.appendRecord(satellite);
            found = satelliteAt.emplace(longitude, satellite.id).first;
            ++db.satelliteCount;

            // Satellites from a channel list are reached through DiSEqC port A with both switches.
            AntennaRecord antenna;
            antenna.id = satellite.id;
            antenna.antennaKey = satellite.id + 1;
            antenna.lowFreq = kDefaultLowFreq;
            antenna.highFreq = kDefaultHighFreq;
            antenna.centerFreq = kDefaultCenterFreq;
            antenna.lnbPower = 1;
            antenna.committed10 = 1;
            antenna.switch22k = 1;
            antenna.switch12v = 1;
            antenna.tunerMask = 3;
            antenna.diseqcType = 1;
            db.appendRecord(antenna);
            db.antennaCount = db.satelliteCount;
        }

        // Symbol rate 0 marks an analogue channel, which has no digital transponder.
        const int32_t symbolRate = number(record, kSymbolRate);
        if (symbolRate == 0)
            continue;
        TransponderRecord transponder;
        transponder.satelliteId = found->second;
        transponder.antennaId = found->second;
        transponder.frequency = number(record, kFrequency);
        transponder.symbolRate = symbolRate;
        const char polarisation = record[kPolarisationAt];
        transponder.polarity = (polarisation == '0' || polarisation == '3') ? 1 : 0;
        transponder.fec = fecCode(record[kFecAt]);
        if (!known.insert(Tuning::of(transponder)).second)
            continue;
        transponder.id = db.transponderCount++;
        db.appendRecord(transponder);
    }
}

Status<> importSatcoDx(ChannelDatabase& db, const std::string& path) {
    Status<> status(path);
    // Neither a folder nor a failing disk may empty the database.
    auto bytes = readWholeFile(path);
    if (!bytes.ok())
        return status.failWith(Outcome::Failed, std::move(bytes));
    importSatcoDxBytes(db, bytes.value);
    return status;
}

} // namespace corvane
