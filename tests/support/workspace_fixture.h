#pragma once
// A workspace window on a temporary runtime folder, with helpers to make customers
// whose samples are real small photos.

#include <QString>
#include <memory>

#include "app/tfrmps.h"
#include "support/runtime_fixture.h"

namespace testing_support {

class WorkspaceFixture : public RuntimeFixture {
  public:
    WorkspaceFixture();
    ~WorkspaceFixture();

    app::Tfrmps& workspace() { return *workspace_; }
    // Creates a customer with `samples` photos (name order = display order) and returns
    // its id. Photos are landscape 96x64 unless portrait is set.
    QString addCustomer(const QString& name, int samples, bool portrait = false);
    // Chooses the customer in the drop-down as a click would.
    void choose(const QString& customerId);
    // The id of the sample with a display number.
    qint64 sampleAt(const QString& customerId, int displayNumber);
    int currentDisplayNumber();
    void pick(const QString& customerId, qint64 sample, const QString& album);

  private:
    std::unique_ptr<app::Tfrmps> workspace_;
};

}  // namespace testing_support
