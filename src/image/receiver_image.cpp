#include "image/receiver_image.h"

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "base/child_process.h"
#include "base/file_reader.h"
#include "base/folder_lock.h"
#include "base/message_text.h"
#include "image/cdd_file.h"
#include "image/data_block.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <utility>
#include <vector>

namespace corvane {
namespace {

constexpr std::string_view kTagC = "00000000102";
constexpr std::string_view kTagE = "001";
constexpr std::string_view kImageType = "Extend";
// How much of a word each header slot takes from "config.txt".
constexpr std::array<std::size_t, 3> kWordLimits = {6, 9, 9};
// Enough of the packer's complaint for a message line.
constexpr std::size_t kComplaintLimit = 200;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string join(const std::string& folder, std::string_view name) {
    return (std::filesystem::path(folder) / name).string();
}

// The first line of what the packer wrote to standard error, short and safe enough for a message
// line (the whole end of it is for the editor's message box).
std::string complaintOf(std::string_view errorOutput) {
    const auto first = std::find_if_not(errorOutput.begin(), errorOutput.end(), isSpace);
    const auto end =
        std::find_if(first, errorOutput.end(), [](char c) { return c == '\n' || c == '\r'; });
    return printableText(std::string_view(first, end), kComplaintLimit);
}

std::string seconds(std::chrono::milliseconds span) {
    const auto whole = std::chrono::duration_cast<std::chrono::seconds>(span);
    if (whole == span)
        return std::to_string(whole.count()) + (whole.count() == 1 ? " second" : " seconds");
    return std::to_string(span.count()) + " ms";
}

// Builds the failure of one step of a Save.
class SaveFailure {
public:
    explicit SaveFailure(Result<SavePaths, SaveStep>& result) : result_(result) {}

    Result<SavePaths, SaveStep>& operator()(SaveStep step, const std::string& file,
                                            std::string cause, bool blockFileError = false) {
        result_.file = file;
        result_.fail(step, std::move(cause));
        result_.messages = {detail::joinText("Save failed: ", saveStepName(step))};
        if (blockFileError)
            result_.messages.emplace_back(kBlockFileErrorText);
        return result_;
    }

private:
    Result<SavePaths, SaveStep>& result_;
};

// "config.txt" of the start folder: missing means the defaults; there but unreadable, a link or
// anything but a regular file is a failure, as an image with the default words in place of the
// configured ones (or with words taken from whatever a link names) would pass for right.
// Its text, empty when there is none.
Result<std::string> readConfig(const std::string& path) {
    Result<std::string> config(path);
    auto read = readWholeFile(path, kMaxFileBytes, FileOrigin::Own);
    if (read.code == FileRead::CannotOpen &&
        read.cause == std::make_error_code(std::errc::no_such_file_or_directory).message())
        return config;
    if (!read.ok())
        config.fail(Outcome::Failed, std::move(read.cause));
    else
        config.value = std::move(read.value);
    return config;
}

// The folder a path's file is in, as the path names it.
std::string folderOf(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

} // namespace

ImageWords parseImageWords(std::string_view text) {
    ImageWords words;
    std::array<std::string*, 3> slots = {&words.tagA, &words.tagB, &words.tagD};
    auto at = text.begin();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        at = std::find_if_not(at, text.end(), isSpace);
        if (at == text.end())
            break;
        const auto end = std::find_if(at, text.end(), isSpace);
        std::string_view word(&*at, static_cast<std::size_t>(end - at));
        word = word.substr(0, std::min(word.find('\0'), kWordLimits[i]));
        *slots[i] = word;
        at = end;
    }
    return words;
}

Result<std::string, BlockOutcome> buildReceiverImage(const ImageWords& words,
                                                     std::string_view payload) {
    DataBlock block(false);
    if (Status<BlockOutcome> set =
            block.setHeader(words.tagA, words.tagB, kTagC, words.tagD, kTagE, kImageType, "");
        !set.ok()) {
        Result<std::string, BlockOutcome> refused;
        refused.failWith(set.code, std::move(set));
        return refused;
    }
    block.payload = payload;
    return block.encodeBlock();
}

SavePaths savePaths(const std::string& chosenPath) {
    // Only the file name's extension goes: a '.' in a folder name is part of the folder.
    const std::size_t nameStart = chosenPath.find_last_of('/') + 1;
    const std::size_t dot = chosenPath.find_last_of('.');
    const std::string base =
        dot != std::string::npos && dot >= nameStart ? chosenPath.substr(0, dot) : chosenPath;
    return {base + ".cdd", base + ".rs232"};
}

std::string savePathProblem(const std::string& chosenPath) {
    if (chosenPath.empty())
        return "the name is empty";
    if (chosenPath.back() == '/')
        return "the name ends in '/', so it names a folder, not a file";
    struct stat info {};
    if (::stat(chosenPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return "the name is that of a folder";
    const SavePaths paths = savePaths(chosenPath);
    const std::size_t nameStart = paths.cdd.find_last_of('/') + 1;
    if (paths.cdd.size() - nameStart == std::string_view(".cdd").size())
        return "the name has nothing before its extension";
    return {};
}

std::optional<std::string> PackerRunner::find(const std::string& startDirectory) {
    return findPacker(startDirectory);
}

std::optional<std::string> findPacker(const std::string& startDirectory) {
    return findProgram(std::string(kPackerProgram), {startDirectory, runningProgramFolder()});
}

Status<PackerEnd> packerStatus(const std::string& program, bool timedOut, int exitStatus,
                               int signal, std::string_view errorOutput,
                               std::chrono::milliseconds timeout) {
    Status<PackerEnd> status(program);
    const std::string complaint = complaintOf(errorOutput);
    const std::string said = complaint.empty() ? std::string() : ": " + complaint;
    if (timedOut)
        return status.fail(PackerEnd::TimedOut,
                           "did not finish within " + seconds(timeout) + " and was stopped");
    if (signal != 0)
        return status.fail(PackerEnd::Failed,
                           detail::joinText("was ended by ",
                                            signal > 0 ? "signal " + std::to_string(signal)
                                                       : std::string("a signal"),
                                            said));
    if (exitStatus != 0)
        return status.fail(PackerEnd::Failed,
                           "exited with status " + std::to_string(exitStatus) + said);
    return status;
}

Status<PackerEnd> BlockingPackerRunner::run(const std::string& program, const std::string& folder,
                                            std::chrono::milliseconds timeout) {
    ProgramRun ran = runProgram(program, folder, timeout);
    errorOutput_ = std::move(ran.errorOutput);
    if (ran.end == ProgramEnd::CannotStart)
        return Status<PackerEnd>(program).fail(PackerEnd::CannotStart,
                                               "cannot be started: " + ran.startError.message());
    return packerStatus(program, ran.end == ProgramEnd::TimedOut, ran.exitStatus, ran.signal,
                        errorOutput_, timeout);
}

std::string_view saveStepName(SaveStep step) {
    switch (step) {
    case SaveStep::Ok:
        return "done";
    case SaveStep::NoData:
        return "no satellites";
    case SaveStep::Busy:
        return "another Save is running";
    case SaveStep::WriteDatabase:
        return "writing the channel file";
    case SaveStep::CopyForPacker:
        return "copying the channel file for the image packer";
    case SaveStep::RunPacker:
        return "running the image packer";
    case SaveStep::ReadPackerOutput:
        return "reading the image packer's output";
    case SaveStep::ReadConfig:
        return "reading config.txt";
    case SaveStep::WriteImage:
        return "writing the receiver image";
    }
    return "saving";
}

std::string backupPath(const std::string& path) {
    return path + ".bak";
}

Result<SavePaths, SaveStep> saveDatabase(const ChannelDatabase& db, const std::string& chosenPath,
                                         const std::string& startDirectory, PackerRunner& packer,
                                         const SaveOptions& options) {
    Result<SavePaths, SaveStep> result;
    SaveFailure failed(result);
    FileSystem& fs = options.fileSystem ? *options.fileSystem : systemFileSystem();
    if (db.satelliteCount <= 0) {
        result.fail(SaveStep::NoData);
        result.messages = {std::string(kNoDataToSave)};
        return result;
    }
    if (const std::string problem = savePathProblem(chosenPath); !problem.empty())
        return failed(SaveStep::WriteDatabase, chosenPath, problem);
    const SavePaths paths = savePaths(chosenPath);

    // Held to the end: the pair in the output folder and the work files in the start folder
    // must each come from one Save.
    std::vector<std::unique_ptr<FolderLock>> locks;
    for (const std::string& folder : {folderOf(paths.cdd), startDirectory}) {
        if (!locks.empty() && locks.front()->holds(folder))
            continue;
        auto lock = tryLockFolder(folder);
        if (!lock.ok())
            return failed(lock.code == LockOutcome::Busy ? SaveStep::Busy : SaveStep::WriteDatabase,
                          folder, std::move(lock.cause));
        locks.push_back(std::move(lock.value));
    }

    WriteOptions verified;
    verified.verify = true;
    auto cdd = encodeCdd(db);
    if (!cdd.ok())
        return failed(SaveStep::WriteDatabase, paths.cdd, std::move(cdd.cause));
    auto stagedCdd = stageFile(paths.cdd, cdd.value, verified, fs);
    if (!stagedCdd.ok())
        return failed(SaveStep::WriteDatabase, paths.cdd, std::move(stagedCdd.cause));

    // The work files are put back as they were when a later step fails (the keepers go out of
    // scope unreleased), so a failed Save changes nothing in the start folder either.
    const std::string copyPath = join(startDirectory, kPackerInput);
    auto keptCopy = keepFile(copyPath, fs);
    if (!keptCopy.ok())
        return failed(SaveStep::CopyForPacker, copyPath, std::move(keptCopy.cause));
    // Ours, not the user's: one left read-only by an earlier run must not stop this Save, and a
    // link of that name is replaced rather than followed into whatever it names.
    WriteOptions workFile = verified;
    workFile.replaceReadOnly = true;
    workFile.followLinks = false;
    auto stagedCopy = stageFile(copyPath, cdd.value, workFile, fs);
    if (!stagedCopy.ok())
        return failed(SaveStep::CopyForPacker, copyPath, std::move(stagedCopy.cause));
    if (Status<> placed = stagedCopy.value->commit(); !placed.ok()) {
        if (!stagedCopy.value->inPlace())
            keptCopy.value->release();
        return failed(SaveStep::CopyForPacker, copyPath, std::move(placed.cause));
    }

    const std::string defaultPath = join(startDirectory, kPackerOutput);
    // Copied, not linked: the packer may write its output in place.
    auto keptOutput = keepFile(defaultPath, fs, KeepAs::Copy);
    if (!keptOutput.ok())
        return failed(SaveStep::RunPacker, defaultPath, std::move(keptOutput.cause));
    const std::optional<std::string> program = packer.find(startDirectory);
    if (!program)
        return failed(SaveStep::RunPacker, std::string(kPackerProgram),
                      detail::joinText("not found in the start folder ", startDirectory,
                                       ", beside this program or on the PATH"));
    if (Status<PackerEnd> ran = packer.run(*program, startDirectory, options.packerTimeout);
        !ran.ok())
        return failed(SaveStep::RunPacker, *program, std::move(ran.cause));

    auto packed = readWholeFile(defaultPath, kMaxFileBytes, FileOrigin::Own);
    if (!packed.ok())
        return failed(SaveStep::ReadPackerOutput, defaultPath, std::move(packed.cause), true);
    DataBlock block(false);
    if (!block.decodeBlock(asBytes(packed.value)))
        return failed(SaveStep::ReadPackerOutput, defaultPath, std::string(kNotADefaultBlock));
    // A packer that ended well but left an earlier Save's output must not pass it off as this one.
    if (!std::ranges::equal(asBytes(block.payload), cdd.value))
        return failed(SaveStep::ReadPackerOutput, defaultPath,
                      detail::joinText("does not hold this Save's ", kPackerInput,
                                       "; it is left from an earlier run"));

    const std::string configPath = join(startDirectory, kImageConfig);
    auto config = readConfig(configPath);
    if (!config.ok())
        return failed(SaveStep::ReadConfig, configPath, std::move(config.cause));
    const ImageWords words = parseImageWords(config.value);

    auto built = buildReceiverImage(words, block.payload);
    if (!built.ok())
        return failed(SaveStep::WriteImage, paths.image, std::move(built.cause));
    const std::string& image = built.value;
    const auto header = inspectBlock(asBytes(image));
    if (!header || !header->headerChecksumMatches() || !header->payloadChecksumMatches() ||
        !header->payloadLengthMatches())
        return failed(SaveStep::WriteImage, paths.image, "the image's checksums are wrong");
    WriteOptions replaced = verified;
    replaced.replaceReadOnly = true;
    auto stagedImage = stageFile(paths.image, asBytes(image), replaced, fs);
    if (!stagedImage.ok())
        return failed(SaveStep::WriteImage, paths.image, std::move(stagedImage.cause), true);

    // The old pair is copied out before anything replaces it; the backups it replaces come back
    // when a step below fails.
    std::vector<std::unique_ptr<KeptFile>> earlierBackups;
    if (options.keepBackup) {
        const struct {
            const std::string& saved;
            const std::string& replaced;
            SaveStep step;
        } pair[] = {{paths.cdd, stagedCdd.value->target(), SaveStep::WriteDatabase},
                    {paths.image, stagedImage.value->target(), SaveStep::WriteImage}};
        for (const auto& file : pair) {
            if (fs.kind(file.replaced) != FileKind::Regular)
                continue;
            const std::string backup = backupPath(file.saved);
            auto kept = keepFile(backup, fs);
            if (!kept.ok())
                return failed(file.step, backup, std::move(kept.cause));
            earlierBackups.push_back(std::move(kept.value));
            if (Status<> copied = duplicateFile(file.replaced, backup, fs); !copied.ok())
                return failed(file.step, backup,
                              "the backup cannot be made: " + std::move(copied.cause));
        }
    }

    // Everything is written and checked: the pair goes in place, the image last. Should the image
    // not go in, the earlier .cdd comes back, so the folder never holds a pair of two Saves.
    auto keptCdd = keepFile(stagedCdd.value->target(), fs);
    if (!keptCdd.ok())
        return failed(SaveStep::WriteDatabase, paths.cdd, std::move(keptCdd.cause));
    if (Status<> placed = stagedCdd.value->commit(); !placed.ok()) {
        if (!stagedCdd.value->inPlace())
            keptCdd.value->release(); // nothing replaced it: nothing to put back
        return failed(SaveStep::WriteDatabase, paths.cdd, std::move(placed.cause));
    }
    if (Status<> placed = stagedImage.value->commit(); !placed.ok())
        return failed(SaveStep::WriteImage, paths.image, std::move(placed.cause), true);

    for (const auto& backup : earlierBackups)
        backup->release();
    keptCdd.value->release();
    keptOutput.value->release();
    keptCopy.value->release();
    result.value = paths;
    return result;
}

} // namespace corvane
