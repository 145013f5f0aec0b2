#pragma once
// The editor's image packer run: the window keeps repainting and its timers keep running while
// the packer works, but takes no input until it ends, so no command can change the database in
// the middle of a Save. The caller shows the busy cursor.

#include "image/receiver_image.h"

namespace corvane {

class QtPackerRunner final : public PackerRunner {
public:
    Status<PackerEnd> run(const std::string& program, const std::string& folder,
                          std::chrono::milliseconds timeout) override;
};

} // namespace corvane
