#pragma once
// The editor's image packer run: the core's runner on a thread of its own while the window's
// event loop goes on, so that the window repaints and its timers run. What the user does with
// mouse and keys meanwhile is dropped, not queued: a click or a key that waited for the run's end
// would act on what the user no longer sees (a second Save, a Delete). A request to end the
// program made by key is remembered for the caller. The caller shows the busy cursor.

#include "image/receiver_image.h"

#include <string>

namespace corvane {

class QtPackerRunner final : public PackerRunner {
public:
    Status<PackerEnd> run(const std::string& program, const std::string& folder,
                          std::chrono::milliseconds timeout) override;
    // What the last run wrote to standard error (its end).
    const std::string& errorOutput() const { return core_.errorOutput(); }
    // Whether Escape or Ctrl+Q was pressed during a run.
    bool quitRequested() const { return quitRequested_; }

private:
    BlockingPackerRunner core_;
    bool quitRequested_ = false;
};

} // namespace corvane
