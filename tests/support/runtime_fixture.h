#pragma once
// A temporary runtime folder for a test: the resources, optionally a fresh
// database opened as adocnn, made the current directory, with scripted dialogs.

#include <QDir>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "support/scripted_dialogs.h"

namespace testing_support {

class RuntimeFixture {
  public:
    enum class Database { Fresh, None };
    explicit RuntimeFixture(Database database = Database::Fresh);
    ~RuntimeFixture();

    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const { return QDir(dir_.path()).filePath(relative); }
    ScriptedDialogs& dialogs() { return *dialogs_; }

    // Writes a JPEG or BMP (by suffix) of the given size filled with a colour pattern
    // that has no grey pixels; returns its full path.
    QString writePhoto(const QString& relative, int width, int height,
                       const char* format = nullptr);

  private:
    QTemporaryDir dir_;
    QString previousDir_;
    ScriptedDialogs* dialogs_ = nullptr;
};

// SHA-256 of a file's bytes, to show a file was left untouched.
QByteArray FileDigest(const QString& path);

// A picture with no pixel near grey: a strong gradient in red and blue.
QImage ColourfulImage(int width, int height);

}  // namespace testing_support
