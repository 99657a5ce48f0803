#pragma once

#include <string>
#include <vector>

// The face of new letters and the Font menu's last few faces, kept in the
// per-user settings (SettingsStore). The face is "arial", "symbol", or
// another face as CLexfallView::ChooseFace takes it; the recent faces are
// other faces.
struct FaceHistory {
    std::string face;
    std::vector<std::string> recent;
};
