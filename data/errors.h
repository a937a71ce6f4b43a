#pragma once
// Failures that abandon an operation. The handler guard (widgets/handler_guard.h)
// shows their text in the error box; no exception crosses Qt's event loop.

#include <QString>
#include <stdexcept>

namespace data {

class VerimondError : public std::runtime_error {
  public:
    explicit VerimondError(const QString& text)
        : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

  private:
    QString text_;
};

// A statement the engine refused, a missing connection, a failed commit.
class DbError : public VerimondError {
  public:
    using VerimondError::VerimondError;
};

// Text that should have held a whole number.
class ConversionError : public VerimondError {
  public:
    using VerimondError::VerimondError;
};

}  // namespace data
