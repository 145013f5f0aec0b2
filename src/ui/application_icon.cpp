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
    // Every size drawn from the one picture, so that no size is scaled from another.
    QIcon icon;
    for (const int side : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/corvane/corvane-%1.png").arg(side), QSize(side, side));
    return icon;
}

} // namespace corvane
