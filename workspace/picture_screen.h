#pragma once
// A place the workspace shows fitted pictures in: the large view or the full-screen
// viewer. The window decides what to show; the screen says how big it is and shows it.

#include <QImage>

#include "images/picture_drawing.h"

namespace workspace {

class PictureScreen {
  public:
    virtual ~PictureScreen() = default;
    // The picture area's size, margin colour and device pixel ratio; the rest of the
    // options are the window's.
    virtual images::DrawOptions ScreenOptions() const = 0;
    // A fitted picture is wanted: the screen drops whatever it showed of its own accord.
    virtual void FittedPictureWanted() {}
    // False while the customer's own zoom is up or on its way: it came after the wish.
    virtual bool TakesFittedPictures() const { return true; }
    // Shows a fitted canvas, or with plain the placeholder as a plain picture.
    virtual void ShowCanvas(const QImage& canvas, bool plain) = 0;
};

}  // namespace workspace
