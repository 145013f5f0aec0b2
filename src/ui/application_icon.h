#pragma once
// The application's own icon, compiled into the program.

#include <QIcon>

namespace corvane {

QIcon applicationIcon();

} // namespace corvane
