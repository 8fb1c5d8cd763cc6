// The view's mouse: cursors, drags that turn, move or zoom the picture, clicks that pick nodes,
// and drags the window loses.
#include <QApplication>
#include <QMouseEvent>
#include <cmath>

#include "orvanta_view.h"

namespace orv::ui {

QCursor COrvantaView::cursorFor(MouseMode mode) const {
    const size_t i = size_t(mode);
    return i < cursors_.size() ? cursors_[i] : QCursor(Qt::ArrowCursor);
}

void COrvantaView::updateCursor() {
    const QCursor c = cursorFor(scene_.mouseMode());
    if (cursor().shape() != c.shape() || c.shape() == Qt::BitmapCursor) setCursor(c);
}

void COrvantaView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !scene_.busy()) {
        const QPoint p = pixel(event->position());
        scene_.mousePress(p.x(), p.y());
        dragging_ = true;
        boxDrawn_ = false;
        // The whole drag belongs to the view, wherever the pointer goes.
        grabMouse(cursorFor(scene_.mouseMode()));
    }
    QOpenGLWidget::mousePressEvent(event);
}

void COrvantaView::mouseMoveEvent(QMouseEvent* event) {
    updateCursor();
    const bool leftOnly = event->buttons() == Qt::LeftButton &&
                          !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    if (leftOnly && dragging_ && scene_.modelLoaded()) {
        const QPoint p = pixel(event->position());
        if (scene_.mouseDrag(p.x(), p.y())) {
            if (scene_.mouseMode() == MouseMode::ZoomBox) {
                boxPending_ = true;
                update();
            } else {
                requestRedraw();
            }
        }
    }
    QOpenGLWidget::mouseMoveEvent(event);
}

void COrvantaView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) {
        const QPoint p = pixel(event->position());
        const bool zoomBox = scene_.mouseMode() == MouseMode::ZoomBox;
        dragging_ = false;
        releaseMouse();
        // A click picks or unpicks before the release can end a zoom box and return to a
        // picking mode; a pointer moved less than a drag's start is still a click.
        const int slop = int(std::lround(QApplication::startDragDistance() * devicePixelRatioF()));
        const bool picked = scene_.mouseClick(p.x(), p.y(), slop);
        if (scene_.mouseRelease(p.x(), p.y()) || zoomBox || picked) requestRedraw();
        updateCursor();
        emit commandStatesChanged();
    }
    QOpenGLWidget::mouseReleaseEvent(event);
}

void COrvantaView::endDrag(bool cancelled) {
    if (!dragging_) return;
    dragging_ = false;
    releaseMouse();
    if (cancelled) scene_.cancelDrag();
    requestRedraw();
    updateCursor();
    emit commandStatesChanged();
}

void COrvantaView::focusOutEvent(QFocusEvent* event) {
    // A box or modal window that takes the focus ends the drag: no box stays in XOR mode.
    endDrag(true);
    QOpenGLWidget::focusOutEvent(event);
}

void COrvantaView::hideEvent(QHideEvent* event) {
    endDrag(true);
    QOpenGLWidget::hideEvent(event);
}

void COrvantaView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) endDrag(true);
    QOpenGLWidget::changeEvent(event);
}

}  // namespace orv::ui
