#pragma once
// Drives an edit dialog the way a user does: retypes fields, steps drop-down lists with the arrow
// keys, clicks check boxes and ends the dialog with a button, a key or the close box.

#include "ui/scripted_prompts.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <vector>

namespace corvane::test {

template <typename W = QWidget> W* control(QDialog& dialog, const char16_t* name) {
    W* w = dialog.findChild<W*>(QString::fromUtf16(name));
    EXPECT_NE(w, nullptr) << QString::fromUtf16(name).toStdString();
    return w;
}

// One user action: a text typed over a field, arrow key presses in a list, or a click.
struct Act {
    const char16_t* control;
    QString text;
    int steps = 0;
};
inline Act type(const char16_t* field, const QString& text) {
    return {field, text};
}
inline Act type(const char16_t* field, const char16_t* text) {
    return {field, QString::fromUtf16(text)};
}
inline Act step(const char16_t* list, int steps) {
    return {list, {}, steps};
}
inline Act click(const char16_t* box) {
    return {box, {}};
}

inline void act(QDialog& dialog, const std::vector<Act>& acts) {
    for (const Act& a : acts) {
        QWidget* w = control(dialog, a.control);
        if (qobject_cast<QComboBox*>(w))
            w->setFocus(Qt::TabFocusReason); // as by Tab: a click would open the list
        else
            QTest::mouseClick(w, Qt::LeftButton);
        if (qobject_cast<QLineEdit*>(w)) {
            QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(w, Qt::Key_Delete);
            // One key event per character, carrying its text as input methods deliver it.
            for (qsizetype i = 0; i < a.text.size(); ++i) {
                const qsizetype n = a.text[i].isHighSurrogate() ? 2 : 1;
                QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, a.text.mid(i, n), {});
                i += n - 1;
            }
        }
        for (int i = 0; i < std::abs(a.steps); ++i)
            QTest::keyClick(w, a.steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }
}

enum class End { Ok, Cancel, Enter, Escape, Close };

inline void end(QDialog& dialog, End how) {
    if (how == End::Ok || how == End::Cancel)
        QTest::mouseClick(control(dialog, how == End::Ok ? u"okButton" : u"cancelButton"),
                          Qt::LeftButton);
    else if (how == End::Close)
        dialog.close();
    else // to the focused control, which hands the key on to the dialog
        QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog,
                        how == End::Enter ? Qt::Key_Return : Qt::Key_Escape);
}

template <typename Record> struct Outcome {
    Record record;
    int result;
    QStringList messages;
};

// Shows a `Dialog` for a copy of `record`, acts and ends it as told.
template <typename Dialog, typename Record>
Outcome<Record> edit(Record record, const std::vector<Act>& acts, End how) {
    ScriptedPrompts prompts;
    std::unique_ptr<Dialog> dialog;
    if constexpr (std::is_constructible_v<Dialog, UserPrompts&>)
        dialog = std::make_unique<Dialog>(prompts);
    else
        dialog = std::make_unique<Dialog>();
    EXPECT_EQ(dialog->SetRecord(&record), 0);
    EXPECT_EQ(dialog->GetRecord(), &record);
    dialog->show();
    act(*dialog, acts);
    end(*dialog, how);
    EXPECT_EQ(dialog->isVisible(), !prompts.seen.empty()); // a message keeps the dialog open
    return {record, dialog->result(), prompts.messageTexts()};
}

} // namespace corvane::test
