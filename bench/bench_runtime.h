#pragma once
// What the commands share around the code they time: an offscreen screen of a studio
// TV's size, a runtime folder made current, and folders of 24-megapixel photos.

#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "data/database_setting.h"

namespace bench {

// Offscreen (unless QT_QPA_PLATFORM names another platform) on the screen that
// "--screen WxH" names, 1920 x 1080 by default, scaled by "--scale S". Call before the
// application object exists.
void PrepareScreen(int argc, char** argv);
// The command and its arguments: the program's arguments without the program and the
// options PrepareScreen reads.
QStringList CommandArguments(QStringList arguments);

// A database argument: an embedded file, or a verimond.ini (any name ending in .ini)
// naming a database on a server.
data::DatabaseTarget BenchDatabase(const QString& argument);

// Makes the offscreen platform (used unless QT_QPA_PLATFORM names another) show one
// screen of `size`, since the workspace lays itself out on its screen. Call before the
// application object exists.
void UseOffscreenScreen(QSize size);

// Writes `count` photos of 24 megapixels named IMG_0001.jpg... into folder, keeping those
// there already: `distinct` different ones (every third portrait), copied under running names
// after that, so that every file is decoded in full. False when one cannot be written.
bool WriteBenchPhotos(const QString& folder, int count, int distinct);

// A temporary folder holding the program's resources, the current directory while it
// lives.
class RuntimeFolder {
  public:
    RuntimeFolder();
    ~RuntimeFolder();
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

    bool ok() const { return ok_; }
    QString file(const QString& relative) const;
    // function.dll here as a symbolic link to an existing database file.
    bool LinkDatabase(const QString& databaseFile);
    // The database of a database argument: the file linked, or the setting copied here.
    bool UseDatabase(const QString& argument);

  private:
    QTemporaryDir dir_;
    QString previous_;
    bool ok_ = false;
};

}  // namespace bench
