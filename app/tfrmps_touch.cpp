// The workspace on a touch screen: the large view's gestures lead to the same handlers
// as its buttons, and over compared samples a swipe walks the candidate. The strip and the
// full-screen viewer read their own gestures.

#include "app/tfrmps.h"
#include "widgets/touch_gestures.h"
#include "workspace/compare_view.h"
#include "workspace/sample_viewer.h"

namespace app {

void Tfrmps::ConnectTouch() {
    using widgets::TouchGestures;
    TouchGestures* touch = viewer_->LargeViewTouch();
    // As in photo viewers, the picture follows the finger: a swipe to the left brings the
    // next one.
    connect(touch, &TouchGestures::swipedLeft, this, Guarded(&Tfrmps::Image25Click));
    connect(touch, &TouchGestures::swipedRight, this, Guarded(&Tfrmps::Image24Click));
    connect(touch, &TouchGestures::doubleTapped, this, Guarded(&Tfrmps::imgfullClick));
    // Over compared samples a swipe walks the candidate, as the arrows do.
    TouchGestures* panes = Panes().Touch();
    connect(panes, &TouchGestures::swipedLeft, this, Guarded(&Tfrmps::Image25Click));
    connect(panes, &TouchGestures::swipedRight, this, Guarded(&Tfrmps::Image24Click));
}

}  // namespace app
