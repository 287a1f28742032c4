#include "shell/window_geometry.h"

#include <cmath>

namespace vorsan {

WindowRect mainWindowGeometry(int screenWidth, int screenHeight) {
    WindowRect r;
    r.width = screenWidth * 5 / 6;
    r.height = screenHeight * 3 / 4;
    r.left = (screenWidth - r.width) / 2;
    r.top = (screenHeight - r.height) / 2;
    return r;
}

AllGraphsHeights allGraphsHeights(int clientHeight) {
    const double unit = clientHeight / 300.0;
    const int big = static_cast<int>(std::lround(106 * unit));
    return {big, static_cast<int>(std::lround(88 * unit)), big};
}

} // namespace vorsan
