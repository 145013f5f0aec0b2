#pragma once
// Drives an edit dialog the way a user does: clicks into fields, retypes them, picks list entries
// with the keyboard and presses the dialog's buttons.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace corvane::test {

template <typename W> W* control(QDialog& dialog, const QString& name) {
    W* w = dialog.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}

inline QLineEdit* field(QDialog& dialog, const QString& name) {
    return control<QLineEdit>(dialog, name);
}

inline QComboBox* list(QDialog& dialog, const QString& name) {
    return control<QComboBox>(dialog, name);
}

// Clicks into the field, selects everything and types `text` over it. Characters beyond Latin-1
// go in as key events carrying their text, as an input method delivers them.
inline void retype(QLineEdit* field, const QString& text) {
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
        QTest::keyClick(field, Qt::Key_Delete);
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text.mid(i, n), Qt::NoModifier);
        i += n - 1;
    }
}

// Moves a drop-down list's selection with the arrow keys, as a user does without opening it.
inline void stepList(QComboBox* list, int steps) {
    list->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < std::abs(steps); ++i)
        QTest::keyClick(list, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
}

inline void click(QDialog& dialog, const QString& button) {
    QTest::mouseClick(control<QPushButton>(dialog, button), Qt::LeftButton);
}

inline void pressOk(QDialog& dialog) {
    click(dialog, QStringLiteral("okButton"));
}

inline void pressCancel(QDialog& dialog) {
    click(dialog, QStringLiteral("cancelButton"));
}

} // namespace corvane::test
