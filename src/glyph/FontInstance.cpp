#include "glyph/FontInstance.h"

#include FT_SIZES_H

FontInstance::~FontInstance()
{
    if (m_size)
        FT_Done_Size(m_size);
}

bool FontInstance::create()
{
    if (m_size || !m_face || !m_face->isOpen())
        return false;
    FT_Size size = nullptr;
    if (FT_New_Size(m_face->handle(), &size) != 0)
        return false;
    m_size = size;
    return true;
}

bool FontInstance::setResolutions(int horizontalDpi, int verticalDpi)
{
    if (!m_size || horizontalDpi <= 0 || verticalDpi <= 0)
        return false;
    m_horizontalDpi = horizontalDpi;
    m_verticalDpi = verticalDpi;
    return m_charSize == 0 || apply();
}

bool FontInstance::setCharSize(int points)
{
    if (!m_size || points <= 0)
        return false;
    m_charSize = static_cast<FT_F26Dot6>(points) * 64;
    return apply();
}

bool FontInstance::activate() const
{
    return m_size && FT_Activate_Size(m_size) == 0;
}

bool FontInstance::apply() const
{
    return activate()
        && FT_Set_Char_Size(m_face->handle(), m_charSize, m_charSize, static_cast<FT_UInt>(m_horizontalDpi),
                            static_cast<FT_UInt>(m_verticalDpi))
        == 0;
}
