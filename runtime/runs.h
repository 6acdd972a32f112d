// Rectangles of pixels as runs along their rows, each pixel in one run at
// most: the unit of work of the redraw's restores, averages and copies.
// Internal to the runtime.
#pragma once

#include <vector>

namespace rt {

// Pixels [x0, x1) of row y.
struct Run {
    int y, x0, x1;
};

// Pixels [x0, x1) of rows [y0, y1).
struct Area {
    int y0, y1, x0, x1;
};

// Gathers areas that may overlap and hands them back as runs, sorted by row
// and then by column, with runs that meet joined. Keeps its storage from
// call to call, so that a redraw allocates nothing.
class RowMerge {
public:
    void clear() { areas_.clear(); }
    // An empty area is left out.
    void add(const Area& a) {
        if (a.y0 < a.y1 && a.x0 < a.x1) areas_.push_back(a);
    }
    // Replaces `runs` with the merged runs of all that was added since
    // clear().
    void merge(std::vector<Run>& runs);

private:
    std::vector<Area> areas_;
    std::vector<Area> open_;  // the areas over the band at hand, from left to right
};

// Both lists of runs, each sorted and joined as merge() leaves them, in one
// list of the same kind.
void joinRuns(const std::vector<Run>& a, const std::vector<Run>& b, std::vector<Run>& out);
// The pixels of `a` outside `b`, both sorted and joined, as runs of the
// same kind.
void subtractRuns(const std::vector<Run>& a, const std::vector<Run>& b, std::vector<Run>& out);

}  // namespace rt
