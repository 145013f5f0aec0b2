#pragma once
// Texts a reader hands back for the user instead of showing them itself: the editor puts each one
// in a message box, the command-line tool prints them, in the order they were added.

#include <string>
#include <vector>

namespace corvane {

using Messages = std::vector<std::string>;

} // namespace corvane
