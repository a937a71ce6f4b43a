#include "customers/start_page.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

#include "data/records.h"
#include "settings/studio_settings.h"
#include "widgets/dialogs.h"

namespace customers {
namespace {

// A start page is a few kilobytes; anything far larger is not the page we want.
constexpr qint64 kMaxPageBytes = 4 * 1024 * 1024;

// What a refused resource is given instead: something, so that nothing further down
// (the document, the image handler) goes and reads the file by its name itself.
QVariant Nothing(int type) {
    if (type == QTextDocument::ImageResource) {
        QImage blank(1, 1, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        return blank;
    }
    return QString();
}

// The page view's document: the online page loads nothing besides itself (no local file,
// no other host); the local copy only files of its own folder.
class PageDocument : public QTextDocument {
  public:
    using QTextDocument::QTextDocument;

    // Files below folder may be loaded; with an empty folder, none.
    void AllowFolder(const QString& folder) {
        folder_ = folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
    }

  protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (name.scheme() == QLatin1String("data") || Allowed(name))
            return QTextDocument::loadResource(type, name);
        return Nothing(type);
    }

  private:
    bool Allowed(const QUrl& name) const {
        if (folder_.isEmpty() || !name.isLocalFile()) return false;
        const QString file = QFileInfo(name.toLocalFile()).canonicalFilePath();
        return file.startsWith(folder_ + QLatin1Char('/'));
    }

    QString folder_;
};

PageDocument* DocumentOf(QTextBrowser* view) {
    return static_cast<PageDocument*>(view->document());
}

}  // namespace

QString HtmlTitle(const QString& html) {
    PageDocument document;  // reading the title loads nothing the page names
    document.setHtml(html);
    return document.metaInformation(QTextDocument::DocumentTitle);
}

QString DecodePage(const QByteArray& bytes, const QByteArray& contentType) {
    const QRegularExpression charset(QStringLiteral("charset\\s*=\\s*\"?([A-Za-z0-9._-]+)"),
                                     QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = charset.match(QString::fromLatin1(contentType));
    if (match.hasMatch()) {
        QStringDecoder decoder(match.captured(1).toLatin1().constData());
        if (decoder.isValid()) return decoder.decode(bytes);
    }
    if (const auto encoding = QStringConverter::encodingForHtml(bytes))
        return QStringDecoder(*encoding).decode(bytes);
    return QString::fromUtf8(bytes);
}

StartPage::StartPage(QTextBrowser* view, QObject* parent) : QObject(parent), view_(view) {
    view_->setOpenLinks(false);
    view_->setSearchPaths({});
    view_->setDocument(new PageDocument(view_));
    // Links leave the program: the desktop's browser opens web addresses, nothing else.
    connect(view_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        const QUrl target = url.isRelative() ? base_.resolved(url) : url;
        const QString scheme = target.scheme().toLower();
        if (target.isValid() &&
            (scheme == QLatin1String("https") || scheme == QLatin1String("http")))
            widgets::Dialogs::Current().OpenDocument(target);
    });
}

QString StartPage::ExpectedTitle() {
    return QStringLiteral("Corlune影楼网上选片系统-单机客户端页面");
}

QString StartPage::LocalFile() {
    return QDir::current().filePath(QStringLiteral("djclientlogin.htm"));
}

QString StartPage::AddressFromSettings() { return settings::ReadStudioSettings().startPage; }

void StartPage::ShowLocal() {
    const QString file = LocalFile();
    if (QFileInfo(file).isFile()) {
        base_ = QUrl::fromLocalFile(file);
        DocumentOf(view_)->AllowFolder(QFileInfo(file).absolutePath());
        view_->setSource(base_);
        shown_ = Shown::Local;
    } else {
        DocumentOf(view_)->AllowFolder(QString());
        view_->setHtml(
            QStringLiteral("<p style='margin:16px'>找不到起始页文件 djclientlogin.htm</p>"));
        shown_ = Shown::LocalMissing;
    }
}

void StartPage::Navigate(const QString& address, int timeoutMs) {
    ShowLocal();
    const QUrl url = QUrl::fromUserInput(address);
    if (address.isEmpty() || !url.isValid() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return;

    askedNetwork_ = true;
    network_ = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    reply_ = network_->get(request);
    QNetworkReply* reply = reply_;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > kMaxPageBytes) reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { Finished(reply); });
    QTimer::singleShot(timeoutMs, reply, [reply] {
        if (reply->isRunning()) reply->abort();
    });
}

void StartPage::Finished(QNetworkReply* reply) {
    reply->deleteLater();
    if (reply->error() == QNetworkReply::NoError) {
        const QString html = DecodePage(
            reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
        // Anything but the expected page (a captive portal, an error page) leaves the
        // local copy in place.
        if (HtmlTitle(html) == ExpectedTitle()) {
            base_ = reply->url();
            DocumentOf(view_)->AllowFolder(QString());
            view_->setHtml(html);
            shown_ = Shown::Online;
        }
    }
    emit settled();
}

}  // namespace customers
