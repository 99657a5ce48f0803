#include "glyph/FontEngine.h"

#include <memory>

FontEngine* FontEngine::instance()
{
    static std::unique_ptr<FontEngine> engine;
    if (!engine) {
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) == 0)
            engine.reset(new FontEngine(library));
    }
    return engine.get();
}

FontEngine::~FontEngine()
{
    FT_Done_FreeType(m_library);
}
