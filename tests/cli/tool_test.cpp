// Runs the built corvane-tool as a script would: in its own working folder, checking standard
// output, standard error and the exit status. Every input is written out here byte by byte or as
// text, and every expected result by hand.

#include "image/checksum.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// "26 52 06 ..." to bytes.
std::string hex(const std::string& text) {
    std::istringstream in(text);
    std::string out;
    unsigned value = 0;
    while (in >> std::hex >> value)
        out.push_back(static_cast<char>(value));
    return out;
}

std::string withCdd32(std::string bytes) {
    const uint32_t crc = corvane::crc32(bytes);
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<char>((crc >> shift) & 0xFF));
    return bytes;
}

// Antenna with DiSEqC port b and 22 kHz, one satellite, two transponders, a TV and a radio
// service, one of them with a Latin-1 name.
const std::string kSampleText = "# hand-written factory data\r\n"
                                "a 1 universal 9750 10600 f b 22 n n\r\n"
                                "  s \"Astra 19.2E\" 9750 10600 universal 19.2 east n 0\r\n"
                                "      t 11494 22000 hor 0 14 0 3/4\r\n"
                                "      t 12188 27500 ver 0 18 0 auto\r\n"
                                "v \"Das Erste\" 1 1 1 28106 101 102 101 104 0 1 0\r\n"
                                "r \"Caf\xE9 Radio\" 1 1 2 28107 0 103 0 0 1 0 1\r\n";

const char* const kSampleJson = R"({"satelliteCount": 1, "transponderCount": 2, "serviceCount": 2,
  "antennaCount": 1,
  "antennas": [{"id": 0, "lowFreq": 9750, "highFreq": 10600, "centerFreq": 11700, "lnbType": 0,
    "lnbPower": 1, "lnbVoltage": 0, "toneburst": 0, "committed10": 2, "uncommitted": 0,
    "committed11": 0, "repeatedTimes": 0, "switch22k": 1, "switch12v": 0, "tunerMask": 3,
    "diseqcType": 1, "antennaKey": 1}],
  "satellites": [{"id": 0, "name": "Astra 19.2E", "longitude": 192}],
  "transponders": [
    {"id": 0, "satelliteId": 0, "frequency": 11494, "symbolRate": 22000, "polarity": 0, "fec": 3,
     "antennaId": 0},
    {"id": 1, "satelliteId": 0, "frequency": 12188, "symbolRate": 27500, "polarity": 1, "fec": 0,
     "antennaId": 0}],
  "services": [
    {"transponderId": 0, "number": 0, "name": "Das Erste", "videoPid": 101, "audioPid": 102,
     "pcrPid": 101, "serviceId": 28106, "caMode": 0, "favorites": 1, "lock": 0},
    {"transponderId": 1, "number": 1, "name": "Caf\u00e9 Radio", "videoPid": 0, "audioPid": 103,
     "pcrPid": 0, "serviceId": 28107, "caMode": 1, "favorites": 0, "lock": 1}]})";

// The same database as a .cdd file; it reads back exactly, as every value fits.
const std::string kSampleCdd =
    withCdd32(hex("26 52 06 24 01 00 00 00 9D 00 00 00 01  01 01 00 02 00 02 00 "
                  "00 00 00 13 "
                  "00 00 00 26 16 00 00 29 68 00 00 2D B4 04 08 00 00 8E 01 "
                  "00 00 00 77 "
                  "00 41 73 74 72 61 20 31 39 2E 32 45 00 00 00 00 80 00 C0 00 00 00 60 "
                  "00 00 00 00 2C E6 00 55 F0 0C 00 00 00 22 "
                  "00 00 80 44 61 73 20 45 72 73 74 65 00 00 00 00 00 00 00 00 00 00 "
                  "00 65 00 66 00 65 6D CA 01 00 00 00 "
                  "00 01 00 00 2F 9C 00 6B 6C 40 00 00 00 22 "
                  "00 01 80 43 61 66 E9 20 52 61 64 69 6F 00 00 00 00 00 00 00 00 00 "
                  "00 00 00 67 20 00 6D CB 00 80 00 00"));

const std::string kEmptyCdd =
    hex("26 52 06 24 01 00 00 00 13 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "86 D3 27 0A");

const char* const kEmptyJson = R"({"satelliteCount": 0, "transponderCount": 0, "serviceCount": 0,
  "antennaCount": 0, "antennas": [], "satellites": [], "transponders": [], "services": []})";

void put16(std::string& b, std::size_t at, uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

// Layout B factory data (selector 2): one antenna, one satellite, one transponder, one program.
std::string sampleBin() {
    std::string b(17408 + 32, '\0');
    b.replace(0, 8, "morvalen");
    b[10] = 2, b[11] = 1, b[12] = 1, b[16] = 1, b[20] = 1;
    b.replace(24, 4, "\xFF\xFF\xFF\xFF"); // no antenna configuration line
    put16(b, 32, 9750), put16(b, 34, 10600), put16(b, 36, 130), put16(b, 40, 0x5A01);
    b.replace(42, 8, "Hot Bird");
    put16(b, 2592, 11034), put16(b, 2594, 27500), put16(b, 2596, 0x50); // vertical, 7/8
    put16(b, 16384, 9750), put16(b, 16386, 10600), put16(b, 16388, 1);  // universal, fixed
    put16(b, 17408, 4660), put16(b, 17410, 512), put16(b, 17412, 650), put16(b, 17414, 512);
    put16(b, 17420, 3); // scrambled, favourite
    b.replace(17422, 3, "ZDF");
    return b;
}

const char* const kSampleBinJson = R"({"satelliteCount": 1, "transponderCount": 1,
  "serviceCount": 1, "antennaCount": 1,
  "antennas": [{"id": 0, "lowFreq": 9750, "highFreq": 10600, "centerFreq": 11700, "lnbType": 0,
    "lnbPower": 1, "lnbVoltage": 0, "toneburst": 0, "committed10": 0, "uncommitted": 0,
    "committed11": 0, "repeatedTimes": 0, "switch22k": 0, "switch12v": 0, "tunerMask": 3,
    "diseqcType": 0, "antennaKey": 1}],
  "satellites": [{"id": 0, "name": "Hot Bird", "longitude": 130}],
  "transponders": [{"id": 0, "satelliteId": 0, "frequency": 11034, "symbolRate": 27500,
    "polarity": 1, "fec": 5, "antennaId": 0}],
  "services": [{"transponderId": 0, "number": 0, "name": "ZDF", "videoPid": 512,
    "audioPid": 650, "pcrPid": 512, "serviceId": 4660, "caMode": 1, "favorites": 1,
    "lock": 0}]})";

std::string sampleSdx() {
    std::string r(128, ' ');
    r.replace(0, 8, "SATCODX1");
    r.replace(10, 9, "Astra 1KR");
    r.replace(33, 6, "011494");
    r[42] = '1'; // horizontal
    r.replace(51, 4, "0192");
    r.replace(69, 5, "22000");
    r[74] = '3';
    return r;
}

const char* const kSampleSdxJson = R"({"satelliteCount": 1, "transponderCount": 1,
  "serviceCount": 0, "antennaCount": 1,
  "antennas": [{"id": 0, "lowFreq": 9750, "highFreq": 10600, "centerFreq": 11700, "lnbType": 0,
    "lnbPower": 1, "lnbVoltage": 0, "toneburst": 0, "committed10": 1, "uncommitted": 0,
    "committed11": 0, "repeatedTimes": 0, "switch22k": 1, "switch12v": 1, "tunerMask": 3,
    "diseqcType": 1, "antennaKey": 1}],
  "satellites": [{"id": 0, "name": "Astra 1KR", "longitude": 192}],
  "transponders": [{"id": 0, "satelliteId": 0, "frequency": 11494, "symbolRate": 22000,
    "polarity": 0, "fec": 3, "antennaId": 0}],
  "services": []})";

// A "KYINFO" block with tags BLANK_, BLANK_, 00000000102, FA190000, 001, type Extend, no tagF and
// no payload.
const std::string kBlock = hex("4B 59 49 4E 46 4F 00 00 00 00  42 4C 41 4E 4B 5F 00 "
                               "42 4C 41 4E 4B 5F 00 00 00 00 00 00 00 00 00 00 "
                               "30 30 30 30 30 30 30 30 31 30 32 00 "
                               "46 41 31 39 30 30 30 30 00 00 00 00  30 30 31 00  00 "
                               "00 00 00 00  FF FF FF FF  00 00 00 00 00 00 00 00  2F A0 6F 1F");

struct RunOptions {
    std::string tag;                    // tells apart the output files of parallel runs
    std::string stdoutPath;             // where standard output goes instead of a file
    std::optional<rlim_t> addressSpace; // a memory limit, in bytes
    bool asNobody = false;              // without root's privileges

    // GCC 12 takes designated initializers of this struct for missing fields, hence these.
    static RunOptions tagged(std::string t) {
        RunOptions o;
        o.tag = std::move(t);
        return o;
    }
    static RunOptions writingTo(std::string path) {
        RunOptions o;
        o.stdoutPath = std::move(path);
        return o;
    }
    static RunOptions withMemory(std::optional<rlim_t> bytes) {
        RunOptions o;
        o.addressSpace = bytes;
        return o;
    }
    static RunOptions nobody() {
        RunOptions o;
        o.asNobody = true;
        return o;
    }
};

class Tool : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(root_ / "work"); }

    fs::path work() const { return root_ / "work"; }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(work() / name, std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(work() / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Starts the tool with `args` in work(), its output caught in files beside that folder.
    pid_t spawn(const std::vector<std::string>& args, const RunOptions& options = {}) const {
        const fs::path out = root_ / ("stdout" + options.tag),
                       err = root_ / ("stderr" + options.tag);
        std::vector<std::string> argv = {CORVANE_TOOL_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargs;
        for (std::string& a : argv)
            cargs.push_back(a.data());
        cargs.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string outPath =
                options.stdoutPath.empty() ? out.string() : options.stdoutPath;
            const int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 ||
                ::chdir(work().c_str()) != 0)
                ::_exit(125);
            const rlimit limit{options.addressSpace.value_or(RLIM_INFINITY),
                               options.addressSpace.value_or(RLIM_INFINITY)};
            if (options.addressSpace && ::setrlimit(RLIMIT_AS, &limit) != 0)
                ::_exit(125);
            if (options.asNobody &&
                (::setgroups(0, nullptr) != 0 || ::setgid(corvane::testing::kNobody) != 0 ||
                 ::setuid(corvane::testing::kNobody) != 0))
                ::_exit(125);
            ::execv(cargs[0], cargs.data());
            ::_exit(126);
        }
        return pid;
    }

    // Waits for a spawned run; `status` is the exit status, or 128 + the signal that ended it.
    Outcome finish(pid_t pid, const std::string& tag = {}) const {
        Outcome result;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
            result.status = WIFEXITED(status)     ? WEXITSTATUS(status)
                            : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                                  : -1;
        result.out = corvane::testing::readText(root_ / ("stdout" + tag));
        result.err = corvane::testing::readText(root_ / ("stderr" + tag));
        return result;
    }

    Outcome run(const std::vector<std::string>& args, const RunOptions& options = {}) const {
        return finish(spawn(args, options), options.tag);
    }

    // dump of `name` must succeed with exactly `expectedJson` (key order included).
    void expectDump(const std::string& name, const char* expectedJson) const {
        const Outcome r = run({"dump", name});
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_EQ(r.err, "") << name;
        EXPECT_EQ(ordered_json::parse(r.out, nullptr, false), ordered_json::parse(expectedJson))
            << name << ":\n"
            << r.out;
    }

    corvane::testing::ScratchDir scratch_{"tool"};
    const fs::path root_ = scratch_.root();
};

TEST_F(Tool, DumpsEveryInputFormatAsTheEditorReadsIt) {
    write("sample.txt", kSampleText);
    write("SAMPLE.FTC", kSampleText); // the extension is compared ignoring case
    write("sample.cdd", kSampleCdd);
    write("empty.cdd", kEmptyCdd);
    write("sample.bin", sampleBin());
    write("sample.sdx", sampleSdx());
    write("sample.json", kSampleJson);
    expectDump("sample.txt", kSampleJson);
    expectDump("SAMPLE.FTC", kSampleJson);
    expectDump("sample.cdd", kSampleJson);
    expectDump("empty.cdd", kEmptyJson);
    expectDump("sample.sdx", kSampleSdxJson);
    expectDump("sample.json", kSampleJson);
    expectDump("sample.bin", kSampleBinJson);
    EXPECT_TRUE(fs::exists(work() / "test_output.txt")); // the editor's work file, left behind
}

TEST_F(Tool, ReportsTheEditorsMessagesWhenAFileCannotBeRead) {
    std::string badHeader = kEmptyCdd;
    badHeader[12] = 2;
    std::string badChecksum = kSampleCdd;
    badChecksum[40] ^= 1;
    write("bad-header.cdd", badHeader);
    write("bad-checksum.cdd", badChecksum);
    write("not-factory.bin", "morvalem" + std::string(64, '\0'));
    write("broken.json", "{\"satelliteCount\": 1,");
    write("bad-name.json",
          std::string(kSampleJson).replace(std::string(kSampleJson).find("Das"), 3, "\\u0416"));
    write("list.cdd.bak", kEmptyCdd);
    fs::create_directory(work() / "folder.sdx");
    // The editor's messages as they are, then one line with the file and the cause.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"missing.txt", "File Format error!\nmissing.txt: No such file or directory\n"},
        {"missing.cdd", "File Format error!\nmissing.cdd: No such file or directory\n"},
        {"folder.sdx", "File Format error!\nfolder.sdx: Is a directory\n"},
        {"bad-header.cdd",
         "File Format error!\nbad-header.cdd: header is not that of a .cdd file\n"},
        {"bad-checksum.cdd",
         "File Format error!\nbad-checksum.cdd: checksum does not match (stored 0xD4A99640, "
         "computed 0x"},
        {"list.cdd.bak", "Unkown Format!\nlist.cdd.bak: the name ends in none of .ftc, .txt, .cdd, "
                         ".sdx, .bin, .xml and .json\n"},
        {"missing.bin", "open file failed\n\n Factory data fie is invalid. \nFile Format "
                        "error!\nmissing.bin: No such file or directory\n"},
        {"not-factory.bin",
         "\n Factory data fie is invalid. \nFile Format error!\nnot-factory.bin: "
         "it does not start with the signature \"morvalen\"\n"},
        {"missing.json", "File Format error!\nmissing.json: No such file or directory\n"},
        {"broken.json", "File Format error!\nbroken.json: not valid JSON: "},
        {"bad-name.json", "File Format error!\nbad-name.json: services[0].name holds a character "
                          "outside U+0001 to U+00FF\n"},
    };
    for (const auto& [name, message] : cases) {
        const Outcome dump = run({"dump", name});
        EXPECT_EQ(dump.status, 1) << name;
        EXPECT_EQ(dump.out, "") << name;
        EXPECT_EQ(dump.err.substr(0, message.size()), message) << name;
        const Outcome check = run({"check", name});
        EXPECT_EQ(check.status, 3) << name << ": unreadable, not a usage error";
        EXPECT_EQ(check.err, dump.err) << name;
        const Outcome convert = run({"convert", name, "out.json"});
        EXPECT_EQ(convert.status, 1) << name;
        EXPECT_EQ(convert.err, dump.err) << name;
        EXPECT_FALSE(fs::exists(work() / "out.json")) << name;
    }
}

TEST_F(Tool, ConvertWritesTheCddByteForByteAndJsonThatDumpsTheSame) {
    write("sample.txt", kSampleText);
    write("sample.bin", sampleBin());
    write("sample.sdx", sampleSdx());
    write("sample.cdd", kSampleCdd);
    write("sample.json", kSampleJson);
    const Outcome toCdd = run({"convert", "sample.txt", "out.cdd"});
    EXPECT_EQ(toCdd.status, 0) << toCdd.err;
    EXPECT_EQ(toCdd.out + toCdd.err, "");
    EXPECT_EQ(read("out.cdd"), kSampleCdd);
    EXPECT_EQ(run({"convert", "sample.json", "OUT.CDD"}).status, 0);
    EXPECT_EQ(read("OUT.CDD"), kSampleCdd);

    for (const std::string name :
         {"sample.txt", "sample.bin", "sample.sdx", "sample.cdd", "sample.json", "out.cdd"}) {
        const Outcome original = run({"dump", name});
        ASSERT_EQ(original.status, 0) << name;
        ASSERT_EQ(run({"convert", name, "copy.json"}).status, 0) << name;
        EXPECT_EQ(read("copy.json"), original.out) << name;
        const Outcome again = run({"dump", "copy.json"});
        EXPECT_EQ(again.status, 0) << name;
        EXPECT_EQ(again.out, original.out) << name;
    }
}

// A script edits names in their code page; every name it leaves alone, those whose bytes are not
// text in that page among them, comes back byte for byte.
TEST_F(Tool, DumpAndConvertInACodePageGiveUntouchedNamesBackByteForByte) {
    struct Case {
        const char* encoding;
        std::string satellite, service; // as the list holds them
        bool satelliteAsBytes;          // its bytes are not text in the page
        const char* shown;              // the service's name in the dump's JSON
        const char* edited;             // typed over it, and the bytes it is saved as
        std::string saved;
    };
    const Case cases[] = {
        {"ISO-8859-9", "T\xFCrksat 42E", "Kanal \xDEi\xFEli", false, R"("name": "Kanal Şişli")",
         "Show TV İ", "Show TV \xDD"},
        {"UTF-8", "Caf\xE9 Sat", "M\xC3\xBCnchen TV", true, R"("name": "München TV")", "Köln €",
         "K\xC3\xB6ln \xE2\x82\xAC"},
        {"DVB:ISO-8859-9", "Astra", "\x05Kanal \xDEi\xFEli", false,
         R"("name": "\u0005Kanal Şişli")", "\u0005İz", "\x05\xDDz"},
        {"Windows-1251", "Hot\x98", "\xCF\xE5\xF0\xE2\xFB\xE9", true, R"("name": "Первый")",
         "Звезда", "\xC7\xE2\xE5\xE7\xE4\xE0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        write("list.txt", "  s \"" + c.satellite + "\" 9750 10600 universal 42.0 east n 0\r\n" +
                              "      t 11494 22000 hor 0 14 0 3/4\r\n" + "v \"" + c.service +
                              "\" 1 1 1 28106 101 102 101 104 0 1 0\r\n");
        ASSERT_EQ(run({"convert", "list.txt", "list.cdd"}).status, 0);
        const Outcome dumped = run({"dump", "--encoding", c.encoding, "list.cdd"});
        ASSERT_EQ(dumped.status, 0) << dumped.err;
        EXPECT_NE(dumped.out.find(c.shown), std::string::npos) << dumped.out;
        EXPECT_EQ(dumped.out.find("\"nameBytes\"") != std::string::npos, c.satelliteAsBytes);
        write("list.json", dumped.out);
        ASSERT_EQ(run({"convert", "--encoding", c.encoding, "list.json", "back.cdd"}).status, 0);
        EXPECT_EQ(read("back.cdd"), read("list.cdd"));

        std::string edited = dumped.out;
        edited.replace(edited.find(c.shown), std::string(c.shown).size(),
                       std::string("\"name\": ") + ordered_json(c.edited).dump());
        write("edited.json", edited);
        const Outcome converted =
            run({"convert", "--encoding", c.encoding, "edited.json", "edited.cdd"});
        ASSERT_EQ(converted.status, 0) << converted.err;
        std::string expected = read("list.cdd");
        expected.replace(expected.find(c.service), c.service.size(),
                         c.saved + std::string(c.service.size() - c.saved.size(), '\0'));
        expected = withCdd32(expected.substr(0, expected.size() - 4));
        EXPECT_EQ(read("edited.cdd"), expected);
    }

    // The names are not Latin-1 and not in another page: said, not misread.
    const Outcome latin1 = run({"convert", "list.json", "x.cdd"});
    EXPECT_EQ(latin1.status, 1);
    EXPECT_NE(latin1.err.find("nameEncoding is \"Windows-1251\": the names are text in that code "
                              "page, which has to be given to read them"),
              std::string::npos)
        << latin1.err;
    EXPECT_FALSE(fs::exists(work() / "x.cdd"));
    EXPECT_EQ(run({"dump", "--encoding", "KOI8-R", "list.cdd"}).status, 2);
}

TEST_F(Tool, ConvertRefusesWithoutTouchingTheOutput) {
    write("sample.txt", kSampleText);
    std::string far = kSampleJson;
    far.replace(far.find("\"satellites\": [{\"id\": 0"), 23, "\"satellites\": [{\"id\": 300");
    write("far.json", far);
    write("keep.cdd", "previous");

    const Outcome refused = run({"convert", "far.json", "keep.cdd"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("satellite 300"), std::string::npos) << refused.err;
    EXPECT_EQ(read("keep.cdd"), "previous");

    const Outcome noFolder = run({"convert", "sample.txt", "no/such/folder/out.json"});
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_NE(noFolder.err.find("no/such/folder/out.json"), std::string::npos) << noFolder.err;

    const Outcome badOut = run({"convert", "sample.txt", "out.txt"});
    EXPECT_EQ(badOut.status, 2);
    EXPECT_NE(badOut.err.find("Usage: corvane-tool convert"), std::string::npos) << badOut.err;
    EXPECT_FALSE(fs::exists(work() / "out.txt"));
}

TEST_F(Tool, CheckListsFindingsOnStandardOutputAndSetsItsStatus) {
    write("sample.txt", kSampleText);
    write("faulty.txt", "  s \"Hot Bird\" 9750 10600 universal 13.0 east n 0\r\n"
                        "      t 11034 27500 ver 0 14 0 7/8\r\n"
                        "v \"Silent\" 1 1 1 100 0 0 0 0 0 0 0\r\n"
                        "v \"Loud\" 1 1 1 101 8192 102 101 0 0 0 0\r\n");
    const Outcome clean = run({"check", "sample.txt"});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out + clean.err, "");
    const Outcome faulty = run({"check", "faulty.txt"});
    EXPECT_EQ(faulty.status, 1);
    EXPECT_EQ(faulty.err, "");
    // The satellite line's antenna has no band switch until the editor shows it: the high band
    // from 0 MHz on.
    EXPECT_EQ(faulty.out, "transponder 0: 11034 MHz through antenna 0 (oscillator 10600 MHz) gives "
                          "434 MHz, outside the tuner's 950 to 2150 MHz\n"
                          "service 0 \"Silent\": video, audio and PCR PIDs are all 0; a .cdd file "
                          "leaves the service out\n"
                          "service 1 \"Loud\": video PID 8192 is not a PID (0 to 8191)\n");
}

TEST_F(Tool, BlockDecodesTheHeaderAndItsChecksums) {
    write("image.rs232", kBlock);
    write("changed.rs232", kBlock + "abc");
    write("short.rs232", kBlock.substr(0, 81));
    const Outcome intact = run({"block", "image.rs232"});
    EXPECT_EQ(intact.status, 0) << intact.err;
    EXPECT_EQ(ordered_json::parse(intact.out, nullptr, false), ordered_json::parse(R"({
        "magic": "KYINFO", "tagA": "BLANK_", "tagB": "BLANK_", "tagC": "00000000102",
        "tagD": "FA190000", "tagDInverted": false, "tagE": "001", "tagF": "",
        "dataType": 0, "dataTypeName": "Extend",
        "payloadLength": 0, "payloadBytes": 0, "payloadLengthMatches": true,
        "headerChecksum": "0x2FA06F1F", "headerChecksumComputed": "0x2FA06F1F",
        "headerChecksumMatches": true,
        "payloadChecksum": "0xFFFFFFFF", "payloadChecksumComputed": "0xFFFFFFFF",
        "payloadChecksumMatches": true})"))
        << intact.out;

    const Outcome changed = run({"block", "changed.rs232"});
    EXPECT_EQ(changed.status, 1);
    const auto json = ordered_json::parse(changed.out, nullptr, false);
    EXPECT_EQ(json.value("payloadBytes", -1), 3);
    EXPECT_EQ(json.value("payloadChecksumComputed", ""), "0x9B73448C");
    EXPECT_FALSE(json.value("payloadChecksumMatches", true));
    EXPECT_TRUE(json.value("headerChecksumMatches", false));

    const Outcome tooShort = run({"block", "short.rs232"});
    EXPECT_EQ(tooShort.status, 1);
    EXPECT_EQ(tooShort.out, "");
    EXPECT_EQ(tooShort.err,
              "short.rs232: 81 bytes, shorter than the 82-byte header of a data block\n");
}

TEST_F(Tool, HelpVersionAndUsageErrors) {
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "corvane-tool " CORVANE_VERSION "\n");
    for (const std::string command : {"dump", "convert", "save", "check", "block", "diff"}) {
        const Outcome help = run({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("Usage: corvane-tool " + command), std::string::npos) << help.out;
        EXPECT_NE(help.out.find("Exit status:"), std::string::npos) << help.out;
    }
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"dump", "convert", "save", "check", "block", "diff"})
        EXPECT_NE(help.out.find(command), std::string::npos) << help.out;

    const std::vector<std::vector<std::string>> usageErrors = {{},
                                                               {"frobnicate"},
                                                               {"dump"},
                                                               {"dump", "a", "b"},
                                                               {"convert", "a.txt"},
                                                               {"check", "-x", "a"},
                                                               {"save", "a.txt"},
                                                               {"diff", "a.txt"}};
    for (const auto& args : usageErrors) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.out, "") << testing::PrintToString(args);
        EXPECT_NE(r.err.find("Usage: corvane-tool"), std::string::npos) << r.err;
    }
}

TEST_F(Tool, SaveWritesTheCddAndTheReceiverImageSilently) {
    write("sample.txt", kSampleText);
    write("empty.cdd", kEmptyCdd);
    const Outcome saved = run({"save", "sample.txt", "out.rs232"});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out + saved.err, "");
    EXPECT_EQ(read("out.cdd"), kSampleCdd);
    EXPECT_EQ(read("RealDefData.cdd"), kSampleCdd);
    EXPECT_EQ(read("out.rs232").substr(0, 6), "KYINFO");
    EXPECT_EQ(read("out.rs232").substr(82), kSampleCdd);
    const Outcome backedUp = run({"save", "--backup", "sample.txt", "out"});
    EXPECT_EQ(backedUp.status, 0) << backedUp.err;
    EXPECT_EQ(read("out.rs232.bak").substr(82), kSampleCdd);

    const Outcome noData = run({"save", "empty.cdd", "out"});
    EXPECT_EQ(noData.status, 1);
    EXPECT_EQ(noData.err, "No Data to Save!\n");

    // The start folder's packer comes first.
    write("imgpack", "#!/bin/sh\necho 'it broke' >&2\nexit 3\n");
    fs::permissions(work() / "imgpack", fs::perms::owner_all);
    const std::string image = read("out.rs232");
    const Outcome failed = run({"save", "sample.txt", "out"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "Save failed: running the image packer\n" +
                              (work() / "imgpack").string() + ": exited with status 3: it broke\n");
    EXPECT_EQ(read("out.rs232"), image);
}

// What the sheet holds is the report's own test; here it is where it goes, and what a sheet that
// cannot be written does to the Save.
TEST_F(Tool, SaveWithAReportWritesTheSheetBesideTheSavedPair) {
    write("sample.txt", kSampleText);
    const Outcome saved = run({"save", "--report", "sheet.pdf", "sample.txt", "out"});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out + saved.err, "");
    EXPECT_EQ(read("sheet.pdf").substr(0, 8), "%PDF-1.4");
    EXPECT_NE(
        read("sheet.csv")
            .find("\r\nfile,channel database,out.cdd," + std::to_string(kSampleCdd.size()) + ","),
        std::string::npos);

    const Outcome noFolder = run({"save", "--report", "no/such/sheet", "sample.txt", "again"});
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_EQ(noFolder.err.substr(0, 38), "Saved, but the report was not written\n");
    EXPECT_EQ(read("again.cdd"), kSampleCdd);
}

TEST_F(Tool, DiffListsOneLinePerChangeAndSetsItsStatus) {
    write("old.txt", kSampleText);
    write("old.cdd", kSampleCdd);
    // Café Radio dragged to the top and a symbol rate changed.
    std::string moved = kSampleText;
    moved.replace(moved.find("12188 27500"), 11, "12188 27000");
    const std::size_t radio = moved.find("r \"Caf");
    const std::string radioLine = moved.substr(radio);
    moved.erase(radio);
    moved.insert(moved.find("v \"Das"), radioLine);
    write("moved.txt", moved);
    // A satellite put in front renumbers Astra, its transponders and their services.
    std::string renumbered = kSampleText;
    renumbered.insert(renumbered.find("a 1"),
                      "  s \"Hot Bird\" 9750 10600 universal 13.0 east n 0\r\n"
                      "      t 11034 27500 ver 0 14 0 7/8\r\n");
    renumbered.replace(renumbered.find("a 1"), 3, "a 2");
    for (const char* line : {"v \"Das Erste\" 1 1", "r \"Caf\xE9 Radio\" 1 1"})
        renumbered.replace(renumbered.find(line) + std::string(line).size() - 1, 1, "2");
    write("renumbered.txt", renumbered);

    const Outcome same = run({"diff", "old.txt", "old.cdd"});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out + same.err, "");

    const Outcome differ = run({"diff", "old.cdd", "moved.txt"});
    EXPECT_EQ(differ.status, 1) << differ.err;
    EXPECT_EQ(differ.err, "");
    EXPECT_EQ(differ.out,
              "changed transponder 1 (12188 MHz vertical, satellite \"Astra 19.2E\" longitude "
              "192): symbolRate 27500 -> 27000\n"
              "moved service 0 \"Caf\xC3\xA9 Radio\" (service id 28107, 12188 MHz vertical, "
              "satellite \"Astra 19.2E\" longitude 192): position 1 -> 0\n");

    const Outcome json = run({"diff", "old.cdd", "moved.txt", "--json"});
    EXPECT_EQ(json.status, 1);
    const auto parsed = ordered_json::parse(json.out, nullptr, false);
    ASSERT_TRUE(parsed.is_object()) << json.out;
    EXPECT_EQ(parsed["counters"], ordered_json::array());
    ASSERT_EQ(parsed["changes"].size(), 2u);
    EXPECT_EQ(parsed["changes"][1]["change"], "moved");
    EXPECT_EQ(parsed["changes"][1]["identity"]["name"], "Caf\u00e9 Radio");
    EXPECT_EQ(run({"diff", "--json", "old.txt", "old.cdd"}).out,
              "{\n  \"counters\": [],\n  \"changes\": []\n}\n");

    const Outcome shifted = run({"diff", "old.txt", "renumbered.txt"});
    EXPECT_EQ(shifted.status, 1);
    EXPECT_NE(
        shifted.out.find("\nchanged satellite 1 \"Astra 19.2E\" (longitude 192): id 0 -> 1\n"),
        std::string::npos)
        << shifted.out;
    EXPECT_EQ(shifted.out.find("removed"), std::string::npos) << shifted.out;
    EXPECT_EQ(shifted.out.find("service"), std::string::npos) << shifted.out;
}

TEST_F(Tool, DiffNamesEveryInputItCannotRead) {
    write("old.txt", kSampleText);
    write("broken.json", "{");
    const Outcome both = run({"diff", "missing.cdd", "broken.json"});
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.out, "");
    const std::string named = "File Format error!\nmissing.cdd: No such file or directory\n"
                              "File Format error!\nbroken.json: not valid JSON";
    EXPECT_EQ(both.err.substr(0, named.size()), named) << both.err;
    const Outcome second = run({"diff", "old.txt", "missing.json"});
    EXPECT_EQ(second.status, 2);
    EXPECT_EQ(second.err, "File Format error!\nmissing.json: No such file or directory\n");
}

TEST_F(Tool, ConvertOnAFullDiskKeepsTheOldOutput) {
    // A small file system of its own, filled up, so the tool meets a really full disk.
    const fs::path disk = work() / "disk";
    corvane::testing::ScopedTmpfs tmpfs(disk, "64k");
    if (!tmpfs.mounted())
        GTEST_SKIP() << "needs root and tmpfs to fill a real file system";
    std::string big = kSampleText;
    for (int i = 0; i < 300; ++i)
        big +=
            "v \"Filler programme name\" 1 1 1 " + std::to_string(i) + " 101 102 101 0 0 0 0\r\n";
    write("big.txt", big);
    write("disk/old.json", "old json");
    write("disk/old.cdd", "old cdd");
    write("disk/filler", std::string(50 * 1024, 'f'));

    const Outcome json = run({"convert", "big.txt", "disk/old.json"});
    const Outcome cdd = run({"convert", "big.txt", "disk/old.cdd"});
    const std::string oldJson = read("disk/old.json");
    const std::string oldCdd = read("disk/old.cdd");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(disk))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    tmpfs.unmount();

    EXPECT_EQ(json.status, 1);
    EXPECT_NE(json.err.find("old.json"), std::string::npos) << json.err;
    EXPECT_EQ(oldJson, "old json");
    EXPECT_EQ(cdd.status, 1);
    EXPECT_NE(cdd.err.find("old.cdd"), std::string::npos) << cdd.err;
    EXPECT_EQ(oldCdd, "old cdd");
    EXPECT_EQ(names, (std::vector<std::string>{"filler", "old.cdd", "old.json"}))
        << "no temporary file may be left behind";
}

// Address space limits cannot be set under AddressSanitizer, which reserves terabytes up front.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Before, both runs read the shared ./test_output.txt and one could take the other's data.
TEST_F(Tool, ParallelBinConversionsInOneFolderEachGetTheirOwnData) {
    std::string other = sampleBin();
    other.replace(42, 8, "Eutelsat");
    other.replace(17422, 3, "ARD");
    write("a.bin", sampleBin());
    write("b.bin", other);
    const std::string expectedB =
        ordered_json::parse(std::string(kSampleBinJson))
            .dump()
            .replace(ordered_json::parse(std::string(kSampleBinJson)).dump().find("Hot Bird"), 8,
                     "Eutelsat");
    const auto parsed = [&](const std::string& name) {
        return ordered_json::parse(read(name), nullptr, false);
    };
    constexpr int kPairs = 100;
    int wrong = 0;
    for (int i = 0; i < kPairs; ++i) {
        const pid_t a = spawn({"convert", "a.bin", "a.json"}, RunOptions::tagged("a"));
        const pid_t b = spawn({"convert", "b.bin", "b.json"}, RunOptions::tagged("b"));
        const Outcome ra = finish(a, "a"), rb = finish(b, "b");
        ASSERT_EQ(ra.status + rb.status, 0) << ra.err << rb.err;
        std::string gotB = parsed("b.json").dump();
        wrong += parsed("a.json") != ordered_json::parse(std::string(kSampleBinJson));
        wrong += gotB.replace(gotB.find("ARD"), 3, "ZDF") != expectedB;
    }
    EXPECT_EQ(wrong, 0) << "of " << 2 * kPairs << " outputs";
    const std::string text = read("test_output.txt");
    EXPECT_TRUE(text.find("Hot Bird") != std::string::npos ||
                text.find("Eutelsat") != std::string::npos)
        << "the work file holds one whole conversion";
}

TEST_F(Tool, InputsPastTheBoundAreRefusedNamingTheFile) {
    // Each reads 256 MiB of zeros; .sdx goes the way .txt goes.
    for (const char* name : {"zero.txt", "zero.cdd", "zero.json", "zero.rs232"})
        fs::create_symlink("/dev/zero", work() / name);
    // A limit far above the bound, so a tool that reads without one dies instead of the machine.
    const RunOptions capped =
        RunOptions::withMemory(kSanitized ? std::nullopt : std::optional<rlim_t>(rlim_t{1} << 30));
    const std::string tooLarge = ": larger than 256 MiB, the most Corvane reads\n";
    EXPECT_EQ(run({"dump", "zero.txt"}, capped).err, "File Format error!\nzero.txt" + tooLarge);
    EXPECT_EQ(run({"dump", "zero.cdd"}, capped).err,
              "File Format error!\nzero.cdd: header is not that of a .cdd file\n");
    EXPECT_EQ(run({"dump", "zero.json"}, capped).err, "File Format error!\nzero.json" + tooLarge);
    const Outcome block = run({"block", "zero.rs232"}, capped);
    EXPECT_EQ(block.status, 1);
    EXPECT_EQ(block.err, "Cannot read zero.rs232" + tooLarge);

    // A .cdd header that claims more than the bound, or a body shorter than the 16 bytes read to
    // find its length, through a pipe that never ends: neither is read on.
    // Under 128 MiB, a read of the 256 MiB bound runs out of memory.
    const RunOptions tight = RunOptions::withMemory(
        kSanitized ? std::nullopt : std::optional<rlim_t>(rlim_t{128} << 20));
    const std::tuple<std::string, std::string, const RunOptions*> headers[] = {
        {std::string("\xF0\0\0\0", 4), tooLarge, &capped},
        {std::string("\0\0\0\2", 4), ": checksum does not match", &tight},
    };
    for (const auto& [length, cause, limit] : headers) {
        const std::string pipe = (work() / "endless.cdd").string();
        std::filesystem::remove(pipe);
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        const pid_t feeder = ::fork();
        if (feeder == 0) {
            const int fd = ::open(pipe.c_str(), O_WRONLY);
            std::string header = kEmptyCdd.substr(0, 16);
            header.replace(5, 4, length);
            const std::string filler(1 << 16, 'x');
            bool open = fd >= 0 && ::write(fd, header.data(), header.size()) > 0;
            while (open)
                open = ::write(fd, filler.data(), filler.size()) > 0;
            ::_exit(0);
        }
        const std::string err = run({"dump", "endless.cdd"}, *limit).err;
        const std::string expected = "File Format error!\nendless.cdd" + cause;
        EXPECT_EQ(err.substr(0, expected.size()), expected);
        ::kill(feeder, SIGKILL);
        ::waitpid(feeder, nullptr, 0);
    }
}

// A list larger than the memory the tool may have: before, std::bad_alloc ended it (exit 134).
TEST_F(Tool, RunningOutOfMemoryIsAMessageAndStatusOne) {
    if (kSanitized)
        GTEST_SKIP() << "AddressSanitizer cannot run under an address space limit";
    std::string big;
    for (int i = 0; big.size() < (std::size_t{40} << 20); ++i)
        big += "v \"Programme " + std::to_string(i) + "\" 1 1 1 " + std::to_string(i) +
               " 101 102 101 0 0 0 0\r\n";
    write("big.txt", big);
    // A finding on every line: printed as found, they fit in far less than the many gigabytes
    // that keeping them all took.
    RunOptions printing = RunOptions::writingTo("/dev/null");
    printing.addressSpace = rlim_t{768} << 20;
    const Outcome fits = run({"check", "big.txt"}, printing);
    EXPECT_EQ(fits.status, 1) << "findings, as no transponder exists: " << fits.err;
    EXPECT_EQ(fits.err, "") << "not out of memory";
    const Outcome starved = run({"dump", "big.txt"}, RunOptions::withMemory(rlim_t{96} << 20));
    EXPECT_EQ(starved.status, 1) << starved.err;
    EXPECT_EQ(starved.out, "");
    EXPECT_TRUE(starved.err == "File Format error!\nbig.txt: not enough memory to read it\n" ||
                starved.err == "corvane-tool: out of memory\n")
        << starved.err;
}

// The README's bound: at most 16 MiB plus 100 bytes per input byte (250 for diff), and never above
// 1,280 MiB.
// Each file is the costliest shape of its format just within the readers' limits: two records
// from every four-byte line, a tree node from every four bytes of XML, a value from every few
// bytes of JSON. Address space is more than the memory used, hence the allowance for the program.
TEST_F(Tool, EveryCommandStaysWithinTheStatedMemoryPerInputByte) {
    if (kSanitized)
        GTEST_SKIP() << "AddressSanitizer cannot run under an address space limit";
    const auto repeat = [](std::string_view piece, std::size_t times) {
        std::string out;
        out.reserve(piece.size() * times);
        for (std::size_t i = 0; i < times; ++i)
            out.append(piece);
        return out;
    };
    std::string keys = "{\"services\": [{";
    for (int i = 0; keys.size() < (std::size_t{24} << 20); ++i)
        keys += "\"k" + std::to_string(i) + "\":0,";
    keys += "\"last\":0}]}";
    const std::pair<const char*, std::string> inputs[] = {
        {"lines.txt", repeat("s\"\"\n", std::size_t{1} << 20)},
        {"nodes.xml",
         "<satellites>" + repeat("<x/>", (std::size_t{1} << 22) - 8) + "</satellites>"},
        {"keys.json", keys},
    };
    for (const auto& [name, bytes] : inputs) {
        write(name, bytes);
        const rlim_t bound =
            std::min<rlim_t>((rlim_t{16} << 20) + 100 * rlim_t{bytes.size()}, rlim_t{1280} << 20);
        for (const char* command : {"check", "dump", "convert"}) {
            SCOPED_TRACE(std::string(command) + " " + name);
            RunOptions limited = RunOptions::writingTo("/dev/null");
            limited.addressSpace = bound + (rlim_t{48} << 20);
            std::vector<std::string> args = {command, name};
            if (std::string_view(command) == "convert")
                args.emplace_back("out.json");
            const Outcome outcome = run(args, limited);
            EXPECT_LT(outcome.status, 128) << "not killed";
            EXPECT_EQ(outcome.err.find("memory"), std::string::npos) << outcome.err;
        }
    }
    // diff holds both lists and every change between them: 250 bytes per byte of its inputs.
    // Here every record differs: antennas only against satellites that bring their own.
    write("antennas.txt", repeat("a\n", std::size_t{1} << 20));
    RunOptions limited = RunOptions::writingTo("/dev/null");
    limited.addressSpace =
        std::min<rlim_t>((rlim_t{16} << 20) + (250 * rlim_t{6} << 20), rlim_t{1280} << 20) +
        (rlim_t{48} << 20);
    const Outcome diff = run({"diff", "--json", "antennas.txt", "lines.txt"}, limited);
    EXPECT_EQ(diff.status, 1) << diff.err;
    EXPECT_EQ(diff.err, "");
}

TEST_F(Tool, ConvertReplacesAnOutputAsItIsAndRefusesAReadOnlyOne) {
    write("sample.txt", kSampleText);
    write("kept.cdd", "old");
    fs::permissions(work() / "kept.cdd", fs::perms(0640));
    EXPECT_EQ(run({"convert", "sample.txt", "kept.cdd"}).status, 0);
    EXPECT_EQ(fs::status(work() / "kept.cdd").permissions(), fs::perms(0640));

    fs::create_directory(work() / "real");
    write("real/target.cdd", "old");
    fs::create_symlink("real/target.cdd", work() / "link.cdd");
    EXPECT_EQ(run({"convert", "sample.txt", "link.cdd"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(work() / "link.cdd"));
    EXPECT_EQ(read("real/target.cdd"), kSampleCdd);

    // As root, who may write anything, read-only means that nobody has write permission.
    write("locked.cdd", "old");
    fs::permissions(work() / "locked.cdd", fs::perms(0444));
    const Outcome locked = run({"convert", "sample.txt", "locked.cdd"});
    EXPECT_EQ(locked.status, 1);
    EXPECT_EQ(locked.err, "Cannot replace \"locked.cdd\": the file is read-only; it is left as it "
                          "was\n");
    EXPECT_EQ(read("locked.cdd"), "old");

    if (::geteuid() != 0)
        return;
    // A user who may change the folder but not root's file in it: a rename would replace it.
    fs::permissions(root_, fs::perms(0755));
    fs::permissions(work(), fs::perms(0777));
    write("roots.json", "old");
    const Outcome notOwner = run({"convert", "sample.txt", "roots.json"}, RunOptions::nobody());
    EXPECT_EQ(notOwner.status, 1) << notOwner.err;
    EXPECT_NE(notOwner.err.find("the file is read-only"), std::string::npos) << notOwner.err;
    EXPECT_EQ(read("roots.json"), "old");
    EXPECT_EQ(run({"convert", "sample.txt", "mine.json"}, RunOptions::nobody()).status, 0);
}

// A large output takes long enough to write that the signal comes while the temporary exists.
TEST_F(Tool, AnInterruptedConvertLeavesNoTemporaryFile) {
    std::string big = kSampleText;
    for (int i = 2; i < 60000; ++i)
        big += "v \"Programme " + std::to_string(i) + "\" 1 1 1 " + std::to_string(i) +
               " 101 102 101 0 0 0 0\r\n";
    write("big.txt", big);
    for (const int signal : {SIGINT, SIGTERM}) {
        write("out.json", "old");
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, work().c_str(), IN_CREATE), 0);
        bool stopped = false;
        for (int attempt = 0; attempt < 10 && !stopped; ++attempt) {
            const pid_t pid = spawn({"convert", "big.txt", "out.json"});
            alignas(inotify_event) char events[4096];
            bool seen = false;
            while (!seen) {
                const ssize_t got = ::read(watch, events, sizeof events);
                ASSERT_GT(got, 0);
                for (ssize_t at = 0; at < got;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                    seen = seen || (event->len > 0 && std::string(event->name).ends_with(".tmp"));
                    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                }
            }
            ::kill(pid, signal);
            const Outcome r = finish(pid);
            stopped = r.status == 128 + signal; // else it finished first: try again
        }
        ::close(watch);
        ASSERT_TRUE(stopped) << "the tool always finished before the signal came";
        EXPECT_EQ(read("out.json"), "old");
        for (const auto& entry : fs::directory_iterator(work()))
            EXPECT_FALSE(entry.path().string().ends_with(".tmp")) << entry.path();
    }
}

TEST_F(Tool, CheckShowsControlBytesOfNamesAsEscapesOnePerLine) {
    std::string json = kSampleJson;
    json.replace(json.find("Astra 19.2E"), 11, "Astra\\nservice 0 \\\"X\\\": forged\\u001b[2J");
    write("forged.json", json);
    const Outcome r = run({"check", "forged.json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "satellite 0 \"Astra\\nservice 0 \"X\": forged\\x1b[2J\": the name is 31 "
                     "characters long; a .cdd file keeps the first 14 (\"Astra\\nservice \")\n");
}

TEST_F(Tool, SmallerUsageFaults) {
    const Outcome unknown = run({"frobnicate", "a.txt"});
    EXPECT_EQ(unknown.status, 2);
    const std::string said =
        "Unknown command \"frobnicate\": the commands are dump, convert, save, check, block, "
        "diff\n";
    EXPECT_EQ(unknown.err.substr(0, said.size()), said);

    write("-x.txt", kSampleText);
    const Outcome dashed = run({"dump", "-x.txt"});
    EXPECT_EQ(dashed.status, 2);
    EXPECT_NE(dashed.err.find("corvane-tool dump -- -x.txt"), std::string::npos) << dashed.err;
    EXPECT_EQ(run({"dump", "--", "-x.txt"}).status, 0);

    // Names that would give hidden files ".cdd" and ".rs232", or a file in a folder's place.
    write("sample.txt", kSampleText);
    fs::create_directory(work() / "sub");
    const auto before = std::distance(fs::directory_iterator(work()), fs::directory_iterator());
    for (const char* out : {"", "sub/", ".", "sub"}) {
        const Outcome refused = run({"save", "sample.txt", out});
        EXPECT_EQ(refused.status, 2) << out << refused.err;
        EXPECT_EQ(std::distance(fs::directory_iterator(work()), fs::directory_iterator()), before);
        EXPECT_TRUE(fs::is_empty(work() / "sub"));
    }

    // A check that cannot read its file must not look like a mistyped command line.
    EXPECT_EQ(run({"check", "missing.txt"}).status, 3);
    EXPECT_EQ(run({"check"}).status, 2);

    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--help"}, {"--version"}, {"dump", "--help"}}) {
        const Outcome full = run(args, RunOptions::writingTo("/dev/full"));
        EXPECT_EQ(full.status, 1) << args.front();
        EXPECT_EQ(full.err, "Cannot write to standard output\n");
    }
}

TEST_F(Tool, ReadsACddThroughANamedPipe) {
    const std::string pipe = (work() / "piped.cdd").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const pid_t feeder = ::fork();
    if (feeder == 0) {
        std::ofstream(pipe, std::ios::binary) << kSampleCdd;
        ::_exit(0);
    }
    const Outcome r = run({"dump", "piped.cdd"});
    ::waitpid(feeder, nullptr, 0);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ordered_json::parse(r.out, nullptr, false), ordered_json::parse(kSampleJson));

    // Nothing writing to it: refused at once instead of waiting for a writer forever.
    const Outcome lonely = run({"dump", "piped.cdd"});
    EXPECT_EQ(lonely.status, 1);
    EXPECT_NE(lonely.err.find("piped.cdd: a named pipe that nothing writes to"), std::string::npos)
        << lonely.err;
}

} // namespace
