#include "glyph/FontEngine.h"

FontEngine::FontEngine()
{
    if (FT_Init_FreeType(&m_library) != 0)
        m_library = nullptr;
}

FontEngine::~FontEngine()
{
    if (m_library)
        FT_Done_FreeType(m_library);
}
