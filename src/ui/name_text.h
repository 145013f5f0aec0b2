#pragma once
// Record names as the editor shows them: decoded in the code page chosen in the View menu. Every
// place that shows a name (the lists, the dialogs, find, the check's findings) goes through
// nameText, so they all agree on what a name reads as. Without a codec each byte is the Latin-1
// character of the same value.

#include "formats/name_encoding.h"
#include "model/record_name.h"

#include <QString>

#include <optional>
#include <string_view>

namespace corvane {

// The shown text of the name bytes `raw`; bytes the page does not define show as U+FFFD. A DVB
// table selector is not shown.
QString nameText(const NameCodec* names, std::string_view raw);
inline QString nameText(const NameCodec* names, const RecordName& name) {
    return nameText(names, nameView(name));
}

struct StoredName {
    std::string bytes;
    // When `text` could not be stored: the position and length (in UTF-16 units) of the first
    // character the page cannot hold, and why.
    int refusedAt = -1;
    int refusedLength = 0;
    QString refusal;
};

// `text`, edited from what `original` showed, as the bytes of a name: encoded in the page, cut at
// the last whole character that fits, and keeping the DVB table `original` began with.
StoredName nameBytes(const NameCodec* names, const QString& text, std::string_view original);

} // namespace corvane
