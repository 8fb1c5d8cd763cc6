// The view's mouse: cursors, drags that turn, move or zoom the picture, clicks that pick or
// probe nodes, the middle and right buttons' pan and turn and the wheel's zoom, and drags the
// window loses.
#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
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
        if (scene_.mouseMode() == MouseMode::Probe) probeAt(p);
    }
    // The middle button pans and the right one turns, whatever the left button's mode; one
    // drag at a time.
    const bool middle = event->button() == Qt::MiddleButton;
    if ((middle || event->button() == Qt::RightButton) && !dragging_ &&
        otherButton_ == Qt::NoButton && !scene_.busy()) {
        const QPoint p = pixel(event->position());
        scene_.otherButtonPress(middle ? DragKind::Pan : DragKind::Rotate, p.x(), p.y());
        otherButton_ = event->button();
        grabMouse(cursorFor(middle ? MouseMode::Pan : MouseMode::Rotate));
    }
    QOpenGLWidget::mousePressEvent(event);
}

void COrvantaView::mouseMoveEvent(QMouseEvent* event) {
    updateCursor();
    const bool leftOnly = event->buttons() == Qt::LeftButton &&
                          !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    if (leftOnly && dragging_ && scene_.modelLoaded()) {
        const QPoint p = pixel(event->position());
        // The probe follows the pointer while the left button is held.
        if (scene_.mouseMode() == MouseMode::Probe) probeAt(p);
        if (scene_.mouseDrag(p.x(), p.y())) {
            if (scene_.mouseMode() == MouseMode::ZoomBox) {
                boxPending_ = true;
                update();
            } else {
                requestRedraw();
            }
        }
    }
    if (otherButton_ != Qt::NoButton && (event->buttons() & otherButton_)) {
        const QPoint p = pixel(event->position());
        if (scene_.otherButtonDrag(p.x(), p.y())) requestRedraw();
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
    if (otherButton_ != Qt::NoButton && event->button() == otherButton_) {
        otherButton_ = Qt::NoButton;
        releaseMouse();
        if (scene_.otherButtonRelease()) requestRedraw();  // drawn whole again after the drag
        updateCursor();
    }
    QOpenGLWidget::mouseReleaseEvent(event);
}

void COrvantaView::wheelEvent(QWheelEvent* event) {
    // A notch is 120 eighths of a degree; a finer wheel's smaller turns add up to notches.
    wheelAngle_ += event->angleDelta().y();
    const int notches = wheelAngle_ / 120;
    wheelAngle_ -= notches * 120;
    const QPoint p = pixel(event->position());
    if (notches != 0 && scene_.commandWheelZoom(p.x(), p.y(), notches)) requestRedraw();
    event->accept();
}

void COrvantaView::endDrag(bool cancelled) {
    if (!dragging_ && otherButton_ == Qt::NoButton) return;
    dragging_ = false;
    otherButton_ = Qt::NoButton;  // the scene's cancel ends the other buttons' drag too
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
