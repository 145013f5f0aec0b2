#include "image/receiver_image.h"

#include "base/folder_lock.h"
#include "image/cdd_file.h"
#include "image/cdd_test_support.h"
#include "image/data_block.h"
#include "support/test_file_system.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

namespace corvane {
namespace {

using namespace corvane::testing;
namespace fs = std::filesystem;

std::string hex(const std::string& text) {
    std::istringstream in(text);
    std::string out;
    unsigned value = 0;
    while (in >> std::hex >> value)
        out.push_back(static_cast<char>(value));
    return out;
}

// A database with one satellite counted and no records: its .cdd file is 32 bytes.
const std::string kCdd = hex("26 52 06 24 01 00 00 00 13 00 00 00 01 00 01 00 00 00 00 00 "
                             "00 00 00 00 00 00 00 00 1B DC C6 7C");
// The image header around kCdd, without "config.txt" and with the words Batch7, Line02Box and
// FA1900001.
const std::string kDefaultHeader =
    hex("4B 59 49 4E 46 4F 00 00 00 00  42 4C 41 4E 4B 5F 00  42 4C 41 4E 4B 5F 00 00 00 00 00 "
        "00 00 00 00 00  30 30 30 30 30 30 30 30 31 30 32 00  46 41 31 39 30 30 30 30 00 00 00 "
        "00  30 30 31 00  00  00 00 00 20  AD 34 2D E4  00 00 00 00 00 00 00 00  FC 85 C4 BD");
const std::string kConfigHeader =
    hex("4B 59 49 4E 46 4F 00 00 00 00  42 61 74 63 68 37 00  4C 69 6E 65 30 32 42 6F 78 00 00 "
        "00 00 00 00 00  30 30 30 30 30 30 30 30 31 30 32 00  46 41 31 39 30 30 30 30 31 00 00 "
        "00  30 30 31 00  00  00 00 00 20  AD 34 2D E4  00 00 00 00 00 00 00 00  4D 23 6C 35");

enum class Leaves { Fresh, Nothing, NotABlock };

// Stands in for the packer: leaves in its folder what it is told to and ends as it is told to.
class FakePacker final : public PackerRunner {
public:
    std::optional<std::string> found = "fake-imgpack";
    Leaves leaves = Leaves::Fresh;
    Status<PackerEnd> outcome;
    std::vector<std::string> ranIn;

    std::optional<std::string> find(const std::string&) override { return found; }
    Status<PackerEnd> run(const std::string&, const std::string& folder,
                          std::chrono::milliseconds) override {
        ranIn.push_back(folder);
        DataBlock block;
        block.payload = readText(fs::path(folder) / "RealDefData.cdd");
        if (leaves != Leaves::Nothing)
            writeText(fs::path(folder) / "default_data.bin",
                      block
                          .encodeBlock(leaves == Leaves::Fresh ? BlockMagic::DefaultData
                                                               : BlockMagic::Image)
                          .value);
        return outcome;
    }
};

class Save : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(start);
        fs::create_directory(out);
        db.satelliteCount = 1;
    }
    Result<SavePaths, SaveStep> save(const std::string& chosen, PackerRunner& runner,
                                     const SaveOptions& options = {}) {
        return saveDatabase(db, (out / chosen).string(), start.string(), runner, options);
    }
    std::string file(const fs::path& path) const { return readText(path); }

    ScratchDir dir{"save"};
    const fs::path start = dir.root() / "start";
    const fs::path out = dir.root() / "out.d";
    ChannelDatabase db;
    FakePacker packer;
};

TEST_F(Save, WritesTheCddItsCopyAndTheImageAroundThePackersPayload) {
    const auto here = fs::current_path();
    const auto saved = save("list.rs232", packer);
    ASSERT_TRUE(saved.ok()) << saved.detail;
    EXPECT_EQ(saved.value.cdd, (out / "list.cdd").string());
    EXPECT_EQ(saved.value.image, (out / "list.rs232").string());
    EXPECT_EQ(file(out / "list.cdd"), kCdd);
    EXPECT_EQ(file(start / "RealDefData.cdd"), kCdd);
    EXPECT_EQ(file(out / "list.rs232"), kDefaultHeader + kCdd);
    EXPECT_EQ(packer.ranIn, std::vector<std::string>{start.string()});
    EXPECT_EQ(fs::current_path(), here);

    // The same name typed without an extension, over a read-only image, with "config.txt".
    writeText(start / "config.txt", "Batch7ABC Line02Box77\r\n\tFA1900001X more words");
    ::chmod((out / "list.rs232").c_str(), 0444);
    ASSERT_TRUE(save("list", packer).ok());
    EXPECT_EQ(file(out / "list.rs232"), kConfigHeader + kCdd);
    EXPECT_EQ(fs::status(out / "list.rs232").permissions() & fs::perms::owner_write,
              fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);

    // The packer's copy is a work file, replaced even when read-only; the list the user chose is
    // refused and left as it is, as convert leaves it.
    ::chmod((start / "RealDefData.cdd").c_str(), 0444);
    ::chmod((out / "list.cdd").c_str(), 0444);
    const auto refused = save("list", packer);
    EXPECT_EQ(refused.code, SaveStep::WriteDatabase);
    EXPECT_EQ(refused.cause, "the file is read-only");
    ::chmod((out / "list.cdd").c_str(), 0644);
    EXPECT_TRUE(save("list", packer).ok());
}

TEST(ImageWords, ComeFromTheFirstThreeWordsCutToTheirSlots) {
    const struct {
        std::string text, a, b, d;
    } cases[] = {
        {"ABCDEFGH ABCDEFGHIJKL ABCDEFGHIJ", "ABCDEF", "ABCDEFGHI", "ABCDEFGHI"},
        {"abc def ghi", "abc", "def", "ghi"},
        {" \r\n one\ttwo\n", "one", "two", "FA190000"},
        {"one", "one", "BLANK_", "FA190000"},
        {"", "BLANK_", "BLANK_", "FA190000"},
        {std::string("ab\0cd e f", 9), "ab", "e", "f"},
    };
    for (const auto& c : cases) {
        const ImageWords words = parseImageWords(c.text);
        EXPECT_EQ(words.tagA + "|" + words.tagB + "|" + words.tagD, c.a + "|" + c.b + "|" + c.d)
            << c.text;
    }
}

// Words set by hand rather than parsed may not fit: the image is refused, never built with the
// tags that setHeader left alone.
TEST(ImageWords, ThatDoNotFitRefuseTheImage) {
    ImageWords words;
    const auto image = buildReceiverImage(words, "abc");
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.value.substr(10, 6), "BLANK_");
    words.tagB = std::string(16, 'b');
    const auto refused = buildReceiverImage(words, "abc");
    EXPECT_EQ(refused.code, BlockOutcome::TagTooLong);
    EXPECT_EQ(refused.messages, Messages{"error argument length"});
}

TEST(SavePaths, ReplaceOnlyTheFileNamesExtension) {
    for (const auto& [chosen, base] :
         std::vector<std::pair<std::string, std::string>>{{"/d/list.rs232", "/d/list"},
                                                          {"/d/list.cdd", "/d/list"},
                                                          {"/d/list", "/d/list"},
                                                          {"/d/list.x.rs232", "/d/list.x"},
                                                          {"/d.v2/list", "/d.v2/list"},
                                                          {"list.rs232", "list"}}) {
        const SavePaths paths = savePaths(chosen);
        EXPECT_EQ(paths.cdd, base + ".cdd") << chosen;
        EXPECT_EQ(paths.image, base + ".rs232") << chosen;
    }
}

TEST_F(Save, EachFailingStepStopsWithItsMessageAndLeavesEveryFileAsItWas) {
    const std::string cdd = (out / "list.cdd").string(), image = (out / "list.rs232").string();
    const std::string copy = (start / "RealDefData.cdd").string();
    const std::string output = (start / "default_data.bin").string();
    TestFileSystem disk;
    std::unique_ptr<FolderLock> otherSave;
    const struct {
        const char* name;
        std::function<void()> setUp;
        SaveStep step;
        std::string detail; // the start of it
        bool blockText;
    } cases[] = {
        {"no satellites", [&] { db.satelliteCount = 0; }, SaveStep::NoData, "", false},
        {"saving into the folder",
         [&] { otherSave = std::move(tryLockFolder(out.string()).value); }, SaveStep::Busy,
         out.string() + ": another Save into this folder is running", false},
        {"saving from the start folder",
         [&] { otherSave = std::move(tryLockFolder(start.string()).value); }, SaveStep::Busy,
         start.string() + ": another Save into this folder is running", false},
        {"refused", [&] { db.satellites.append({.id = 300}); }, SaveStep::WriteDatabase,
         cdd + ": Cannot save satellite 300", false},
        {"read back wrong", [&] { disk.corruptWrites = true; }, SaveStep::WriteDatabase,
         cdd + ": what was read back differs from what was written", false},
        {"copy", [&] { fs::remove(copy), fs::create_directory(copy); }, SaveStep::CopyForPacker,
         copy + ": Is a directory", false},
        {"no packer", [&] { packer.found.reset(); }, SaveStep::RunPacker,
         "imgpack: not found in the start folder " + start.string() +
             ", beside this program or on the PATH",
         false},
        {"packer failed",
         [&] { packer.outcome.fail(PackerEnd::Failed, "exited with status 1: no input"); },
         SaveStep::RunPacker, "fake-imgpack: exited with status 1: no input", false},
        {"no output",
         [&] {
             packer.leaves = Leaves::Nothing;
             fs::remove(output);
         },
         SaveStep::ReadPackerOutput, output + ": No such file or directory", true},
        {"stale output",
         [&] {
             packer.leaves = Leaves::Nothing;
             DataBlock earlier;
             earlier.payload = "an earlier save";
             writeText(output, earlier.encodeBlock(BlockMagic::DefaultData).value);
         },
         SaveStep::ReadPackerOutput,
         output + ": does not hold this Save's RealDefData.cdd; it is left from an earlier run",
         false},
        {"not a block", [&] { packer.leaves = Leaves::NotABlock; }, SaveStep::ReadPackerOutput,
         output + ": not a valid DLDFDA data block", false},
        {"config unreadable", [&] { fs::create_directory(start / "config.txt"); },
         SaveStep::ReadConfig, (start / "config.txt").string() + ": Is a directory", false},
        {"image unwritable", [&] { disk.roomPerFile = 100; }, SaveStep::WriteImage,
         image + ": No space left on device", true},
        {"cdd not renamed", [&] { disk.failRenameTo = cdd; }, SaveStep::WriteDatabase,
         cdd + ": Input/output error", false},
        // The .cdd is in place by then: it must go back, or the pair would be of two Saves.
        {"image not renamed", [&] { disk.failRenameTo = image; }, SaveStep::WriteImage,
         image + ": Input/output error", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const fs::path& folder : {start, out}) {
            fs::remove_all(folder);
            fs::create_directory(folder);
        }
        writeText(cdd, "old cdd");
        writeText(copy, "old copy");
        writeText(image, "old image");
        writeText(output, "old output");
        writeText(cdd + ".bak", "older cdd");
        writeText(image + ".bak", "older image");
        otherSave.reset();
        db = ChannelDatabase();
        db.satelliteCount = 1;
        packer = FakePacker();
        disk = TestFileSystem();
        c.setUp();
        const std::string outputBefore = file(output);
        const auto entries = [](const fs::path& folder) {
            std::set<std::string> names;
            for (const auto& entry : fs::directory_iterator(folder))
                names.insert(entry.path().filename().string());
            return names;
        };
        const auto startBefore = entries(start);
        SaveOptions options;
        options.fileSystem = &disk;
        options.keepBackup = true;
        const auto saved = save("list.rs232", packer, options);
        EXPECT_EQ(saved.code, c.step);
        Messages expected = {c.step == SaveStep::NoData
                                 ? std::string("No Data to Save!")
                                 : "Save failed: " + std::string(saveStepName(c.step))};
        if (c.blockText)
            expected.emplace_back(kBlockFileErrorText);
        EXPECT_EQ(saved.messages, expected);
        EXPECT_EQ(saved.detail.substr(0, c.detail.size()), c.detail);
        EXPECT_EQ(file(image), "old image");
        EXPECT_EQ(file(cdd), "old cdd");
        if (fs::is_regular_file(copy)) {
            EXPECT_EQ(file(copy), "old copy");
        }
        EXPECT_EQ(file(output), outputBefore);
        EXPECT_EQ(file(cdd + ".bak"), "older cdd");
        EXPECT_EQ(file(image + ".bak"), "older image");
        EXPECT_EQ(entries(out), (std::set<std::string>{"list.cdd", "list.rs232", "list.cdd.bak",
                                                       "list.rs232.bak"}));
        EXPECT_EQ(entries(start), startBefore);
    }
}

TEST_F(Save, KeepsThePairItReplacesAsBackupsWhenAsked) {
    SaveOptions backup;
    backup.keepBackup = true;
    const fs::path cdd = out / "list.cdd", image = out / "list.rs232";
    // No pair yet: nothing to keep.
    ASSERT_TRUE(save("list", packer, backup).ok());
    EXPECT_FALSE(fs::exists(out / "list.cdd.bak"));

    writeText(cdd, "old cdd");
    writeText(image, "old image");
    ::chmod(image.c_str(), 0444);
    writeText(out / "list.rs232.bak", "older image");
    ASSERT_TRUE(save("list", packer, backup).ok());
    EXPECT_EQ(file(out / "list.cdd.bak"), "old cdd");
    EXPECT_EQ(file(out / "list.rs232.bak"), "old image");
    EXPECT_EQ(file(image), kDefaultHeader + kCdd);

    // Unasked, the backups stay as the first Save left them.
    writeText(cdd, "changed");
    ASSERT_TRUE(save("list", packer).ok());
    EXPECT_EQ(file(out / "list.cdd.bak"), "old cdd");
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 4);

    // A backup that cannot be replaced stops the Save before anything is replaced.
    fs::remove(out / "list.rs232.bak");
    fs::create_directory(out / "list.rs232.bak");
    writeText(cdd, "kept");
    EXPECT_EQ(save("list", packer, backup).code, SaveStep::WriteImage);
    EXPECT_EQ(file(cdd), "kept");
    EXPECT_EQ(file(out / "list.cdd.bak"), "old cdd");
}

// Files of fixed names in the start folder, planted as links, pipes or folders: never a way to
// write or read another file, never a wait, and a failure leaves the user's files alone.
TEST_F(Save, TheStartFoldersFilesAreItsOwnWhateverIsPlantedUnderTheirNames) {
    fs::copy_file(CORVANE_IMGPACK_PATH, start / "imgpack");
    BlockingPackerRunner runner;
    const fs::path victim = dir.root() / "victim";
    enum class Plant { LinkToReadOnlyFile, DanglingLink, Pipe, Folder };
    const struct {
        const char* name;
        Plant plant;
        SaveStep step; // Ok when the Save goes through, replacing what was planted
        std::string cause;
    } cases[] = {
        {"RealDefData.cdd", Plant::LinkToReadOnlyFile, SaveStep::Ok, ""},
        {"RealDefData.cdd", Plant::DanglingLink, SaveStep::Ok, ""},
        {"RealDefData.cdd", Plant::Pipe, SaveStep::CopyForPacker, "it is not a regular file"},
        {"RealDefData.cdd", Plant::Folder, SaveStep::CopyForPacker, "Is a directory"},
        {"default_data.bin", Plant::LinkToReadOnlyFile, SaveStep::Ok, ""},
        {"default_data.bin", Plant::DanglingLink, SaveStep::Ok, ""},
        {"default_data.bin", Plant::Pipe, SaveStep::RunPacker, "it is not a regular file"},
        {"default_data.bin", Plant::Folder, SaveStep::RunPacker, "Is a directory"},
        {"config.txt", Plant::LinkToReadOnlyFile, SaveStep::ReadConfig,
         "it is a symbolic link, and Corvane reads its own files only as they are"},
        {"config.txt", Plant::DanglingLink, SaveStep::ReadConfig,
         "it is a symbolic link, and Corvane reads its own files only as they are"},
        {"config.txt", Plant::Pipe, SaveStep::ReadConfig, "not a regular file"},
        {"config.txt", Plant::Folder, SaveStep::ReadConfig, "Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(static_cast<int>(c.plant)));
        for (const char* name : {"RealDefData.cdd", "default_data.bin", "config.txt"})
            fs::remove_all(start / name);
        fs::remove_all(victim);
        writeText(out / "list.cdd", "old cdd");
        writeText(out / "list.rs232", "old image");
        const fs::path planted = start / c.name;
        switch (c.plant) {
        case Plant::LinkToReadOnlyFile:
            writeText(victim, "root:x:0:0");
            fs::permissions(victim, fs::perms::owner_read);
            fs::create_symlink(victim, planted);
            break;
        case Plant::DanglingLink:
            fs::create_symlink(victim, planted);
            break;
        case Plant::Pipe:
            ASSERT_EQ(::mkfifo(planted.c_str(), 0600), 0);
            break;
        case Plant::Folder:
            fs::create_directory(planted);
            break;
        }
        const auto saved = save("list", runner);
        EXPECT_EQ(saved.code, c.step) << saved.detail;
        EXPECT_EQ(saved.cause, c.cause);
        if (c.plant == Plant::LinkToReadOnlyFile) {
            EXPECT_EQ(file(victim), "root:x:0:0");
            EXPECT_EQ(fs::status(victim).permissions(), fs::perms::owner_read);
        } else {
            EXPECT_FALSE(fs::exists(victim));
        }
        if (saved.ok()) {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(planted)));
            EXPECT_EQ(file(out / "list.rs232").substr(kBlockHeaderSize), file(out / "list.cdd"));
        } else {
            EXPECT_EQ(file(out / "list.cdd"), "old cdd");
            EXPECT_EQ(file(out / "list.rs232"), "old image");
            EXPECT_EQ(fs::symlink_status(planted).type(),
                      c.plant == Plant::Pipe     ? fs::file_type::fifo
                      : c.plant == Plant::Folder ? fs::file_type::directory
                                                 : fs::file_type::symlink);
        }
    }
}

TEST(SavePathProblem, RefusesNamesThatAreNoFile) {
    ScratchDir dir;
    for (const std::string& name : {std::string(), dir.path() + "/", dir.path(), dir.file(".rs232"),
                                    std::string("."), std::string("..")})
        EXPECT_FALSE(savePathProblem(name).empty()) << name;
    EXPECT_EQ(savePathProblem(dir.file("list")), "");
    EXPECT_EQ(savePathProblem(dir.file(".hidden.rs232")), "");
}

void packerScript(const fs::path& folder, const std::string& body) {
    writeText(folder / "imgpack", "#!/bin/sh\n" + body + "\n");
    fs::permissions(folder / "imgpack", fs::perms::owner_all);
}

TEST_F(Save, RunsTheRealPackerFoundInTheStartFolder) {
    fs::copy_file(CORVANE_IMGPACK_PATH, start / "imgpack");
    db = smallDatabase();
    BlockingPackerRunner runner;
    const auto saved = save("list", runner);
    ASSERT_TRUE(saved.ok()) << saved.detail;
    const std::string written = file(out / "list.cdd");
    EXPECT_EQ(file(out / "list.rs232").substr(kBlockHeaderSize), written);
    DataBlock packed;
    ASSERT_TRUE(packed.loadDefaultBlock((start / "default_data.bin").string()).ok());
    EXPECT_EQ(packed.payload, written);

    packerScript(start, "echo 'RealDefData.cdd: broken\nmore' >&2; exit 4");
    EXPECT_EQ(save("list", runner).detail,
              (start / "imgpack").string() + ": exited with status 4: RealDefData.cdd: broken");
}

} // namespace
} // namespace corvane
