#pragma once
// Synthetic portrait-studio "photos" for the demo set, the benchmark and the tests: soft
// backdrop, a few soft shapes, film-like grain so that JPEG size and decode cost are those of
// a real photo, and a caption in a corner.

#include <QImage>
#include <QString>

namespace images {

// Same seed, same picture. Chinese captions render (Noto Sans CJK).
QImage MakeDemoPhoto(int width, int height, int seed, const QString& caption);

// Writes under a temporary name beside path and renames when complete, so an interrupted
// run never leaves a half photo under its final name.
bool SaveJpeg(const QImage& image, const QString& path, int quality = 90);

}  // namespace images
