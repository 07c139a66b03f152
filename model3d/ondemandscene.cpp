#include "ondemandscene.h"

#include <QMetaMethod>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QQmlIncubator>
#include <QQuickRenderControl>
#include <QQuickWindow>
#include <QSGSimpleTextureNode>
#include <QThread>

#include <algorithm>
#include <functional>

namespace Mimicry {
namespace Internal {

namespace {

// After the last change the scene keeps drawing for this long, and at least
// this many frames: Qt 3D needs a few frames to pass a change through (and
// more to compile its shaders the first time).
constexpr int AwakeMs = 400;
constexpr int MinFramesAfterChange = 6;
constexpr int FrameIntervalMs = 16;

// Tells the scene which real window it is shown in, for the screen, the
// pixel ratio and the surface format; in a QQuickWidget, the widget's.
class RenderControl : public QQuickRenderControl
{
public:
    explicit RenderControl(QQuickItem *shownIn)
        : m_shownIn(shownIn)
    {}

    QWindow *renderWindow(QPoint *offset) override
    {
        if (offset)
            *offset = QPoint();
        QQuickWindow *window = m_shownIn->window();
        if (QWindow *widgetWindow = QQuickRenderControl::renderWindowFor(window, offset))
            return widgetWindow;
        return window;
    }

private:
    QQuickItem *m_shownIn;
};

class Incubator : public QQmlIncubator
{
public:
    explicit Incubator(std::function<void(Status)> onStatusChanged)
        : QQmlIncubator(Asynchronous)
        , m_onStatusChanged(std::move(onStatusChanged))
    {}

protected:
    void statusChanged(Status status) override { m_onStatusChanged(status); }

private:
    std::function<void(Status)> m_onStatusChanged;
};

} // namespace

OnDemandScene::OnDemandScene(QQuickItem *parent)
    : QQuickItem(parent)
{
    setFlag(ItemHasContents);
    m_frameTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this, [this] { drawFrame(); });
}

OnDemandScene::~OnDemandScene()
{
    unload();
    if (m_renderThread) {
        m_renderThread->quit();
        m_renderThread->wait();
    }
}

void OnDemandScene::setSource(const QUrl &source)
{
    if (source == m_source)
        return;
    m_source = source;
    emit sourceChanged();
    unload();
    load();
}

void OnDemandScene::componentComplete()
{
    QQuickItem::componentComplete();
    load();
}

void OnDemandScene::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change != ItemSceneChange)
        return;
    // The scene borrows the window's screen and format.
    unload();
    if (value.window)
        load();
}

void OnDemandScene::geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChanged(newGeometry, oldGeometry);
    if (newGeometry.size() == oldGeometry.size() || !m_sceneWindow)
        return;
    m_sceneWindow->setGeometry(0, 0, int(width()), int(height()));
    if (m_root)
        m_root->setSize(size());
    // The framebuffer follows on the next frame.
    wake();
}

QSize OnDemandScene::pixelSize() const
{
    const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    return (size() * ratio).toSize().expandedTo(QSize(1, 1));
}

void OnDemandScene::setStatus(Status status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged();
}

void OnDemandScene::load()
{
    if (m_source.isEmpty() || !isComponentComplete() || !window() || m_component)
        return;
    QQmlEngine *engine = qmlEngine(this);
    if (!engine) {
        setStatus(Error);
        return;
    }
    setStatus(Loading);
    m_component = std::make_unique<QQmlComponent>(engine, m_source);
    if (m_component->isError()) {
        failed(m_component->errors());
        return;
    }
    m_incubator = std::make_unique<Incubator>([this](QQmlIncubator::Status status) {
        if (status == QQmlIncubator::Ready)
            rootCreated(m_incubator->object());
        else if (status == QQmlIncubator::Error)
            failed(m_incubator->errors());
    });
    // The scene sees what the item sees, the theme's colours among them.
    m_component->create(*m_incubator, qmlContext(this));
}

void OnDemandScene::failed(const QList<QQmlError> &errors)
{
    for (const QQmlError &error : errors)
        qWarning().noquote() << error.toString();
    setStatus(Error);
}

void OnDemandScene::rootCreated(QObject *object)
{
    m_root = qobject_cast<QQuickItem *>(object);
    if (!m_root || !createRenderer()) {
        qWarning("The 3D scene could not be drawn off screen");
        delete object;
        setStatus(Error);
        return;
    }
    m_root->setParent(this);
    m_root->setParentItem(m_sceneWindow->contentItem());
    m_root->setSize(size());

    // Any of the scene's own properties changing (the pose, the mesh
    // loading, the size) means a new picture.
    const QMetaMethod wakeMethod = metaObject()->method(metaObject()->indexOfSlot("wake()"));
    const QMetaObject *rootMeta = m_root->metaObject();
    for (int i = 0; i < rootMeta->propertyCount(); ++i) {
        const QMetaProperty property = rootMeta->property(i);
        if (property.hasNotifySignal())
            connect(m_root, property.notifySignal(), this, wakeMethod);
    }

    emit itemChanged();
    setStatus(Ready);
    wake();
    // Qt 3D sets the scene up in the first frame and compiles its shaders
    // in the second: the first is drawn at once, and the second is under
    // way on the render thread while the window draws the page.
    drawFrame(true);
    drawFrame();
}

bool OnDemandScene::createRenderer()
{
    QWindow *shownIn = window();
    m_context = std::make_unique<QOpenGLContext>();
    m_context->setFormat(shownIn->requestedFormat());
    if (!m_context->create())
        return false;
    m_surface = std::make_unique<QOffscreenSurface>(shownIn->screen());
    m_surface->setFormat(m_context->format());
    m_surface->create();
    if (!m_surface->isValid())
        return false;

    // Qt 3D compiles its shaders on the first frames, and a software
    // OpenGL draws slowly: that happens on a thread of its own.
    if (!m_renderThread) {
        m_renderThread = std::make_unique<QThread>();
        m_renderThread->setObjectName(QStringLiteral("Mimicry 3D view"));
        m_onRenderThread = std::make_unique<QObject>();
        m_onRenderThread->moveToThread(m_renderThread.get());
        m_renderThread->start();
    }
    m_context->moveToThread(m_renderThread.get());

    m_renderControl = std::make_unique<RenderControl>(this);
    m_sceneWindow = std::make_unique<QQuickWindow>(m_renderControl.get());
    m_sceneWindow->setGeometry(0, 0, int(width()), int(height()));
    // Whatever the scene wants drawn, it asks for a frame; only a scene
    // that was changed a moment ago gets one.
    connect(m_renderControl.get(), &QQuickRenderControl::renderRequested,
            this, &OnDemandScene::scheduleFrame);
    connect(m_renderControl.get(), &QQuickRenderControl::sceneChanged,
            this, &OnDemandScene::scheduleFrame);
    m_renderControl->prepareThread(m_renderThread.get());

    bool initialized = false;
    QMetaObject::invokeMethod(m_onRenderThread.get(), [this, &initialized] {
        if (!m_context->makeCurrent(m_surface.get()))
            return;
        m_renderControl->initialize(m_context.get());
        m_context->doneCurrent();
        initialized = true;
    }, Qt::BlockingQueuedConnection);
    return initialized;
}

void OnDemandScene::unload()
{
    m_frameTimer.stop();
    m_incubator.reset();
    // Those who read the item check the status first.
    setStatus(Null);
    setDrawing(false);
    // A frame still being drawn is dropped.
    ++m_generation;
    m_frameInFlight = false;
    const bool hadRoot = m_root;
    if (m_onRenderThread && m_context) {
        QMetaObject::invokeMethod(m_onRenderThread.get(), [this] {
            const bool current = m_context->makeCurrent(m_surface.get());
            // The scene graph goes first, while its context is current.
            if (current && m_renderControl)
                m_renderControl->invalidate();
            m_framebuffer.reset();
            if (current)
                m_context->doneCurrent();
            m_context.reset();
        }, Qt::BlockingQueuedConnection);
    }
    delete m_root;
    m_renderControl.reset();
    m_sceneWindow.reset();
    m_context.reset();
    m_surface.reset();
    m_component.reset();
    m_picture = QImage();
    m_pictureChanged = true;
    if (hadRoot)
        emit itemChanged();
    update();
}

void OnDemandScene::wake()
{
    m_awakeUntil.setRemainingTime(AwakeMs);
    m_framesSinceWake = 0;
    scheduleFrame();
}

void OnDemandScene::scheduleFrame()
{
    const bool awake = m_root
            && (!m_awakeUntil.hasExpired() || m_framesSinceWake < MinFramesAfterChange);
    if (awake && !m_frameTimer.isActive()) {
        // At most one frame per 16 ms; the first after a still spell at once.
        const qint64 sinceLast = m_sinceFrame.isValid() ? m_sinceFrame.elapsed() : FrameIntervalMs;
        m_frameTimer.start(int(std::max<qint64>(0, FrameIntervalMs - sinceLast)));
    }
    setDrawing(awake);
}

void OnDemandScene::setDrawing(bool drawing)
{
    if (drawing == m_drawing)
        return;
    m_drawing = drawing;
    emit drawingChanged();
}

void OnDemandScene::drawFrame(bool wait)
{
    if (!m_root || m_frameInFlight)
        return;
    m_sinceFrame.start();
    m_frameInFlight = true;
    // Polishing lets Qt 3D process the frame's changes, here; the scene
    // graph takes them over on the render thread while this one waits, as
    // Qt Quick's own threaded render loop does.
    m_renderControl->polishItems();
    const QSize pixels = pixelSize();
    QMetaObject::invokeMethod(m_onRenderThread.get(), [this, pixels] {
        syncOnRenderThread(pixels);
    }, Qt::BlockingQueuedConnection);
    if (wait) {
        QImage picture;
        QMetaObject::invokeMethod(m_onRenderThread.get(), [this, &picture] {
            picture = renderOnRenderThread();
        }, Qt::BlockingQueuedConnection);
        frameDrawn(picture, m_generation);
        return;
    }
    QMetaObject::invokeMethod(m_onRenderThread.get(), [this, generation = m_generation] {
        const QImage picture = renderOnRenderThread();
        QMetaObject::invokeMethod(this, [this, picture, generation] {
            frameDrawn(picture, generation);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void OnDemandScene::syncOnRenderThread(const QSize &pixels)
{
    if (!m_context->makeCurrent(m_surface.get()))
        return;
    if (!m_framebuffer || m_framebuffer->size() != pixels) {
        m_framebuffer = std::make_unique<QOpenGLFramebufferObject>(
                    pixels, QOpenGLFramebufferObject::CombinedDepthStencil);
        m_sceneWindow->setRenderTarget(m_framebuffer.get());
    }
    m_renderControl->sync();
}

QImage OnDemandScene::renderOnRenderThread()
{
    // The sync left the context current unless it could not draw.
    if (QOpenGLContext::currentContext() != m_context.get())
        return QImage();
    m_renderControl->render();
    m_sceneWindow->resetOpenGLState();
    const QImage picture = m_framebuffer->toImage();
    m_context->doneCurrent();
    return picture;
}

void OnDemandScene::frameDrawn(const QImage &picture, quint64 generation)
{
    if (generation != m_generation)
        return;
    m_frameInFlight = false;
    if (!picture.isNull()) {
        m_picture = picture;
        m_pictureChanged = true;
        ++m_framesDrawn;
        emit framesDrawnChanged();
        update();
    }
    ++m_framesSinceWake;
    // The scene asks for its next frame only once it has been polished
    // again, so frames go on from here while it is awake.
    scheduleFrame();
}

QSGNode *OnDemandScene::updatePaintNode(QSGNode *node, UpdatePaintNodeData *)
{
    auto textureNode = static_cast<QSGSimpleTextureNode *>(node);
    if (m_picture.isNull()) {
        delete textureNode;
        return nullptr;
    }
    if (!textureNode) {
        textureNode = new QSGSimpleTextureNode;
        textureNode->setOwnsTexture(true);
        m_pictureChanged = true;
    }
    if (m_pictureChanged) {
        textureNode->setTexture(window()->createTextureFromImage(m_picture));
        m_pictureChanged = false;
    }
    textureNode->setRect(boundingRect());
    return textureNode;
}

} // namespace Internal
} // namespace Mimicry
