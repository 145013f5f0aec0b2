#include "ui/prompts.h"

#include "ui/editor_settings.h"

#include "ui/findings_dialog.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace corvane {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// The owner's title without its unsaved-changes placeholder.
QString captionFor(QWidget* parent) {
    if (!parent)
        return QApplication::applicationDisplayName();
    return parent->window()->windowTitle().remove(QStringLiteral("[*]"));
}

} // namespace

void QtPrompts::message(QWidget* parent, MessageIcon icon, const QString& text,
                        const QString& details) {
    QMessageBox box(boxIcon(icon), captionFor(parent), text, QMessageBox::Ok, parent);
    box.setInformativeText(details);
    box.exec();
}

bool QtPrompts::askYesNo(QWidget* parent, MessageIcon icon, const QString& text) {
    QMessageBox box(boxIcon(icon), captionFor(parent), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompts::startIn(QFileDialog& dialog) const {
    if (const auto folder = settings_ ? settings_->lastFolder() : std::nullopt)
        dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(*folder)));
}

void QtPrompts::remember(const QFileDialog& dialog) const {
    if (settings_)
        settings_->setLastFolder(
            QFile::encodeName(dialog.directory().absolutePath()).toStdString());
}

QString QtPrompts::openFileName(QWidget* parent, const QStringList& filters) {
    QFileDialog dialog(parent);
    startIn(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    remember(dialog);
    return dialog.selectedFiles().front();
}

QString QtPrompts::saveFileName(QWidget* parent, const QStringList& filters,
                                const QString& defaultSuffix) {
    QFileDialog dialog(parent);
    startIn(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    remember(dialog);
    return dialog.selectedFiles().front();
}

UnsavedChanges QtPrompts::askSaveDiscardCancel(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, captionFor(parent), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return UnsavedChanges::Save;
    case QMessageBox::Discard:
        return UnsavedChanges::Discard;
    default:
        return UnsavedChanges::Cancel;
    }
}

bool QtPrompts::saveDespiteFindings(QWidget* parent, const std::vector<Finding>& findings,
                                    const std::function<void(std::size_t)>& show) {
    FindingsDialog dialog(findings, parent);
    QObject::connect(&dialog, &FindingsDialog::findingActivated, &dialog, show);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<int> QtPrompts::askNumber(QWidget* parent, const QString& text, int value,
                                        int minimum, int maximum) {
    bool ok = false;
    const int number =
        QInputDialog::getInt(parent, captionFor(parent), text, value, minimum, maximum, 1, &ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

bool QtPrompts::confirmChange(QWidget* parent, const QString& text, const QString& details) {
    QMessageBox box(QMessageBox::Question, captionFor(parent), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDetailedText(details);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace corvane
