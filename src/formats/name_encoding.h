#pragma once
// Record names in the code page of the receiver's market. Names stay raw bytes everywhere in the
// database and in every file; this codec only turns them into UTF-8 for showing and turns an
// edited name back into bytes. A name nobody edits is written back from its bytes, so a name
// whose bytes the page does not define survives untouched: its text only shows U+FFFD for them.
// The conversions are the C library's (iconv), no tables of our own.

#include "base/status.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

enum class NamePage {
    Latin1, // every byte the character of that code
    Utf8,
    Iso8859_9,
    Windows1254,
    Windows1251,
    Iso8859_7,
    Iso8859_2,
    Windows1256,
    // A name that begins with a character-table byte (0x01 to 0x0B, 0x10 and two bytes, 0x15 for
    // UTF-8) is in that table; any other name is in the encoding's fallback page.
    Dvb,
};

struct NameEncoding {
    NamePage page = NamePage::Latin1;
    NamePage fallback = NamePage::Latin1; // for Dvb only; never Dvb itself
    friend bool operator==(const NameEncoding&, const NameEncoding&) = default;
};

// Every page, in the order a menu offers them.
std::span<const NamePage> namePages();
// What a menu calls the page: "Latin-1", "UTF-8", ..., "DVB (EN 300 468 Annex A)".
std::string_view pageLabel(NamePage page);
// The short name a command line and a JSON document use: "ISO-8859-9", "Windows-1254", "DVB", or
// "DVB:ISO-8859-9" for a fallback other than Latin-1.
std::string encodingName(const NameEncoding& encoding);
// The encoding `name` gives, ignoring case: an encodingName, or a page's label; none when it is
// neither (a DVB fallback that is DVB again included).
std::optional<NameEncoding> parseNameEncoding(std::string_view name);
// The names parseNameEncoding takes, for a usage message: "Latin-1, UTF-8, ..., DVB[:PAGE]".
std::string encodingNamesList();

struct DecodedName {
    std::string text;     // UTF-8, one U+FFFD for each byte the page does not define
    std::string selector; // DVB: the table bytes the name begins with, left out of `text`
    bool lossy = false;   // some byte became U+FFFD: encoding `text` does not give the bytes back
};

struct EncodedName {
    std::string bytes;
    bool cut = false; // longer than a name holds; cut at the last whole character that fits
};

// Decodes and encodes names in one encoding. Keeps the C library's converters open, so one codec
// serves a whole list; not for use by two threads at once.
class NameCodec {
public:
    // Throws std::runtime_error when the C library has no converter for the page.
    explicit NameCodec(NameEncoding encoding = {});
    ~NameCodec();
    NameCodec(NameCodec&&) noexcept;
    NameCodec& operator=(NameCodec&&) noexcept;

    const NameEncoding& encoding() const { return encoding_; }

    DecodedName decode(std::string_view raw) const;

    // `text` (UTF-8) as the bytes of a name of at most `maxBytes` bytes, `selector` and all. With
    // DVB, `selector` (as decode gave it) chooses the table and is put in front; without one the
    // fallback page is used, and a text that would begin with a table byte is refused. Refused
    // too: text that is not UTF-8, U+0000 (it would end the name) and any character the page
    // cannot hold, named in the cause.
    Result<EncodedName> encode(std::string_view text, std::string_view selector = {},
                               std::size_t maxBytes = 63) const;

private:
    struct Converters;
    NameEncoding encoding_;
    std::unique_ptr<Converters> converters_;
};

// How many bytes a DVB table selector at the start of `raw` takes: 1 or 3 for a table this codec
// knows, 0 for a name in the fallback page.
std::size_t dvbSelectorLength(std::string_view raw);

} // namespace corvane
