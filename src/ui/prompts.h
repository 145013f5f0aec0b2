#pragma once
// Everything the editor asks or tells the user in a modal window goes through this interface:
// message boxes, Yes/No questions and the file dialogs. The editor uses QtPrompts; tests answer
// with a scripted implementation, so no test ever blocks on a real modal window.

#include "image/database_check.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

class QFileDialog;

namespace corvane {

enum class MessageIcon { None, Information, Exclamation, Error };

// The answer to the question before unsaved changes would be lost.
enum class UnsavedChanges { Save, Discard, Cancel };

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
    // The file-save dialog; it appends `defaultSuffix` (without the dot) to a name typed without
    // one and does not ask about existing files: a Save replaces two, and its caller asks once
    // about both. Empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const QStringList& filters,
                                 const QString& defaultSuffix) = 0;
    // A modal question with Save, Discard and Cancel buttons, Save the default.
    virtual UnsavedChanges askSaveDiscardCancel(QWidget* parent, const QString& text) = 0;
    // The findings of the check before a Save (FindingsDialog); true when the user chooses to
    // save anyway. `show` is called with a finding's index when the user double-clicks it.
    virtual bool saveDespiteFindings(QWidget* parent, const std::vector<Finding>& findings,
                                     const std::function<void(std::size_t)>& show) = 0;
    // A whole number from `minimum` to `maximum`, `value` offered; none when cancelled.
    virtual std::optional<int> askNumber(QWidget* parent, const QString& text, int value,
                                         int minimum, int maximum) = 0;
    // A Yes/No question about a change, with the list of what it would do in `details`.
    virtual bool confirmChange(QWidget* parent, const QString& text, const QString& details) = 0;
};

// The real modal windows.
class EditorSettings;

class QtPrompts final : public UserPrompts {
public:
    // The file dialogs start in the folder they showed last, kept in `settings` (may be null).
    void useSettings(EditorSettings* settings) { settings_ = settings; }

    void message(QWidget* parent, MessageIcon icon, const QString& text,
                 const QString& details = {}) override;
    bool askYesNo(QWidget* parent, MessageIcon icon, const QString& text) override;
    QString openFileName(QWidget* parent, const QStringList& filters) override;
    QString saveFileName(QWidget* parent, const QStringList& filters,
                         const QString& defaultSuffix) override;
    UnsavedChanges askSaveDiscardCancel(QWidget* parent, const QString& text) override;
    bool saveDespiteFindings(QWidget* parent, const std::vector<Finding>& findings,
                             const std::function<void(std::size_t)>& show) override;
    std::optional<int> askNumber(QWidget* parent, const QString& text, int value, int minimum,
                                 int maximum) override;
    bool confirmChange(QWidget* parent, const QString& text, const QString& details) override;

private:
    void startIn(QFileDialog& dialog) const;
    void remember(const QFileDialog& dialog) const;

    EditorSettings* settings_ = nullptr;
};

} // namespace corvane
