// The view as an OpenGL widget: its construction, drawing, the zoom box's XOR pass and the
// animation timer.
#include "orvanta_view.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPixmap>
#include <QSettings>
#include <algorithm>
#include <cmath>

#include "file_chooser.h"
#include "messages.h"
#include "open_gl.h"

namespace orv::ui {

namespace {

QCursor loadCursor(const char* name, int hotX, int hotY) {
    const QPixmap pixmap(QStringLiteral(":/cursors/%1.png").arg(QLatin1String(name)));
    if (pixmap.isNull()) return QCursor(Qt::ArrowCursor);
    return QCursor(pixmap, hotX, hotY);
}

}  // namespace

COrvantaView::COrvantaView(Messages& messages, QWidget* parent)
    : QOpenGLWidget(parent),
      messages_(messages),
      fileMessages_(messages),
      scene_(fileMessages_),
      ownChooser_(std::make_unique<DialogFileChooser>()),
      chooser_(ownChooser_.get()),
      printer_(QPrinter::HighResolution) {
    // The zoom box is drawn by XOR into the frame that is kept between paints.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    cursors_[size_t(MouseMode::Rotate)] = loadCursor("rotate", 15, 15);
    cursors_[size_t(MouseMode::Pan)] = loadCursor("pan", 15, 15);
    cursors_[size_t(MouseMode::ZoomBox)] = loadCursor("zoombox", 15, 15);
    cursors_[size_t(MouseMode::Pick)] = loadCursor("pick", 15, 15);
    cursors_[size_t(MouseMode::Unpick)] = loadCursor("unpick", 15, 15);
    cursors_[size_t(MouseMode::Idle)] = QCursor(Qt::ArrowCursor);
    cursors_[size_t(MouseMode::Probe)] = loadCursor("probe", 15, 15);
    animationTimer_.setTimerType(Qt::PreciseTimer);
    connect(&animationTimer_, &QTimer::timeout, this, &COrvantaView::animationTick);
    updateCursor();
}

COrvantaView::~COrvantaView() {
    animationTimer_.stop();
    if (glReady_ && context() && context()->isValid()) {
        makeCurrent();
        OpenGl gl;
        scene_.fonts().destroy(gl);
        doneCurrent();
    } else {
        scene_.fonts().forget();
    }
}

void COrvantaView::setFileChooser(FileChooser* chooser) {
    chooser_ = chooser ? chooser : ownChooser_.get();
}

int COrvantaView::pixelWidth() const {
    return std::max(1, int(std::lround(width() * devicePixelRatioF())));
}

int COrvantaView::pixelHeight() const {
    return std::max(1, int(std::lround(height() * devicePixelRatioF())));
}

QPoint COrvantaView::pixel(const QPointF& p) const {
    const double r = devicePixelRatioF();
    return QPoint(int(std::floor(p.x() * r)), int(std::floor(p.y() * r)));
}

// --- drawing ---

void COrvantaView::initializeGL() {
    scene_.setPixelScale(float(devicePixelRatioF()));
    OpenGl gl;
    scene_.fonts().create(gl, scene_.pixelScale());
    if (!scene_.fonts().usable()) {
        // Said once the window is up, not from inside the context's set-up.
        const std::string problem = scene_.fonts().problem();
        QTimer::singleShot(0, this, [this, problem] {
            messages_.showMessage("The pictures have no text: " + problem);
        });
    }
    glReady_ = true;
    loadColours();
    scene_.resize(pixelWidth(), pixelHeight());
}

void COrvantaView::loadColours() {
    QSettings settings;
    settings.beginGroup(QStringLiteral("Color"));
    for (const auto& entry : Scene::colourSettingNames()) {
        const char* name = entry.first;
        // The INI form reads an unquoted "10,20,30" as a list of three texts.
        const QVariant value = settings.value(QLatin1String(name));
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(QLatin1Char(','))
                                 : value.toString();
        scene_.applyColourSetting(name, text.toStdString());
    }
}

void COrvantaView::resizeGL(int, int) {
    const float scale = scene_.pixelScale();
    scene_.setPixelScale(float(devicePixelRatioF()));
    if (scene_.pixelScale() != scale && glReady_) {
        // Moved to a screen of another density: the fonts are made again at its scale.
        OpenGl gl;
        scene_.fonts().destroy(gl);
        scene_.fonts().create(gl, scene_.pixelScale());
    }
    scene_.resize(pixelWidth(), pixelHeight());
    redrawWanted_ = true;
}

void COrvantaView::requestRedraw() {
    redrawWanted_ = true;
    update();
}

void COrvantaView::paintGL() {
    OpenGl gl;
    if (!redrawWanted_ && boxPending_) {
        // Only the rubber band moved: XOR away the old box and draw the new one.
        xorZoomBox(gl);
        return;
    }
    redrawWanted_ = false;
    boxPending_ = false;
    boxDrawn_ = false;
    scene_.drawFrame(gl);
    makeOpaque();
    if (scene_.zoomBoxVisible()) xorZoomBox(gl);
    restoreDrawingState(gl);
    ++framesDrawn_;
    followProbe();
    if (tickPending_) {
        tickPending_ = false;
        scene_.advanceStep();  // a drag holds the step
    }
    emit frameDrawn();
}

void COrvantaView::makeOpaque() {
    // The scene clears with alpha 0; the window composes the frame as an image, which
    // must be opaque or the window's own background shows through.
    QOpenGLFunctions* f = context()->functions();
    f->glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    f->glClearColor(0, 0, 0, 1);
    f->glClear(GL_COLOR_BUFFER_BIT);
    f->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void COrvantaView::xorZoomBox(Gl& gl) {
    boxPending_ = false;
    gl.enable(gl::ColorLogicOp);
    gl.logicOp(gl::Xor);
    gl.disable(gl::Lighting);
    gl.disable(gl::DepthTest);
    if (boxDrawn_) scene_.drawZoomBox(gl, drawnCorner1_, drawnCorner2_);
    boxDrawn_ = false;
    if (scene_.zoomBoxVisible()) {
        drawnCorner1_ = scene_.camera().boxCorner1;
        drawnCorner2_ = scene_.camera().boxCorner2;
        scene_.drawZoomBox(gl, drawnCorner1_, drawnCorner2_);
        boxDrawn_ = true;
    }
    restoreDrawingState(gl);
}

void COrvantaView::restoreDrawingState(Gl& gl) {
    gl.disable(gl::ColorLogicOp);
    gl.logicOp(gl::Copy);
    gl.enable(gl::DepthTest);
    if (scene_.settings().lightOn && scene_.modelLoaded())
        gl.enable(gl::Lighting);
    else
        gl.disable(gl::Lighting);
}

// --- the probe ---

void COrvantaView::probeAt(const QPoint& p) {
    const int32_t before = scene_.probedNode();
    if (!scene_.commandProbe(p.x(), p.y())) return;
    if (!probePanel_) {
        probePanel_ = new ProbePanel(this);
        probePanel_->setAttribute(Qt::WA_DeleteOnClose);
        probePanel_->adjustSize();
        // Beside the view's top left corner, away from the legend and the other dialogs.
        probePanel_->move(mapToGlobal(QPoint(8, 8)));
    }
    if (!probePanel_->isVisible()) probePanel_->show();
    followProbe();
    if (scene_.probedNode() != before) requestRedraw();
}

void COrvantaView::followProbe() {
    QString line;
    if (const auto report = scene_.probeReport(scene_.probedNode())) {
        const Scene& s = scene_;
        line = QString::fromStdString(
            probeStatusText(*report, s.model().plotItemName(s.settings().plotItem)));
        if (probePanel_) probePanel_->setReport(QString::fromStdString(probeText(*report)));
    }
    if (line == probeLine_) return;
    probeLine_ = line;
    emit probeChanged(line);
}

// --- animation ---

void COrvantaView::pause() {
    if (!animationDialogOpen()) return;
    resumeWanted_ = resumeWanted_ || animationRunning_;
    animationTimer_.stop();
    animationRunning_ = false;
}

void COrvantaView::resume() {
    if (animationDialogOpen() && resumeWanted_) startAnimationTimer(animationPeriod_);
    resumeWanted_ = false;
}

void COrvantaView::stopAnimationTimer() {
    animationTimer_.stop();
    animationRunning_ = false;
    resumeWanted_ = false;
}

void COrvantaView::startAnimationTimer(int period) {
    animationPeriod_ = std::clamp(period, 1, 991);
    animationTimer_.start(animationPeriod_);
    animationRunning_ = true;
}

void COrvantaView::setAnimationDialogOpen(bool open) {
    scene_.setDialogOpen(ModelessDialog::Animation, open);
    if (!open) stopAnimationTimer();
    emit commandStatesChanged();
}

void COrvantaView::setCutPlaneDialogOpen(bool open) {
    scene_.setDialogOpen(ModelessDialog::CutPlane, open);
    emit commandStatesChanged();
}

void COrvantaView::animationTick() {
    tickPending_ = true;
    requestRedraw();
}

bool COrvantaView::playAnimation(int displaySteps, double magnification, AnimationMethod method,
                                 int period) {
    if (!scene_.startAnimation(displaySteps, magnification, method)) return false;
    if (!animationRunning_ || period != animationPeriod_) startAnimationTimer(period);
    requestRedraw();
    return true;
}

void COrvantaView::holdAnimation() {
    stopAnimationTimer();
    scene_.holdAnimation();
}

void COrvantaView::closeAnimation() {
    setAnimationDialogOpen(false);  // stops the timer
    scene_.stopAnimation();
    requestRedraw();
}

}  // namespace orv::ui
