#pragma once
// The one view of the main window: an OpenGL widget that owns the Scene, draws it, and
// runs the view commands, the mouse navigation, opening and saving, the picture's saving
// and printing. The commands' logic lives in the Scene; this class adds the window's part:
// dialogs, timers, cursors and settings.
#include <QCursor>
#include <QHash>
#include <QImage>
#include <QOpenGLWidget>
#include <QPrinter>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "scene.h"

namespace orv {
class Gl;
struct FrameImage;
}  // namespace orv

namespace orv::ui {

class FileChooser;

struct CommandState {
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};

class COrvantaView final : public QOpenGLWidget, public AnimationControl {
    Q_OBJECT
  public:
    static constexpr const char* kCaptionPrefix = "Orvanta Ver 3.00   ";

    explicit COrvantaView(Messages& messages, QWidget* parent = nullptr);
    ~COrvantaView() override;

    Scene& scene() { return scene_; }
    const Scene& scene() const { return scene_; }
    // Tests answer the file dialogs; the view keeps its own system dialogs otherwise.
    void setFileChooser(FileChooser* chooser);

    // --- commands, by the ids the main frame gives its actions ---
    // Runs a command; false for an id the view does not serve.
    bool command(const QString& id);
    CommandState commandState(const QString& id) const;
    bool hasCommand(const QString& id) const { return commands_.contains(id); }
    // The plot item chosen in the Plot bar's combo box.
    void chooseItem(int index);

    void openCommand();
    // The loader of the Open command, for a chosen, named or dropped file; false when the
    // file was refused or another read or write is running.
    bool openPath(const QString& path);
    void saveAsCommand();
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

    // The close guard: false, with its message, while a dialog that must be closed first is
    // open or a file is being read or written.
    bool canClose();
    bool busy() const { return busy_; }

    // --- animation: timer 1 of the view ---
    void pause() override;
    void resume() override;
    // Stops the timer so that it stays stopped until the animation is played again.
    void stopAnimationTimer();
    void startAnimationTimer(int period);
    bool animationRunning() const { return animationRunning_; }
    bool animationDialogOpen() const { return animationDialogOpen_; }
    bool cutPlaneDialogOpen() const { return cutPlaneDialogOpen_; }
    // The modeless dialogs report whether they are open.
    void setAnimationDialogOpen(bool open);
    void setCutPlaneDialogOpen(bool open);
    int animationPeriod() const { return animationPeriod_; }
    // One tick of the animation timer: draws and advances the step.
    void animationTick();

    const QString& cutPath() const { return cutPath_; }
    const QString& extension() const { return extension_; }
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

  protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void addCommands();
    void plotMode(PlotMode mode, bool contourEdges);
    void afterCommand(bool changed);
    void stepCommand(int which);
    void stepNumberCommand();
    void viewPortCommand();
    void dialogCommand(bool needGuard, const std::function<bool()>& dialog, bool resumeOnCancel);
    void cuttingPlaneCommand();
    void symmetryCommand();
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

    Messages& messages_;
    Scene scene_;
    QHash<QString, std::function<void()>> commands_;
    std::unique_ptr<FileChooser> ownChooser_;
    FileChooser* chooser_;
    QPrinter printer_;
    QTimer animationTimer_;
    bool animationRunning_ = false;
    bool animationDialogOpen_ = false;
    bool cutPlaneDialogOpen_ = false;
    bool resumeWanted_ = false;
    int animationPeriod_ = 50;
    bool busy_ = false;
    QString cutPath_, extension_;
    std::array<QCursor, 6> cursors_;
    // Drawing: a full redraw of the scene, or only the zoom box's XOR pass.
    bool glReady_ = false;
    bool redrawWanted_ = true;
    bool boxPending_ = false;
    bool boxDrawn_ = false;
    std::array<float, 3> drawnCorner1_{}, drawnCorner2_{};
    bool tickPending_ = false;
    bool dragging_ = false;
    long long framesDrawn_ = 0;
};

}  // namespace orv::ui
