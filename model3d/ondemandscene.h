#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QQuickItem>
#include <QTimer>
#include <QUrl>

#include <memory>

QT_BEGIN_NAMESPACE
class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QQmlComponent;
class QQmlError;
class QQmlIncubator;
class QQuickRenderControl;
class QQuickWindow;
class QThread;
QT_END_NAMESPACE

namespace Mimicry {
namespace Internal {

// Shows a QML scene that is drawn off screen, and only while something in it
// changes. Qt 3D's Scene3D asks its window for a new frame after every
// frame, so in the Mimicry window it would keep the GUI thread and the
// renderer busy while nothing moves; here it lives in a window of its own,
// driven by a QQuickRenderControl, whose frames are drawn only for a short
// while after one of the scene's properties or the item's size changed. The
// frames are rendered on a thread of their own, as Qt Quick's threaded
// render loop does, and shown as an image.
class OnDemandScene : public QQuickItem
{
    Q_OBJECT
    // The QML file of the scene; empty tears the scene down.
    Q_PROPERTY(QUrl source READ source WRITE setSource NOTIFY sourceChanged)
    // The scene's root object once it is made, for bindings.
    Q_PROPERTY(QQuickItem *item READ item NOTIFY itemChanged)
    Q_PROPERTY(Status status READ status NOTIFY statusChanged)
    // How many pictures the scene has drawn since it was made, and whether
    // it is drawing more: false once the picture shows the last change.
    Q_PROPERTY(int framesDrawn READ framesDrawn NOTIFY framesDrawnChanged)
    Q_PROPERTY(bool drawing READ isDrawing NOTIFY drawingChanged)

public:
    enum Status { Null, Loading, Ready, Error };
    Q_ENUM(Status)

    explicit OnDemandScene(QQuickItem *parent = nullptr);
    ~OnDemandScene() override;

    QUrl source() const { return m_source; }
    void setSource(const QUrl &source);
    QQuickItem *item() const { return m_root; }
    Status status() const { return m_status; }
    int framesDrawn() const { return m_framesDrawn; }
    bool isDrawing() const { return m_drawing; }

signals:
    void sourceChanged();
    void itemChanged();
    void statusChanged();
    void framesDrawnChanged();
    void drawingChanged();

protected:
    QSGNode *updatePaintNode(QSGNode *node, UpdatePaintNodeData *) override;
    void geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;
    void componentComplete() override;

private slots:
    // Something in the scene changed: draw it for a while.
    void wake();

private:
    void load();
    void unload();
    void setStatus(Status status);
    void failed(const QList<QQmlError> &errors);
    void rootCreated(QObject *object);
    bool createRenderer();
    void scheduleFrame();
    void setDrawing(bool drawing);
    // Waiting returns with the picture drawn.
    void drawFrame(bool wait = false);
    void syncOnRenderThread(const QSize &pixels);
    QImage renderOnRenderThread();
    void frameDrawn(const QImage &picture, quint64 generation);
    QSize pixelSize() const;

    QUrl m_source;
    Status m_status = Null;
    int m_framesDrawn = 0;

    std::unique_ptr<QQmlComponent> m_component;
    std::unique_ptr<QQmlIncubator> m_incubator;
    QPointer<QQuickItem> m_root;

    // Made on this thread; the context, the framebuffer and the scene
    // graph are used on the render thread only, while this thread waits
    // or does not touch them.
    std::unique_ptr<QThread> m_renderThread;
    std::unique_ptr<QObject> m_onRenderThread;
    std::unique_ptr<QOpenGLContext> m_context;
    std::unique_ptr<QOffscreenSurface> m_surface;
    std::unique_ptr<QQuickRenderControl> m_renderControl;
    std::unique_ptr<QQuickWindow> m_sceneWindow;
    std::unique_ptr<QOpenGLFramebufferObject> m_framebuffer;

    QTimer m_frameTimer;
    QElapsedTimer m_sinceFrame;
    QDeadlineTimer m_awakeUntil;
    int m_framesSinceWake = 0;
    bool m_drawing = false;
    bool m_frameInFlight = false;
    quint64 m_generation = 0;
    QImage m_picture;
    bool m_pictureChanged = false;
};

} // namespace Internal
} // namespace Mimicry
