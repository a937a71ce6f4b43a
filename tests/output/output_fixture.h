#pragma once
// A runtime folder with customers whose samples are real small photos, picks made
// directly, and helpers to read what the outputs wrote.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include "customers/customer_records.h"
#include "data/connection.h"
#include "data/records.h"
#include "output/staging.h"
#include "support/runtime_fixture.h"

namespace testing_support {

class OutputFixture : public RuntimeFixture {
  public:
    struct Photo {
        QString name;
        int width;
        int height;
    };

    // Creates a customer whose folder holds the photos (name order = display order).
    QString addCustomer(const QString& name, const std::vector<Photo>& photos) {
        const QString folder = QStringLiteral("shoots/") + name;
        QDir().mkpath(file(folder));
        for (const Photo& photo : photos)
            writePhoto(folder + QLatin1Char('/') + photo.name, photo.width, photo.height);
        const customers::CreatedCustomer created =
            customers::CreateCustomer({name, file(folder), QString()}, customers::ImportOptions());
        return QString::number(created.id);
    }

    QString photoPath(const QString& customerId) {
        return data::LookupValue("customer", "photopath", "customerid=" + customerId);
    }

    qint64 sampleAt(const QString& customerId, int displayNumber) {
        return data::LookupValue(
                   "V_photoinfo", "id",
                   "customerid=" + customerId + " and disid=" + QString::number(displayNumber))
            .toLongLong();
    }

    void pick(const QString& customerId, int displayNumber, const QString& album) {
        data::AppendRow("xcphoto", {{"customerid", customerId.toInt()},
                                    {"photoid", sampleAt(customerId, displayNumber)},
                                    {"xcmc", album}});
    }

    void setNote(const QString& customerId, int displayNumber, const QString& note) {
        data::Execute("update photoinfo set zzyq='" + data::SqlQuote(note) +
                      "' where id=" + QString::number(sampleAt(customerId, displayNumber)));
    }

    output::OutputCustomer customer(const QString& customerId) {
        output::OutputCustomer c;
        c.customerId = customerId;
        c.photoPath = photoPath(customerId);
        return c;
    }
};

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a program to its end and returns its standard output (UTF-8).
inline QString RunTool(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(120000)) {
        if (exitCode) *exitCode = -1;
        return QString();
    }
    if (exitCode) *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of a PDF page by page (pdftotext separates pages with a form feed).
inline QStringList PdfPages(const QString& pdf) {
    QString text = RunTool("pdftotext", {"-layout", pdf, "-"});
    if (text.endsWith(QLatin1Char('\f'))) text.chop(1);
    return text.split(QLatin1Char('\f'));
}

}  // namespace testing_support
