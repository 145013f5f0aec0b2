// The editor: one window, whose end ends the program. `corvane FILE` opens FILE at start as the
// Open command would, with the same messages.

#include "ui/application_icon.h"
#include "ui/main_dialog.h"
#include "ui/prompts.h"
#include "ui/record_editors.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.3"));
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
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        parser.showHelp(2);

    corvane::QtPrompts prompts;
    corvane::DialogRecordEditors editors(prompts);
    corvane::MainDialog window(prompts, editors);
    if (!files.isEmpty()) {
        // Once the window is up, so that any message box stands in front of it.
        const QString file = files.front();
        QTimer::singleShot(0, &window, [&window, file] { window.openFile(file); });
    }
    window.exec();
    return 0;
}
