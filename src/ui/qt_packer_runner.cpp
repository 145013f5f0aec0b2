#include "ui/qt_packer_runner.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QKeySequence>
#include <QShortcutEvent>

#include <signal.h>

#include <atomic>
#include <thread>

namespace corvane {
namespace {

bool isQuit(const QKeySequence& keys) {
    return keys == QKeySequence(Qt::CTRL | Qt::Key_Q) ||
           QKeySequence::keyBindings(QKeySequence::Quit).contains(keys);
}

// Drops the user's input to every window of the application while it lives.
class InputSwallower final : public QObject {
public:
    InputSwallower() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputSwallower() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputSwallower(const InputSwallower&) = delete;
    InputSwallower& operator=(const InputSwallower&) = delete;

    bool quitRequested = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        // A key reaches a window as a shortcut override first, then as a shortcut or a press.
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride: {
            const auto* key = static_cast<QKeyEvent*>(event);
            quitRequested = quitRequested || key->key() == Qt::Key_Escape ||
                            isQuit(QKeySequence(key->keyCombination()));
            return true;
        }
        case QEvent::Shortcut:
            quitRequested = quitRequested || isQuit(static_cast<QShortcutEvent*>(event)->key());
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};

} // namespace

Status<PackerEnd> QtPackerRunner::run(const std::string& program, const std::string& folder,
                                      std::chrono::milliseconds timeout) {
    InputSwallower swallower;
    QEventLoop loop;
    Status<PackerEnd> result;
    std::atomic<bool> finished = false;
    std::thread worker([&] {
        // Interrupts are for the window's thread, which removes the temporary files.
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&held, signal);
        ::pthread_sigmask(SIG_BLOCK, &held, nullptr);
        result = core_.run(program, folder, timeout);
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Another quit of nested loops may end this one early; the run goes on until it ends.
    while (!finished)
        loop.exec();
    worker.join();
    quitRequested_ = swallower.quitRequested;
    return result;
}

} // namespace corvane
