#pragma once
// Everything the editor asks or tells the user in a modal window goes through this interface:
// message boxes, Yes/No questions and the file dialogs. The editor uses QtPrompts; tests answer
// with a scripted implementation, so no test ever blocks on a real modal window.

#include <QString>
#include <QStringList>

class QWidget;

namespace corvane {

enum class MessageIcon { None, Information, Exclamation, Error };

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // A modal message box with one OK button. `details` is shown under `text` (the box's
    // informative text) when it is not empty.
    virtual void message(QWidget* parent, MessageIcon icon, const QString& text,
                         const QString& details = {}) = 0;
    // A modal question with Yes and No buttons; true for Yes.
    virtual bool askYesNo(QWidget* parent, MessageIcon icon, const QString& text) = 0;
    // The file-open dialog with the filters given in Qt's form ("Name (*.a *.b)"), the first one
    // selected. An empty result means the user cancelled.
    virtual QString openFileName(QWidget* parent, const QStringList& filters) = 0;
    // The file-save dialog; it asks before an existing file is replaced and appends
    // `defaultSuffix` (without the dot) to a name typed without one. Empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const QStringList& filters,
                                 const QString& defaultSuffix) = 0;
};

// The real modal windows.
class QtPrompts final : public UserPrompts {
public:
    void message(QWidget* parent, MessageIcon icon, const QString& text,
                 const QString& details = {}) override;
    bool askYesNo(QWidget* parent, MessageIcon icon, const QString& text) override;
    QString openFileName(QWidget* parent, const QStringList& filters) override;
    QString saveFileName(QWidget* parent, const QStringList& filters,
                         const QString& defaultSuffix) override;
};

} // namespace corvane
