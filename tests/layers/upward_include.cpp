// Built against the physics library alone, which must not see the view.
#include "view/CLexfallView.h"
