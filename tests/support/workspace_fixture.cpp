#include "support/workspace_fixture.h"

#include <QtTest>

#include "customers/customer_records.h"
#include "data/connection.h"
#include "data/records.h"
#include "workspace/workspace_queries.h"

namespace testing_support {

WorkspaceFixture::WorkspaceFixture() : workspace_(std::make_unique<app::Tfrmps>()) {
    workspace_->resize(1920, 1080);
    workspace_->show();
}

WorkspaceFixture::~WorkspaceFixture() { workspace_.reset(); }

QString WorkspaceFixture::addCustomer(const QString& name, int samples, bool portrait) {
    const QString folder = QStringLiteral("shoots/") + name;
    QDir().mkpath(file(folder));
    for (int i = 1; i <= samples; ++i)
        writePhoto(QStringLiteral("%1/%2.jpg").arg(folder).arg(i, 3, 10, QLatin1Char('0')),
                   portrait ? 64 : 96, portrait ? 96 : 64);
    customers::ImportOptions options;
    const customers::CreatedCustomer created =
        customers::CreateCustomer({name, file(folder), QString()}, options);
    workspace_->FillCustomerList();
    return QString::number(created.id);
}

void WorkspaceFixture::choose(const QString& customerId) {
    const int index = workspace_->Rzcbcustomerid->findText(customerId);
    QVERIFY(index >= 0);
    workspace_->Rzcbcustomer->setCurrentIndex(index);
    workspace_->RzcbcustomerChange();
}

qint64 WorkspaceFixture::sampleAt(const QString& customerId, int displayNumber) {
    return data::LookupValue(
               "V_photoinfo", "id",
               "customerid=" + customerId + " and disid=" + QString::number(displayNumber))
        .toLongLong();
}

int WorkspaceFixture::currentDisplayNumber() {
    return workspace::DisplayNumberOf(workspace_->State().customerId,
                                      workspace_->State().currentSampleId);
}

void WorkspaceFixture::pick(const QString& customerId, qint64 sample, const QString& album) {
    data::AppendRow("xcphoto",
                    {{"customerid", customerId.toInt()}, {"photoid", sample}, {"xcmc", album}});
}

}  // namespace testing_support
