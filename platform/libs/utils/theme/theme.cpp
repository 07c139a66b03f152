#include "theme.h"

namespace Utils {

static Theme *s_creatorTheme = nullptr;

Theme::Theme(const QString &id, QObject *parent)
    : QObject(parent)
    , m_id(id)
{}

QColor Theme::color(Color role) const
{
    return m_colors.value(int(role), QColor(Qt::magenta));
}

void Theme::setColor(Color role, const QColor &color)
{
    m_colors.insert(int(role), color);
}

Theme *creatorTheme()
{
    return s_creatorTheme;
}

void setCreatorTheme(Theme *theme)
{
    s_creatorTheme = theme;
}

} // namespace Utils
