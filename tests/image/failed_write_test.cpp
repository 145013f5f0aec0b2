// Writes that fail part-way: whatever the disk does, the file that was there before stays byte for
// byte, no temporary file is left beside it, and the caller hears about the failure.

#include "image/cdd_file.h"
#include "image/data_block.h"
#include "support/test_file_system.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace corvane {
namespace {

namespace fs = std::filesystem;

using testing::readText;
using testing::writeText;

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ChannelDatabase database(int satellites, int transpondersEach, int servicesEach) {
    ChannelDatabase db;
    int32_t tid = 0;
    int32_t number = 0;
    for (int32_t s = 0; s < satellites; ++s) {
        SatelliteRecord sat;
        sat.id = s;
        setName(sat.name, "Satellite " + std::to_string(s));
        db.appendRecord(sat);
        db.addDefaultAntenna();
        for (int k = 0; k < transpondersEach; ++k, ++tid) {
            TransponderRecord t;
            t.id = tid;
            t.satelliteId = s;
            t.frequency = 10700 + tid;
            db.appendRecord(t);
            for (int v = 0; v < servicesEach; ++v) {
                ServiceRecord svc;
                svc.number = number++;
                svc.transponderId = tid;
                svc.videoPid = 100;
                db.appendRecord(svc);
            }
        }
    }
    db.satelliteCount = satellites;
    db.transponderCount = tid;
    db.serviceCount = number;
    return db;
}

class FailedWrite : public ::testing::Test {
protected:
    testing::ScratchDir scratch_{"failed-write"};
    const fs::path dir_ = scratch_.root();
};

const std::string kOldContent = "the file the user saved yesterday";

TEST_F(FailedWrite, CddWriterKeepsTheOldFileAtEveryFailurePoint) {
    const ChannelDatabase db = database(3, 4, 5);
    const auto encoded = encodeCdd(db);
    ASSERT_TRUE(encoded.ok());
    const auto target = dir_ / "channels.cdd";
    const std::size_t size = encoded.value.size();
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{13}, size / 2, size - 1}) {
        writeText(target, kOldContent);
        {
            testing::TestFileSystem disk;
            disk.roomPerFile = n;
            const Status<CddSave> result = writeCddFile(db, target.string(), disk);
            EXPECT_FALSE(result.ok()) << "failing after " << n << " bytes";
            EXPECT_FALSE(result.detail.empty());
        }
        EXPECT_EQ(readText(target), kOldContent) << "failing after " << n << " bytes";
        EXPECT_EQ(entries(dir_), std::vector<std::string>{"channels.cdd"}) << "temporary left";
    }
    // With room for every byte the same call replaces the file.
    testing::TestFileSystem enough;
    enough.roomPerFile = size;
    EXPECT_TRUE(writeCddFile(db, target.string(), enough).ok());
    const std::string written = readText(target);
    EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.end()), encoded.value);
}

TEST_F(FailedWrite, CddWriterReportsAFolderItCannotWriteIn) {
    const ChannelDatabase db = database(1, 1, 1);
    writeText(dir_ / "not-a-folder", kOldContent);
    const Status<CddSave> result = writeCddFile(db, (dir_ / "not-a-folder" / "x.cdd").string());
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.detail.empty());
    const Status<CddSave> missing = writeCddFile(db, (dir_ / "no" / "such" / "x.cdd").string());
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(readText(dir_ / "not-a-folder"), kOldContent);
    EXPECT_EQ(entries(dir_), std::vector<std::string>{"not-a-folder"});
}

TEST_F(FailedWrite, SaveBlockKeepsTheOldFileAtEveryFailurePoint) {
    DataBlock block;
    ASSERT_TRUE(
        block.setHeader("BLANK_", "BLANK_", "00000000102", "FA190000", "001", "Extend", "").ok());
    block.payload = std::string(5000, 'p');
    const std::size_t size = block.encodeBlock().value.size();
    const auto target = dir_ / "image.rs232";
    for (std::size_t n : {std::size_t{0}, std::size_t{81}, std::size_t{82}, size - 1}) {
        writeText(target, kOldContent);
        testing::TestFileSystem disk;
        disk.roomPerFile = n;
        const auto saved = block.saveBlock(target.string(), disk);
        EXPECT_EQ(saved.code, BlockOutcome::FileError) << "failing at " << n << " bytes";
        EXPECT_EQ(saved.messages, Messages{"出错：无法打开输入文件"});
        EXPECT_EQ(readText(target), kOldContent);
        EXPECT_EQ(entries(dir_), std::vector<std::string>{"image.rs232"});
    }
}

TEST_F(FailedWrite, RealFullDiskKeepsTheOldFiles) {
    const fs::path disk = dir_ / "disk";
    const testing::ScopedTmpfs tmpfs(disk, "512k");
    if (!tmpfs.mounted())
        GTEST_SKIP() << "needs root and tmpfs to fill a real file system";
    const auto cddTarget = disk / "channels.cdd";
    const auto blockTarget = disk / "image.rs232";
    writeText(cddTarget, kOldContent);
    writeText(blockTarget, kOldContent);
    // About 14 KiB of free space left: less than either file below needs.
    writeText(disk / "filler", std::string(490 * 1024, 'f'));

    const ChannelDatabase db = database(20, 20, 15); // about 210 KB as a .cdd file
    const Status<CddSave> result = writeCddFile(db, cddTarget.string());
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(readText(cddTarget), kOldContent);

    DataBlock block;
    block.payload = std::string(100 * 1024, 'p');
    EXPECT_EQ(block.saveBlock(blockTarget.string()).code, BlockOutcome::FileError);
    EXPECT_EQ(readText(blockTarget), kOldContent);
    EXPECT_EQ(entries(disk), (std::vector<std::string>{"channels.cdd", "filler", "image.rs232"}));

    // Once there is room again, the same writes go through.
    fs::remove(disk / "filler");
    EXPECT_TRUE(writeCddFile(db, cddTarget.string()).ok());
    EXPECT_TRUE(block.saveBlock(blockTarget.string()).ok());
    EXPECT_EQ(entries(disk), (std::vector<std::string>{"channels.cdd", "image.rs232"}));
}

TEST_F(FailedWrite, ReadOnlyFileSystemIsReported) {
    const fs::path disk = dir_ / "ro";
    const testing::ScopedTmpfs tmpfs(disk, "64k");
    if (!tmpfs.mounted())
        GTEST_SKIP() << "needs root and tmpfs";
    const auto target = disk / "channels.cdd";
    writeText(target, kOldContent);
    ASSERT_TRUE(tmpfs.remountReadOnly());
    const Status<CddSave> result = writeCddFile(database(1, 1, 1), target.string());
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(readText(target), kOldContent);
    EXPECT_EQ(entries(disk), std::vector<std::string>{"channels.cdd"});
}

} // namespace
} // namespace corvane
