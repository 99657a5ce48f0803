// Kept apart from the rest of SceneRig so that tests which never type do
// not pull in the keyboard handler.
#include "ViewFixture.h"

void SceneRig::type(std::string_view text)
{
    for (char c : text) {
        view.OnChar(static_cast<unsigned char>(c), 1, 0);
        tick();
    }
}
