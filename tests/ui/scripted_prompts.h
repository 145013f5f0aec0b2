#pragma once
// UserPrompts for tests: records every message and question in order and answers questions and
// file dialogs from queues the test fills beforehand. An unexpected question fails the test.

#include "ui/prompts.h"

#include <gtest/gtest.h>

#include <QString>

#include <deque>
#include <vector>

namespace corvane::test {

struct Prompt {
    enum class Kind { Message, Question, OpenFile, SaveFile } kind;
    MessageIcon icon = MessageIcon::None;
    QString text;
    QString details;       // informative text of a message
    QStringList filters;   // file dialogs
    QString defaultSuffix; // save dialog
};

class ScriptedPrompts final : public UserPrompts {
public:
    std::vector<Prompt> seen;
    std::deque<bool> answers;      // for askYesNo, in order
    std::deque<QString> fileNames; // for both file dialogs, in order; "" means Cancel

    void message(QWidget*, MessageIcon icon, const QString& text,
                 const QString& details = {}) override {
        seen.push_back({Prompt::Kind::Message, icon, text, details, {}, {}});
    }
    bool askYesNo(QWidget*, MessageIcon icon, const QString& text) override {
        seen.push_back({Prompt::Kind::Question, icon, text, {}, {}, {}});
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString openFileName(QWidget*, const QStringList& filters) override {
        seen.push_back({Prompt::Kind::OpenFile, MessageIcon::None, {}, {}, filters, {}});
        return nextFileName();
    }
    QString saveFileName(QWidget*, const QStringList& filters,
                         const QString& defaultSuffix) override {
        seen.push_back({Prompt::Kind::SaveFile, MessageIcon::None, {}, {}, filters, defaultSuffix});
        return nextFileName();
    }

    // The texts of the messages shown so far, in order.
    QStringList messageTexts() const {
        QStringList texts;
        for (const Prompt& p : seen)
            if (p.kind == Prompt::Kind::Message)
                texts << p.text;
        return texts;
    }

private:
    QString nextFileName() {
        if (fileNames.empty()) {
            ADD_FAILURE() << "unexpected file dialog";
            return {};
        }
        QString name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};

} // namespace corvane::test
