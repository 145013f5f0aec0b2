#include "image/receiver_image.h"

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "base/child_process.h"
#include "base/file_reader.h"
#include "base/message_text.h"
#include "image/cdd_file.h"
#include "image/data_block.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <stdexcept>
#include <utility>

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

// "config.txt" of the start folder: missing means the defaults; there but unreadable is a failure,
// as an image with the default words in place of the configured ones would pass for right.
std::optional<std::string> readConfig(const std::string& path, std::string& text) {
    FileReader reader(path);
    if (!reader.isOpen() && reader.error() == std::errc::no_such_file_or_directory)
        return std::nullopt;
    if (!reader.isOpen() || !reader.read(text, kMaxFileBytes))
        return reader.error().message();
    if (reader.hasMore())
        return tooLargeCause();
    return std::nullopt;
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

std::string buildReceiverImage(const ImageWords& words, std::string_view payload) {
    DataBlock block(false);
    block.setHeader(words.tagA, words.tagB, kTagC, words.tagD, kTagE, kImageType, "");
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
    const SavePaths paths = savePaths(chosenPath);
    WriteOptions verified;
    verified.verify = true;

    auto cdd = encodeCdd(db);
    if (!cdd.ok())
        return failed(SaveStep::WriteDatabase, paths.cdd, std::move(cdd.cause));
    if (Status<> written = writeFileAtomically(paths.cdd, cdd.value, verified, fs); !written.ok())
        return failed(SaveStep::WriteDatabase, paths.cdd, std::move(written.cause));

    const std::string copyPath = join(startDirectory, kPackerInput);
    // Ours, not the user's: one left read-only by an earlier run must not stop this Save.
    WriteOptions workCopy = verified;
    workCopy.replaceReadOnly = true;
    if (Status<> copied = writeFileAtomically(copyPath, cdd.value, workCopy, fs); !copied.ok())
        return failed(SaveStep::CopyForPacker, copyPath, std::move(copied.cause));

    const std::optional<std::string> program = packer.find(startDirectory);
    if (!program)
        return failed(SaveStep::RunPacker, std::string(kPackerProgram),
                      detail::joinText("not found in the start folder ", startDirectory,
                                       ", beside this program or on the PATH"));
    if (Status<PackerEnd> ran = packer.run(*program, startDirectory, options.packerTimeout);
        !ran.ok())
        return failed(SaveStep::RunPacker, *program, std::move(ran.cause));

    const std::string defaultPath = join(startDirectory, kPackerOutput);
    DataBlock block(false);
    try {
        if (!block.loadDefaultBlock(defaultPath))
            return failed(SaveStep::ReadPackerOutput, defaultPath,
                          "not a valid DLDFDA data block (magic or checksum wrong)");
    } catch (const BlockFileError& e) {
        return failed(SaveStep::ReadPackerOutput, defaultPath, e.cause(), true);
    }
    // A packer that ended well but left an earlier Save's output must not pass it off as this one.
    if (!std::ranges::equal(asBytes(block.payload), cdd.value))
        return failed(SaveStep::ReadPackerOutput, defaultPath,
                      detail::joinText("does not hold this Save's ", kPackerInput,
                                       "; it is left from an earlier run"));

    const std::string configPath = join(startDirectory, kImageConfig);
    std::string configText;
    if (auto unreadable = readConfig(configPath, configText))
        return failed(SaveStep::ReadConfig, configPath, std::move(*unreadable));
    const ImageWords words = parseImageWords(configText);

    std::string image;
    try {
        image = buildReceiverImage(words, block.payload);
    } catch (const std::invalid_argument& e) {
        return failed(SaveStep::WriteImage, paths.image, e.what());
    }
    const auto header = inspectBlock(asBytes(image));
    if (!header || !header->headerChecksumMatches() || !header->payloadChecksumMatches() ||
        !header->payloadLengthMatches())
        return failed(SaveStep::WriteImage, paths.image, "the image's checksums are wrong");
    WriteOptions replaced = verified;
    replaced.replaceReadOnly = true;
    if (Status<> written = writeFileAtomically(paths.image, asBytes(image), replaced, fs);
        !written.ok())
        return failed(SaveStep::WriteImage, paths.image, std::move(written.cause), true);

    result.value = paths;
    return result;
}

} // namespace corvane
