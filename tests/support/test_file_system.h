#pragma once
// A FileSystem for tests: the real one underneath, with a disk that fills up after a set number
// of bytes per file and a log of every call in order, so a test can fail a write at any point and
// see that the file is synced before the rename and the folder after it.

#include "base/file_system.h"

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

namespace corvane::testing {

class TestFileSystem final : public FileSystem {
public:
    std::optional<std::size_t> roomPerFile; // a file's bytes beyond this fail as a full disk
    std::error_code syncFolderError;        // what syncing a folder reports
    bool corruptWrites = false;             // every write lands with its first byte flipped
    bool readOnly = false;                  // every existing file is read-only, as for a user
    std::string failRenameTo;               // a rename onto this path fails as a broken disk
    std::vector<std::string> calls;         // "create P", "write P", "chmod P 640", "sync P", ...

    std::unique_ptr<WritableFile> createNew(const std::string& path,
                                            std::error_code& error) override {
        calls.push_back("create " + path);
        auto file = systemFileSystem().createNew(path, error);
        if (!file)
            return nullptr;
        return std::make_unique<File>(*this, path, std::move(file));
    }
    std::optional<unsigned> permissions(const std::string& path) override {
        return systemFileSystem().permissions(path);
    }
    bool isReadOnly(const std::string& path) override {
        return (readOnly && systemFileSystem().permissions(path)) ||
               systemFileSystem().isReadOnly(path);
    }
    std::string linkTarget(const std::string& path, std::error_code& error) override {
        return systemFileSystem().linkTarget(path, error);
    }
    FileKind kind(const std::string& path) override { return systemFileSystem().kind(path); }
    std::error_code rename(const std::string& from, const std::string& to) override {
        calls.push_back("rename " + from + " " + to);
        if (!failRenameTo.empty() && to == failRenameTo)
            return std::make_error_code(std::errc::io_error);
        return systemFileSystem().rename(from, to);
    }
    std::error_code syncFolder(const std::string& folder) override {
        calls.push_back("sync folder " + folder);
        return syncFolderError ? syncFolderError : systemFileSystem().syncFolder(folder);
    }
    void remove(const std::string& path) override {
        calls.push_back("remove " + path);
        systemFileSystem().remove(path);
    }

private:
    class File final : public WritableFile {
    public:
        File(TestFileSystem& fs, std::string path, std::unique_ptr<WritableFile> real)
            : fs_(fs), path_(std::move(path)), real_(std::move(real)) {}
        std::error_code write(std::span<const uint8_t> bytes) override {
            fs_.calls.push_back("write " + path_);
            std::size_t room = bytes.size();
            if (fs_.roomPerFile)
                room = *fs_.roomPerFile > written_ ? *fs_.roomPerFile - written_ : 0;
            const auto fits = bytes.first(std::min(room, bytes.size()));
            std::vector<uint8_t> landed(fits.begin(), fits.end());
            if (fs_.corruptWrites && !landed.empty())
                landed[0] ^= 1;
            if (auto error = real_->write(landed))
                return error;
            written_ += fits.size();
            if (fits.size() < bytes.size())
                return std::make_error_code(std::errc::no_space_on_device);
            return {};
        }
        std::error_code setPermissions(unsigned mode) override {
            char octal[8];
            std::snprintf(octal, sizeof octal, "%o", mode);
            fs_.calls.push_back("chmod " + path_ + " " + octal);
            return real_->setPermissions(mode);
        }
        std::error_code sync() override {
            fs_.calls.push_back("sync " + path_);
            return real_->sync();
        }
        std::error_code close() override {
            fs_.calls.push_back("close " + path_);
            return real_->close();
        }

    private:
        TestFileSystem& fs_;
        std::string path_;
        std::unique_ptr<WritableFile> real_;
        std::size_t written_ = 0;
    };
};

} // namespace corvane::testing
