#pragma once
// UserPrompts for tests: records every message and question in order and answers questions and
// file dialogs from queues the test fills beforehand. An unexpected question fails the test.

#include "ui/prompts.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <deque>
#include <optional>
#include <vector>

namespace corvane::test {

struct Prompt {
    enum class Kind { Message, Question, OpenFile, SaveFile, Findings } kind;
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
    // For the question about unsaved changes; when empty, it takes the next of `answers`, true
    // as Discard and false as Cancel.
    std::deque<UnsavedChanges> unsavedAnswers;
    std::deque<bool> findingAnswers;        // for the check before a Save: true saves anyway
    std::vector<std::size_t> showFindings;  // shown (as if double-clicked) when findings are asked
    std::deque<std::optional<int>> numbers; // for askNumber, in order; none means Cancel

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

    UnsavedChanges askSaveDiscardCancel(QWidget*, const QString& text) override {
        if (unsavedAnswers.empty())
            return askYesNo(nullptr, MessageIcon::Exclamation, text) ? UnsavedChanges::Discard
                                                                     : UnsavedChanges::Cancel;
        seen.push_back({Prompt::Kind::Question, MessageIcon::Exclamation, text, {}, {}, {}});
        const UnsavedChanges answer = unsavedAnswers.front();
        unsavedAnswers.pop_front();
        return answer;
    }
    bool saveDespiteFindings(QWidget*, const std::vector<Finding>& findings,
                             const std::function<void(std::size_t)>& show) override {
        QStringList lines;
        for (const Finding& f : findings)
            lines << QString::fromStdString(f.message);
        seen.push_back(
            {Prompt::Kind::Findings, MessageIcon::None, lines.join(QLatin1Char('\n')), {}, {}, {}});
        for (const std::size_t i : showFindings)
            show(i);
        if (findingAnswers.empty()) {
            ADD_FAILURE() << "unexpected findings: " << lines.join(QLatin1Char('\n')).toStdString();
            return false;
        }
        const bool answer = findingAnswers.front();
        findingAnswers.pop_front();
        return answer;
    }

    std::optional<int> askNumber(QWidget*, const QString& text, int, int minimum,
                                 int maximum) override {
        seen.push_back({Prompt::Kind::Question, MessageIcon::None, text, {}, {}, {}});
        if (numbers.empty()) {
            ADD_FAILURE() << "unexpected number prompt: " << text.toStdString();
            return std::nullopt;
        }
        const std::optional<int> answer = numbers.front();
        numbers.pop_front();
        return answer ? std::optional<int>(std::clamp(*answer, minimum, maximum)) : answer;
    }
    bool confirmChange(QWidget*, const QString& text, const QString& details) override {
        const bool answer = askYesNo(nullptr, MessageIcon::Exclamation, text);
        seen.back().details = details;
        return answer;
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
