#pragma once
// Saving the database as the receiver needs it, for the editor and the tool alike: the .cdd file
// under the chosen name, its copy for the image packer in the start folder, the packer's run, and
// the receiver image (.rs232) built from the packer's output and "config.txt". The image is what
// gets flashed into a whole batch of receivers, so a Save is one transaction: the .cdd and the
// image are written and checked aside, and put in place together (the image last) only once every
// step has worked; a Save that fails leaves every file as it found it, the start folder's work
// files included. Two Saves into one folder, or from one start folder, never run at once.

#include "base/file_system.h"
#include "base/status.h"
#include "image/data_block.h"
#include "model/channel_database.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

inline constexpr std::string_view kPackerProgram = "imgpack";
inline constexpr std::string_view kPackerInput = "RealDefData.cdd";
inline constexpr std::string_view kPackerOutput = "default_data.bin";
inline constexpr std::string_view kImageConfig = "config.txt";
inline constexpr std::chrono::milliseconds kPackerTimeout = std::chrono::seconds(30);
inline constexpr std::string_view kNoDataToSave = "No Data to Save!";

// The three header words of the image that "config.txt" may give.
struct ImageWords {
    std::string tagA = "BLANK_";
    std::string tagB = "BLANK_";
    std::string tagD = "FA190000";
};

// The first three words of a "config.txt", separated by white space, cut to 6, 9 and 9 bytes (and
// at a NUL byte, which would end the word for the receiver too). A missing word keeps its default.
ImageWords parseImageWords(std::string_view text);

// The receiver image: a "KYINFO" block of `payload` with the words and the fixed header values.
// Fails as DataBlock::setHeader does on words that do not fit (parseImageWords' never do).
Result<std::string, BlockOutcome> buildReceiverImage(const ImageWords& words,
                                                     std::string_view payload);

// The two files a Save writes for the name the user chose: the name without the extension of its
// file name (if any), with ".cdd" and with ".rs232".
struct SavePaths {
    std::string cdd;
    std::string image;
};
SavePaths savePaths(const std::string& chosenPath);

// Why `chosenPath` cannot be saved to, before anything is written: it is empty, ends in '/',
// names a folder, or leaves no file name once its extension is cut (".rs232"). Empty when it can.
std::string savePathProblem(const std::string& chosenPath);

// How the packer's run ended.
enum class PackerEnd { Ok, CannotStart, Failed, TimedOut };

// Runs the image packer; the editor waits with its window alive, the tool simply blocks.
class PackerRunner {
public:
    virtual ~PackerRunner() = default;
    // The packer to run for a Save from `startDirectory`; nullopt when there is none.
    virtual std::optional<std::string> find(const std::string& startDirectory);
    // Runs `program` without arguments in `folder` and waits for its end, at most `timeout`,
    // stopping it then. A failure's cause says what happened, with the first line the packer
    // wrote to standard error.
    virtual Status<PackerEnd> run(const std::string& program, const std::string& folder,
                                  std::chrono::milliseconds timeout) = 0;
};

// Waits on the calling thread: the one runner of the packer, which the editor's runs on a thread
// of its own.
class BlockingPackerRunner final : public PackerRunner {
public:
    Status<PackerEnd> run(const std::string& program, const std::string& folder,
                          std::chrono::milliseconds timeout) override;
    // What the last run wrote to standard error: its end, as runProgram keeps it.
    const std::string& errorOutput() const { return errorOutput_; }

private:
    std::string errorOutput_;
};

// The packer in `startDirectory`, else beside the running program, else on the PATH.
std::optional<std::string> findPacker(const std::string& startDirectory);

// A run's status from how it ended: timed out, ended by `signal` (when not 0; negative when the
// signal is not known), or exited with `exitStatus`; `errorOutput` is what it wrote to standard
// error. For runners of every kind.
Status<PackerEnd> packerStatus(const std::string& program, bool timedOut, int exitStatus,
                               int signal, std::string_view errorOutput,
                               std::chrono::milliseconds timeout);

// The step a Save stopped at. Each failure names its file in `file`, says why in `cause`, and
// has the messages a user sees: "Save failed: <step>", then for the data block's own input and
// output failures the block's text, with `detail` the line "file: cause".
enum class SaveStep {
    Ok,
    NoData,           // no satellites; nothing written
    Busy,             // another Save holds the output folder or the start folder
    WriteDatabase,    // the .cdd refused or not written
    CopyForPacker,    // "RealDefData.cdd" in the start folder
    RunPacker,        // not found, not started, failed or timed out
    ReadPackerOutput, // "default_data.bin" missing, invalid or not this Save's
    ReadConfig,       // "config.txt" there but unreadable
    WriteImage,       // the .rs232
};

// What a step is called in messages ("writing the channel file").
std::string_view saveStepName(SaveStep step);

struct SaveOptions {
    std::chrono::milliseconds packerTimeout = kPackerTimeout;
    FileSystem* fileSystem = nullptr; // the system's when null
    // The .cdd and .rs232 that this Save replaces stay as NAME.cdd.bak and NAME.rs232.bak,
    // replacing earlier backups. They are made only once the new pair is ready to go in, and a
    // Save that fails leaves the backups as they were before it.
    bool keepBackup = false;
};

// Where the backup of a saved file goes.
std::string backupPath(const std::string& path);

// The Save: `db` written under `chosenPath` (see savePaths), "RealDefData.cdd" written to
// `startDirectory`, the packer run there, and the image built from its "default_data.bin" and the
// optional "config.txt" there. Returns the two paths written. Never changes the current folder.
// The start folder's files are Corvane's own: a link planted under one of their names is
// replaced, never written through, and "config.txt" and "default_data.bin" are read only as
// regular files.
Result<SavePaths, SaveStep> saveDatabase(const ChannelDatabase& db, const std::string& chosenPath,
                                         const std::string& startDirectory, PackerRunner& packer,
                                         const SaveOptions& options = {});

} // namespace corvane
