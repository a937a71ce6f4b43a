#pragma once
// Every message box, question, warning, error box, folder choice and "open this
// document" of the program goes through here. The program installs the real boxes;
// tests install a scripted stand-in that records texts and answers from a list.

#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QPagedPaintDevice;
class QWidget;

namespace widgets {

enum class Answer { Yes, No, Closed };

// Paints pages (a print preview, a printer); false when they could not be painted.
using PagePainter = std::function<bool(QPagedPaintDevice* device)>;

enum class PrintResult { Printed, NoPrinter, Failed };

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // Plain message: caption "Verimond", the text, OK, no icon.
    virtual void Message(QWidget* parent, const QString& text) = 0;
    // Question: caption "Information", information icon, &Yes (default) and &No; Esc is No.
    virtual Answer Question(QWidget* parent, const QString& text) = 0;
    // Warning: caption "Warning", warning icon, &Yes and Cancel. True only for Yes.
    virtual bool Warning(QWidget* parent, const QString& text) = 0;
    // Error box for failures no operation handles: caption "Verimond", stop icon, OK.
    // The full stop is added here.
    virtual void Error(QWidget* parent, const QString& text) = 0;
    // Folder choice; empty when cancelled.
    virtual QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) = 0;
    // Opens a document or address with the desktop's default program; false when no
    // program could take it.
    virtual bool OpenDocument(const QUrl& url) = 0;
    // Save-as choice, starting at proposed (a full path); empty when cancelled. Does not ask
    // about an existing file: the caller does, in its own words.
    virtual QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& proposed,
                                   const QString& filter) = 0;
    // Shows the pages in a print preview and returns when it is closed. documentName names
    // what is printed from there.
    virtual void PrintPreview(QWidget* parent, const QString& documentName,
                              const PagePainter& paint) = 0;
    // Prints the pages on the default printer, one copy, without a printer dialog, as a
    // job named documentName (the queue's job name and the printed file's title). Failed
    // comes with the reason: the pages could not be made, or the queue did not take them.
    virtual PrintResult PrintOnDefaultPrinter(QWidget* parent, const QString& documentName,
                                              const PagePainter& paint, QString* reason) = 0;

    static Dialogs& Current();
    // Takes ownership; the previous one is destroyed.
    static void Install(std::unique_ptr<Dialogs> dialogs);

    // Held by every box while it is open, so that timers can hold back meanwhile.
    class OpenBox {
      public:
        OpenBox();
        ~OpenBox();
        OpenBox(const OpenBox&) = delete;
        OpenBox& operator=(const OpenBox&) = delete;
    };
    // True while any box of ours, or any other modal window, is open.
    static bool AnyOpen();
};

// The boxes on screen.
class ScreenDialogs : public Dialogs {
  public:
    void Message(QWidget* parent, const QString& text) override;
    Answer Question(QWidget* parent, const QString& text) override;
    bool Warning(QWidget* parent, const QString& text) override;
    void Error(QWidget* parent, const QString& text) override;
    QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) override;
    bool OpenDocument(const QUrl& url) override;
    QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& proposed,
                           const QString& filter) override;
    void PrintPreview(QWidget* parent, const QString& documentName,
                      const PagePainter& paint) override;
    PrintResult PrintOnDefaultPrinter(QWidget* parent, const QString& documentName,
                                      const PagePainter& paint, QString* reason) override;
};

// Error text as the error box shows it: a full stop added unless it ends in one.
QString WithFullStop(const QString& text);

}  // namespace widgets
