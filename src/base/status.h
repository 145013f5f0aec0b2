#pragma once
// How an operation of the core ended, in one shape for every reader and writer: a code the caller
// can branch on, the file it worked on, and for a failure the cause and the texts a user must see.
// The core never shows anything itself: userReport (base/user_report.h) turns a status into what
// the editor's message boxes and the command-line tool tell the user.

#include "base/message_text.h"

#include <string>
#include <utility>
#include <vector>

namespace corvane {

// The system's own texts for the user ("File Format error!"), in the order they are shown.
using Messages = std::vector<std::string>;

// The code of an operation that either works or does not.
enum class Outcome { Ok, Failed };

// `Code` is an enumeration with an enumerator `Ok`; where callers rely on an operation's integer
// results, the enumeration keeps those values.
template <class Code = Outcome> struct [[nodiscard]] Status {
    Code code = Code::Ok;
    std::string file;   // the file read or written, as the caller named it; empty for memory
    std::string cause;  // why it failed, without the file name; empty when nothing more is known
    int line = 0;       // the 1-based line of the file the cause is at; 0 when none applies
    Messages messages;  // what the user is told, in order; empty on success
    std::string detail; // one line naming the file and the cause; empty when no cause is known

    Status() = default;
    // The status of an operation on `onFile`, successful until marked otherwise.
    explicit Status(std::string onFile) : file(std::move(onFile)) {}
    explicit Status(Code c, std::string onFile = {}) : code(c), file(std::move(onFile)) {}

    bool ok() const { return code == Code::Ok; }

    // Marks the operation failed without saying why.
    Status& fail(Code failure) {
        code = failure;
        return *this;
    }
    // Marks the operation failed with `why`, told as "file: why" (just `why` without a file).
    Status& fail(Code failure, std::string why) { return failAt(failure, 0, std::move(why)); }
    // The same at line `atLine` of the file: "file:line: why", or "line N: why" without a file.
    Status& failAt(Code failure, int atLine, std::string why) {
        code = failure;
        line = atLine;
        cause = std::move(why);
        std::string where = file;
        if (line > 0)
            where = corvane::detail::joinText(where, where.empty() ? "line " : ":",
                                              std::to_string(line));
        detail = where.empty() ? cause : corvane::detail::joinText(where, ": ", cause);
        return *this;
    }
    // Marks it failed with a cause that an established text tells in words of its own.
    Status& fail(Code failure, std::string why, std::string told) {
        code = failure;
        cause = std::move(why);
        detail = std::move(told);
        return *this;
    }
    // Takes over the cause and texts of an inner operation that failed, under this one's `failure`.
    template <class Inner> Status& failWith(Code failure, Status<Inner>&& inner) {
        code = failure;
        if (file.empty())
            file = std::move(inner.file);
        cause = std::move(inner.cause);
        line = inner.line;
        detail = std::move(inner.detail);
        messages.insert(messages.end(), std::make_move_iterator(inner.messages.begin()),
                        std::make_move_iterator(inner.messages.end()));
        return *this;
    }
};

// A Status with what the operation produced; `value` is meaningful only when ok().
template <class T, class Code = Outcome> struct [[nodiscard]] Result : Status<Code> {
    using Status<Code>::Status;
    T value{};
};

} // namespace corvane
