#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

// The program's pictures: toolbar images (16 x 15) and window icons.
namespace resources {

// The toolbar image of a view command; an empty bitmap for other ids.
wxBitmap toolbarBitmap(int commandId);
wxIconBundle appIcons();
wxIcon appIcon(int size);

} // namespace resources
