#pragma once
// What a user is told when an operation fails, built in this one place for the tool and the editor
// alike: the system's own texts, in order, then one line naming the file and the cause. The tool
// prints the lines; the editor puts the texts into message boxes with that line under them.

#include "base/status.h"

#include <string>
#include <string_view>

namespace corvane {

struct UserReport {
    Messages texts;    // the system's texts, exactly as they stand
    std::string where; // "file: cause", fit for one line; empty when no cause is known

    // Every text and then `where`, each a line ending in "\n": what the tool prints.
    std::string lines() const;
};

// The report of `messages` and the line `detail`, which holds bytes from the user's files and
// paths and so may hold anything: control bytes and bytes that are not UTF-8 become escapes.
UserReport userReport(const Messages& messages, std::string_view detail);

template <class Code> UserReport userReport(const Status<Code>& status) {
    return userReport(status.messages, status.detail);
}

} // namespace corvane
