#include "formats/name_encoding.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iconv.h>
#include <map>
#include <stdexcept>
#include <utility>

namespace corvane {
namespace {

struct PageInfo {
    NamePage page;
    std::string_view name;  // as the command line and JSON give it
    std::string_view label; // as a menu shows it
    const char* iconvName;
};

constexpr std::array<PageInfo, 9> kPages = {{
    {NamePage::Latin1, "Latin-1", "Latin-1", "ISO-8859-1"},
    {NamePage::Utf8, "UTF-8", "UTF-8", "UTF-8"},
    {NamePage::Iso8859_9, "ISO-8859-9", "ISO-8859-9", "ISO-8859-9"},
    {NamePage::Windows1254, "Windows-1254", "Windows-1254", "CP1254"},
    {NamePage::Windows1251, "Windows-1251", "Windows-1251", "CP1251"},
    {NamePage::Iso8859_7, "ISO-8859-7", "ISO-8859-7", "ISO-8859-7"},
    {NamePage::Iso8859_2, "ISO-8859-2", "ISO-8859-2", "ISO-8859-2"},
    {NamePage::Windows1256, "Windows-1256", "Windows-1256", "CP1256"},
    {NamePage::Dvb, "DVB", "DVB (EN 300 468 Annex A)", nullptr},
}};

constexpr std::array<NamePage, kPages.size()> kPageOrder = [] {
    std::array<NamePage, kPages.size()> order{};
    for (std::size_t i = 0; i < kPages.size(); ++i)
        order[i] = kPages[i].page;
    return order;
}();

const PageInfo& info(NamePage page) {
    for (const PageInfo& p : kPages)
        if (p.page == page)
            return p;
    return kPages[0];
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::optional<NamePage> pageNamed(std::string_view name) {
    for (const PageInfo& p : kPages)
        if (sameIgnoringCase(name, p.name) || sameIgnoringCase(name, p.label))
            return p.page;
    return std::nullopt;
}

// The ISO 8859 part a DVB table byte selects (0x01 to 0x0B, 0x08 being reserved), or with 0x10
// the part in the third byte; the C library's name for it, or null when there is none.
struct DvbTable {
    std::size_t selectorLength = 0;
    std::string iconvName;
};

DvbTable dvbTable(std::string_view raw) {
    if (raw.empty())
        return {};
    const auto first = static_cast<unsigned char>(raw[0]);
    static constexpr int kPart[] = {5, 6, 7, 8, 9, 10, 11, 0, 13, 14, 15}; // by byte 0x01 to 0x0B
    if (first >= 0x01 && first <= 0x0B && kPart[first - 1] != 0)
        return {1, "ISO-8859-" + std::to_string(kPart[first - 1])};
    if (first == 0x15)
        return {1, "UTF-8"};
    if (first == 0x10 && raw.size() >= 3 && raw[1] == 0) {
        const auto part = static_cast<unsigned char>(raw[2]);
        if (part >= 1 && part <= 15 && part != 12)
            return {3, "ISO-8859-" + std::to_string(part)};
    }
    return {};
}

// What iconv_open returns when it has no converter.
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));

iconv_t openConverter(const char* to, const char* from) {
    return iconv_open(to, from);
}

// A UTF-8 character of `text` at `at`: its code point and length; none when the bytes there are
// not UTF-8 (overlong forms and surrogates included).
std::optional<std::pair<char32_t, std::size_t>> nextCharacter(std::string_view text,
                                                              std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return std::pair{char32_t{lead}, std::size_t{1}};
    std::size_t length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (text.size() - at < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto trail = static_cast<unsigned char>(text[at + i]);
        if ((trail & 0xC0) != 0x80)
            return std::nullopt;
        code = (code << 6) | (trail & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return std::pair{code, length};
}

// "Ş" (U+015E), the quotes left out for a control character, which would not show.
std::string characterName(std::string_view utf8, char32_t code) {
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(code));
    if (code < 0x20 || (code >= 0x7F && code < 0xA0))
        return number;
    return inQuotes(utf8) + " (" + number + ")";
}

} // namespace

struct NameCodec::Converters {
    iconv_t decoder = kNoConverter; // the page (DVB: the fallback) to UTF-8
    iconv_t encoder = kNoConverter;
    std::string pageName; // for messages
    // DVB tables, opened when a name first uses one; kNoConverter when the library has none.
    std::map<std::string, std::pair<iconv_t, iconv_t>, std::less<>> tables;

    ~Converters() {
        for (iconv_t cd : {decoder, encoder})
            if (cd != kNoConverter)
                iconv_close(cd);
        for (auto& [name, pair] : tables)
            for (iconv_t cd : {pair.first, pair.second})
                if (cd != kNoConverter)
                    iconv_close(cd);
    }

    std::pair<iconv_t, iconv_t> table(const std::string& name) {
        auto it = tables.find(name);
        if (it == tables.end())
            it = tables
                     .emplace(name, std::pair{openConverter("UTF-8", name.c_str()),
                                              openConverter(name.c_str(), "UTF-8")})
                     .first;
        return it->second;
    }
};

std::span<const NamePage> namePages() {
    return kPageOrder;
}

std::string_view pageLabel(NamePage page) {
    return info(page).label;
}

std::string encodingName(const NameEncoding& encoding) {
    std::string name(info(encoding.page).name);
    if (encoding.page == NamePage::Dvb && encoding.fallback != NamePage::Latin1)
        name.append(":").append(info(encoding.fallback).name);
    return name;
}

std::optional<NameEncoding> parseNameEncoding(std::string_view name) {
    const std::size_t colon = name.find(':');
    const auto page = pageNamed(name.substr(0, colon));
    if (!page)
        return std::nullopt;
    if (colon == std::string_view::npos)
        return NameEncoding{*page, NamePage::Latin1};
    const auto fallback = pageNamed(name.substr(colon + 1));
    if (*page != NamePage::Dvb || !fallback || *fallback == NamePage::Dvb)
        return std::nullopt;
    return NameEncoding{*page, *fallback};
}

std::string encodingNamesList() {
    std::string out;
    for (const PageInfo& p : kPages)
        out.append(out.empty() ? "" : ", ").append(p.name);
    return out.append("[:PAGE]");
}

std::size_t dvbSelectorLength(std::string_view raw) {
    return dvbTable(raw).selectorLength;
}

NameCodec::NameCodec(NameEncoding encoding)
    : encoding_(encoding), converters_(std::make_unique<Converters>()) {
    if (encoding_.page != NamePage::Dvb)
        encoding_.fallback = NamePage::Latin1;
    const NamePage plain = encoding_.page == NamePage::Dvb ? encoding_.fallback : encoding_.page;
    const PageInfo& page = info(plain);
    if (plain == NamePage::Dvb)
        throw std::runtime_error("a DVB fallback page cannot be DVB again");
    converters_->pageName = std::string(page.name);
    converters_->decoder = openConverter("UTF-8", page.iconvName);
    converters_->encoder = openConverter(page.iconvName, "UTF-8");
    if (converters_->decoder == kNoConverter || converters_->encoder == kNoConverter)
        throw std::runtime_error("the C library has no converter for " + converters_->pageName);
}

NameCodec::~NameCodec() = default;
NameCodec::NameCodec(NameCodec&&) noexcept = default;
NameCodec& NameCodec::operator=(NameCodec&&) noexcept = default;

namespace {

// Converts all of `in`, each byte the converter refuses becoming U+FFFD. Returns whether any did.
bool convertReplacing(iconv_t cd, std::string_view in, std::string& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* from = const_cast<char*>(in.data());
    std::size_t fromLeft = in.size();
    bool lossy = false;
    while (fromLeft > 0) {
        char buffer[256];
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const std::size_t done = iconv(cd, &from, &fromLeft, &to, &toLeft);
        out.append(buffer, static_cast<std::size_t>(to - buffer));
        if (done != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a sequence cut short by the end of the name.
        out.append("\xEF\xBF\xBD");
        ++from;
        --fromLeft;
        lossy = true;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return lossy;
}

// One character through the converter; none when it has no exact counterpart.
std::optional<std::string> convertExactly(iconv_t cd, std::string_view character) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* from = const_cast<char*>(character.data());
    std::size_t fromLeft = character.size();
    char buffer[16];
    char* to = buffer;
    std::size_t toLeft = sizeof buffer;
    if (iconv(cd, &from, &fromLeft, &to, &toLeft) != 0 || fromLeft != 0)
        return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(to - buffer));
}

Result<EncodedName> refused(Result<EncodedName>& result, std::string why) {
    result.fail(Outcome::Failed, std::move(why));
    result.value = {};
    return std::move(result);
}

} // namespace

DecodedName NameCodec::decode(std::string_view raw) const {
    DecodedName out;
    out.text.reserve(raw.size());
    iconv_t decoder = converters_->decoder;
    if (encoding_.page == NamePage::Dvb) {
        if (const DvbTable table = dvbTable(raw); table.selectorLength > 0) {
            const iconv_t cd = converters_->table(table.iconvName).first;
            if (cd != kNoConverter) {
                out.selector = std::string(raw.substr(0, table.selectorLength));
                raw.remove_prefix(table.selectorLength);
                decoder = cd;
            } else {
                out.lossy = true; // shown in the fallback, which is not what the name means
            }
        }
    }
    out.lossy = convertReplacing(decoder, raw, out.text) || out.lossy;
    return out;
}

Result<EncodedName> NameCodec::encode(std::string_view text, std::string_view selector,
                                      std::size_t maxBytes) const {
    Result<EncodedName> result;
    iconv_t encoder = converters_->encoder;
    std::string pageName = converters_->pageName;
    const bool dvb = encoding_.page == NamePage::Dvb;
    if (dvb && !selector.empty()) {
        const DvbTable table = dvbTable(selector);
        const iconv_t cd = table.selectorLength == selector.size()
                               ? converters_->table(table.iconvName).second
                               : kNoConverter;
        if (cd == kNoConverter)
            return refused(result, "the name's character table is not known");
        encoder = cd;
        pageName = table.iconvName;
    }
    std::string& bytes = result.value.bytes;
    if (dvb)
        bytes.assign(selector);
    for (std::size_t at = 0; at < text.size();) {
        const auto character = nextCharacter(text, at);
        if (!character)
            return refused(result, "the name is not UTF-8 text");
        const auto [code, length] = *character;
        const std::string_view utf8 = text.substr(at, length);
        if (code == 0)
            return refused(result, "U+0000 would end the name there");
        const auto converted = convertExactly(encoder, utf8);
        if (!converted)
            return refused(result, "the character " + characterName(utf8, code) +
                                       " cannot be written in " + pageName);
        // Every character is still looked at, so that a refused one past the cut is not missed.
        if (!result.value.cut && bytes.size() + converted->size() <= maxBytes)
            bytes.append(*converted);
        else
            result.value.cut = true;
        at += length;
    }
    if (dvb && selector.empty() && dvbSelectorLength(bytes) > 0)
        return refused(result, "the name cannot begin with " +
                                   characterName(text.substr(0, 1), char32_t(bytes[0])) +
                                   ": it would choose a character table");
    return result;
}

} // namespace corvane
