#include "formats/factory_text_writer.h"

#include "base/message_text.h"
#include "formats/c_numeric_locale.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <string_view>
#include <vector>

namespace corvane::factory {
namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::string_view kSignature = "morvalen";

// Header fields (little-endian).
constexpr std::size_t kLayoutSelectorAt = 10;
constexpr std::size_t kAntennaCountAt = 11; // one byte, layout B only
constexpr std::size_t kSatelliteCountAt = 12;
constexpr std::size_t kTransponderCountAt = 16;
constexpr std::size_t kProgramCountAt = 20;
constexpr std::size_t kAntennaConfigAt = 24; // -1: none

// Fields within a record, from the record's start.
namespace satelliteRecord {
constexpr std::size_t kLowAt = 0, kHighAt = 2, kPositionAt = 4, kFlagsAt = 8;
constexpr std::size_t kNameAtA = 12, kNameWidthA = 12; // layout A
constexpr std::size_t kNameAtB = 10, kNameWidthB = 10; // layout B
} // namespace satelliteRecord
namespace transponderRecord {
constexpr std::size_t kFrequencyAt = 0, kSymbolRateAt = 2, kFlagsAt = 4, kSatelliteAt = 6;
} // namespace transponderRecord
namespace programRecord {
constexpr std::size_t kServiceIdAt = 0, kVideoPidAt = 2, kAudioPidAt = 4, kPcrPidAt = 6;
constexpr std::size_t kLinkAt = 8, kTeletextPidAt = 10, kFlagsAt = 12;
constexpr std::size_t kNameAt = 14, kNameWidth = 14;
constexpr std::size_t kSatelliteAtB = 28, kAntennaAtB = 29; // layout B
} // namespace programRecord
namespace antennaRecord {
constexpr std::size_t kLowAt = 0, kHighAt = 2, kFlagsAt = 4, kTypeAt = 8;
} // namespace antennaRecord

// Where a table lies in the image and how many records fit before it meets the next table or the
// end of the image. A count beyond the room would read another table's records as its own.
struct Table {
    std::size_t offset;
    std::size_t recordSize;
    std::size_t room;
};

struct LayoutTables {
    Table satellites;
    Table transponders;
    Table programs;
    Table antennas;
};

constexpr LayoutTables kLayoutA{{0x20, 24, 106}, {0xA20, 8, 1024}, {0x2A20, 28, 1955}, {0, 12, 0}};
constexpr LayoutTables kLayoutB{
    {0x20, 20, 128}, {0xA20, 12, 1149}, {0x4400, 32, 1504}, {0x4000, 12, 64}};

constexpr std::string_view kFileBanner = R"banner(
##########################################################################################################################
#                                                                                                                        #
# Factory data of the digital satellite receiver.                                                                        #
# DOS text file.                                                                                                         #
#                                                                                                                        #
##########################################################################################################################

)banner";
constexpr std::string_view kAntennaBanner = R"banner(
###################################################################################################################
# ant_tag ant_num universal_lnb   lnb_low  lnb_high  antenna_type          DiSEqC   22KHz    0/12V     14/18V     #
# (a)      xx         u/n          xxxxx      xxxxx     f/d/a            n/a/b/c/d  n/0/22   n/0/12    n/0/18     #
# a        1       universal(or u) 9750       10600  Fixed/DiSEqC/Actuator                                        #
###################################################################################################################
)banner";
constexpr std::string_view kAntennaInfoBanner = R"banner(
##########################################################################################################################
# [antenna information]                                                                                                  #
# tag          antenna_config                                                                                            #
# (a)          -1...8                                                                                                    #
#              -1: Ignore switch config => The antenna_config_value on sat_definition_line will be used.                 #
#              0 : none                                                                                                  #
#              1 : DiSEqC                                                                                                #
#              2 : 22KHz                                                                                                 #
#              3 : 012V                                                                                                  #
#              4 : 14/18V + 22KHz                                                                                        #
#              5 : 0/12V + 14/18V                                                                                        #
#              6 : 0/12V + 22KHz                                                                                         #
#              7 : 0/12V + DiSEqC                                                                                        #
#              8 : 0/12V + 14/18V + 22KHz                                                                                #
# *** antenna information is optional. ***                                                                               #
##########################################################################################################################
)banner";
constexpr std::string_view kSatelliteBannerA = R"banner(

##########################################################################################################################
# [satellite information]                                                                                                #
# tag     sat_name        lnb_low   lnb_high  lnb_type  angle     east_west DiSEqC    22KHz   0/12V   14/18V             #
# (s)     "ccccccccc"     xxxxx     xxxxx     u/n       xxx.x     e/w       n/a/b/c/d n/0/22  n/0/12  n/14/18            #
# s       "ASTRA DEF"     9750      10600     universal 19.2      east      a         n       n       n                  #
#                                                                                                                        #
# [transponder information]                                                                                              #
# tag     frequency       symbol    polar     22K       14/18V    0/12V     FEC                                          #
# (t)     xxxxx           xxxxx     h/v       0/22      14/18     0/12      x/x                                          #
# t       12663           22000     hor       0         14        0         3/4                                          #
##########################################################################################################################
)banner";
constexpr std::string_view kSatelliteBannerB = R"banner(

###############################################################################################################
# [satellite information]                                                                                     #
# tag     sat_name        lnb_low   lnb_high  lnb_type  angle     east_west   diseqc 1.2                      #
# (s)     "ccccccccc"     xxxxx     xxxxx     u/n       xxx.x     e/w         y/n                           #
# s       "ASTRA DEF"     9750      10600     universal 19.2      east         y                            #
#                                                                                                             #
# tag     frequency       symbol    polar     22K       14/18V    0/12V     FEC                               #
# (t)     xxxxx           xxxxx     h/v       0/22      14/18     0/12      x/x                               #
# t       12663           22000     hor       0         14        0         3/4                               #
###############################################################################################################
)banner";
constexpr std::string_view kProgramBannerA = R"banner(

##########################################################################################################################
# [program information]                                                                                                  #
# tag     prog_name       sat_index tp_index  serviceID video_pid audio_pid pcr_pid   txt_pid   scramble  favorite  lock #
# (v/r)   "ccccccccccccc" xx        xxx       xxxxx     xxxx      xxxx      xxxx      xxxx      0/1       0/1       0/1  #
# v       "ZDF On-line"   1         2         2048      4096      4097      4096      4000      0         1         0    #
##########################################################################################################################
)banner";
constexpr std::string_view kProgramBannerB = R"banner(

#####################################################################################################################################
# [program information]                                                                                                             #
# tag   prog_name         ant_index sat_index tp_index  serviceID video_pid audio_pid pcr_pid   txt_pid   scramble  favorite  lock  #
# (v/r) "ccccccccccccc" xx         xx        xxx       xxxxx     xxxx      xxxx      xxxx      xxxx      0/1       0/1       0/1    #
# v     "ZDF On-line"   1          1         2         2048      4096      4097      4096      4000      0         1         0      #
#####################################################################################################################################
)banner";

constexpr const char* kPortWords[] = {"a", "b", "c", "d"};
// Codes 6 and 7 have no word of their own in older files; "8/9" is what the text reader maps back
// to code 6, and 7 is the automatic setting of the tuner.
constexpr const char* kFecWords[] = {"auto", "1/2", "2/3", "3/4", "5/6", "7/8", "8/9", "auto"};
// Type 3 is not a known antenna; it is written as a fixed one, the safest switching choice.
constexpr const char* kAntennaTypeWords[] = {"f", "d", "a", "f"};

// Little-endian view of the image. Every table is checked against the image size before it is
// read, so the zero fallback only guards against a slip in that check.
class Image {
public:
    explicit Image(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    std::size_t size() const { return bytes_.size(); }
    uint32_t u8(std::size_t at) const { return at < bytes_.size() ? bytes_[at] : 0u; }
    uint32_t u16(std::size_t at) const { return u8(at) | u8(at + 1) << 8; }
    uint32_t u32(std::size_t at) const { return u16(at) | u16(at + 2) << 16; }
    int32_t i32(std::size_t at) const { return static_cast<int32_t>(u32(at)); }
    // A name field: its bytes up to the first NUL or the end of the field.
    std::string name(std::size_t at, std::size_t width) const {
        std::string out;
        for (std::size_t i = 0; i < width && at + i < bytes_.size() && bytes_[at + i] != 0; ++i)
            out.push_back(static_cast<char>(bytes_[at + i]));
        return out;
    }

private:
    std::span<const uint8_t> bytes_;
};

// Appends one printf-formatted piece, with every "\n" written as the DOS line end "\r\n" (also one
// inside a name, as writing it to a text-mode file would).
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void appendf(std::string& text, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length > 0) {
        std::vector<char> piece(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(piece.data(), piece.size(), format, again);
        for (int i = 0; i < length; ++i) {
            if (piece[static_cast<std::size_t>(i)] == '\n')
                text.push_back('\r');
            text.push_back(piece[static_cast<std::size_t>(i)]);
        }
    }
    va_end(again);
}

// A banner is written as it stands in the source, one raw string per banner, so that no row can
// run into the next: every line of it (after the one the literal opens on) ends in "\r\n".
void appendBanner(std::string& text, std::string_view banner) {
    banner.remove_prefix(1);
    for (std::size_t end = banner.find('\n'); end != std::string_view::npos;
         end = banner.find('\n')) {
        text.append(banner.substr(0, end));
        text.append("\r\n");
        banner.remove_prefix(end + 1);
    }
}

// A table is usable when its records lie within both its room and the bytes the file supplied;
// otherwise says why not.
std::string tableProblem(const char* what, const Table& table, int64_t count,
                         std::size_t imageSize) {
    if (count < 0 || static_cast<uint64_t>(count) > table.room)
        return detail::joinText("the ", what, " count ", std::to_string(count),
                                " does not fit its table (0 to ", std::to_string(table.room), ")");
    if (count > 0 && table.offset + static_cast<std::size_t>(count) * table.recordSize > imageSize)
        return detail::joinText("the file ends inside its ", what, " table (",
                                std::to_string(count), " records from offset ",
                                std::to_string(table.offset), ", ", std::to_string(imageSize),
                                " bytes)");
    return {};
}

struct Counts {
    int32_t satellites;
    int32_t transponders;
    int32_t programs;
    int32_t antennas;
};

class Writer {
public:
    Writer(const Image& image, const LayoutTables& tables, Layout layout, const Counts& counts,
           StoredNames* names)
        : image_(image), tables_(tables), layout_(layout), counts_(counts), names_(names) {
        // Each satellite's transponders in table order, found once: a walk of the table per
        // satellite and per program costs a full file a thousand times its own size.
        for (int32_t j = 0; j < counts_.transponders; ++j)
            onSatellite_[transponderSatellite(j)].push_back(static_cast<uint32_t>(j));
    }

    void write(std::string& text) const {
        appendBanner(text, kFileBanner);
        if (layout_ == Layout::B) {
            text.append("DMTP\r\n\r\n");
            appendBanner(text, kAntennaBanner);
            for (int32_t i = 0; i < counts_.antennas; ++i)
                writeAntenna(text, i);
        }
        const int32_t antennaConfig = image_.i32(kAntennaConfigAt);
        if (antennaConfig != -1) {
            appendBanner(text, kAntennaInfoBanner);
            appendf(text, "a         %d\n\n", antennaConfig);
        }
        if (layout_ == Layout::A)
            appendBanner(text, kSatelliteBannerA);
        else
            appendBanner(text, kSatelliteBannerB);
        for (int32_t i = 0; i < counts_.satellites; ++i) {
            writeSatellite(text, i);
            for (const uint32_t j : onSatellite_[static_cast<std::size_t>(i)])
                writeTransponder(text, static_cast<int32_t>(j));
        }
        if (layout_ == Layout::A)
            appendBanner(text, kProgramBannerA);
        else
            appendBanner(text, kProgramBannerB);
        for (int32_t i = 0; i < counts_.programs; ++i)
            writeProgram(text, i);
    }

private:
    static std::size_t at(const Table& table, int32_t index) {
        return table.offset + static_cast<std::size_t>(index) * table.recordSize;
    }

    // The quoted name as the line carries it: the stored bytes, or, for a text that is read back,
    // a placeholder and the bytes kept aside.
    std::string quotedName(std::size_t at, std::size_t width,
                           std::vector<std::string> StoredNames::*kind) const {
        std::string name = image_.name(at, width);
        if (names_ == nullptr)
            return inQuotes(name);
        (names_->*kind).push_back(std::move(name));
        return "\"\"";
    }

    uint32_t transponderSatellite(int32_t index) const {
        return image_.u8(at(tables_.transponders, index) + transponderRecord::kSatelliteAt);
    }

    void writeAntenna(std::string& text, int32_t index) const {
        const std::size_t r = at(tables_.antennas, index);
        const uint32_t flags = image_.u16(r + antennaRecord::kFlagsAt);
        const char* port = (flags & 0x2) ? kPortWords[(flags >> 2) & 3] : "n";
        const char* tone = (flags & 0x40) ? ((flags & 0x80) ? "22" : "0") : "n";
        const char* v12 = (flags & 0x100) ? ((flags & 0x200) ? "12" : "0") : "n";
        const char* v1418 = (flags & 0x400) ? ((flags & 0x800) ? "18" : "14") : "n";
        appendf(text, "a %10d       %-10s %10d %10d     %-10s           %-10s %-10s %-10s %-10s\n",
                index + 1, (flags & 1) ? "universal" : "normal",
                static_cast<int>(image_.u16(r + antennaRecord::kLowAt)),
                static_cast<int>(image_.u16(r + antennaRecord::kHighAt)),
                kAntennaTypeWords[(image_.u8(r + antennaRecord::kTypeAt) >> 2) & 3], port, tone,
                v12, v1418);
    }

    void writeSatellite(std::string& text, int32_t index) const {
        const std::size_t r = at(tables_.satellites, index);
        const int low = static_cast<int>(image_.u16(r + satelliteRecord::kLowAt));
        const int high = static_cast<int>(image_.u16(r + satelliteRecord::kHighAt));
        const uint32_t position = image_.u16(r + satelliteRecord::kPositionAt);
        const double angle = static_cast<double>(position & 0x7FFF) / 10.0;
        const char* eastWest = (position & 0x8000) ? "west" : "east";
        if (layout_ == Layout::A) {
            const uint32_t flags = image_.u32(r + satelliteRecord::kFlagsAt);
            const char* port = (flags & 0x2) ? kPortWords[(flags >> 2) & 3] : "none";
            const char* tone = (flags & 0x10) ? ((flags & 0x20) ? "22" : "0") : "none";
            const char* v12 = (flags & 0x40) ? ((flags & 0x80) ? "12" : "0") : "none";
            const char* v1418 = (flags & 0x100) ? ((flags & 0x200) ? "18" : "14") : "none";
            appendf(text, "  s       %-16s%-10d%-10d%-10s%-10.1f%-10s%-10s%-10s%-10s%s\n",
                    quotedName(r + satelliteRecord::kNameAtA, satelliteRecord::kNameWidthA,
                               &StoredNames::satellites)
                        .c_str(),
                    low, high, (flags & 1) ? "universal" : "normal", angle, eastWest, port, tone,
                    v12, v1418);
        } else {
            const uint32_t flags = image_.u16(r + satelliteRecord::kFlagsAt);
            appendf(text, "  s       %-16s%-10d%-10d%-10s%-10.1f%-10s%-10s%-10d\n",
                    quotedName(r + satelliteRecord::kNameAtB, satelliteRecord::kNameWidthB,
                               &StoredNames::satellites)
                        .c_str(),
                    low, high, (flags & 1) ? "universal" : "normal", angle, eastWest,
                    (flags & 4) ? "y" : "n", static_cast<int>(flags >> 8) - 90);
        }
    }

    void writeTransponder(std::string& text, int32_t index) const {
        const std::size_t r = at(tables_.transponders, index);
        const uint32_t flags = image_.u16(r + transponderRecord::kFlagsAt);
        appendf(text, "      t   %-16d%-10d%-10s%-10s%-10s%-10s%s\n",
                static_cast<int>(image_.u16(r + transponderRecord::kFrequencyAt)),
                static_cast<int>(image_.u16(r + transponderRecord::kSymbolRateAt)),
                (flags & 1) ? "hor" : "ver", (flags & 2) ? "22" : "0", (flags & 4) ? "18" : "14",
                (flags & 8) ? "12" : "0", kFecWords[(flags >> 4) & 7]);
    }

    // The position, from 1, of transponder `index` among the transponders of satellite index
    // `satellite`, counted over the table up to and including it; 0 when the program points past
    // the table, which the text reader then links to nothing.
    int transponderNumber(uint32_t satellite, uint32_t index) const {
        if (index >= static_cast<uint32_t>(counts_.transponders))
            return 0;
        const std::vector<uint32_t>& on = onSatellite_[satellite];
        return static_cast<int>(std::upper_bound(on.begin(), on.end(), index) - on.begin());
    }

    void writeProgram(std::string& text, int32_t index) const {
        const std::size_t r = at(tables_.programs, index);
        const uint32_t link = image_.u16(r + programRecord::kLinkAt);
        const uint32_t transponder = link & 0x7FFF;
        const uint32_t flags = image_.u16(r + programRecord::kFlagsAt);
        const char* tag = (link & 0x8000) ? "r" : "v";
        const std::string name = quotedName(r + programRecord::kNameAt, programRecord::kNameWidth,
                                            &StoredNames::programs);
        const int serviceId = static_cast<int>(image_.u16(r + programRecord::kServiceIdAt));
        const int videoPid = static_cast<int>(image_.u16(r + programRecord::kVideoPidAt));
        const int audioPid = static_cast<int>(image_.u16(r + programRecord::kAudioPidAt));
        const int pcrPid = static_cast<int>(image_.u16(r + programRecord::kPcrPidAt));
        const int teletextPid = static_cast<int>(image_.u16(r + programRecord::kTeletextPidAt));
        const int scrambled = static_cast<int>(flags & 1);
        const int favourite = static_cast<int>((flags >> 1) & 1);
        const int locked = static_cast<int>((flags >> 2) & 1);
        if (layout_ == Layout::A) {
            // The satellite comes from the transponder; a program pointing past the table has
            // neither and is written with satellite and transponder number 0.
            int satelliteNumber = 0;
            int transponderNo = 0;
            if (transponder < static_cast<uint32_t>(counts_.transponders)) {
                const uint32_t satellite = transponderSatellite(static_cast<int32_t>(transponder));
                satelliteNumber = static_cast<int>(satellite) + 1;
                transponderNo = transponderNumber(satellite, transponder);
            }
            appendf(text, "%-10s%-16s%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%d\n", tag,
                    name.c_str(), satelliteNumber, transponderNo, serviceId, videoPid, audioPid,
                    pcrPid, teletextPid, scrambled, favourite, locked);
        } else {
            const uint32_t satellite = image_.u8(r + programRecord::kSatelliteAtB);
            appendf(text, "%-10s%-16s%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%d\n", tag,
                    name.c_str(), static_cast<int>(image_.u8(r + programRecord::kAntennaAtB)) + 1,
                    static_cast<int>(satellite) + 1, transponderNumber(satellite, transponder),
                    serviceId, videoPid, audioPid, pcrPid, teletextPid, scrambled, favourite,
                    locked);
        }
    }

    const Image& image_;
    const LayoutTables& tables_;
    Layout layout_;
    Counts counts_;
    StoredNames* names_;
    std::array<std::vector<uint32_t>, 256> onSatellite_; // indexed by the record's satellite byte
};

} // namespace

Result<Layout> formatText(std::string& text, std::span<const uint8_t> file, StoredNames* names) {
    Result<Layout> result;
    const auto refuse = [&](std::string why) -> Result<Layout> {
        result.fail(Outcome::Failed, std::move(why));
        return result;
    };
    const Image image(file.first(std::min(file.size(), kImageSize)));
    for (std::size_t i = 0; i < kSignature.size(); ++i)
        if (i >= image.size() || image.u8(i) != static_cast<uint8_t>(kSignature[i]))
            return refuse("it does not start with the signature \"morvalen\"");
    if (image.size() < kHeaderSize)
        return refuse(detail::joinText(std::to_string(image.size()), " bytes, shorter than the ",
                                       std::to_string(kHeaderSize), "-byte header"));
    // Only 0 and 2 are layouts the receiver writes; anything else would convert to an empty
    // database while reporting success.
    const uint32_t selector = image.u8(kLayoutSelectorAt);
    if (selector != 0 && selector != 2)
        return refuse(detail::joinText("the layout selector ", std::to_string(selector),
                                       " is neither 0 nor 2"));
    const Layout layout = selector == 0 ? Layout::A : Layout::B;
    const LayoutTables& tables = layout == Layout::A ? kLayoutA : kLayoutB;
    const Counts counts{image.i32(kSatelliteCountAt), image.i32(kTransponderCountAt),
                        image.i32(kProgramCountAt),
                        layout == Layout::B ? static_cast<int32_t>(image.u8(kAntennaCountAt)) : 0};
    for (std::string problem :
         {tableProblem("satellite", tables.satellites, counts.satellites, image.size()),
          tableProblem("transponder", tables.transponders, counts.transponders, image.size()),
          tableProblem("program", tables.programs, counts.programs, image.size()),
          tableProblem("antenna", tables.antennas, counts.antennas, image.size())})
        if (!problem.empty())
            return refuse(std::move(problem));
    const CNumericLocaleScope pointDecimals;
    Writer(image, tables, layout, counts, names).write(text);
    result.value = layout;
    return result;
}

} // namespace corvane::factory
