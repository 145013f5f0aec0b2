#include "formats/factory_data.h"

#include "base/bytes.h"
#include "base/file_reader.h"

#include "formats/factory_text_writer.h"
#include "formats/text_reader.h"

#include <optional>
#include <vector>

namespace corvane {
namespace {

constexpr const char* kOpenFailed = "open file failed";
constexpr const char* kInvalid = "\n Factory data fie is invalid. ";
constexpr const char* kWorkFile = "test_output.txt";

// Reads at most one image, into a buffer of its own, so no earlier file shows through.
std::optional<std::string> loadImage(const std::string& path, Messages& messages) {
    FileReader in(path);
    std::string image;
    // A folder opens but cannot be read: to the user that is a file that could not be opened.
    if (!in.read(image, factory::kImageSize)) {
        messages.emplace_back(kOpenFailed);
        return std::nullopt;
    }
    return image;
}

std::optional<factory::Layout> formatFile(std::string& text, const std::string& binPath,
                                          Messages& messages) {
    const auto image = loadImage(binPath, messages);
    if (!image)
        return std::nullopt;
    return factory::formatText(text, asBytes(*image));
}

// Layout A program lines carry no ant_index column, so they must be read without it or every
// service would link to the wrong transponder.
TextReadOptions readOptionsFor(factory::Layout layout) {
    return TextReadOptions{layout == factory::Layout::A ? ServiceColumns::WithoutAntennaIndex
                                                        : ServiceColumns::WithAntennaIndex};
}

bool writeAll(std::FILE* out, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

} // namespace

Status<> writeFactoryText(std::string& text, std::span<const uint8_t> file) {
    text.clear();
    Status<> status;
    if (!factory::formatText(text, file))
        status.fail(Outcome::Failed);
    return status;
}

Status<> writeFactoryText(std::FILE* out, const std::string& binPath) {
    Status<> status(binPath);
    std::string text;
    if (!formatFile(text, binPath, status.messages) || !writeAll(out, text))
        status.fail(Outcome::Failed);
    return status;
}

Status<> convertFactoryData(ChannelDatabase& db, const std::string& binPath) {
    Status<> status(binPath);
    // The work file is created before the input is looked at, so a failed conversion leaves it
    // empty rather than holding an earlier file's text.
    std::FILE* out = std::fopen(kWorkFile, "wb");
    if (out == nullptr)
        return status.fail(Outcome::Failed);
    std::string text;
    const auto layout = formatFile(text, binPath, status.messages);
    if (!layout) {
        std::fclose(out);
        status.messages.emplace_back(kInvalid);
        return status.fail(Outcome::Failed);
    }
    const bool written = writeAll(out, text);
    if (std::fclose(out) != 0 || !written)
        return status.fail(Outcome::Failed);
    // Should the work file vanish before it is read back, the database was not replaced and the
    // conversion must not report success.
    if (!readTextFile(db, kWorkFile, readOptionsFor(*layout)).ok())
        status.fail(Outcome::Failed);
    return status;
}

Status<> convertFactoryBytes(ChannelDatabase& db, std::span<const uint8_t> file) {
    Status<> status;
    std::string text;
    const auto layout = factory::formatText(text, file);
    if (!layout) {
        status.messages.emplace_back(kInvalid);
        return status.fail(Outcome::Failed);
    }
    readTextBytes(db, text, readOptionsFor(*layout));
    return status;
}

} // namespace corvane
