#include "splash_window.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace orv::ui {

namespace {
QPointer<SplashWindow> theSplash;
}

SplashWindow* SplashWindow::show(QWidget* owner) {
    if (theSplash) return nullptr;
    const QPixmap picture(QStringLiteral(":/images/splash.png"));
    if (picture.isNull()) return nullptr;
    auto* splash = new SplashWindow(owner, picture);
    theSplash = splash;
    splash->QWidget::show();
    splash->raise();
    return splash;
}

SplashWindow* SplashWindow::current() {
    return theSplash.data();
}

SplashWindow::SplashWindow(QWidget* owner, const QPixmap& picture)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(picture) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("splash"));
    const QSize size = picture_.deviceIndependentSize().toSize();
    setFixedSize(size);
    const QRect area = owner ? owner->frameGeometry() : QRect(QPoint(0, 0), size);
    move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SplashWindow::dismiss);
    timer_.start(kLifetimeMs);
    qApp->installEventFilter(this);
}

SplashWindow::~SplashWindow() {
    qApp->removeEventFilter(this);
}

void SplashWindow::dismiss() {
    timer_.stop();
    qApp->removeEventFilter(this);
    QWidget* owner = parentWidget();
    close();
    if (owner) owner->update();
}

bool SplashWindow::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
            dismiss();
            return true;  // the key or click only hides the splash
        default:
            return false;
    }
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

}  // namespace orv::ui
