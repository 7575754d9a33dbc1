#pragma once
// A link of the cut order: a rapid move from the end of one contour to the
// start of the next.

#include <array>
#include <memory>

namespace plandor {

inline constexpr int kMaxLinks = 200;  // links of a document

class CLiaison {
  public:
    virtual ~CLiaison() = default;

    int endIndex = 0;     // polyline the link leads to
    int startIndex = -1;  // polyline it leaves from; -1 is the origin (0, 0)
    int selected = 0;
    // Copied when the link is made, not updated afterwards.
    float startX = 0;
    float startY = 0;
    float endX = 0;
    float endY = 0;
};

using LinkArray = std::array<std::unique_ptr<CLiaison>, kMaxLinks>;

}  // namespace plandor
