#include "formats/factory_data.h"

#include "factory_test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

using testing::BinImage;

const std::vector<std::string> kFileBanner = {
    "##############################################################################################"
    "############################",
    "#                                                                                             "
    "                           #",
    "# Factory data of the digital satellite receiver.                                             "
    "                           #",
    "# DOS text file.                                                                              "
    "                           #",
    "#                                                                                             "
    "                           #",
    "##############################################################################################"
    "############################",
    "",
};
const std::vector<std::string> kAntennaBanner = {
    "##############################################################################################"
    "#####################",
    "# ant_tag ant_num universal_lnb   lnb_low  lnb_high  antenna_type          DiSEqC   22KHz    "
    "0/12V     14/18V     #",
    "# (a)      xx         u/n          xxxxx      xxxxx     f/d/a            n/a/b/c/d  n/0/22   "
    "n/0/12    n/0/18     #",
    "# a        1       universal(or u) 9750       10600  Fixed/DiSEqC/Actuator                    "
    "                    #",
    "##############################################################################################"
    "#####################",
};
const std::vector<std::string> kAntennaInfoBanner = {
    "##############################################################################################"
    "############################",
    "# [antenna information]                                                                       "
    "                           #",
    "# tag          antenna_config                                                                 "
    "                           #",
    "# (a)          -1...8                                                                         "
    "                           #",
    "#              -1: Ignore switch config => The antenna_config_value on sat_definition_line "
    "will be used.                 #",
    "#              0 : none                                                                       "
    "                           #",
    "#              1 : DiSEqC                                                                     "
    "                           #",
    "#              2 : 22KHz                                                                      "
    "                           #",
    "#              3 : 012V                                                                       "
    "                           #",
    "#              4 : 14/18V + 22KHz                                                             "
    "                           #",
    "#              5 : 0/12V + 14/18V                                                             "
    "                           #",
    "#              6 : 0/12V + 22KHz                                                              "
    "                           #",
    "#              7 : 0/12V + DiSEqC                                                             "
    "                           #",
    "#              8 : 0/12V + 14/18V + 22KHz                                                     "
    "                           #",
    "# *** antenna information is optional. ***                                                    "
    "                           #",
    "##############################################################################################"
    "############################",
};
const std::vector<std::string> kSatelliteBannerA = {
    "",
    "##############################################################################################"
    "############################",
    "# [satellite information]                                                                     "
    "                           #",
    "# tag     sat_name        lnb_low   lnb_high  lnb_type  angle     east_west DiSEqC    22KHz   "
    "0/12V   14/18V             #",
    "# (s)     \"ccccccccc\"     xxxxx     xxxxx     u/n       xxx.x     e/w       n/a/b/c/d "
    "n/0/22  n/0/12  n/14/18            #",
    "# s       \"ASTRA DEF\"     9750      10600     universal 19.2      east      a         n     "
    "  n       n                  #",
    "#                                                                                             "
    "                           #",
    "# [transponder information]                                                                   "
    "                           #",
    "# tag     frequency       symbol    polar     22K       14/18V    0/12V     FEC               "
    "                           #",
    "# (t)     xxxxx           xxxxx     h/v       0/22      14/18     0/12      x/x               "
    "                           #",
    "# t       12663           22000     hor       0         14        0         3/4               "
    "                           #",
    "##############################################################################################"
    "############################",
};
const std::vector<std::string> kSatelliteBannerB = {
    "",
    "##############################################################################################"
    "#################",
    "# [satellite information]                                                                     "
    "                #",
    "# tag     sat_name        lnb_low   lnb_high  lnb_type  angle     east_west   diseqc 1.2      "
    "                #",
    "# (s)     \"ccccccccc\"     xxxxx     xxxxx     u/n       xxx.x     e/w         y/n           "
    "                #",
    "# s       \"ASTRA DEF\"     9750      10600     universal 19.2      east         y            "
    "                #",
    "#                                                                                             "
    "                #",
    "# tag     frequency       symbol    polar     22K       14/18V    0/12V     FEC               "
    "                #",
    "# (t)     xxxxx           xxxxx     h/v       0/22      14/18     0/12      x/x               "
    "                #",
    "# t       12663           22000     hor       0         14        0         3/4               "
    "                #",
    "##############################################################################################"
    "#################",
};
const std::vector<std::string> kProgramBannerA = {
    "",
    "##############################################################################################"
    "############################",
    "# [program information]                                                                       "
    "                           #",
    "# tag     prog_name       sat_index tp_index  serviceID video_pid audio_pid pcr_pid   txt_pid "
    "  scramble  favorite  lock #",
    "# (v/r)   \"ccccccccccccc\" xx        xxx       xxxxx     xxxx      xxxx      xxxx      xxxx  "
    "    0/1       0/1       0/1  #",
    "# v       \"ZDF On-line\"   1         2         2048      4096      4097      4096      4000  "
    "    0         1         0    #",
    "##############################################################################################"
    "############################",
};
const std::vector<std::string> kProgramBannerB = {
    "",
    "##############################################################################################"
    "#######################################",
    "# [program information]                                                                       "
    "                                      #",
    "# tag   prog_name         ant_index sat_index tp_index  serviceID video_pid audio_pid pcr_pid "
    "  txt_pid   scramble  favorite  lock  #",
    "# (v/r) \"ccccccccccccc\" xx         xx        xxx       xxxxx     xxxx      xxxx      xxxx   "
    "   xxxx      0/1       0/1       0/1    #",
    "# v     \"ZDF On-line\"   1          1         2         2048      4096      4097      4096   "
    "   4000      0         1         0      #",
    "##############################################################################################"
    "#######################################",
};

// Joins lines the way a DOS text file ends them.
std::string dosText(const std::vector<std::vector<std::string>>& parts) {
    std::string out;
    for (const auto& lines : parts)
        for (const auto& line : lines)
            out += line + "\r\n";
    return out;
}

std::string format(const std::vector<uint8_t>& file) {
    std::string text;
    EXPECT_TRUE(writeFactoryText(text, file).ok());
    return text;
}

// Compares line by line first, so a mismatch names the line rather than a 5 KB string.
void expectSameLines(const std::string& actual, const std::string& expected) {
    auto split = [](const std::string& s) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = s.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(s.substr(start, end - start));
        lines.push_back(s.substr(start));
        return lines;
    };
    const auto a = split(actual);
    const auto e = split(expected);
    for (std::size_t i = 0; i < std::min(a.size(), e.size()); ++i)
        EXPECT_EQ(a[i], e[i]) << "line " << i + 1;
    EXPECT_EQ(a.size(), e.size());
    EXPECT_EQ(actual, expected);
}

TEST(FactoryTextWriter, LayoutAWritesSatellitesTheirTranspondersAndPrograms) {
    const std::string expected = dosText({
        kFileBanner,
        kSatelliteBannerA,
        {
            "  s       \"ASTRA 1\"       9750      10600     universal 19.2      east      b      "
            "   22        none      14",
            "      t   11778           27500     hor       0         14        0         3/4",
            "      t   12345           6111      hor       0         14        0         auto",
            "  s       \"HISPASAT 30W\"  5150      5750      normal    30.0      west      none   "
            "   none      12        18",
            "      t   12000           22000     ver       22        18        12        8/9",
        },
        kProgramBannerA,
        {
            "v         \"Das Erste\"     1         2         2048      256       257       256     "
            " "
            " 288       1         0         1",
            "r         \"RADIO NUMBER 1\"2         1         4660      0         512       512     "
            " "
            " 0         0         1         0",
            "v         \"Lost\"          0         0         0         0         0         0       "
            " "
            " 0         0         0         0",
        },
    });
    expectSameLines(format(testing::layoutAFile()), expected);
}

TEST(FactoryTextWriter, LayoutBWritesAntennasInformationSatellitesAndPrograms) {
    const std::string expected = dosText({
        kFileBanner,
        {"DMTP", ""},
        kAntennaBanner,
        {
            "a          1       universal        9750      10600     d                    d      "
            "    22         n          18        ",
            "a          2       normal           5150       5750     a                    n      "
            "    n          n          n         ",
            "a          3       normal           9750      10600     f                    b      "
            "    n          n          n         ",
        },
        kAntennaInfoBanner,
        {"a         3", ""},
        kSatelliteBannerB,
        {
            "  s       \"HOTBIRD\"       9750      10600     universal 13.0      east      y      "
            "   0         ",
            "      t   11034           27500     ver       0         14        0         2/3",
            "  s       \"THORINTELS\"    9750      10600     normal    0.8       west      n      "
            "   -90       ",
            "      t   10719           27500     hor       22        14        0         5/6",
            "      t   11200           30000     hor       0         14        0         1/2",
        },
        kProgramBannerB,
        {
            "v         \"Sport\"         2         2         2         100       8191      8190    "
            " "
            " 8191      0         1         1         1",
            "r         \"Radio\"         1         1         1         65535     0         0       "
            " "
            " 0         0         0         0         0",
        },
    });
    expectSameLines(format(testing::layoutBFile()), expected);
}

TEST(FactoryTextWriter, EmptyTablesGiveOnlyBanners) {
    BinImage a(32);
    a.u32(24, 0xFFFFFFFF);
    expectSameLines(format(a.bytes()), dosText({kFileBanner, kSatelliteBannerA, kProgramBannerA}));

    // Layout B still lists its antennas; configuration 0 is a real value, only -1 means none.
    BinImage b(0x4000 + 12);
    b.u8(10, 2).u8(11, 1).u16(0x4000, 10750).u16(0x4002, 11250).u16(0x4004, 0x301);
    expectSameLines(format(b.bytes()),
                    dosText({kFileBanner,
                             {"DMTP", ""},
                             kAntennaBanner,
                             {"a          1       universal       10750      11250     f         "
                              "           n          n          12         n         "},
                             kAntennaInfoBanner,
                             {"a         0", ""},
                             kSatelliteBannerB,
                             kProgramBannerB}));
}

TEST(FactoryTextWriter, FieldEdgeValues) {
    // One layout A satellite with every setting present and the widest values, one transponder
    // with FEC code 7 and every switch set.
    BinImage f(0xA20 + 8);
    f.u32(12, 1).u32(16, 1).u32(24, 0xFFFFFFFF);
    f.u16(0x20, 65535).u16(0x22, 0).u16(0x24, 0xFFFF).u32(0x28, 0xFFFFFFFF);
    f.u16(0xA20, 65535).u16(0xA22, 65535).u16(0xA24, 0xFFFF).u8(0xA26, 0);
    const std::string text = format(f.bytes());
    EXPECT_NE(text.find("\r\n  s       \"\"              65535     0         universal 3276.7    "
                        "west      d         22        12        18\r\n"
                        "      t   65535           65535     hor       22        18        12      "
                        "  auto\r\n"),
              std::string::npos)
        << text;
}

TEST(FactoryTextWriter, NameBytesAreKeptAsTheyAre) {
    BinImage f(0x20 + 24);
    f.u32(12, 1).u32(24, 0xFFFFFFFF).text(0x2C, "\xC4gypten 7\xB0");
    const std::string text = format(f.bytes());
    EXPECT_NE(text.find("  s       \"\xC4gypten 7\xB0\"    0 "), std::string::npos);
}

TEST(FactoryTextWriter, OnlyTheFirst64KiBCount) {
    // A layout B file whose program table ends exactly at 64 KiB, followed by bytes that must not
    // matter.
    BinImage f(0x10000 + 100);
    f.u8(10, 2).u32(20, 1504).u32(24, 0xFFFFFFFF);
    f.text(0xFFEE, "LASTPROG").text(0x10000, "trailing bytes");
    std::string text;
    ASSERT_TRUE(writeFactoryText(text, f.bytes()).ok());
    EXPECT_NE(text.find("\"LASTPROG\""), std::string::npos);
}

} // namespace
} // namespace corvane
