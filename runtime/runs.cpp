#include "runs.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace rt {

namespace {

// Appends `r` to `out`, joining it to the last run when the two meet; runs
// of a row come in order of their left ends.
void append(std::vector<Run>& out, const Run& r) {
    if (!out.empty() && out.back().y == r.y && r.x0 <= out.back().x1)
        out.back().x1 = std::max(out.back().x1, r.x1);
    else
        out.push_back(r);
}

}  // namespace

// The areas' tops and bottoms cut the rows into bands over which the same
// areas lie. Going down, the areas that end are dropped and those that
// begin are put in among the rest from left to right, and each band's runs
// are joined once and copied to each of its rows: a few dozen areas,
// however tall, cost a few dozen bands.
void RowMerge::merge(std::vector<Run>& runs) {
    runs.clear();
    std::sort(areas_.begin(), areas_.end(), [](const Area& a, const Area& b) { return a.y0 < b.y0; });
    open_.clear();
    std::size_t next = 0;
    int top = INT_MIN;
    while (next < areas_.size() || !open_.empty()) {
        if (open_.empty()) top = std::max(top, areas_[next].y0);
        std::erase_if(open_, [&](const Area& a) { return a.y1 <= top; });
        for (; next < areas_.size() && areas_[next].y0 <= top; ++next) {
            auto at = open_.end();
            while (at != open_.begin() && (at - 1)->x0 > areas_[next].x0) --at;
            open_.insert(at, areas_[next]);
        }
        if (open_.empty()) continue;
        int bottom = next < areas_.size() ? areas_[next].y0 : INT_MAX;
        const std::size_t first = runs.size();
        Run run{top, open_[0].x0, open_[0].x1};
        for (const Area& a : open_) {
            bottom = std::min(bottom, a.y1);
            if (a.x0 > run.x1) {
                runs.push_back(run);
                run.x0 = a.x0;
            }
            run.x1 = std::max(run.x1, a.x1);
        }
        runs.push_back(run);
        const std::size_t last = runs.size();
        for (int y = top + 1; y < bottom; ++y)
            for (std::size_t k = first; k < last; ++k) runs.push_back({y, runs[k].x0, runs[k].x1});
        top = bottom;
    }
}

void joinRuns(const std::vector<Run>& a, const std::vector<Run>& b, std::vector<Run>& out) {
    out.clear();
    const auto before = [](const Run& p, const Run& q) { return p.y < q.y || (p.y == q.y && p.x0 < q.x0); };
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size())
        append(out, j == b.size() || (i < a.size() && before(a[i], b[j])) ? a[i++] : b[j++]);
}

void subtractRuns(const std::vector<Run>& a, const std::vector<Run>& b, std::vector<Run>& out) {
    out.clear();
    std::size_t j = 0;
    for (const Run& r : a) {
        // The runs of b that end before r cannot meet any later run of a.
        while (j < b.size() && (b[j].y < r.y || (b[j].y == r.y && b[j].x1 <= r.x0))) ++j;
        int x = r.x0;
        for (std::size_t k = j; k < b.size() && b[k].y == r.y && b[k].x0 < r.x1; ++k) {
            if (b[k].x0 > x) out.push_back({r.y, x, b[k].x0});
            x = std::max(x, b[k].x1);
        }
        if (x < r.x1) out.push_back({r.y, x, r.x1});
    }
}

}  // namespace rt
