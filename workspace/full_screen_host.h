#pragma once
// What the full-screen viewer asks of the workspace that owns it: the shared state,
// the album tabs, and the workspace's own previous, next and pick operations.

#include <QString>
#include <QStringList>

namespace workspace {

class PictureScreen;

struct WorkspaceState;

class FullScreenHost {
  public:
    virtual ~FullScreenHost() = default;
    virtual WorkspaceState& SharedState() = 0;
    virtual bool WidescreenTicked() const = 0;
    // Captions of the album tabs in tab order, "全部" first, and the active one.
    virtual QStringList AlbumCaptions() const = 0;
    virtual int ActiveAlbumIndex() const = 0;
    virtual void ActivateAlbum(int index) = 0;
    virtual void StepPrevious() = 0;
    virtual void StepNext() = 0;
    virtual void PickCurrentSample() = 0;
    // Takes back the customer's last change (Ctrl+Z).
    virtual void UndoLastStep() = 0;
    // Draws file fitted into screen as the large view does (zoom percent included).
    virtual void DrawFittedInto(PictureScreen* screen, const QString& file) = 0;
    // The workspace's large view, redrawn when the viewer is left.
    virtual PictureScreen* LargeView() = 0;
    virtual void PrefetchAround() = 0;
};

}  // namespace workspace
