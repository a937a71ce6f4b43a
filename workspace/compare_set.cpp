#include "workspace/compare_set.h"

#include <algorithm>

#include "images/fitting.h"

namespace workspace {

qint64 CompareSet::candidateSample() const {
    if (candidate_ < 0 || candidate_ >= count()) return -1;
    return samples_[candidate_];
}

int CompareSet::IndexOf(qint64 sample) const {
    const auto it = std::find(samples_.begin(), samples_.end(), sample);
    return it == samples_.end() ? -1 : static_cast<int>(it - samples_.begin());
}

void CompareSet::Add(qint64 sample) {
    const int index = IndexOf(sample);
    if (index >= 0) {
        candidate_ = index;
    } else if (count() < kMaxComparePanes) {
        samples_.push_back(sample);
        candidate_ = count() - 1;
    } else {
        samples_[candidate_] = sample;
    }
}

void CompareSet::SetCandidate(int index) {
    Q_ASSERT(index >= 0 && index < count());
    if (index >= 0 && index < count()) candidate_ = index;
}

void CompareSet::ReplaceCandidate(qint64 sample) {
    if (samples_.empty()) {
        Add(sample);
        return;
    }
    // A sample is never in two panes: one shown already becomes the candidate instead.
    if (const int shown = IndexOf(sample); shown >= 0) {
        candidate_ = shown;
        return;
    }
    samples_[candidate_] = sample;
}

void CompareSet::Close(int index) {
    Q_ASSERT(index >= 0 && index < count());
    if (index < 0 || index >= count()) return;
    samples_.erase(samples_.begin() + index);
    if (samples_.empty())
        candidate_ = -1;
    else if (candidate_ > index || candidate_ >= count())
        candidate_ = std::max(0, candidate_ - 1);
}

void CompareSet::Remove(qint64 sample) {
    for (int index = IndexOf(sample); index >= 0; index = IndexOf(sample)) Close(index);
}

void CompareSet::Clear() {
    samples_.clear();
    candidate_ = -1;
}

namespace {

struct Grid {
    int columns;
    int rows;
};

std::vector<Grid> GridsFor(int count) {
    if (count <= 1) return {{1, 1}};
    if (count == 2) return {{2, 1}, {1, 2}};
    if (count == 3) return {{3, 1}, {2, 2}, {1, 3}};
    return {{2, 2}, {4, 1}, {1, 4}};
}

std::vector<QRect> PanesOf(QSize area, int count, Grid grid, int gap) {
    const int width = std::max(1, (area.width() - gap * (grid.columns - 1)) / grid.columns);
    const int height = std::max(1, (area.height() - gap * (grid.rows - 1)) / grid.rows);
    std::vector<QRect> panes;
    for (int i = 0; i < count; ++i) {
        const int row = i / grid.columns;
        const int inRow = std::min(grid.columns, count - row * grid.columns);
        const int column = i % grid.columns;
        const int rowWidth = inRow * width + (inRow - 1) * gap;
        const int left = (area.width() - rowWidth) / 2;
        panes.emplace_back(left + column * (width + gap), row * (height + gap), width, height);
    }
    return panes;
}

}  // namespace

std::vector<QRect> ComparePaneRects(QSize area, const std::vector<QSize>& pictures,
                                    int captionHeight, int border, int gap) {
    const int count = static_cast<int>(pictures.size());
    if (count == 0) return {};
    std::vector<QRect> best;
    double bestArea = -1;
    for (const Grid grid : GridsFor(count)) {
        std::vector<QRect> panes = PanesOf(area, count, grid, gap);
        const QSize pictureArea(panes.front().width() - 2 * border,
                                panes.front().height() - captionHeight - 2 * border);
        double shown = 0;
        for (const QSize picture : pictures) {
            // A photo whose size is not known counts as a landscape one.
            const QSize size = picture.isEmpty() ? QSize(3, 2) : picture;
            const double scale =
                std::max(0.0, std::min(double(pictureArea.width()) / size.width(),
                                       double(pictureArea.height()) / size.height()));
            shown += scale * size.width() * scale * size.height();
        }
        // Only clearly bigger counts: rounding must not flip the panes around.
        if (shown > bestArea * 1.001) {
            bestArea = shown;
            best = std::move(panes);
        }
    }
    return best;
}

QRect PictureRectInPane(QSize pictureArea, QSize original, bool widescreen, int widescreenRatio) {
    if (original.isEmpty() || pictureArea.isEmpty()) return {};
    images::Placement placed = images::FitPicture(pictureArea.width(), pictureArea.height(),
                                                  original.width(), original.height());
    if (widescreen) placed = images::ApplyWidescreen(placed, widescreenRatio);
    return QRect(placed.x, placed.y, placed.w, placed.h);
}

}  // namespace workspace
