#pragma once
// Record names are raw 8-bit bytes. The editor shows each byte as the Latin-1 character of the same
// value, so every byte is visible and comes back unchanged when the text is stored again.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

inline QString textFromNameBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The bytes of `text`, or nothing when a character has no Latin-1 byte.
inline std::optional<std::string> nameBytesFromText(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return std::nullopt;
        bytes.push_back(static_cast<char>(c.unicode()));
    }
    return bytes;
}

} // namespace corvane
