#pragma once
// The values the workspace, the full-screen viewer and the staff windows share for the
// whole run. One instance, owned by the workspace window.

#include <QString>
#include <memory>

namespace images {
class PreviewStore;
}

namespace workspace {

inline const QString kAllAlbums = QStringLiteral("全部");

struct WorkspaceState {
    QString customerId;           // empty until a customer is chosen
    QString customerPhotoPath;    // the folder the customer's samples came from
    qint64 currentSampleId = -1;  // the sample shown large; -1 until one is shown
    QString currentSampleFile;    // its file; empty when no sample is shown
    QString currentAlbum = kAllAlbums;
    bool adminLoggedIn = false;
    bool customerLocked = false;
    int widescreenRatio = 100;      // percent
    bool cameraOrientation = true;  // photos shown as the camera held them
    int rotationAngle = 0;          // degrees, a multiple of 90 in -270..270
    int zoomPercent = 0;            // scale of the last fitted drawing
    // This station's previews, which the views and the outputs draw from; none in tests that
    // leave it out.
    std::shared_ptr<images::PreviewStore> previews;
};

}  // namespace workspace
