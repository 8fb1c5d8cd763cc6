#pragma once
// The one view of the main window: an OpenGL widget that owns the Scene and draws it. The
// commands' tests and changes are the Scene's; this class adds the window's part: dialogs,
// the animation timer, cursors, settings, files, the picture's saving and printing.
#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QOpenGLWidget>
#include <QPointer>
#include <QPrinter>
#include <QTimer>
#include <array>
#include <memory>

#include "probe_panel.h"
#include "scene.h"
#include "view_messages.h"

namespace orv {
class Gl;
struct FrameImage;
}  // namespace orv

namespace orv::ui {

class FileChooser;

class COrvantaView final : public QOpenGLWidget, public AnimationControl {
    Q_OBJECT
  public:
    static constexpr const char* kCaptionPrefix = "Orvanta Ver 3.00   ";

    explicit COrvantaView(Messages& messages, QWidget* parent = nullptr);
    ~COrvantaView() override;

    const Scene& scene() const { return scene_; }
    // The overlay's clock shows these seconds since the epoch.
    void setFixedClock(long long seconds) { scene_.setFixedClock(seconds); }
    // Tests answer the file dialogs; the view keeps its own system dialogs otherwise.
    void setFileChooser(FileChooser* chooser);

    // --- commands (view_commands.cpp) ---
    // Runs a command of the menus and bars; false for one the view does not serve (the main
    // window's own: exit, about, new, the bar toggles).
    bool command(CommandId id);
    CommandState commandState(CommandId id) const { return scene_.commandState(id); }
    // The plot item chosen in the Plot bar's combo box.
    void chooseItem(int index);

    // --- files (view_files.cpp) ---
    void openCommand();
    // The loader of the Open command, for a chosen, named or dropped file; false when the
    // file was refused or another read or write is running.
    bool openPath(const QString& path);
    // The files last opened (by Open, by name, dropped, curve files too), most recent first,
    // as the settings keep them.
    static constexpr int kRecentFiles = 4;
    static QStringList recentFiles();
    // Takes a file off that list (one that is no longer there).
    void forgetRecentFile(const QString& path);
    void saveAsCommand();
    const QString& cutPath() const { return cutPath_; }
    const QString& extension() const { return extension_; }

    // --- the picture (view_picture.cpp) ---
    void saveImageCommand();
    void printCommand();
    void printPreviewCommand();
    void printSetupCommand();
    // Prints the picture on one page; false when there is nothing to print.
    bool printPicture(QPrinter& printer);
    // Where a picture goes on a page: enlarged 4.2 times on a landscape page and 3.5 times
    // on a portrait one, never beyond the page, centred.
    static QRect printTarget(QSize picture, QSize page);
    // The frame drawn off-screen at the view's size (for printing); null without a picture.
    QImage renderPicture();
    // Reads what the view shows, as a bitmap file holds it.
    bool readViewFrame(FrameImage& image);

    // --- listings (view_reports.cpp) ---
    // A listing command: its tests, the listing written to a temporary file, shown in the
    // listing window, and the file removed when the window closes.
    void listingCommand(CommandId id);

    // --- curves (view_curves.cpp) ---
    void curveDataCommand();
    void curveDefinitionCommand();
    void plotCurveCommand();
    void curveOptionCommand();
    // A curve file opened, named or dropped: read as Curve data "From file" reads it, then
    // the Definition dialog; false when it was refused.
    bool openCurveFile(const QString& path);
    // The curve-array dialog, while it exists.
    QDialog* curveArrayDialog() const { return curveArrayDialog_; }

    // The close guard: false, with its message, while a dialog that must be closed first is
    // open or a file is being read or written.
    bool canClose() { return scene_.canClose(); }
    bool busy() const { return scene_.busy(); }

    // --- animation: timer 1 of the view ---
    void pause() override;
    void resume() override;
    void hold() override { resumeWanted_ = false; }
    // Stops the timer so that it stays stopped until the animation is played again.
    void stopAnimationTimer();
    void startAnimationTimer(int period);
    bool animationRunning() const { return animationRunning_; }
    bool animationDialogOpen() const { return scene_.dialogOpen(ModelessDialog::Animation); }
    bool cutPlaneDialogOpen() const { return scene_.dialogOpen(ModelessDialog::CutPlane); }
    // The modeless dialogs report whether they are open.
    void setAnimationDialogOpen(bool open);
    void setCutPlaneDialogOpen(bool open);
    int animationPeriod() const { return animationPeriod_; }
    // One tick of the animation timer: draws and advances the step.
    void animationTick();
    // The animation dialog's Play, its edited steps and its Close.
    bool playAnimation(int displaySteps, double magnification, AnimationMethod method, int period);
    void holdAnimation();
    void closeAnimation();

    // --- the probe ---
    // The probe's panel, while it exists.
    ProbePanel* probePanel() const { return probePanel_; }
    // Probes at a view pixel (device pixels from the top left), as a click in the Probe mode
    // does: the panel shows the report and the frame marks the node.
    void probeAt(const QPoint& pixel);

    QCursor cursorFor(MouseMode mode) const;
    // Frames drawn since the view was made (for measurements and tests).
    long long framesDrawn() const { return framesDrawn_; }
    // Schedules a full redraw of the scene.
    void requestRedraw();

  signals:
    void captionChanged(const QString& caption);
    void plotItemsChanged(const QStringList& names);
    void commandStatesChanged();
    void frameDrawn();
    void recentFilesChanged();
    // The probed node's line for the status bar: its number, coordinates and the plotted
    // item's value; empty when no node is probed.
    void probeChanged(const QString& line);

  protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void afterCommand(bool changed);
    void playCommand();
    void stepNumberCommand();
    void viewPortCommand();
    void symmetryCommand();
    void cuttingPlaneCommand();
    void optionDialogCommand(CommandId id);
    void colourOptionCommand();
    void loadColours();
    void updateCursor();
    void endDrag(bool cancelled);
    void xorZoomBox(Gl& gl);
    void makeOpaque();
    void restoreDrawingState(Gl& gl);
    int pixelWidth() const;
    int pixelHeight() const;
    QPoint pixel(const QPointF& p) const;
    void rememberRecentFile(const QString& path);
    // After a frame: the panel and the status line follow the probed node's values.
    void followProbe();

    QPointer<QDialog> curveArrayDialog_;
    QPointer<ProbePanel> probePanel_;
    QString probeLine_;
    Messages& messages_;
    FileMessages fileMessages_;  // the scene's messages, naming the file being read or written
    Scene scene_;
    std::unique_ptr<FileChooser> ownChooser_;
    FileChooser* chooser_;
    QPrinter printer_;
    QTimer animationTimer_;
    bool animationRunning_ = false;
    bool resumeWanted_ = false;
    int animationPeriod_ = 50;
    QString cutPath_, extension_;
    std::array<QCursor, 7> cursors_;
    // Drawing: a full redraw of the scene, or only the zoom box's XOR pass.
    bool glReady_ = false;
    bool redrawWanted_ = true;
    bool boxPending_ = false;
    bool boxDrawn_ = false;
    std::array<float, 3> drawnCorner1_{}, drawnCorner2_{};
    bool tickPending_ = false;
    bool dragging_ = false;
    Qt::MouseButton otherButton_ = Qt::NoButton;  // the middle or right button's drag under way
    int wheelAngle_ = 0;  // eighths of a degree the wheel turned short of a notch
    long long framesDrawn_ = 0;
};

}  // namespace orv::ui
