#include "formats/name_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

NameEncoding dvb(NamePage fallback = NamePage::Latin1) {
    return {NamePage::Dvb, fallback};
}

TEST(NameEncoding, EveryPageShowsAMarketNameAndGivesItsBytesBack) {
    struct Case {
        NameEncoding encoding;
        std::string raw, text, selector;
        const char* refused; // a character the page has no place for; null when it has all
    };
    const Case cases[] = {
        {{NamePage::Latin1},
         "Canal+ Espa\xF1"
         "a",
         "Canal+ España",
         "",
         "Ş"},
        {{NamePage::Utf8}, "ZDF M\xC3\xBCnchen \xE2\x82\xAC", "ZDF München €", "", nullptr},
        {{NamePage::Iso8859_9}, "Kanal \xDEi\xFEli \xDDzmir", "Kanal Şişli İzmir", "", "Ж"},
        {{NamePage::Windows1254},
         "TV8 \xDE"
         "ampiyon \x80",
         "TV8 Şampiyon €",
         "",
         "Ж"},
        {{NamePage::Windows1251},
         "\xCF\xE5\xF0\xE2\xFB\xE9 \xEA\xE0\xED\xE0\xEB",
         "Первый канал",
         "",
         "Ş"},
        {{NamePage::Iso8859_7}, "\xD3\xCA\xC1\xDA", "ΣΚΑΪ", "", "Ş"},
        {{NamePage::Iso8859_2},
         "\xC8T Sport \xB3\xF3"
         "d\xBC",
         "ČT Sport łódź",
         "",
         "Ж"},
        {{NamePage::Windows1256}, "\xC7\xE1\xCC\xD2\xED\xD1\xC9", "الجزيرة", "", "Ж"},
        {dvb(), "\x05Kanal \xDEi\xFEli", "Kanal Şişli", "\x05", "Ж"},
        {dvb(), "\x15M\xC3\xBCnchen", "München", "\x15", nullptr},
        {dvb(), std::string("\x10\x00\x09\xDE", 4), "Ş", std::string("\x10\x00\x09", 3), "Ж"},
        {dvb(NamePage::Windows1251), "\xCF\xE5\xF0\xE2\xFB\xE9", "Первый", "", "Ş"},
        {dvb(), "\x08Reserved", "\x08Reserved", "", "Ş"}, // no table: all in the fallback
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(encodingName(c.encoding) + " " + c.text);
        const NameCodec codec(c.encoding);
        const DecodedName decoded = codec.decode(c.raw);
        EXPECT_EQ(decoded.text, c.text);
        EXPECT_EQ(decoded.selector, c.selector);
        EXPECT_FALSE(decoded.lossy);
        const auto encoded = codec.encode(decoded.text, decoded.selector);
        ASSERT_TRUE(encoded.ok()) << encoded.cause;
        EXPECT_EQ(encoded.value.bytes, c.raw);
        EXPECT_FALSE(encoded.value.cut);
        if (c.refused) {
            const auto refused = codec.encode(c.text + c.refused, decoded.selector);
            EXPECT_FALSE(refused.ok());
            EXPECT_NE(refused.cause.find(std::string("\"") + c.refused + "\" (U+"),
                      std::string::npos)
                << refused.cause;
        }
    }
}

TEST(NameEncoding, BytesThePageDoesNotDefineShowAsReplacementCharacters) {
    struct Case {
        NameEncoding encoding;
        std::string raw, text;
    };
    const Case cases[] = {
        {{NamePage::Utf8}, "Caf\xE9 TV", "Caf\uFFFD TV"},         // Latin-1 in a UTF-8 list
        {{NamePage::Utf8}, "Cut \xC3", "Cut \uFFFD"},             // a character cut short
        {{NamePage::Utf8}, "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"}, // a surrogate
        {{NamePage::Windows1254}, "A\x81", "A\uFFFD"},
        {{NamePage::Windows1251}, "\x98", "\uFFFD"},
        {{NamePage::Iso8859_7}, "\xAE\xD3", "\uFFFDΣ"},
        {dvb(), "\x15\xFF", "\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        const DecodedName decoded = NameCodec(c.encoding).decode(c.raw);
        EXPECT_EQ(decoded.text, c.text);
        EXPECT_TRUE(decoded.lossy);
    }
}

TEST(NameEncoding, EncodingCutsAtAWholeCharacterAndRefusesWhatNoNameCanHold) {
    struct Case {
        NameEncoding encoding;
        std::string text, selector;
        std::size_t bytes; // of the result; 0 when refused
        bool cut;
    };
    std::string umlauts;
    for (int i = 0; i < 32; ++i)
        umlauts += "ü";
    const Case cases[] = {
        {{NamePage::Utf8}, umlauts, "", 62, true}, // the 32nd would need bytes 63 and 64
        {{NamePage::Utf8}, umlauts.substr(2), "", 62, false},
        {{NamePage::Latin1}, std::string(64, 'a'), "", 63, true},
        {{NamePage::Latin1}, umlauts, "", 32, false},
        {dvb(), umlauts, "\x15", 63, true}, // the table byte counts
        {{NamePage::Utf8}, "a\xC3", "", 0, false},
        {{NamePage::Utf8}, std::string("a\0b", 3), "", 0, false},
        {dvb(), "\x05looks like a table", "", 0, false},
        {dvb(), "x", "\x08", 0, false}, // not a table
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto encoded = NameCodec(c.encoding).encode(c.text, c.selector);
        EXPECT_EQ(encoded.ok(), c.bytes > 0) << encoded.cause;
        EXPECT_EQ(encoded.value.bytes.size(), c.bytes);
        EXPECT_EQ(encoded.value.cut, c.cut);
    }
    // A refused character past the cut is refused all the same.
    EXPECT_FALSE(NameCodec().encode(std::string(70, 'a') + "Ş").ok());
}

TEST(NameEncoding, NamesOnTheCommandLineGiveTheEncodingBack) {
    for (const NamePage page : namePages()) {
        const NameEncoding encoding{page};
        EXPECT_EQ(parseNameEncoding(encodingName(encoding)), encoding) << encodingName(encoding);
        EXPECT_EQ(parseNameEncoding(pageLabel(page)), encoding) << pageLabel(page);
    }
    EXPECT_EQ(parseNameEncoding("dvb:iso-8859-9"), dvb(NamePage::Iso8859_9));
    EXPECT_EQ(encodingName(dvb(NamePage::Iso8859_9)), "DVB:ISO-8859-9");
    for (const char* wrong : {"KOI8-R", "", "DVB:DVB", "UTF-8:Latin-1", "DVB:", "Latin-1:"})
        EXPECT_EQ(parseNameEncoding(wrong), std::nullopt) << wrong;
}

} // namespace
} // namespace corvane
