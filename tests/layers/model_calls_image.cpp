// Model code may not use the .cdd layer: this must not link against the model library alone.
#include "image/checksum.h"

int main() {
    return static_cast<int>(corvane::crc32(std::string_view("model")) & 1u);
}
