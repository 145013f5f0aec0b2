// corvane-tool: the editor's readers and writers for scripts and build pipelines. Every command
// reads its input through the same Open dispatch as the editor, so a file the tool accepts is a
// file the editor accepts, with the same messages when it is not.

#include "block_json.h"
#include "database_diff_output.h"
#include "formats/database_json.h"
#include "formats/name_encoding.h"
#include "formats/save_report.h"
#include "load_database.h"

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "base/interrupt_cleanup.h"
#include "base/message_text.h"
#include "base/user_report.h"
#include "image/cdd_file.h"
#include "image/data_block.h"
#include "image/database_check.h"
#include "image/receiver_image.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace {

using namespace corvane;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kCheckUnreadable = 3;

// A full disk or a closed pipe must not pass for success in a pipeline.
int finishOutput(int status) {
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "Cannot write to standard output\n";
        return kFailed;
    }
    return status;
}

// Reports a failure as the editor does.
template <class Code> void report(const Status<Code>& status) {
    std::cerr << userReport(status).lines();
}

bool load(ChannelDatabase& db, const std::string& path, const NameCodec* jsonNames = nullptr) {
    const Status<> loaded = cli::loadDatabase(db, path, jsonNames);
    report(loaded);
    return loaded.ok();
}

// The names of the JSON read and written, when --encoding gives their code page.
std::optional<NameCodec> namesIn(const std::string& encoding) {
    if (encoding.empty())
        return std::nullopt;
    return NameCodec(*parseNameEncoding(encoding)); // the option's check has parsed it
}

const NameCodec* orNull(const std::optional<NameCodec>& codec) {
    return codec ? &*codec : nullptr;
}

int runDump(const std::string& path, const std::string& encoding) {
    const auto names = namesIn(encoding);
    ChannelDatabase db;
    if (!load(db, path, orNull(names)))
        return kFailed;
    // Written as it is made: the text of a large list is many times the file it came from.
    writeDatabaseJson(
        db,
        [](std::string_view piece) {
            return static_cast<bool>(
                std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size())));
        },
        orNull(names));
    return finishOutput(kOk);
}

int runConvert(const std::string& in, const std::string& out, const std::string& encoding) {
    const auto names = namesIn(encoding);
    ChannelDatabase db;
    if (!load(db, in, orNull(names)))
        return kFailed;
    if (cli::hasExtension(out, ".json")) {
        const Status<> written = writeFileAtomically(out, [&](const PieceWriter& write) {
            return writeDatabaseJson(
                db, [&write](std::string_view piece) { return write(asBytes(piece)); },
                orNull(names));
        });
        report(written);
        return written.ok() ? kOk : kFailed;
    }
    const Status<CddSave> written = writeCddFile(db, out);
    report(written);
    return written.ok() ? kOk : kFailed;
}

// The editor's Save with the current folder as the start folder and OUT as the chosen name.
// After a Save that worked: the sign-off sheet, FILE.pdf and FILE.csv.
int writeReport(const ChannelDatabase& db, const std::string& in, const SavePaths& saved,
                const std::string& reportName, const NameCodec* names) {
    SaveReportInput input{in, saved, reportTimestamp(std::chrono::system_clock::now()), names};
    const auto built = buildSaveReport(db, input);
    if (!built.ok()) {
        std::cerr << "Saved, but the report was not written\n";
        report(built);
        return kFailed;
    }
    const Status<> written = writeSaveReport(built.value, reportPaths(reportName));
    if (!written.ok()) {
        std::cerr << "Saved, but the report was not written\n";
        report(written);
        return kFailed;
    }
    return kOk;
}

int runSave(const std::string& in, const std::string& out, bool keepBackup,
            const std::string& reportName, const std::string& encoding) {
    // A name that would give the hidden files ".cdd" and ".rs232", or land in a folder's place,
    // is a mistake on the command line, not a failed Save.
    if (const std::string problem = savePathProblem(out); !problem.empty()) {
        std::cerr << "corvane-tool save: " << printableText(out) << ": " << problem << '\n';
        return kUsage;
    }
    const auto names = namesIn(encoding);
    ChannelDatabase db;
    if (!load(db, in, orNull(names)))
        return kFailed;
    std::error_code error;
    const std::string start = std::filesystem::current_path(error).string();
    if (error) {
        std::cerr << "Cannot tell the current folder: " << error.message() << '\n';
        return kFailed;
    }
    BlockingPackerRunner packer;
    SaveOptions options;
    options.keepBackup = keepBackup;
    const auto saved = saveDatabase(db, out, start, packer, options);
    report(saved);
    if (!saved.ok())
        return kFailed;
    return reportName.empty() ? kOk : writeReport(db, in, saved.value, reportName, orNull(names));
}

int runCheck(const std::string& path) {
    ChannelDatabase db;
    if (!load(db, path))
        return kCheckUnreadable;
    // Printed as found, so memory does not grow with the number of findings. Names are raw bytes;
    // as everywhere in the tool's output, each byte is one Latin-1 character.
    bool found = false;
    checkDatabase(db, [&](Finding&& finding) {
        found = true;
        std::cout << latin1ToUtf8(finding.message) << '\n';
    });
    return finishOutput(found ? kFailed : kOk);
}

// Both files are read even when the first fails, so that one run names every unreadable input.
int runDiff(const std::string& oldPath, const std::string& newPath, bool asJson) {
    constexpr int kDiffSame = 0, kDiffDiffers = 1, kDiffUnreadable = 2;
    ChannelDatabase oldDb, newDb;
    const bool oldRead = load(oldDb, oldPath);
    if (!load(newDb, newPath) || !oldRead)
        return kDiffUnreadable;
    const DatabaseDiff diff = diffDatabases(oldDb, newDb);
    const auto print = [](std::string_view piece) {
        std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    };
    if (asJson)
        cli::writeDiffJson(diff, print);
    else
        cli::writeDiffText(diff, print);
    return finishOutput(diff.empty() ? kDiffSame : kDiffDiffers);
}

int runBlock(const std::string& path) {
    const auto read = cli::readInputFile(path);
    if (!read.ok()) {
        report(read);
        return kFailed;
    }
    const std::string& bytes = read.value;
    const auto info = inspectBlock(asBytes(bytes));
    if (!info) {
        std::cerr << printableText(path) << ": " << bytes.size() << " bytes, shorter than the "
                  << kBlockHeaderSize << "-byte header of a data block\n";
        return kFailed;
    }
    std::cout << cli::blockInfoToJson(*info).dump(2) << '\n';
    const bool intact = info->headerChecksumMatches() && info->payloadChecksumMatches();
    return finishOutput(intact ? kOk : kFailed);
}

// CLI11 takes a mistyped command for a missing one ("A subcommand is required").
bool reportUnknownCommand(int argc, char** argv, CLI::App& app) {
    if (argc < 2 || argv[1][0] == '-')
        return false;
    std::string names;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        if (command->get_name() == argv[1])
            return false;
        names += (names.empty() ? "" : ", ") + command->get_name();
    }
    std::cerr << "Unknown command " << inQuotes(printableText(argv[1], 40)) << ": the commands are "
              << names << '\n'
              << app.help();
    return true;
}

// A file named "-x.txt" is read as an unknown option, and CLI11 then only says FILE is missing.
void hintAtDoubleDash(int argc, char** argv) {
    std::string_view command;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            return;
        if (command.empty() && arg[0] != '-') {
            command = arg;
            continue;
        }
        // The tool's own options, those with a value taking the next argument.
        if (arg == "--encoding" || arg == "--report") {
            ++i;
            continue;
        }
        if (arg == "--backup" || arg == "--json" || arg.starts_with("--encoding=") ||
            arg.starts_with("--report="))
            continue;
        if (arg.size() > 1 && arg[0] == '-' && arg != "-h" && arg != "--help") {
            std::cerr << "Names starting with \"-\" are taken for options; put \"--\" before "
                         "such a file: corvane-tool "
                      << (command.empty() ? std::string_view("dump") : command) << " -- "
                      << printableText(arg, 40) << '\n';
            return;
        }
    }
}

int run(int argc, char** argv) {
    CLI::App app{
        "Converts, inspects, checks, compares and saves the factory channel data of satellite "
        "receivers, reading every file exactly as the Corvane editor opens it.",
        "corvane-tool"};
    // Set before the commands are added: they copy it when they are created.
    app.failure_message(CLI::FailureMessage::help);
    app.set_version_flag("--version", std::string("corvane-tool ") + CORVANE_VERSION);
    app.require_subcommand(1);
    app.footer("Input files are chosen by extension: .txt .ftc .cdd .bin .sdx .xml (as in the "
               "editor) and .json (as written by dump and convert), and may be at most 256 MiB. "
               "Opening a .bin file leaves test_output.txt in the current directory. Exit status "
               "2 is a usage error, for every command.");

    std::string file;
    std::string output;
    std::string encoding;
    const auto addEncoding = [&encoding](CLI::App* command, const char* what) {
        command
            ->add_option("--encoding", encoding,
                         std::string("Names in JSON are text in this code page: ") +
                             encodingNamesList() + what)
            ->check(CLI::Validator(
                [](const std::string& name) -> std::string {
                    if (parseNameEncoding(name))
                        return {};
                    return "unknown code page " + printableText(name, 40) +
                           "; the code pages are " + encodingNamesList();
                },
                "", "code page"))
            ->type_name("NAME");
    };

    CLI::App* dump = app.add_subcommand("dump", "Print the channel data of FILE as JSON.");
    dump->add_option("FILE", file, "Channel data file")->required();
    addEncoding(dump, ". A name whose bytes are not text in it is written as \"nameBytes\", "
                      "each byte one character, as without this option.");
    dump->footer("Without --encoding every name byte is one Latin-1 character. DVB takes a "
                 "name's character table from the byte it begins with (0x01 to 0x0B, 0x10 and "
                 "two bytes, 0x15 for UTF-8; written in front of the name as \\u00XX) and reads "
                 "the others in Latin-1 or the PAGE after the colon. Exit status: 0 printed; 1 "
                 "FILE cannot be read (the editor's messages go to standard error).");

    CLI::App* convert =
        app.add_subcommand("convert", "Read IN and write its channel data to OUT (.cdd or .json).");
    convert->add_option("IN", file, "Channel data file to read")->required();
    convert->add_option("OUT", output, "File to write; its extension chooses the format")
        ->required()
        ->check(
            [](const std::string& path) -> std::string {
                if (cli::hasExtension(path, ".cdd") || cli::hasExtension(path, ".json"))
                    return {};
                return "OUT must end in .cdd or .json: " + path;
            },
            "OUT ending in .cdd or .json", "OUT extension");
    addEncoding(convert, ", for a JSON IN (as dump --encoding writes it) and a JSON OUT. A "
                         "name that is not edited gives its bytes back unchanged.");
    convert->footer("OUT is replaced only once it is completely written. Exit status: 0 written; "
                    "1 IN cannot be read (a name its code page cannot hold among the causes) or "
                    "OUT cannot hold or take the data (nothing written).");

    CLI::App* save = app.add_subcommand(
        "save", "Save IN as the editor's Save does: OUT's .cdd file and receiver image (.rs232).");
    save->add_option("IN", file, "Channel data file to read")->required();
    save->add_option("OUT", output,
                     "The name chosen for the save; its extension is replaced by .cdd and .rs232")
        ->required();
    bool keepBackup = false;
    save->add_flag(
        "--backup", keepBackup,
        "Keep the OUT.cdd and OUT.rs232 this Save replaces as OUT.cdd.bak and "
        "OUT.rs232.bak (replacing older backups; a failed Save leaves them as they were)");
    std::string reportName;
    save->add_option("--report", reportName,
                     "After the Save, write the sign-off report FILE.pdf and FILE.csv: date and "
                     "time, IN, both files with their sizes and CRC-32, the records written, the "
                     "check's findings and every satellite, transponder and service as written")
        ->type_name("FILE.pdf");
    addEncoding(save, ", for a JSON IN and the names in the report.");
    save->footer(
        "Writes RealDefData.cdd in the current folder, runs the image packer imgpack there "
        "(found in the current folder, beside corvane-tool, then on the PATH; stopped after "
        "30 seconds), builds the receiver image from its default_data.bin and the optional "
        "config.txt in the current folder, and only then puts OUT.cdd and OUT.rs232 in place "
        "together, the image last; a read-only OUT.rs232 is replaced. A Save that fails "
        "leaves OUT.cdd, OUT.rs232 and the current folder's files as they were. A second "
        "Save into the same folder or from the same current folder is refused while one "
        "runs. Prints nothing when it succeeds. With --report, the report follows a Save that "
        "worked; FILE's extension .pdf is optional. Exit status: 0 saved; 1 IN cannot be read, "
        "it has no satellites, another Save is running, or a step failed (named on standard "
        "error; the report's too, after a Save that stands); 2 usage error, OUT among them when it "
        "is empty, ends in '/' or names a "
        "folder.");

    CLI::App* check = app.add_subcommand(
        "check", "List what in FILE would make the receiver's data wrong, one line per finding.");
    check->add_option("FILE", file, "Channel data file")->required();
    check->footer("Exit status: 0 nothing found; 1 findings listed; 3 FILE cannot be read; 2 usage "
                  "error.");

    CLI::App* block =
        app.add_subcommand("block", "Print the header of the data block in FILE as JSON.");
    block->add_option("FILE", file, "Data block file (any magic)")->required();
    block->footer("Exit status: 0 both checksums match; 1 a checksum does not match, or FILE "
                  "cannot be read or is shorter than a block header.");

    std::string newFile;
    bool diffJson = false;
    CLI::App* diff = app.add_subcommand(
        "diff", "List what changed from OLD to NEW, one line per added, removed, changed or "
                "moved record.");
    diff->add_option("OLD", file, "Channel data file before")->required();
    diff->add_option("NEW", newFile, "Channel data file after")->required();
    diff->add_flag("--json", diffJson, "Print the changes as JSON");
    diff->footer("Satellites are matched by position and name, transponders by satellite, "
                 "frequency and polarity, services by transponder, service id and name, antennas "
                 "by id. Exit status: 0 the same; 1 they differ; 2 OLD or NEW cannot be read (as "
                 "for a usage error).");

    if (reportUnknownCommand(argc, argv, app))
        return kUsage;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version are "errors" that exit 0 after printing on standard output.
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success))
            return finishOutput(app.exit(e));
        app.exit(e, std::cout, std::cerr);
        hintAtDoubleDash(argc, argv);
        return kUsage;
    }

    if (*dump)
        return runDump(file, encoding);
    if (*convert)
        return runConvert(file, output, encoding);
    if (*save)
        return runSave(file, output, keepBackup, reportName, encoding);
    if (*check)
        return runCheck(file);
    if (*diff)
        return runDiff(file, newFile, diffJson);
    return runBlock(file);
}

} // namespace

int main(int argc, char** argv) {
    removeTemporaryFilesOnInterrupt();
    // Whatever fails must end in a message and a status, never in an abort.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "corvane-tool: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "corvane-tool: " << printableText(e.what()) << '\n';
    }
    return kFailed;
}
