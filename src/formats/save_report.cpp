#include "formats/save_report.h"

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "base/file_reader.h"
#include "base/message_text.h"
#include "formats/database_json.h"
#include "formats/text_pdf.h"
#include "image/cdd_file.h"
#include "image/checksum.h"
#include "image/data_block.h"
#include "image/database_check.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace corvane {
namespace {

using Row = std::vector<std::string>;

// One part of the report: a title, the column names and the rows. In the CSV each row starts
// with the part's key, so a spreadsheet can filter by the first column.
struct Table {
    std::string key;
    std::string title;
    Row columns;
    std::vector<Row> rows;
};

std::string hex32(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

std::string position(int32_t longitude) {
    if (longitude < 0 || longitude > 3600)
        return std::to_string(longitude);
    const bool west = longitude > 1800;
    const int32_t tenths = west ? 3600 - longitude : longitude;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + (west ? "W" : "E");
}

std::string fecText(int32_t fec) {
    static constexpr const char* kFec[] = {"auto", "1/2", "2/3", "3/4", "5/6", "7/8", "8/9"};
    return fec >= 0 && fec <= 6 ? kFec[fec] : std::to_string(fec);
}

class NameText {
public:
    explicit NameText(const NameCodec* names) : names_(names) {}
    // The name as the code page shows it, its control characters as escapes.
    std::string operator()(const RecordName& name) const {
        const std::string_view raw = nameView(name);
        return printableText(names_ ? names_->decode(raw).text : latin1ToUtf8(raw));
    }

private:
    const NameCodec* names_;
};

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    return out + "\"";
}

void appendCsvRow(std::string& out, const std::string& key, const Row& row) {
    out.append(csvField(key));
    for (const std::string& cell : row)
        out.append(",").append(csvField(cell));
    out.append("\r\n");
}

std::string csvOf(const std::vector<Table>& tables) {
    std::string out = "\xEF\xBB\xBF";
    for (const Table& t : tables) {
        if (!t.columns.empty())
            appendCsvRow(out, t.key, t.columns);
        for (const Row& row : t.rows)
            appendCsvRow(out, t.key, row);
    }
    return out;
}

// Characters, not bytes, for the columns to line up.
std::size_t width(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::vector<std::string> pdfLinesOf(const std::vector<Table>& tables) {
    std::vector<std::string> lines;
    for (const Table& t : tables) {
        lines.push_back(toWinAnsi(t.title));
        std::vector<std::size_t> widths;
        const auto measure = [&widths](const Row& row) {
            widths.resize(std::max(widths.size(), row.size()));
            for (std::size_t i = 0; i < row.size(); ++i)
                widths[i] = std::max(widths[i], width(row[i]));
        };
        measure(t.columns);
        for (const Row& row : t.rows)
            measure(row);
        const auto format = [&](const Row& row) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i) {
                line.append("  ").append(row[i]);
                if (i + 1 < row.size())
                    line.append(widths[i] - std::min(widths[i], width(row[i])), ' ');
            }
            return toWinAnsi(line);
        };
        if (!t.columns.empty() && !t.rows.empty())
            lines.push_back(format(t.columns));
        for (const Row& row : t.rows)
            lines.push_back(format(row));
        lines.emplace_back();
    }
    return lines;
}

// A finding holds names as their bytes (controls escaped): shown in the code page when the whole
// line decodes in it, else each byte as a Latin-1 character, as the tool's check prints it.
std::string findingText(const Finding& finding, const NameCodec* names) {
    if (names) {
        DecodedName decoded = names->decode(finding.message);
        if (!decoded.lossy && decoded.selector.empty())
            return std::move(decoded.text);
    }
    return latin1ToUtf8(finding.message);
}

std::string codePageText(const NameCodec* names) {
    if (!names)
        return "Latin-1";
    const NameEncoding& e = names->encoding();
    std::string text(pageLabel(e.page));
    if (e.page == NamePage::Dvb)
        text.append(", other names ").append(pageLabel(e.fallback));
    return text;
}

} // namespace

Result<SaveReport> buildSaveReport(const ChannelDatabase& db, const SaveReportInput& input) {
    Result<SaveReport> result;
    const auto refuse = [&](const std::string& file, std::string why) {
        result.file = file;
        result.fail(Outcome::Failed, std::move(why));
        return std::move(result);
    };
    auto cddBytes = readWholeFile(input.saved.cdd);
    if (!cddBytes.ok())
        return refuse(input.saved.cdd, std::move(cddBytes.cause));
    auto imageBytes = readWholeFile(input.saved.image);
    if (!imageBytes.ok())
        return refuse(input.saved.image, std::move(imageBytes.cause));
    ChannelDatabase written;
    if (!readCddBytes(written, asBytes(cddBytes.value)).ok())
        return refuse(input.saved.cdd, "not a sound .cdd file");
    const auto header = inspectBlock(asBytes(imageBytes.value));
    if (!header || !header->headerChecksumMatches() || !header->payloadChecksumMatches() ||
        !header->payloadLengthMatches())
        return refuse(input.saved.image, "the image's checksums are wrong");
    if (std::string_view(imageBytes.value).substr(kBlockHeaderSize) != cddBytes.value)
        return refuse(input.saved.image, "the image does not carry " + input.saved.cdd);

    std::vector<Table> tables;
    tables.push_back({"report",
                      "Corvane save report",
                      {},
                      {{"Saved at", input.savedAt},
                       {"Input file", printableText(input.inputFile)},
                       {"Name code page", codePageText(input.names)},
                       {"Verified", std::string(kReportVerified)}}});
    const auto fileRow = [](const char* role, const std::string& path, const std::string& bytes) {
        return Row{role, printableText(path), std::to_string(bytes.size()), hex32(crc32(bytes))};
    };
    tables.push_back({"file",
                      "Files written",
                      {"role", "path", "bytes", "CRC-32"},
                      {fileRow("channel database", input.saved.cdd, cddBytes.value),
                       fileRow("receiver image", input.saved.image, imageBytes.value)}});
    tables.push_back({"count",
                      "Records written",
                      {"kind", "records"},
                      {{"satellites", std::to_string(written.satellites.size())},
                       {"transponders", std::to_string(written.transponders.size())},
                       {"services", std::to_string(written.services.size())},
                       {"antennas", std::to_string(written.antennas.size())}}});
    Table findings{"finding", "Findings of the check", {"finding"}, {}};
    checkDatabase(db, [&](Finding&& f) { findings.rows.push_back({findingText(f, input.names)}); });
    if (findings.rows.empty())
        findings.title += ": none";
    tables.push_back(std::move(findings));

    const NameText name(input.names);
    Table satellites{"satellite", "Satellites", {"id", "name", "position"}, {}};
    for (const SatelliteRecord& s : written.satellites)
        satellites.rows.push_back({std::to_string(s.id), name(s.name), position(s.longitude)});
    tables.push_back(std::move(satellites));
    Table transponders{"transponder",
                       "Transponders",
                       {"id", "satellite", "MHz", "kS/s", "polarity", "FEC", "antenna"},
                       {}};
    for (const TransponderRecord& t : written.transponders)
        transponders.rows.push_back({std::to_string(t.id), std::to_string(t.satelliteId),
                                     std::to_string(t.frequency), std::to_string(t.symbolRate),
                                     t.polarity == 0 ? "H" : "V", fecText(t.fec),
                                     std::to_string(t.antennaId)});
    tables.push_back(std::move(transponders));
    Table services{"service",
                   "Services (numbers from 1, as the editor shows them)",
                   {"number", "name", "transponder", "service id", "video", "audio", "PCR",
                    "scrambled", "favourites", "lock"},
                   {}};
    for (const ServiceRecord& v : written.services)
        services.rows.push_back({std::to_string(v.number + 1), name(v.name),
                                 std::to_string(v.transponderId), std::to_string(v.serviceId),
                                 std::to_string(v.videoPid), std::to_string(v.audioPid),
                                 std::to_string(v.pcrPid), v.caMode ? "yes" : "no",
                                 std::to_string(v.favorites), v.lock ? "yes" : "no"});
    tables.push_back(std::move(services));

    result.value.csv = csvOf(tables);
    std::vector<std::string> lines = pdfLinesOf(tables);
    lines.emplace_back("Checked and signed: ______________________________   Date: ______________");
    result.value.pdf = textPdf(lines, "Corvane save report");
    return result;
}

std::string reportTimestamp(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char text[40];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local));
}

ReportPaths reportPaths(const std::string& chosen) {
    std::string base = chosen;
    if (base.size() >= 4) {
        std::string tail = base.substr(base.size() - 4);
        std::transform(tail.begin(), tail.end(), tail.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
        if (tail == ".pdf")
            base.resize(base.size() - 4);
    }
    return {base + ".pdf", base + ".csv"};
}

Status<> writeSaveReport(const SaveReport& report, const ReportPaths& paths) {
    Status<> pdf = writeFileAtomically(paths.pdf, report.pdf);
    if (!pdf.ok())
        return pdf;
    return writeFileAtomically(paths.csv, report.csv);
}

} // namespace corvane
