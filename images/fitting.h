#pragma once
// Where a picture goes inside a frame. Pure integer geometry, shared by the large view,
// the thumbnails and the zoom percent shown to the customer.

namespace images {

struct Placement {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

// Shrinks a w0 x h0 picture to fit a wc x hc frame, keeping its proportions, and centres it.
// A picture that already fits is centred at its own size, never enlarged.
Placement FitPicture(int wc, int hc, int w0, int h0);

// Narrows the placement to ratioPercent of its width about its centre; height unchanged.
Placement ApplyWidescreen(Placement p, int ratioPercent);

// Drawn width as a whole percent of the original width (truncated). originalWidth > 0.
int ZoomPercent(int drawnWidth, int originalWidth);

}  // namespace images
