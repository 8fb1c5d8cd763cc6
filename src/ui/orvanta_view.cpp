#include "orvanta_view.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QSettings>
#include <algorithm>
#include <cmath>

#include "animation_dialog.h"
#include "batching_gl.h"
#include "dialogs.h"
#include "file_chooser.h"
#include "frame_image.h"
#include "image_files.h"
#include "messages.h"
#include "open_gl.h"
#include "progress_dialog.h"

namespace orv::ui {

namespace {

QCursor loadCursor(const char* name, int hotX, int hotY) {
    const QPixmap pixmap(QStringLiteral(":/cursors/%1.png").arg(QLatin1String(name)));
    if (pixmap.isNull()) return QCursor(Qt::ArrowCursor);
    return QCursor(pixmap, hotX, hotY);
}

// The file types of the Open dialog, the remembered one first.
QStringList openFilters(const QString& type, QString& defaultSuffix) {
    const QString rst = QStringLiteral("Orvanta30 RST Files (*.rst)");
    const QString asc = QStringLiteral("Orvanta30 ASC Files (*.asc)");
    const QString mdf = QStringLiteral("Orvanta30 MOD Files (*.mdf)");
    if (type == QLatin1String("asc")) {
        defaultSuffix = QStringLiteral("asc");
        return {asc, rst, mdf};
    }
    if (type == QLatin1String("mdf")) {
        defaultSuffix = QStringLiteral("mdf");
        return {mdf, rst, asc};
    }
    defaultSuffix = QStringLiteral("rst");
    return {rst, asc, mdf};
}

// Disables the main window while a file is read or written, shows the progress dialog
// and the wait cursor, and undoes all three however the read ends.
class BusyScope {
  public:
    BusyScope(QWidget* view, bool& busy) : window_(view->window()), busy_(busy) {
        busy_ = true;
        window_->setEnabled(false);
        progress_ = std::make_unique<ProgressDialog>(window_);
        progress_->setEnabled(true);
        progress_->show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyScope() {
        QApplication::restoreOverrideCursor();
        progress_.reset();
        window_->setEnabled(true);
        busy_ = false;
    }
    ProgressDialog& progress() { return *progress_; }

  private:
    QWidget* window_;
    bool& busy_;
    std::unique_ptr<ProgressDialog> progress_;
};

}  // namespace

COrvantaView::COrvantaView(Messages& messages, QWidget* parent)
    : QOpenGLWidget(parent),
      messages_(messages),
      scene_(messages),
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
    animationTimer_.setTimerType(Qt::PreciseTimer);
    connect(&animationTimer_, &QTimer::timeout, this, &COrvantaView::animationTick);
    addCommands();
    updateCursor();
}

COrvantaView::~COrvantaView() {
    animationTimer_.stop();
    if (glReady_ && context() && context()->isValid()) {
        makeCurrent();
        OpenGl gl;
        scene_.fonts.destroy(gl);
        doneCurrent();
    } else {
        scene_.fonts.forget();
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
    OpenGl gl;
    scene_.fonts.create(gl);
    glReady_ = true;
    loadColours();
    scene_.resize(pixelWidth(), pixelHeight());
}

void COrvantaView::loadColours() {
    QSettings settings;
    settings.beginGroup(QStringLiteral("Color"));
    for (const auto& [name, index] : Scene::colourSettingNames()) {
        (void)index;
        const QString text = settings.value(QLatin1String(name)).toString();
        scene_.applyColourSetting(name, text.toStdString());
    }
}

void COrvantaView::resizeGL(int, int) {
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
    {
        BatchingGl batching(gl);
        scene_.redraw(batching);
        batching.flushBatches();
    }
    makeOpaque();
    if (scene_.zoomBoxVisible()) xorZoomBox(gl);
    restoreDrawingState(gl);
    ++framesDrawn_;
    if (tickPending_) {
        tickPending_ = false;
        // A drag holds the animation's step.
        if (scene_.advanceStepOnRedraw) scene_.advanceStep();
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
        drawnCorner1_ = scene_.camera.boxCorner1;
        drawnCorner2_ = scene_.camera.boxCorner2;
        scene_.drawZoomBox(gl, drawnCorner1_, drawnCorner2_);
        boxDrawn_ = true;
    }
    restoreDrawingState(gl);
}

void COrvantaView::restoreDrawingState(Gl& gl) {
    gl.disable(gl::ColorLogicOp);
    gl.logicOp(gl::Copy);
    gl.enable(gl::DepthTest);
    if (scene_.settings.lightOn && scene_.modelLoaded)
        gl.enable(gl::Lighting);
    else
        gl.disable(gl::Lighting);
}

// --- mouse ---

QCursor COrvantaView::cursorFor(MouseMode mode) const {
    const size_t i = size_t(mode);
    return i < cursors_.size() ? cursors_[i] : QCursor(Qt::ArrowCursor);
}

void COrvantaView::updateCursor() {
    const QCursor c = cursorFor(scene_.mouseMode);
    if (cursor().shape() != c.shape() || c.shape() == Qt::BitmapCursor) setCursor(c);
}

void COrvantaView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !busy_) {
        const QPoint p = pixel(event->position());
        scene_.mousePress(p.x(), p.y());
        dragging_ = true;
        boxDrawn_ = false;
        // The whole drag belongs to the view, wherever the pointer goes.
        grabMouse(cursorFor(scene_.mouseMode));
    }
    QOpenGLWidget::mousePressEvent(event);
}

void COrvantaView::mouseMoveEvent(QMouseEvent* event) {
    updateCursor();
    const bool leftOnly = event->buttons() == Qt::LeftButton &&
                          !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    if (leftOnly && dragging_ && scene_.modelLoaded) {
        const QPoint p = pixel(event->position());
        if (scene_.mouseDrag(p.x(), p.y())) {
            if (scene_.mouseMode == MouseMode::ZoomBox) {
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
        const bool zoomBox = scene_.mouseMode == MouseMode::ZoomBox;
        dragging_ = false;
        releaseMouse();
        if (scene_.mouseRelease(p.x(), p.y()) || zoomBox) requestRedraw();
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

// --- animation ---

void COrvantaView::pause() {
    if (!animationDialogOpen_) return;
    resumeWanted_ = resumeWanted_ || animationRunning_;
    animationTimer_.stop();
    animationRunning_ = false;
}

void COrvantaView::resume() {
    if (animationDialogOpen_ && resumeWanted_) startAnimationTimer(animationPeriod_);
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
    animationDialogOpen_ = open;
    if (!open) stopAnimationTimer();
    emit commandStatesChanged();
}

void COrvantaView::setCutPlaneDialogOpen(bool open) {
    cutPlaneDialogOpen_ = open;
    emit commandStatesChanged();
}

void COrvantaView::animationTick() {
    tickPending_ = true;
    requestRedraw();
}

// --- commands ---

void COrvantaView::addCommands() {
    auto& c = commands_;
    c[QStringLiteral("open")] = [this] { openCommand(); };
    c[QStringLiteral("saveAs")] = [this] { saveAsCommand(); };
    c[QStringLiteral("saveImage")] = [this] { saveImageCommand(); };
    c[QStringLiteral("print")] = [this] { printCommand(); };
    c[QStringLiteral("printPreview")] = [this] { printPreviewCommand(); };
    c[QStringLiteral("printSetup")] = [this] { printSetupCommand(); };

    c[QStringLiteral("plotNode")] = [this] { plotMode(PlotMode::Node, false); };
    c[QStringLiteral("plotMesh")] = [this] { plotMode(PlotMode::Mesh, false); };
    c[QStringLiteral("plotMaterial")] = [this] { plotMode(PlotMode::Material, false); };
    c[QStringLiteral("plotContour")] = [this] { plotMode(PlotMode::Contour, false); };
    c[QStringLiteral("plotContourEdge")] = [this] { plotMode(PlotMode::Contour, true); };
    c[QStringLiteral("plotIsoLine")] = [this] { plotMode(PlotMode::IsoLine, false); };
    c[QStringLiteral("plotIsoSurface")] = [this] { plotMode(PlotMode::IsoSurface, false); };
    c[QStringLiteral("displayVector")] = [this] { plotMode(PlotMode::Vector, false); };
    c[QStringLiteral("addGrid")] = [this] { afterCommand(scene_.commandToggleGrid()); };
    c[QStringLiteral("undeformed")] = [this] { afterCommand(scene_.commandToggleUndeformed()); };
    c[QStringLiteral("lightEffect")] = [this] { afterCommand(scene_.commandToggleLight(*this)); };
    c[QStringLiteral("stepMaxMin")] = [this] {
        scene_.commandToggleStepMaxMin();
        afterCommand(false);  // shown at the next redraw
    };
    c[QStringLiteral("cuttingPlane")] = [this] { cuttingPlaneCommand(); };

    c[QStringLiteral("viewXYZ")] = [this] { afterCommand(scene_.commandViewPreset(3)); };
    c[QStringLiteral("viewXOY")] = [this] { afterCommand(scene_.commandViewPreset(0)); };
    c[QStringLiteral("viewYOZ")] = [this] { afterCommand(scene_.commandViewPreset(1)); };
    c[QStringLiteral("viewZOX")] = [this] { afterCommand(scene_.commandViewPreset(2)); };
    c[QStringLiteral("viewPort")] = [this] { viewPortCommand(); };
    c[QStringLiteral("left")] = [this] { afterCommand(scene_.commandPanStep(1)); };
    c[QStringLiteral("right")] = [this] { afterCommand(scene_.commandPanStep(2)); };
    c[QStringLiteral("up")] = [this] { afterCommand(scene_.commandPanStep(3)); };
    c[QStringLiteral("down")] = [this] { afterCommand(scene_.commandPanStep(4)); };
    c[QStringLiteral("zoomUp")] = [this] { afterCommand(scene_.commandZoomUp()); };
    c[QStringLiteral("zoomDown")] = [this] { afterCommand(scene_.commandZoomDown()); };
    c[QStringLiteral("reset")] = [this] { afterCommand(scene_.commandResetDisplay()); };
    c[QStringLiteral("dynamicPan")] = [this] {
        scene_.commandDynamicPan();
        afterCommand(false);
    };
    c[QStringLiteral("dynamicRotation")] = [this] {
        scene_.commandDynamicRotation();
        afterCommand(false);
    };
    c[QStringLiteral("zoomBox")] = [this] {
        const bool wasBox = scene_.mouseMode == MouseMode::ZoomBox;
        scene_.commandZoomBox();
        // A cancelled box may have left its band on the screen.
        afterCommand(wasBox);
    };

    c[QStringLiteral("play")] = [this] {
        if (!scene_.checkCommand(true) || animationDialogOpen_) return;
        setAnimationDialogOpen(true);
        auto* dialog = new AnimationDialog(*this, messages_);
        // Beside the view's top right corner, where it hides the least of the model.
        const QRect view(mapToGlobal(QPoint(0, 0)), size());
        dialog->adjustSize();
        dialog->move(view.right() - dialog->width(), view.top());
        dialog->show();
        afterCommand(false);
    };
    c[QStringLiteral("stop")] = [this] {
        if (!scene_.checkCommand(false)) return;
        stopAnimationTimer();
        afterCommand(false);
    };
    c[QStringLiteral("firstStep")] = [this] { stepCommand(0); };
    c[QStringLiteral("previousStep")] = [this] { stepCommand(1); };
    c[QStringLiteral("nextStep")] = [this] { stepCommand(2); };
    c[QStringLiteral("lastStep")] = [this] { stepCommand(3); };
    c[QStringLiteral("stepNumber")] = [this] { stepNumberCommand(); };

    // Dialogs of the plot options: guards and the animation's pause and resume; the dialogs
    // themselves come with the option dialogs.
    c[QStringLiteral("numbering")] = [this] { dialogCommand(true, {}, true); };
    c[QStringLiteral("magnification")] = [this] { dialogCommand(true, {}, true); };
    c[QStringLiteral("contourDivision")] = [this] { dialogCommand(true, {}, true); };
    c[QStringLiteral("selectNE")] = [this] { dialogCommand(false, {}, true); };
    c[QStringLiteral("symmetry")] = [this] { symmetryCommand(); };
    c[QStringLiteral("colorOption")] = [this] { colourOptionCommand(); };
    c[QStringLiteral("helpIndex")] = [this] {
        messages_.showMessage("Sorry! It is not available.");
    };
}

bool COrvantaView::command(const QString& id) {
    const auto it = commands_.constFind(id);
    if (it == commands_.constEnd()) return false;
    if (busy_) return true;  // nothing runs while a file is read or written
    (*it)();
    return true;
}

void COrvantaView::afterCommand(bool changed) {
    if (changed) requestRedraw();
    updateCursor();
    emit commandStatesChanged();
}

void COrvantaView::plotMode(PlotMode mode, bool contourEdges) {
    afterCommand(scene_.commandPlotMode(mode, contourEdges, *this));
}

void COrvantaView::chooseItem(int index) {
    if (busy_ || index < 0) return;
    afterCommand(scene_.commandChooseItem(index));
}

void COrvantaView::stepCommand(int which) {
    if (!scene_.checkCommand(false)) return;
    stopAnimationTimer();  // stepping leaves the animation paused
    switch (which) {
        case 0:
            scene_.commandFirstStep();
            break;
        case 1:
            scene_.commandPreviousStep();
            break;
        case 2:
            scene_.commandNextStep();
            break;
        default:
            scene_.commandLastStep();
            break;
    }
    afterCommand(true);
}

void COrvantaView::stepNumberCommand() {
    if (!scene_.checkCommand(false)) return;
    pause();
    const bool modes = scene_.model.modalResults;
    const int total = scene_.model.results.stepCount;
    const int current = (modes ? scene_.model.chosenMode : scene_.settings.currentStep) + 1;
    StepDialog dialog(this, messages_, modes, total, current);
    if (dialog.exec() == QDialog::Accepted) {
        const int v = dialog.number() - 1;
        if (modes) {
            scene_.model.chosenMode = v;
            scene_.geometry.invalidate();
            scene_.computeBands();
        } else {
            scene_.commandSetStep(v);
        }
        requestRedraw();
    }
    if (modes)
        resume();
    else
        resumeWanted_ = false;
    afterCommand(false);
}

void COrvantaView::viewPortCommand() {
    if (!scene_.canDefineViewAngles()) return;
    const auto& a = scene_.camera.angles;
    ViewportDialog dialog(this, messages_, a[0], a[1], a[2]);
    if (dialog.exec() != QDialog::Accepted) return;
    scene_.setViewAngles(dialog.angle(0), dialog.angle(1), dialog.angle(2));
    afterCommand(true);
}

void COrvantaView::dialogCommand(bool needGuard, const std::function<bool()>& dialog,
                                 bool resumeOnCancel) {
    if (needGuard && !scene_.checkCommand(false)) return;
    pause();
    const bool ok = dialog ? dialog() : false;
    if (ok || resumeOnCancel)
        resume();
    else
        resumeWanted_ = false;
    afterCommand(ok);
}

void COrvantaView::symmetryCommand() {
    if (!scene_.checkCommand(false)) return;
    if (scene_.model.dimension != 2) {
        messages_.showMessage("It is available for 2D plot!");
        return;
    }
    // Cancel leaves a running animation paused.
    dialogCommand(false, {}, false);
}

void COrvantaView::cuttingPlaneCommand() {
    if (!scene_.checkCommand(false)) return;
    pause();
    if (scene_.model.dimension == 2) {
        resumeWanted_ = false;  // the animation stays paused
        messages_.showMessage("It is for 3D results!");
        afterCommand(false);
        return;
    }
    // TODO(cutting-plane dialog): savedMouseMode, the emptied pick list and the modeless
    // "Define cut plane" dialog, which reports itself with setCutPlaneDialogOpen.
    resumeWanted_ = false;
    afterCommand(false);
}

void COrvantaView::colourOptionCommand() {
    pause();
    // TODO(colour dialog): the "Define color" dialog runs here.
    if (animationDialogOpen_)
        resume();
    else
        requestRedraw();
    afterCommand(false);
}

CommandState COrvantaView::commandState(const QString& id) const {
    CommandState s;
    const PlotSettings& p = scene_.settings;
    const auto mode = [&](PlotMode m) {
        s.checkable = true;
        s.checked = p.plotMode == m;
    };
    const auto flag = [&](bool on) {
        s.checkable = true;
        s.checked = on;
    };
    if (id == QLatin1String("plotNode")) mode(PlotMode::Node);
    if (id == QLatin1String("plotMesh")) mode(PlotMode::Mesh);
    if (id == QLatin1String("plotMaterial")) mode(PlotMode::Material);
    if (id == QLatin1String("plotIsoLine")) mode(PlotMode::IsoLine);
    if (id == QLatin1String("plotIsoSurface")) mode(PlotMode::IsoSurface);
    if (id == QLatin1String("displayVector")) mode(PlotMode::Vector);
    if (id == QLatin1String("plotContour"))
        flag(p.plotMode == PlotMode::Contour && !scene_.contourEdges);
    if (id == QLatin1String("plotContourEdge"))
        flag(p.plotMode == PlotMode::Contour && scene_.contourEdges);
    if (id == QLatin1String("addGrid")) flag(p.elementGrid != 0);
    if (id == QLatin1String("undeformed")) flag(p.undeformedMesh != 0);
    if (id == QLatin1String("lightEffect")) flag(p.lightOn != 0);
    if (id == QLatin1String("stepMaxMin")) flag(p.stepMaxMin != 0);
    if (id == QLatin1String("dynamicPan")) flag(scene_.mouseMode == MouseMode::Pan);
    if (id == QLatin1String("dynamicRotation")) flag(scene_.mouseMode == MouseMode::Rotate);
    if (id == QLatin1String("zoomBox")) flag(scene_.mouseMode == MouseMode::ZoomBox);
    if (id == QLatin1String("cuttingPlane")) {
        flag(cutPlaneDialogOpen_);
        s.enabled = !cutPlaneDialogOpen_;
    }
    if (id == QLatin1String("plotCurve")) flag(scene_.curvePlotShown != 0);
    if (id == QLatin1String("play")) s.enabled = !animationDialogOpen_;
    if (busy_) s.enabled = false;
    return s;
}

bool COrvantaView::canClose() {
    if (busy_) return false;
    if (cutPlaneDialogOpen_) {
        messages_.showMessage("Please close cut plane dialog firstly!");
        return false;
    }
    if (animationDialogOpen_) {
        messages_.showMessage("Please close animation dialog firstly!");
        return false;
    }
    return true;
}

// --- files ---

void COrvantaView::openCommand() {
    if (busy_) return;
    if (animationDialogOpen_) {
        stopAnimationTimer();
        messages_.showMessage("Please close firstly animation dialog!");
        return;
    }
    if (cutPlaneDialogOpen_) {
        messages_.showMessage("Please close firstly cut dialog!");
        return;
    }
    QSettings settings;
    const QString directory = settings.value(QStringLiteral("Settings/FilePath")).toString();
    const QString type = settings.value(QStringLiteral("Settings/FileType")).toString();
    if (!directory.isEmpty() && QFileInfo(directory).isDir()) QDir::setCurrent(directory);
    FileRequest request;
    request.caption = QStringLiteral("Open");
    request.directory = directory.isEmpty() ? QDir::currentPath() : directory;
    request.filters = openFilters(type, request.defaultSuffix);
    const QString path = chooser_->openFile(window(), request);
    if (path.isEmpty()) return;
    openPath(path);
}

bool COrvantaView::openPath(const QString& path) {
    if (busy_) return false;
    if (animationDialogOpen_) {
        stopAnimationTimer();
        messages_.showMessage("Please close firstly animation dialog!");
        return false;
    }
    if (cutPlaneDialogOpen_) {
        messages_.showMessage("Please close firstly cut dialog!");
        return false;
    }
    // The path is cut just after the last point of the file's name (a point in a
    // directory's name is not an extension).
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash) {
        cutPath_ = path.left(dot + 1);
        extension_ = path.mid(dot + 1);
    } else {
        cutPath_ = path;
        extension_.clear();
    }
    stopAnimationTimer();
    bool ok;
    {
        BusyScope busy(this, busy_);
        emit commandStatesChanged();
        ok = scene_.openFile(busy.progress(), cutPath_.toStdString(), extension_.toStdString());
    }
    QSettings settings;
    settings.setValue(QStringLiteral("Settings/FileType"), extension_);
    scene_.resize(pixelWidth(), pixelHeight());
    QStringList names;
    for (const std::string& name : scene_.model.results.dofNames)
        names << QString::fromStdString(name);
    emit plotItemsChanged(names);
    emit captionChanged(QLatin1String(kCaptionPrefix) + cutPath_ + extension_);
    boxDrawn_ = false;
    requestRedraw();
    const qsizetype cut = cutPath_.lastIndexOf(QLatin1Char('/'));
    settings.setValue(QStringLiteral("Settings/FilePath"),
                      cut >= 0 ? cutPath_.left(cut + 1) : QString());
    settings.sync();
    afterCommand(false);
    return ok;
}

void COrvantaView::saveAsCommand() {
    if (busy_) return;
    if (animationDialogOpen_) stopAnimationTimer();  // it stays paused
    if (!scene_.modelLoaded) {
        messages_.showMessage("Please read result file firstly!");
        return;
    }
    const bool fromText = extension_.compare(QLatin1String("asc"), Qt::CaseInsensitive) == 0;
    const QString target = fromText ? QStringLiteral("rst") : QStringLiteral("asc");
    FileRequest request;
    request.caption = QStringLiteral("Save As");
    request.filters = {fromText ? QStringLiteral("Orvanta30 RST Files (*.rst)")
                                : QStringLiteral("Orvanta30 Asc Files (*.asc)")};
    request.defaultSuffix = target;
    request.proposedName = cutPath_ + target;
    request.directory = QFileInfo(request.proposedName).absolutePath();
    const QString path = chooser_->saveFile(window(), request);
    if (path.isEmpty()) return;
    {
        BusyScope busy(this, busy_);
        emit commandStatesChanged();
        scene_.saveFile(busy.progress(), path.toStdString(), target.toStdString());
    }
    afterCommand(false);
}

// --- the picture ---

bool COrvantaView::readViewFrame(FrameImage& image) {
    if (!glReady_ || !context() || !context()->isValid()) return false;
    makeCurrent();
    OpenGl gl;
    gl.viewport(0, 0, pixelWidth(), pixelHeight());
    const bool ok = readFrame(gl, image);
    doneCurrent();
    return ok;
}

void COrvantaView::saveImageCommand() {
    if (busy_) return;
    if (animationDialogOpen_) {
        stopAnimationTimer();
        messages_.showMessage("Please close firstly animation dialog!");
        return;
    }
    if (!scene_.modelLoaded && !scene_.curvePlotShown) {
        messages_.showMessage("No image available!");
        return;
    }
    FrameImage image;
    if (!readViewFrame(image)) {
        messages_.showMessage("Unable to get OpenGL bitmap from screen!");
        return;
    }
    FileRequest request;
    request.caption = QStringLiteral("Save Bitmap File");
    request.directory = QStringLiteral(".");
    // Both spellings: file names are case-sensitive here.
    request.filters = {QStringLiteral("Bitmaps (*.BMP *.bmp)")};
    request.proposedName = QStringLiteral("untitled.bmp");
    const QString path = chooser_->saveFile(this, request);
    if (path.isEmpty()) return;
    if (writeBitmapFile(path.toStdString(), image) != 0)
        messages_.showMessage("Could not save to file!");
}

QImage COrvantaView::renderPicture() {
    if (!glReady_ || !context() || !context()->isValid()) return {};
    if (!scene_.modelLoaded && !scene_.curvePlotShown) return {};
    const int w = pixelWidth(), h = pixelHeight();
    makeCurrent();
    FrameImage frame;
    bool ok = false;
    {
        // Drawn in the view's own context, so that its fonts serve and stay intact.
        QOpenGLFramebufferObject fbo(w, h, QOpenGLFramebufferObject::CombinedDepthStencil);
        if (fbo.isValid() && fbo.bind()) {
            OpenGl gl;
            scene_.resize(w, h);
            {
                BatchingGl batching(gl);
                scene_.redraw(batching);
                batching.flushBatches();
            }
            restoreDrawingState(gl);
            gl.viewport(0, 0, w, h);
            ok = readFrame(gl, frame);
            fbo.release();
        }
    }
    doneCurrent();
    if (!ok) return {};
    QImage image(frame.header.width, frame.header.height, QImage::Format_RGB888);
    const size_t row = FrameImage::rowSize(frame.header.width);
    for (int y = 0; y < frame.header.height; ++y) {
        const uint8_t* src = frame.pixels.data() + size_t(frame.header.height - 1 - y) * row;
        uchar* dst = image.scanLine(y);
        for (int x = 0; x < frame.header.width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return image;
}

QRect COrvantaView::printTarget(QSize picture, QSize page) {
    if (picture.isEmpty() || page.isEmpty()) return {};
    double f = page.width() > page.height() ? 4.2 : 3.5;
    f = std::min(
        {f, double(page.width()) / picture.width(), double(page.height()) / picture.height()});
    const int w = int(picture.width() * f), h = int(picture.height() * f);
    return QRect((page.width() - w) / 2, (page.height() - h) / 2, w, h);
}

bool COrvantaView::printPicture(QPrinter& printer) {
    const QImage image = renderPicture();
    if (image.isNull()) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    painter.drawImage(printTarget(image.size(), page.size()), image);
    painter.end();
    requestRedraw();
    return true;
}

void COrvantaView::printCommand() {
    if (busy_) return;
    QPrintDialog dialog(&printer_, this);
    if (dialog.exec() == QDialog::Accepted) printPicture(printer_);
}

void COrvantaView::printPreviewCommand() {
    if (busy_) return;
    QPrintPreviewDialog dialog(&printer_, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { printPicture(*printer); });
    dialog.exec();
}

void COrvantaView::printSetupCommand() {
    if (busy_) return;
    QPageSetupDialog dialog(&printer_, this);
    dialog.exec();
}

}  // namespace orv::ui
