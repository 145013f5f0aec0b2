// Base code may not use the model: this must not link against the base library alone.
#include "model/record_name.h"

int main() {
    const corvane::RecordName name{};
    return static_cast<int>(corvane::nameView(name).size());
}
