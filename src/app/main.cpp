// The editor: one window, whose end ends the program. `corvane FILE` opens FILE at start as the
// Open command would, with the same messages.

#include "base/interrupt_cleanup.h"
#include "ui/application_icon.h"
#include "ui/editor_settings.h"
#include "ui/main_dialog.h"
#include "ui/prompts.h"
#include "ui/record_editors.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QTimer>

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The arguments that are not options, as the system passed them: a file name is bytes, and text
// made of it would not name the file again when it is not valid in the locale's encoding.
std::vector<std::string> positionalBytes(int argc, char** argv) {
    std::vector<std::string> found;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (optionsEnded || argument.size() < 2 || argument.front() != '-')
            found.emplace_back(argument);
    }
    return found;
}

constexpr const char* kVersion = CORVANE_VERSION;

// Answered before the GUI starts, so that they work without a display.
bool printedHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            return false;
        if (argument == "-h" || argument == "--help" || argument == "-?") {
            std::printf("Usage: %s [options] [file]\n"
                        "Editor for receiver channel lists.\n\n"
                        "Options:\n"
                        "  -h, --help     Displays help on commandline options.\n"
                        "  -v, --version  Displays version information.\n\n"
                        "Arguments:\n"
                        "  file           Channel list to open (.txt, .ftc, .cdd, .bin, .sdx).\n",
                        argv[0]);
            return true;
        }
        if (argument == "-v" || argument == "--version") {
            std::printf("Corvane %s\n", kVersion);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // A Save stopped by a signal must not leave its temporary files or the packer behind. The
    // signals are held while Qt starts its threads, so that they reach only this one, which
    // marks each temporary file before a signal can end the program.
    if (printedHelpOrVersion(argc, argv))
        return std::fflush(stdout) == 0 ? 0 : 1;
    corvane::removeTemporaryFilesOnInterrupt();
    sigset_t interrupts, previous;
    sigemptyset(&interrupts);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&interrupts, signal);
    ::pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QApplication::setWindowIcon(corvane::applicationIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Editor for receiver channel lists."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("Channel list to open (.txt, .ftc, .cdd, .bin, "
                                                ".sdx)."),
                                 QStringLiteral("[file]"));
    parser.process(app);
    if (parser.positionalArguments().size() > 1)
        parser.showHelp(2);
    // QApplication has taken its own options out of argv.
    const std::vector<std::string> files = positionalBytes(argc, argv);

    // ~/.config/Corvane/corvane.conf; a store that cannot be read or written only forgets.
    QSettings store(QStringLiteral("Corvane"), QStringLiteral("corvane"));
    corvane::EditorSettings settings(store);
    corvane::QtPrompts prompts;
    prompts.useSettings(&settings);
    corvane::DialogRecordEditors editors(prompts);
    corvane::MainDialog window(prompts, editors);
    window.useSettings(&settings);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!files.empty()) {
        // Once the window is up, so that any message box stands in front of it.
        const std::string file = files.front();
        QTimer::singleShot(0, &window, [&window, file] { window.openFile(file); });
    }
    window.exec();
    return 0;
}
