#include "app/Resources.h"

#include <wx/icon.h>

#include "view/CommandIds.h"

#include "app/res/lexfall16.xpm"
#include "app/res/lexfall32.xpm"
#include "app/res/lexfall48.xpm"
#include "app/res/tb_animate.xpm"
#include "app/res/tb_compass.xpm"
#include "app/res/tb_cursor.xpm"
#include "app/res/tb_keyboard.xpm"
#include "app/res/tb_manipulate.xpm"
#include "app/res/tb_nozzle.xpm"
#include "app/res/tb_shaded.xpm"
#include "app/res/tb_wireframe.xpm"

namespace resources {

wxBitmap toolbarBitmap(int commandId)
{
    switch (commandId) {
    case ID_MODE_KEYBOARD:
        return wxBitmap(tb_keyboard_xpm);
    case ID_MODE_NOZZLE:
        return wxBitmap(tb_nozzle_xpm);
    case ID_MODE_MANIPULATE:
        return wxBitmap(tb_manipulate_xpm);
    case ID_DISPLAY_WIREFRAME:
        return wxBitmap(tb_wireframe_xpm);
    case ID_DISPLAY_SHADED:
        return wxBitmap(tb_shaded_xpm);
    case ID_DISPLAY_ANIMATE:
        return wxBitmap(tb_animate_xpm);
    case ID_DISPLAY_SHOWCURSOR:
        return wxBitmap(tb_cursor_xpm);
    case ID_DISPLAY_SHOWCOMPASS:
        return wxBitmap(tb_compass_xpm);
    default:
        return wxBitmap();
    }
}

wxIcon appIcon(int size)
{
    if (size <= 16)
        return wxIcon(lexfall16_xpm);
    if (size <= 32)
        return wxIcon(lexfall32_xpm);
    return wxIcon(lexfall48_xpm);
}

wxIconBundle appIcons()
{
    wxIconBundle icons;
    for (int size : {16, 32, 48})
        icons.AddIcon(appIcon(size));
    return icons;
}

} // namespace resources
