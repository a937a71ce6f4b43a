#pragma once
// A Dialogs stand-in for tests: records every box and answers from a script.

#include <QPdfWriter>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>

#include "widgets/dialogs.h"

namespace testing_support {

class ScriptedDialogs : public widgets::Dialogs {
  public:
    struct Shown {
        // "message", "question", "warning", "error", "folder", "save", "preview", "print"
        QString kind;
        QString text;
        QWidget* parent = nullptr;  // the window the box was opened over
    };

    void Message(QWidget* parent, const QString& text) override { Open({"message", text, parent}); }
    widgets::Answer Question(QWidget* parent, const QString& text) override {
        Open({"question", text, parent});
        if (answers.empty()) return widgets::Answer::Yes;
        const widgets::Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool Warning(QWidget* parent, const QString& text) override {
        shown.push_back({"warning", text, parent});
        return Question(nullptr, text) == widgets::Answer::Yes;
    }
    void Error(QWidget* parent, const QString& text) override {
        Open({"error", widgets::WithFullStop(text), parent});
    }
    QString ChooseFolder(QWidget* parent, const QString& title, const QString&) override {
        Open({"folder", title, parent});
        return folders.empty() ? QString() : folders.takeFirst();
    }
    bool OpenDocument(const QUrl& url) override {
        opened << url;
        return canOpen;
    }
    QString ChooseSaveFile(QWidget*, const QString& title, const QString&,
                           const QString&) override {
        shown.push_back({"save", title});
        return saveFiles.empty() ? QString() : saveFiles.takeFirst();
    }
    // The preview's pages go into previewPdf when it is set; duringPreview runs first, as
    // whatever the user might do while a preview is open. Both record the document's name.
    void PrintPreview(QWidget*, const QString& documentName,
                      const widgets::PagePainter& paint) override {
        shown.push_back({"preview", documentName});
        if (duringPreview) duringPreview();
        PaintInto(previewPdf, documentName, paint);
    }
    // Paints into printedPdf; printRefusal stands for a queue that does not take the job.
    widgets::PrintResult PrintOnDefaultPrinter(QWidget*, const QString& documentName,
                                               const widgets::PagePainter& paint,
                                               QString* reason) override {
        shown.push_back({"print", documentName});
        if (!hasPrinter) return widgets::PrintResult::NoPrinter;
        if (!PaintInto(printedPdf, documentName, paint)) {
            *reason = QStringLiteral("无法生成打印内容");
            return widgets::PrintResult::Failed;
        }
        if (!printRefusal.isEmpty()) {
            *reason = printRefusal;
            return widgets::PrintResult::Failed;
        }
        return widgets::PrintResult::Printed;
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
    QStringList saveFiles;
    // Runs while each box is open, as events (a timer, a key) would on screen.
    std::function<void()> whileOpen;
    bool canOpen = true;
    bool hasPrinter = false;
    QString previewPdf;
    QString printedPdf;
    QString printRefusal;
    std::function<void()> duringPreview;

  private:
    static bool PaintInto(const QString& pdf, const QString& documentName,
                          const widgets::PagePainter& paint) {
        QPdfWriter writer(pdf.isEmpty() ? QStringLiteral("/dev/null") : pdf);
        writer.setResolution(150);
        writer.setTitle(documentName);
        return paint(&writer);
    }
    void Open(const Shown& box) {
        shown.push_back(box);
        const OpenBox open;
        if (whileOpen) whileOpen();
    }
};

}  // namespace testing_support
