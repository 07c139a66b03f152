#pragma once

#include <QGuiApplication>
#include <QQmlContext>
#include <QQuickView>

// The plug-in's window as the host shows it: its one QQuickView.
inline QQuickView *mimicryView()
{
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (QWindow *window : windows) {
        if (auto view = qobject_cast<QQuickView *>(window))
            return view;
    }
    return nullptr;
}

inline bool mimicryViewVisible()
{
    return mimicryView() && mimicryView()->isVisible();
}

// An object the plug-in hands to QML, such as "sensorsEmulationManager".
inline QObject *mimicryContextObject(const char *name)
{
    return mimicryView()->rootContext()->contextProperty(QLatin1String(name)).value<QObject *>();
}
