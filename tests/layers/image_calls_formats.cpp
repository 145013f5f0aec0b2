// Image code may not use the text formats: this must not link against the image library alone.
#include "formats/open_file.h"

int main() {
    return corvane::formatOfPath("x.cdd") == corvane::FileFormat::Cdd ? 0 : 1;
}
