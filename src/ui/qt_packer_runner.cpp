#include "ui/qt_packer_runner.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

namespace corvane {

Status<PackerEnd> QtPackerRunner::run(const std::string& program, const std::string& folder,
                                      std::chrono::milliseconds timeout) {
    QProcess process;
    process.setProgram(QFile::decodeName(QByteArray::fromStdString(program)));
    process.setWorkingDirectory(QFile::decodeName(QByteArray::fromStdString(folder)));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    deadline.start(timeout);
    process.start();
    // A start that fails at once has already quit the loop before it runs: look first.
    if (process.state() != QProcess::NotRunning || process.error() != QProcess::FailedToStart)
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (process.error() == QProcess::FailedToStart && process.state() == QProcess::NotRunning)
        return Status<PackerEnd>(program).fail(
            PackerEnd::CannotStart, "cannot be started: " + process.errorString().toStdString());
    if (timedOut) {
        process.kill();
        process.waitForFinished(-1);
    }
    const QByteArray errors = process.readAllStandardError();
    const bool crashed = !timedOut && process.exitStatus() == QProcess::CrashExit;
    // QProcess does not say which signal ended it.
    return packerStatus(
        program, timedOut, crashed ? -1 : process.exitCode(), crashed ? -1 : 0,
        std::string_view(errors.constData(), static_cast<std::size_t>(errors.size())), timeout);
}

} // namespace corvane
