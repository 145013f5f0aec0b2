// Runs the built imgpack in a scratch folder, as the Save does.

#include "base/bytes.h"
#include "image/cdd_file.h"
#include "image/cdd_test_support.h"
#include "image/data_block.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace corvane {
namespace {

using namespace corvane::testing;
namespace fs = std::filesystem;

struct Ran {
    int status = -1;
    std::string out, err;
};

class Imgpack : public ::testing::Test {
protected:
    Ran run(const std::string& args = "") const {
        const std::string command = "cd '" + dir.file("work") + "' && '" CORVANE_IMGPACK_PATH "' " +
                                    args + " >'" + dir.file("out") + "' 2>'" + dir.file("err") +
                                    "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(dir.file("out")),
                readText(dir.file("err"))};
    }
    fs::path work(const char* name) const { return dir.root() / "work" / name; }
    void SetUp() override { fs::create_directory(dir.file("work")); }

    ScratchDir dir{"imgpack"};
};

TEST_F(Imgpack, WrapsTheCddFileInADefaultDataBlock) {
    const auto encoded = encodeCdd(smallDatabase());
    const std::string cdd(encoded.value.begin(), encoded.value.end());
    writeText(work("RealDefData.cdd"), cdd);
    writeText(work("default_data.bin"), "earlier");
    const Ran ran = run();
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out + ran.err, "");
    DataBlock block;
    ASSERT_TRUE(block.loadDefaultBlock(work("default_data.bin").string()).ok());
    EXPECT_EQ(block.payload, cdd);
    const auto header = inspectBlock(asBytes(readText(work("default_data.bin"))));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->magic, "DLDFDA");
    EXPECT_EQ(header->tagF, "imgpack");
    EXPECT_TRUE(header->payloadLengthMatches());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("work")), fs::directory_iterator()), 2);
}

TEST_F(Imgpack, RefusesAMissingOrInvalidInputAndWritesNothing) {
    std::vector<uint8_t> good = cddPrefix(0);
    appendBe32(good, 0); // no satellites
    good = sealCdd(good);
    std::vector<uint8_t> damaged = good, cut = good;
    damaged[20] ^= 1;
    cut.resize(20);
    const struct {
        std::optional<Bytes> input;
        std::string err;
    } cases[] = {
        {std::nullopt, "RealDefData.cdd: No such file or directory\n"},
        {bytesOf("not a cdd file at all"),
         "RealDefData.cdd: not a .cdd file (its header is not that of one)\n"},
        {cut, "RealDefData.cdd: shorter than its header says (20 of 32 bytes)\n"},
        {damaged, "RealDefData.cdd: checksum does not match (stored 0x"},
    };
    for (const auto& c : cases) {
        fs::remove(work("RealDefData.cdd"));
        if (c.input)
            writeAll(work("RealDefData.cdd").string(), *c.input);
        writeText(work("default_data.bin"), "earlier");
        const Ran ran = run();
        EXPECT_EQ(ran.status, 1) << c.err;
        EXPECT_EQ(ran.err.substr(0, c.err.size()), c.err);
        EXPECT_EQ(readText(work("default_data.bin")), "earlier");
    }
}

TEST_F(Imgpack, HelpAndUsage) {
    const Ran help = run("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"RealDefData.cdd", "default_data.bin", "DLDFDA", "Exit status"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    const Ran usage = run("extra");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("imgpack takes no arguments"), std::string::npos);
    EXPECT_FALSE(fs::exists(work("default_data.bin")));
}

} // namespace
} // namespace corvane
