#include "formats/factory_data.h"

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "base/file_reader.h"

#include "formats/factory_text_writer.h"
#include "formats/text_reader.h"

#include <string>
#include <vector>

namespace corvane {
namespace {

constexpr const char* kOpenFailed = "open file failed";
constexpr const char* kInvalid = "\n Factory data fie is invalid. ";
constexpr const char* kWorkFile = "test_output.txt";

// Reads at most one image, into a buffer of its own, so no earlier file shows through.
Result<std::string> loadImage(const std::string& path) {
    Result<std::string> image(path);
    FileReader in(path);
    // A folder opens but cannot be read: to the user that is a file that could not be opened.
    if (Status<FileRead> read = in.read(image.value, factory::kImageSize); !read.ok()) {
        image.messages.emplace_back(kOpenFailed);
        image.fail(Outcome::Failed, std::move(read.cause));
    }
    return image;
}

// The text and layout of the file at `binPath`, whose bytes stay in `image`; a failure has the
// messages and the cause.
Result<factory::Layout> formatFile(std::string& text, std::string& image,
                                   const std::string& binPath) {
    Result<factory::Layout> formatted(binPath);
    auto loaded = loadImage(binPath);
    if (!loaded.ok()) {
        formatted.failWith(Outcome::Failed, std::move(loaded));
        return formatted;
    }
    image = std::move(loaded.value);
    auto layout = factory::formatText(text, asBytes(image));
    if (!layout.ok())
        formatted.fail(Outcome::Failed, std::move(layout.cause));
    else
        formatted.value = layout.value;
    return formatted;
}

// Layout A program lines carry no ant_index column, so they must be read without it or every
// service would link to the wrong transponder.
TextReadOptions readOptionsFor(factory::Layout layout) {
    return TextReadOptions{layout == factory::Layout::A ? ServiceColumns::WithoutAntennaIndex
                                                        : ServiceColumns::WithAntennaIndex};
}

// The database of an image whose text is good. It is read from a second text with placeholder
// names, then every record gets its stored name: a name may hold '"' or a line feed, which in the
// user's text would hand one program's values to another or lose a line.
void readImage(ChannelDatabase& db, std::span<const uint8_t> file, factory::Layout layout) {
    std::string text;
    factory::StoredNames names;
    (void)factory::formatText(text, file, &names); // a text known to be good
    readTextBytes(db, text, readOptionsFor(layout));
    auto assign = [](auto& records, const std::vector<std::string>& stored) {
        auto name = stored.begin();
        for (auto& record : records)
            if (name != stored.end())
                setName(record.name, *name++);
    };
    assign(db.satellites, names.satellites);
    assign(db.services, names.programs);
}

bool writeAll(std::FILE* out, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

} // namespace

Status<> writeFactoryText(std::string& text, std::span<const uint8_t> file) {
    text.clear();
    return factory::formatText(text, file);
}

Status<> writeFactoryText(std::FILE* out, const std::string& binPath) {
    std::string text;
    std::string image;
    Status<> status = formatFile(text, image, binPath);
    if (status.ok() && !writeAll(out, text))
        status.fail(Outcome::Failed, "the text could not be written");
    return status;
}

Status<> convertFactoryData(ChannelDatabase& db, const std::string& binPath, FileSystem& fs) {
    std::string text;
    std::string image;
    const auto layout = formatFile(text, image, binPath);
    Status<> status = layout;
    if (!layout.ok()) {
        status.messages.emplace_back(kInvalid);
        text.clear(); // a refused file leaves the work file empty, never half a text
    }
    // The work file stays on disk for the user, but the database is read from the text in
    // memory: another conversion in the same folder may replace the file at any moment. Written
    // whole or not at all, and in place of a link of that name, never through it.
    Status<> written = writeFileAtomically(kWorkFile, text, fs, {.followLinks = false});
    if (!written.ok()) {
        // Without its work file the conversion does not start, so the input was never looked at.
        Status<> failed(binPath);
        return failed.failWith(Outcome::Failed, std::move(written));
    }
    if (layout.ok())
        readImage(db, asBytes(image), layout.value);
    return status;
}

Status<> convertFactoryBytes(ChannelDatabase& db, std::span<const uint8_t> file) {
    std::string text;
    const auto layout = factory::formatText(text, file);
    Status<> status = layout;
    if (!layout.ok()) {
        status.messages.emplace_back(kInvalid);
        return status;
    }
    readImage(db, file, layout.value);
    return status;
}

} // namespace corvane
