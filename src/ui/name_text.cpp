#include "ui/name_text.h"

#include "ui/latin1.h"

namespace corvane {

QString nameText(const NameCodec* names, std::string_view raw) {
    if (!names)
        return textFromNameBytes(raw);
    const DecodedName decoded = names->decode(raw);
    return QString::fromUtf8(decoded.text.data(), static_cast<qsizetype>(decoded.text.size()));
}

StoredName nameBytes(const NameCodec* names, const QString& text, std::string_view original) {
    StoredName stored;
    if (!names) {
        for (qsizetype i = 0; i < text.size(); ++i)
            if (text[i].unicode() > 0xFF) {
                stored.refusedAt = static_cast<int>(i);
                stored.refusedLength = text[i].isHighSurrogate() ? 2 : 1;
                stored.refusal = QStringLiteral(
                    "names are stored as single bytes: only Latin-1 characters can be used");
                return stored;
            }
        stored.bytes = *nameBytesFromText(text);
        return stored;
    }
    const std::string selector = names->encoding().page == NamePage::Dvb
                                     ? std::string(original.substr(0, dvbSelectorLength(original)))
                                     : std::string();
    const QByteArray utf8 = text.toUtf8();
    const Result<EncodedName> encoded = names->encode(
        {utf8.constData(), static_cast<std::size_t>(utf8.size())}, selector, kMaxNameLength);
    if (encoded.ok()) {
        stored.bytes = encoded.value.bytes;
        return stored;
    }
    stored.refusal =
        QString::fromUtf8(encoded.cause.data(), static_cast<qsizetype>(encoded.cause.size()));
    // The refused character is the first one that cannot be encoded on its own; a text refused
    // as a whole (a table byte in front) selects its first character.
    stored.refusedAt = 0;
    stored.refusedLength = text.isEmpty() ? 0 : (text[0].isHighSurrogate() ? 2 : 1);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray one = text.mid(i, length).toUtf8();
        if (!names
                 ->encode({one.constData(), static_cast<std::size_t>(one.size())}, selector,
                          kMaxNameLength)
                 .ok()) {
            stored.refusedAt = static_cast<int>(i);
            stored.refusedLength = static_cast<int>(length);
            break;
        }
        i += length;
    }
    return stored;
}

} // namespace corvane
