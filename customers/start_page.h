#pragma once
// The start page in the right half of the customer window: a light page view instead of
// a browser. The online address is the SysSet row "startpage"; when it is missing or
// empty nothing is asked of the network. Otherwise the page is fetched once in the
// background and shown only if it arrives in time carrying the expected title; until
// then, and whenever it does not, the local copy djclientlogin.htm is shown. Nothing
// here ever waits on the network or asks for a page twice. The online page loads nothing
// besides itself (no local file, no other host); its links open in the desktop's browser.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTextBrowser;

namespace customers {

class StartPage : public QObject {
    Q_OBJECT
  public:
    enum class Shown { Nothing, Local, LocalMissing, Online };

    StartPage(QTextBrowser* view, QObject* parent);

    static QString ExpectedTitle();
    // djclientlogin.htm in the current directory.
    static QString LocalFile();
    // The online address as set up by the studio; empty when none is.
    static QString AddressFromSettings();

    // Shows the local copy, then asks for address (when it is an http or https address)
    // and shows it if it comes within timeoutMs with the expected title.
    void Navigate(const QString& address, int timeoutMs = 4000);

    Shown shown() const { return shown_; }
    bool askedNetwork() const { return askedNetwork_; }

  signals:
    // The online page was shown, refused or given up on; not sent when none was asked for.
    void settled();

  private:
    void ShowLocal();
    void Finished(QNetworkReply* reply);

    QTextBrowser* view_;
    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> reply_;
    QUrl base_;  // what relative links of the page shown are resolved against
    Shown shown_ = Shown::Nothing;
    bool askedNetwork_ = false;
};

// The title of an HTML page, as the page view reads it.
QString HtmlTitle(const QString& html);
// A page's bytes as text: the charset of the reply header, else of the page, else UTF-8.
QString DecodePage(const QByteArray& bytes, const QByteArray& contentType);

}  // namespace customers
