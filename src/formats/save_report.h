#pragma once
// The sheet a factory signs before a batch is flashed: what a Save wrote, taken from the files
// themselves. Both files are read back; their sizes and CRC-32s, the records the .cdd holds (as
// the receiver gets them, names in the chosen code page) and the findings of the check are set
// out as a CSV for spreadsheets and as a PDF for printing.

#include "base/status.h"
#include "formats/name_encoding.h"
#include "image/receiver_image.h"
#include "model/channel_database.h"

#include <chrono>
#include <string>

namespace corvane {

inline constexpr std::string_view kReportVerified = "The Save read back and verified both files.";

struct SaveReportInput {
    std::string inputFile;            // what the saved data was read from
    SavePaths saved;                  // the .cdd and the receiver image the Save wrote
    std::string savedAt;              // as reportTimestamp gives it
    const NameCodec* names = nullptr; // every byte a Latin-1 character when null
};

struct SaveReport {
    std::string csv; // UTF-8 with a byte order mark, lines ending in CR LF
    std::string pdf;
};

// The report on the Save of `db` (the database in memory, for the check's findings). Fails,
// naming the file, when either saved file cannot be read or is not what a Save writes: a .cdd
// whose checksum does not match, an image whose checksums do not, or whose payload is not
// that .cdd.
Result<SaveReport> buildSaveReport(const ChannelDatabase& db, const SaveReportInput& input);

// "2026-12-09 14:05:31 +0100", in the local time zone.
std::string reportTimestamp(std::chrono::system_clock::time_point when);

// Where a report named `chosen` goes: without a final ".pdf" (any case), then ".pdf" and ".csv".
struct ReportPaths {
    std::string pdf;
    std::string csv;
};
ReportPaths reportPaths(const std::string& chosen);

// Writes both files, each replaced only once it is complete; the status names the one that
// failed.
Status<> writeSaveReport(const SaveReport& report, const ReportPaths& paths);

} // namespace corvane
