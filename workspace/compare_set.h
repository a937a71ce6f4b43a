#pragma once
// Samples side by side in the large view's place: which samples, which one the arrows
// replace (the candidate), and where the panes and their pictures go. No window here.

#include <QRect>
#include <QSize>
#include <QtGlobal>
#include <vector>

namespace workspace {

inline constexpr int kMaxComparePanes = 4;

class CompareSet {
  public:
    const std::vector<qint64>& samples() const { return samples_; }
    int count() const { return static_cast<int>(samples_.size()); }
    bool empty() const { return samples_.empty(); }
    // Two samples or more: the panes are up. One is a compare being started, still
    // shown as the plain large view.
    bool showing() const { return samples_.size() >= 2; }
    int candidate() const { return candidate_; }
    // The candidate's sample; -1 when the set is empty.
    qint64 candidateSample() const;
    // -1 when no pane shows it.
    int IndexOf(qint64 sample) const;

    // A sample already in a pane becomes the candidate; a new one gets a pane of its own
    // (and is the candidate) until there are four, after that it replaces the candidate.
    void Add(qint64 sample);
    void SetCandidate(int index);
    // The others stay; the candidate's pane shows sample, or when another pane shows it
    // already, that pane becomes the candidate. An empty set takes it as its first.
    void ReplaceCandidate(qint64 sample);
    // The pane closes; the pane that takes its place (or the last) is the candidate if the
    // closed one was.
    void Close(int index);
    // Every pane of a sample that is gone closes.
    void Remove(qint64 sample);
    void Clear();

  private:
    std::vector<qint64> samples_;
    int candidate_ = -1;
};

// The panes for count pictures of the given sizes inside area, all of one size: side by
// side, one above the other, or (three and four) two across; whichever shows the pictures
// biggest in the panes' picture areas (a pane less captionHeight and twice border each
// way). A last row that is not full is centred. Ties keep the order just named.
std::vector<QRect> ComparePaneRects(QSize area, const std::vector<QSize>& pictures,
                                    int captionHeight, int border, int gap);

// Where a photo of size original lies inside a pane's picture area: fitted and centred,
// never enlarged, narrowed by the widescreen correction.
QRect PictureRectInPane(QSize pictureArea, QSize original, bool widescreen, int widescreenRatio);

}  // namespace workspace
