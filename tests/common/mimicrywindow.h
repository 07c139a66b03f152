#pragma once

#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickView>
#include <QStringList>
#include <QtDebug>

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

// Runs in the scope of the window's root item, as the pages' own code does;
// an error goes to `errors` if given, else to the log.
inline QVariant mimicryEvaluate(const QString &expression, QStringList *errors = nullptr)
{
    QObject *root = mimicryView()->rootObject();
    QQmlExpression qmlExpression(qmlContext(root), root, expression);
    const QVariant result = qmlExpression.evaluate();
    if (qmlExpression.hasError() && errors)
        errors->append(qmlExpression.error().toString());
    else if (qmlExpression.hasError())
        qWarning().noquote() << qmlExpression.error().toString();
    return result;
}
