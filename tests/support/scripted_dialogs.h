#pragma once
// A Dialogs stand-in for tests: records every box and answers from a script.

#include <QStringList>
#include <QUrl>
#include <deque>

#include "widgets/dialogs.h"

namespace testing_support {

class ScriptedDialogs : public widgets::Dialogs {
  public:
    struct Shown {
        QString kind;  // "message", "question", "warning", "error", "folder"
        QString text;
    };

    void Message(QWidget*, const QString& text) override { shown.push_back({"message", text}); }
    widgets::Answer Question(QWidget*, const QString& text) override {
        shown.push_back({"question", text});
        if (answers.empty()) return widgets::Answer::Yes;
        const widgets::Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool Warning(QWidget*, const QString& text) override {
        shown.push_back({"warning", text});
        return Question(nullptr, text) == widgets::Answer::Yes;
    }
    void Error(QWidget*, const QString& text) override {
        shown.push_back({"error", widgets::WithFullStop(text)});
    }
    QString ChooseFolder(QWidget*, const QString& title, const QString&) override {
        shown.push_back({"folder", title});
        return folders.empty() ? QString() : folders.takeFirst();
    }
    bool OpenDocument(const QUrl& url) override {
        opened << url;
        return true;
    }

    QStringList Texts(const QString& kind = {}) const {
        QStringList texts;
        for (const Shown& s : shown)
            if (kind.isEmpty() || s.kind == kind) texts << s.text;
        return texts;
    }

    std::vector<Shown> shown;
    std::deque<widgets::Answer> answers;
    QStringList folders;
    QList<QUrl> opened;
};

}  // namespace testing_support
