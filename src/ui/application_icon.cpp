#include "ui/application_icon.h"

// The resources live in a static library: naming their initialiser keeps the linker from dropping
// them. It has to be called from the global namespace.
static void initCorvaneResources() {
    Q_INIT_RESOURCE(corvane);
}

namespace corvane {

QIcon applicationIcon() {
    static const bool registered = (initCorvaneResources(), true);
    (void)registered;
    return QIcon(QStringLiteral(":/corvane/corvane.png"));
}

} // namespace corvane
