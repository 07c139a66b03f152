#pragma once

#include <QColor>
#include <QHash>
#include <QObject>

namespace Utils {

class Theme : public QObject
{
    Q_OBJECT

public:
    // The roles keep the numbers of the IDE's 4.15 enumeration; only the ones
    // that plug-ins here read are named.
    enum Color {
        BackgroundColorNormal = 3,
        FancyToolBarSeparatorColor = 26,
        TextColorHighlightBackground = 83,
    };
    Q_ENUM(Color)

    explicit Theme(const QString &id, QObject *parent = nullptr);

    QString id() const { return m_id; }
    QColor color(Color role) const;
    void setColor(Color role, const QColor &color);

private:
    QString m_id;
    QHash<int, QColor> m_colors;
};

Theme *creatorTheme();
void setCreatorTheme(Theme *theme);

} // namespace Utils
