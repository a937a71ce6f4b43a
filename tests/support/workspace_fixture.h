#pragma once
// A workspace window on a temporary runtime folder, with helpers to make customers
// whose samples are real small photos.

#include <QLabel>
#include <QObject>
#include <QString>
#include <memory>

#include "app/tfrmps.h"
#include "support/runtime_fixture.h"

namespace testing_support {

// A control by its object name, the name it has in the form ("rezzyq", "disimg3"), found
// under root; the test program stops when there is none.
template <class T>
T* ControlNamed(const QObject* root, const QString& name) {
    T* control = root->findChild<T*>(name);
    if (!control) qFatal("no control named %s", qPrintable(name));
    return control;
}

// The large view's picture.
inline QLabel* LargeView(const app::Tfrmps& workspace) {
    return ControlNamed<QLabel>(&workspace, QStringLiteral("Showimg"));
}

class WorkspaceFixture : public RuntimeFixture {
  public:
    WorkspaceFixture();
    ~WorkspaceFixture();

    app::Tfrmps& workspace() { return *workspace_; }
    // A control of the workspace window or its parts, by its name in the form.
    template <class T>
    T* control(const QString& name) {
        return ControlNamed<T>(workspace_.get(), name);
    }
    // A control of a numbered family, cell 1..n: control<QLabel>("diszt", 2).
    template <class T>
    T* control(const char* family, int cell) {
        return control<T>(QString::fromLatin1(family) + QString::number(cell));
    }
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
