// The desktop program driven as a user would: start-up and layout, opening and saving
// through the loader, the caption and settings, the guard chain and its messages, check
// marks, stepping and the animation's pause, mouse navigation, the saved image, printing
// to PDF and the close guards. Message boxes go to a recorder; file dialogs are answered
// by a script. Tests that need OpenGL skip themselves without a display.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPrinter>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <functional>
#include <memory>

#include "animation_dialog.h"
#include "application.h"
#include "dialogs.h"
#include "file_chooser.h"
#include "frame_image.h"
#include "main_frame.h"
#include "messages.h"
#include "model_files.h"
#include "orvanta_view.h"
#include "progress.h"
#include "splash_window.h"

using namespace orv::ui;

namespace {

class RecordingMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override {
        boxes << QString::fromStdString(box.title + ": " + box.text);
        if (onShow) onShow();
    }
    bool ask(const std::string& title, const std::string& text) override {
        questions << QString::fromStdString(title + ": " + text);
        return answer;
    }
    QStringList boxes, questions;
    bool answer = false;
    std::function<void()> onShow;
};

class ScriptedChooser final : public FileChooser {
  public:
    QString openFile(QWidget*, const FileRequest& r) override {
        requests.push_back(r);
        return answer;
    }
    QString saveFile(QWidget*, const FileRequest& r) override {
        requests.push_back(r);
        return answer;
    }
    std::vector<FileRequest> requests;
    QString answer;
};

QString example(const char* name) {
    return QStringLiteral(ORVANTA_EXAMPLES_DIR "/") + QLatin1String(name);
}

QStringList menuTexts(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-")
                : a->menu()      ? QStringLiteral(">") + a->text()
                                 : a->text());
    return out;
}

QStringList barTips(QToolBar* bar) {
    QStringList out;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator())
            out << QStringLiteral("|");
        else if (bar->widgetForAction(a) && qobject_cast<QComboBox*>(bar->widgetForAction(a)))
            out << QStringLiteral("[combo]");
        else
            out << a->toolTip();
    }
    return out;
}

void sendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, modifiers);
    QApplication::sendEvent(w, &e);
}

int countPixels(const orv::FrameImage& image, std::array<uint8_t, 3> rgb) {
    int n = 0;
    for (int y = 0; y < image.header.height; ++y)
        for (int x = 0; x < image.header.width; ++x)
            if (image.rgb(x, y) == rgb) ++n;
    return n;
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
  public:
    explicit DesktopTest(bool gl) : gl_(gl) {}

  private:
    bool gl_;
    QTemporaryDir settingsDir_, files_;
    RecordingMessages messages_;
    ScriptedChooser chooser_;
    std::unique_ptr<CMainFrame> frame_;
    COrvantaView* view() { return frame_->view(); }

    // Shows the window with the view at a known size, ready to draw.
    bool showFrame() {
        if (!gl_) return false;
        frame_->resize(1000, 750);
        frame_->show();
        if (!QTest::qWaitForWindowExposed(frame_.get())) return false;
        return QTest::qWaitFor([this] { return view()->framesDrawn() > 0; }, 5000);
    }
    bool open(const char* name) {
        const QString path = files_.filePath(QLatin1String(name));
        QFile::remove(path);
        QFile::copy(example(name), path);
        return view()->openPath(path);
    }
    void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

  private slots:
    void initTestCase() {
        QVERIFY(settingsDir_.isValid() && files_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
        setSettingsRoot();
    }

    void init() {
        QSettings().clear();
        messages_.boxes.clear();
        messages_.questions.clear();
        messages_.answer = false;
        messages_.onShow = nullptr;
        chooser_.requests.clear();
        chooser_.answer.clear();
        frame_ = std::make_unique<CMainFrame>(messages_);
        view()->setFileChooser(&chooser_);
        view()->scene().fixedClock = 1800000000;
    }

    void cleanup() {
        // The close guards would refuse: the frame goes without closing.
        frame_.reset();
    }

    // --- start-up and layout ---

    void menusHaveTheirExactTexts() {
        QMenuBar* bar = frame_->menuBar();
        QStringList titles;
        for (QAction* a : bar->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"&File", "&List", "&Plot", "&Control", "&Animation",
                                      "&Option", "Cur&ve", "&View", "&Help"}));
        const auto menu = [&](int i) { return bar->actions()[i]->menu(); };
        QCOMPARE(menuTexts(menu(0)),
                 (QStringList{"&Open...\tCtrl+O", "Save as (.rst, .asc)\tCtrl+F",
                              "&Save image\tCtrl+S", "-", "&Print...\tCtrl+P", "Print Pre&view",
                              "P&rint Setup...", "-", "E&xit"}));
        QCOMPARE(menuTexts(menu(1)), (QStringList{"Node", "Element", "Nodal results"}));
        QCOMPARE(menuTexts(menu(2)),
                 (QStringList{"&Node", "&Mesh", "M&aterial", "&Contour", "Iso-&Line",
                              "Iso-&Surface", "-", "&Add element grid", "&Undeformed mesh", "-",
                              "Display &Vector", "Cutting &Plane"}));
        QCOMPARE(menuTexts(menu(3)),
                 (QStringList{">Deplace", ">View direction", "View port", "-", "Zoom &Up",
                              "Zoom &Down", "Zoom &Box", "-", "Dynamic &Pan", "Dynamic &Rotation",
                              "-", "Step MaxMin"}));
        QCOMPARE(menuTexts(menu(3)->actions()[0]->menu()),
                 (QStringList{"&Left", "&Right", "&Up", "&Down"}));
        QCOMPARE(menuTexts(menu(3)->actions()[1]->menu()),
                 (QStringList{"XYZ", "XOY", "YOZ", "ZOX"}));
        QCOMPARE(menuTexts(menu(4)),
                 (QStringList{"&Play animation", "&Stop animation", "-", "&First step",
                              "P&revious step", "&Next step", "&Last step"}));
        QCOMPARE(
            menuTexts(menu(5)),
            (QStringList{"&Color option", "&Numbering ...", "&Manification factor",
                         "Contour &division", "&Light effect", "&Symetry plot", "M&odel info."}));
        QCOMPARE(menuTexts(menu(6)),
                 (QStringList{"Curve &data", "&Definition", "&Plot curve", "Curve &option"}));
        QCOMPARE(menuTexts(menu(7)),
                 (QStringList{"&Toolbar", "&Plotbar", "&Controlbar", "&Animationbar", "&Optionbar",
                              "Cur&vebar", "&Status Bar"}));
        QCOMPARE(menuTexts(menu(8)), (QStringList{"Help index", "&About Orvanta 3.0 ..."}));
    }

    void acceleratorsReachTheirCommands() {
        const QList<QPair<const char*, QKeySequence>> keys = {{"new", QKeySequence("Ctrl+N")},
                                                              {"open", QKeySequence("Ctrl+O")},
                                                              {"saveImage", QKeySequence("Ctrl+S")},
                                                              {"print", QKeySequence("Ctrl+P")},
                                                              {"saveAs", QKeySequence("Ctrl+F")}};
        for (const auto& [id, key] : keys)
            QCOMPARE(frame_->action(QLatin1String(id))->shortcut(), key);
    }

    void toolBarsAreSixInTwoRowsWithTheirTips() {
        QCOMPARE(barTips(frame_->toolBar("standard")),
                 (QStringList{"Open", "Save file", "Save image", "Print", "Exit", "About"}));
        QCOMPARE(barTips(frame_->toolBar("control")),
                 (QStringList{"3D display", "XOY", "YOZ", "ZOX", "View angles", "|", "Left",
                              "Right", "Up", "Down", "|", "Move", "Rotation", "Reset", "|",
                              "Zoom up", "Zoom down", "Zoom box"}));
        QCOMPARE(barTips(frame_->toolBar("animation")),
                 (QStringList{"Play", "Pause", "First Step", "Previous step", "Next step", "Last",
                              "Disp. step/Mode number"}));
        QCOMPARE(barTips(frame_->toolBar("contourOption")),
                 (QStringList{"Define color", "Numbering", "Manification factor", "|", "Plot ption",
                              "Light effect", "Symetry display", "List information"}));
        QCOMPARE(barTips(frame_->toolBar("curve")),
                 (QStringList{"Curve array", "Definition", "Plot curve", "Curve option"}));
        QCOMPARE(barTips(frame_->toolBar("plot")),
                 (QStringList{"Ndoe", "Mesh", "Plot Material", "Contour", "contour edge",
                              "Iso-line", "Iso-Surface", "Plot vector", "|", "[combo]", "|",
                              "Add grid", "Undeformed mesh", "|", "Cut plane", "Select N.E."}));
        const QStringList titles = {"", "Control", "Animation", "Contour Option", "Curve", "Plot"};
        const QStringList names = {"standard",      "control", "animation",
                                   "contourOption", "curve",   "plot"};
        for (int i = 0; i < names.size(); ++i) {
            QToolBar* bar = frame_->toolBar(names[i]);
            QCOMPARE(bar->windowTitle(), titles[i]);
            QVERIFY(bar->isMovable() && bar->isFloatable());
            QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
            QCOMPARE(frame_->toolBarArea(bar), Qt::TopToolBarArea);
            for (QAction* a : bar->actions())
                if (!a->isSeparator() && !bar->widgetForAction(a)->inherits("QComboBox"))
                    QVERIFY2(!a->icon().isNull(), qPrintable(a->toolTip()));
        }
        // The Plot bar starts the second row.
        QVERIFY(frame_->toolBarBreak(frame_->toolBar("plot")));
        QVERIFY(!frame_->toolBarBreak(frame_->toolBar("animation")));
    }

    void promptsAndTheStatusBar() {
        const QList<QPair<const char*, const char*>> prompts = {
            {"open", "Open an existing document"},
            {"firstStep", "Frist display step"},
            {"contourDivision", "Change division number and the maximum or minimum value"},
            {"stepMaxMin", "For contour plot, use the maximum and minimum of each time step"},
            {"curveData", "Preparer curve data"},
            {"viewCurvebar", "Show or hide the curvebar"},
            {"listResults", "list nodal results"}};
        for (const auto& [id, text] : prompts)
            QCOMPARE(frame_->action(QLatin1String(id))->statusTip(), QString::fromUtf8(text));
        QCOMPARE(frame_->action("viewPlotbar")->toolTip(), QStringLiteral("Toggle PlotBar"));
        QComboBox* items = frame_->plotItemBox();
        QCOMPARE(items->width(), 123);
        QCOMPARE(items->toolTip(), QStringLiteral("Variables"));
        QCOMPARE(items->statusTip(), QStringLiteral("Choose plot item"));
        auto* ready = frame_->statusBar()->findChild<QLabel*>("readyPane");
        QVERIFY(ready);
        QCOMPARE(ready->text(), QStringLiteral("Ready"));
        QVERIFY(frame_->numLockPane());
    }

    void plotItemListFillsAndEmpties() {
        frame_->setPlotItems({"UX", "UY", "A_VERY_LONG_NAME_19"});
        QComboBox* items = frame_->plotItemBox();
        QCOMPARE(items->count(), 3);
        QCOMPARE(items->currentIndex(), 0);
        QCOMPARE(items->itemText(2), QStringLiteral("A_VERY_LONG_NAME_19"));
        frame_->setPlotItems({});
        QCOMPARE(items->count(), 0);
        QCOMPARE(items->currentIndex(), -1);
    }

    void viewMenuTogglesBarsAndKeepsThePlotItem() {
        if (!gl_) QSKIP("no display: the window holds an OpenGL view");
        frame_->show();
        frame_->setPlotItems({"UX", "UY"});
        frame_->plotItemBox()->setCurrentIndex(1);
        QAction* toggle = frame_->action("viewPlotbar");
        QVERIFY(toggle->isChecked());
        toggle->trigger();
        QVERIFY(frame_->toolBar("plot")->isHidden());
        QVERIFY(!frame_->plotItemBox()->isVisible());
        QVERIFY(!toggle->isChecked());
        toggle->trigger();
        QVERIFY(frame_->plotItemBox()->isVisible());
        QCOMPARE(frame_->plotItemBox()->currentIndex(), 1);
        frame_->action("viewStatusBar")->trigger();
        QVERIFY(frame_->statusBar()->isHidden());
        QVERIFY(!frame_->action("viewStatusBar")->isChecked());
    }

    void splashGoesAtAClickWhichDoesNothingElse() {
        if (!gl_) QSKIP("no display: the window holds an OpenGL view");
        frame_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
        SplashWindow* splash = SplashWindow::show(frame_.get());
        QVERIFY(splash);
        QVERIFY(!SplashWindow::show(frame_.get()));  // at most one
        QTest::keyClick(frame_.get(), Qt::Key_A);
        QTRY_VERIFY(!SplashWindow::current());
        // A click on a button while the splash is up only hides the splash.
        QVERIFY(SplashWindow::show(frame_.get()));
        QWidget* help = frame_->toolBar("standard")->widgetForAction(frame_->action("about"));
        bool aboutShown = false;
        QTimer::singleShot(200, [&] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                aboutShown = true;
                d->reject();
            }
        });
        QTest::mouseClick(help, Qt::LeftButton);
        QTRY_VERIFY(!SplashWindow::current());
        QTest::qWait(300);
        QVERIFY(!aboutShown);
    }

    void splashGoesAfterThreeSeconds() {
        if (!gl_) QSKIP("no display: the window holds an OpenGL view");
        frame_->show();
        QVERIFY(SplashWindow::show(frame_.get()));
        QTest::qWait(SplashWindow::kLifetimeMs - 500);
        QVERIFY(SplashWindow::current());
        QTRY_VERIFY_WITH_TIMEOUT(!SplashWindow::current(), 1500);
    }

    void aboutDialogHasItsTitleAndPicture() {
        QString title;
        bool picture = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            title = d->windowTitle();
            auto* label = d->findChild<QLabel*>("aboutPicture");
            picture = label && !label->pixmap().isNull();
            d->accept();
        });
        frame_->aboutCommand();
        QCOMPARE(title, QStringLiteral("About Orvanta 3.00"));
        QVERIFY(picture);
    }

    // --- close ---

    void closeGuardsNameTheCutPlaneDialogFirst() {
        if (!gl_) QSKIP("no display: the window holds an OpenGL view");
        frame_->show();
        view()->setCutPlaneDialogOpen(true);
        view()->setAnimationDialogOpen(true);
        QVERIFY(!frame_->close());
        QCOMPARE(messages_.boxes, QStringList{"Message: Please close cut plane dialog firstly!"});
        QVERIFY(messages_.questions.isEmpty());
        view()->setCutPlaneDialogOpen(false);
        QVERIFY(!frame_->close());
        QCOMPARE(messages_.boxes.last(),
                 QStringLiteral("Message: Please close animation dialog firstly!"));
        QVERIFY(messages_.questions.isEmpty());
        view()->setAnimationDialogOpen(false);
        messages_.answer = false;
        QVERIFY(!frame_->close());
        QCOMPARE(messages_.questions, QStringList{"Exit: Exit application?"});
        QVERIFY(frame_->isVisible());
        messages_.answer = true;
        frame_->action("exit")->trigger();  // Exit takes the same path
        QCOMPARE(messages_.questions.size(), 2);
        QVERIFY(!frame_->isVisible());
    }

    // --- guards, messages, check marks (no drawing needed) ---

    void withoutAModelCommandsSaySo() {
        for (const char* id : {"plotMesh", "left", "zoomUp", "viewXYZ", "addGrid", "dynamicPan",
                               "numbering", "stop", "nextStep", "viewPort"})
            frame_->action(QLatin1String(id))->trigger();
        QCOMPARE(messages_.boxes.size(), 10);
        for (const QString& b : messages_.boxes)
            QCOMPARE(b, QStringLiteral("Message: Please read result file firstly!"));
        messages_.boxes.clear();
        frame_->action("plotContour")->trigger();
        frame_->action("play")->trigger();
        frame_->action("helpIndex")->trigger();
        frame_->action("saveAs")->trigger();
        frame_->action("saveImage")->trigger();
        QCOMPARE(messages_.boxes,
                 (QStringList{
                     "Message: No results are availabile!", "Message: No results are availabile!",
                     "Message: Sorry! It is not available.",
                     "Message: Please read result file firstly!", "Message: No image available!"}));
        QVERIFY(chooser_.requests.empty());
    }

    // --- files ---

    void openOffersTheRememberedTypeFirst() {
        const QList<QPair<QString, QStringList>> cases = {
            {"mdf",
             {"Orvanta30 MOD Files (*.mdf)", "Orvanta30 RST Files (*.rst)",
              "Orvanta30 ASC Files (*.asc)"}},
            {"asc",
             {"Orvanta30 ASC Files (*.asc)", "Orvanta30 RST Files (*.rst)",
              "Orvanta30 MOD Files (*.mdf)"}},
            {"RST",
             {"Orvanta30 RST Files (*.rst)", "Orvanta30 ASC Files (*.asc)",
              "Orvanta30 MOD Files (*.mdf)"}},
            {"",
             {"Orvanta30 RST Files (*.rst)", "Orvanta30 ASC Files (*.asc)",
              "Orvanta30 MOD Files (*.mdf)"}}};
        for (const auto& [type, filters] : cases) {
            QSettings().setValue("Settings/FileType", type);
            QSettings().setValue("Settings/FilePath", files_.path() + "/");
            chooser_.requests.clear();
            frame_->action("open")->trigger();  // cancelled
            QCOMPARE(chooser_.requests.size(), size_t(1));
            QCOMPARE(chooser_.requests[0].filters, filters);
            QCOMPARE(chooser_.requests[0].defaultSuffix,
                     type == "mdf" || type == "asc" ? type : QStringLiteral("rst"));
            QCOMPARE(chooser_.requests[0].directory, files_.path() + "/");
        }
        QCOMPARE(frame_->windowTitle(), QStringLiteral("Orvant1 - Orvanta 3.00"));  // unchanged
        QVERIFY(messages_.boxes.isEmpty());
    }

    void openReadsTheFileAndRemembersItsPlace() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        const QString path = files_.filePath("cantilever.asc");
        QFile::remove(path);
        QVERIFY(QFile::copy(example("cantilever.asc"), path));
        chooser_.answer = path;
        view()->scene().mouseMode = orv::MouseMode::Rotate;
        frame_->action("open")->trigger();
        QVERIFY(messages_.boxes.isEmpty());
        QCOMPARE(view()->scene().modelLoaded, 1);
        QCOMPARE(frame_->windowTitle(), QStringLiteral("Orvanta Ver 3.00   ") + path);
        QCOMPARE(view()->cutPath(), files_.filePath("cantilever."));
        QCOMPARE(view()->extension(), QStringLiteral("asc"));
        QSettings settings;
        QCOMPARE(settings.value("Settings/FilePath").toString(), files_.path() + "/");
        QCOMPARE(settings.value("Settings/FileType").toString(), QStringLiteral("asc"));
        QComboBox* items = frame_->plotItemBox();
        QCOMPARE(items->count(), int(view()->scene().model.results.dofNames.size()));
        QCOMPARE(items->itemText(0).toStdString(), view()->scene().model.results.dofNames[0]);
        QCOMPARE(items->currentIndex(), 0);
        QCOMPARE(view()->scene().mouseMode, orv::MouseMode::Idle);
        QVERIFY(frame_->isEnabled());
        const long long frames = view()->framesDrawn();
        QTRY_VERIFY(view()->framesDrawn() > frames);
    }

    void aFailedOpenStillSetsCaptionAndSettings() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever.asc"));
        const QString broken = files_.filePath("broken.rst");
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is no result file at all");
        f.close();
        QVERIFY(!view()->openPath(broken));
        QVERIFY(!messages_.boxes.isEmpty());
        QVERIFY(messages_.boxes.first().startsWith("Error: "));
        QCOMPARE(view()->scene().modelLoaded, 0);
        QCOMPARE(frame_->windowTitle(), QStringLiteral("Orvanta Ver 3.00   ") + broken);
        QCOMPARE(QSettings().value("Settings/FileType").toString(), QStringLiteral("rst"));
        QCOMPARE(QSettings().value("Settings/FilePath").toString(), files_.path() + "/");
        QCOMPARE(frame_->plotItemBox()->count(), 0);
        QVERIFY(frame_->isEnabled());
    }

    void openRefusesWhileADialogIsOpen() {
        view()->setAnimationDialogOpen(true);
        view()->startAnimationTimer(50);
        frame_->action("open")->trigger();
        QVERIFY(!view()->animationRunning());
        view()->setAnimationDialogOpen(false);
        view()->setCutPlaneDialogOpen(true);
        frame_->action("open")->trigger();
        QCOMPARE(messages_.boxes, (QStringList{"Message: Please close firstly animation dialog!",
                                               "Message: Please close firstly cut dialog!"}));
        QVERIFY(chooser_.requests.empty());
    }

    void whileReadingTheWindowIsDisabledAndNothingReenters() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        bool checked = false, enabled = true, busy = false, closed = true, opened = true;
        QTimer::singleShot(0, [&] {
            checked = true;
            enabled = frame_->isEnabled();
            busy = view()->busy();
            closed = frame_->close();
            opened = view()->openPath(example("plate_hole_q4.asc"));
            view()->command("saveAs");
        });
        QVERIFY(open("pressure_tube.rst"));
        QVERIFY(checked);
        QVERIFY(!enabled);
        QVERIFY(busy);
        QVERIFY(!closed);
        QVERIFY(!opened);
        QVERIFY(messages_.questions.isEmpty());
        QVERIFY(chooser_.requests.empty());
        QVERIFY(frame_->isEnabled());
        QCOMPARE(view()->extension(), QStringLiteral("rst"));
    }

    void aDroppedFileOpensThroughTheLoader() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        const QString path = files_.filePath("truss_bridge.asc");
        QFile::remove(path);
        QVERIFY(QFile::copy(example("truss_bridge.asc"), path));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(frame_.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame_.get(), &drop);
        QTRY_COMPARE(view()->scene().modelLoaded, 1);
        QCOMPARE(frame_->windowTitle(), QStringLiteral("Orvanta Ver 3.00   ") + path);
    }

    void saveAsWritesTheOtherFormat() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("plate_hole_q4.asc"));
        const QString caption = frame_->windowTitle();
        const QString target = files_.filePath("converted.rst");
        QFile::remove(target);
        chooser_.answer = target;
        frame_->action("saveAs")->trigger();
        QCOMPARE(chooser_.requests.size(), size_t(1));
        QCOMPARE(chooser_.requests[0].filters, QStringList{"Orvanta30 RST Files (*.rst)"});
        QCOMPARE(chooser_.requests[0].proposedName, files_.filePath("plate_hole_q4.rst"));
        QCOMPARE(chooser_.requests[0].defaultSuffix, QStringLiteral("rst"));
        QVERIFY(messages_.boxes.isEmpty());
        QCOMPARE(frame_->windowTitle(), caption);
        // The written file reads back as the same model.
        orv::FeModel model;
        orv::PlotSettings settings;
        orv::NullProgress progress;
        orv::SilentMessages silent;
        QVERIFY(orv::readModelFile(model, settings, target.toStdString(), "rst", progress, silent));
        QCOMPARE(model.nodeCount, view()->scene().model.nodeCount);
        QCOMPARE(model.elementCount, view()->scene().model.elementCount);
        // From a binary file the other format is text.
        QVERIFY(open("pressure_tube.rst"));
        chooser_.answer.clear();
        frame_->action("saveAs")->trigger();
        QCOMPARE(chooser_.requests.back().filters, QStringList{"Orvanta30 Asc Files (*.asc)"});
        QCOMPARE(chooser_.requests.back().proposedName, files_.filePath("pressure_tube.asc"));
    }

    // --- commands on a model ---

    void guardMessagesOnPlaneAndSolidModels() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("plate_hole_q4.asc"));
        for (const char* id : {"plotIsoSurface", "lightEffect", "cuttingPlane", "viewPort"})
            frame_->action(QLatin1String(id))->trigger();
        QCOMPARE(
            messages_.boxes,
            (QStringList{"Message: It is for 3D results!", "Message: It is available for 3D plot!",
                         "Message: It is for 3D results!", "Message: It is for 3D!"}));
        messages_.boxes.clear();
        QVERIFY(open("cantilever.asc"));
        frame_->action("displayVector")->trigger();
        frame_->action("symmetry")->trigger();
        QCOMPARE(messages_.boxes,
                 (QStringList{"Message: Sorry, it is actually available only for 2D case!",
                              "Message: It is available for 2D plot!"}));
    }

    void plotModesCheckTheirButtons() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever.asc"));
        const QStringList modes = {"plotNode",        "plotMesh",    "plotMaterial",  "plotContour",
                                   "plotContourEdge", "plotIsoLine", "plotIsoSurface"};
        for (const QString& chosen : modes) {
            frame_->action(chosen)->trigger();
            for (const QString& other : modes)
                QCOMPARE(frame_->action(other)->isChecked(), other == chosen);
        }
        frame_->action("addGrid")->trigger();
        QVERIFY(frame_->action("addGrid")->isChecked());
        frame_->action("addGrid")->trigger();
        QVERIFY(!frame_->action("addGrid")->isChecked());
        frame_->action("dynamicPan")->trigger();
        QVERIFY(frame_->action("dynamicPan")->isChecked());
        frame_->action("dynamicRotation")->trigger();
        QVERIFY(!frame_->action("dynamicPan")->isChecked());
        QVERIFY(frame_->action("dynamicRotation")->isChecked());
        // Choosing an item while the mesh is plotted switches to the contour.
        frame_->action("plotMesh")->trigger();
        emit frame_->plotItemBox()->activated(1);
        QCOMPARE(view()->scene().plotItem, 1);
        QCOMPARE(view()->scene().settings.plotMode, orv::PlotMode::Contour);
        QVERIFY(frame_->action("plotContourEdge")->isChecked());  // the last contour kind
        view()->setCutPlaneDialogOpen(true);
        QVERIFY(frame_->action("cuttingPlane")->isChecked());
        QVERIFY(!frame_->action("cuttingPlane")->isEnabled());
        view()->setAnimationDialogOpen(true);
        QVERIFY(!frame_->action("play")->isEnabled());
        QVERIFY(messages_.boxes.isEmpty());
    }

    void steppingStaysWithinTheSteps() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever.asc"));
        const auto& s = view()->scene().settings;
        QCOMPARE(s.stepCount, 5);
        frame_->action("nextStep")->trigger();
        frame_->action("nextStep")->trigger();
        QCOMPARE(s.currentStep, 2);
        frame_->action("lastStep")->trigger();
        frame_->action("nextStep")->trigger();
        QCOMPARE(s.currentStep, 4);
        frame_->action("previousStep")->trigger();
        QCOMPARE(s.currentStep, 3);
        frame_->action("firstStep")->trigger();
        frame_->action("previousStep")->trigger();
        QCOMPARE(s.currentStep, 0);
    }

    void stepDialogAcceptsOnlyStepsThereAre() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever.asc"));
        QString title;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<StepDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            title = d->windowTitle();
            d->numberBox()->setValue(6);
            d->accept();  // refused: stays open
            d->numberBox()->setValue(4);
            d->accept();
        });
        frame_->action("stepNumber")->trigger();
        QCOMPARE(title, QStringLiteral("Choose displaying step"));
        QCOMPARE(messages_.boxes, QStringList{"Error: Input error!"});
        QCOMPARE(view()->scene().settings.currentStep, 3);
    }

    void messagesPauseARunningAnimationAndResumeIt() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("plate_hole_q4.asc"));
        view()->setAnimationDialogOpen(true);
        view()->startAnimationTimer(1000);
        QList<bool> runningDuringBox;
        messages_.onShow = [&] { runningDuringBox << view()->animationRunning(); };
        frame_->action("lightEffect")->trigger();  // a 2D model: paused, message, resumed
        QCOMPARE(runningDuringBox, QList<bool>{false});
        QVERIFY(view()->animationRunning());
        // Stopped by the user, a message does not start it again.
        frame_->action("stop")->trigger();
        QVERIFY(!view()->animationRunning());
        frame_->action("lightEffect")->trigger();
        QVERIFY(!view()->animationRunning());
        // Stepping leaves it paused.
        view()->startAnimationTimer(1000);
        frame_->action("nextStep")->trigger();
        QVERIFY(!view()->animationRunning());
        // Cutting plane on a plane model pauses without resuming.
        view()->startAnimationTimer(1000);
        frame_->action("cuttingPlane")->trigger();
        QVERIFY(!view()->animationRunning());
        // Save image with the animation dialog open refuses and stays paused.
        view()->startAnimationTimer(1000);
        frame_->action("saveImage")->trigger();
        QVERIFY(!view()->animationRunning());
        QCOMPARE(messages_.boxes.last(),
                 QStringLiteral("Message: Please close firstly animation dialog!"));
    }

    void onlyTheAnimationTimerAdvancesTheStep() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever.asc"));
        auto& s = view()->scene().settings;
        s.animating = 1;
        s.animationMethod = 1;
        const long long frames = view()->framesDrawn();
        view()->requestRedraw();
        frame_->resize(900, 700);
        QTRY_VERIFY(view()->framesDrawn() > frames);
        settle();
        QCOMPARE(s.currentStep, 0);
        view()->animationTick();
        QTRY_COMPARE(s.currentStep, 1);
        view()->animationTick();
        QTRY_COMPARE(s.currentStep, 2);
    }

    void animationDialogPlaysAndCloses() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever.asc"));
        frame_->action("play")->trigger();
        auto* dialog = view()->findChild<AnimationDialog*>();
        QVERIFY(dialog);
        QVERIFY(view()->animationDialogOpen());
        QVERIFY(!frame_->action("play")->isEnabled());
        QCOMPARE(dialog->displaySteps()->text(), QStringLiteral("5"));
        QVERIFY(dialog->displaySteps()->isReadOnly());  // the result's own steps
        QCOMPARE(AnimationDialog::periodOf(100), 1);
        QCOMPARE(AnimationDialog::periodOf(1), 991);
        dialog->speed()->setValue(95);
        QCOMPARE(dialog->speedText()->text(), QStringLiteral("95"));
        dialog->forwardAndBack()->setChecked(true);
        dialog->play();
        QVERIFY(view()->animationRunning());
        QCOMPARE(view()->animationPeriod(), 51);
        QCOMPARE(view()->scene().settings.animationMethod, 0);
        QTRY_VERIFY(view()->scene().settings.currentStep > 0);
        // Closing the program is refused while it is open.
        QVERIFY(!frame_->close());
        QCOMPARE(messages_.boxes, QStringList{"Message: Please close animation dialog firstly!"});
        dialog->reject();
        QVERIFY(!view()->animationDialogOpen());
        QVERIFY(!view()->animationRunning());
        QCOMPARE(view()->scene().settings.animating, 0);
        QTRY_VERIFY(!view()->findChild<AnimationDialog*>());
        QVERIFY(frame_->action("play")->isEnabled());
    }

    void animationOfModesWantsTwoStepsAtLeast() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever_modes.mdf"));
        frame_->action("play")->trigger();
        auto* dialog = view()->findChild<AnimationDialog*>();
        QVERIFY(dialog);
        QVERIFY(!dialog->displaySteps()->isReadOnly());
        dialog->displaySteps()->setText("1");
        dialog->play();
        QCOMPARE(messages_.boxes, QStringList{"Orvanta 3.00: Input animation step!"});
        QVERIFY(!view()->animationRunning());
        dialog->displaySteps()->setText("12");
        dialog->play();
        QCOMPARE(view()->scene().settings.stepCount, 12);
        QVERIFY(view()->animationRunning());
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!view()->animationDialogOpen());
        QCOMPARE(view()->scene().settings.stepCount, 1);  // the full deformation stays
    }

    void viewportDialogSetsTheAngles() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever.asc"));
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<ViewportDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            d->field(0)->setText("10");
            d->field(1)->setText("400");
            d->field(2)->setText("abc");
            d->accept();  // refused
            d->field(2)->setText("-30.5");
            d->accept();
        });
        frame_->action("viewPort")->trigger();
        QCOMPARE(messages_.boxes, QStringList{"Orvanta 3.00: Please enter a number."});
        const auto& a = view()->scene().camera.angles;
        QCOMPARE(a[0], 10.0f);
        QCOMPARE(a[1], 400.0f);  // stored as given
        QCOMPARE(a[2], -30.5f);
    }

    // --- mouse ---

    void mouseRotatesPansAndZoomsTheCamera() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever.asc"));
        orv::Camera& camera = view()->scene().camera;
        QWidget* v = view();
        frame_->action("dynamicRotation")->trigger();
        QCOMPARE(v->cursor().shape(), Qt::BitmapCursor);
        const auto angles = camera.angles;
        sendMouse(v, QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton);
        QCOMPARE(QWidget::mouseGrabber(), v);  // the drag belongs to the view
        sendMouse(v, QEvent::MouseMove, {260, 200}, Qt::LeftButton);
        QVERIFY(camera.angles[1] > angles[1] || camera.angles[1] < angles[1] - 300);
        QCOMPARE(camera.angles[0], angles[0]);
        QCOMPARE(view()->scene().interactiveDrag, 1);
        // With Shift held, or another button too, a move does nothing.
        const auto turned = camera.angles;
        sendMouse(v, QEvent::MouseMove, {300, 260}, Qt::LeftButton, Qt::ShiftModifier);
        sendMouse(v, QEvent::MouseMove, {300, 260}, Qt::LeftButton | Qt::RightButton);
        QCOMPARE(camera.angles, turned);
        sendMouse(v, QEvent::MouseButtonRelease, {260, 200}, Qt::NoButton);
        QCOMPARE(view()->scene().interactiveDrag, 0);
        QVERIFY(!QWidget::mouseGrabber());

        frame_->action("dynamicPan")->trigger();
        const auto t = camera.translation;
        sendMouse(v, QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton);
        sendMouse(v, QEvent::MouseMove, {250, 240}, Qt::LeftButton);
        sendMouse(v, QEvent::MouseButtonRelease, {250, 240}, Qt::NoButton);
        QVERIFY(camera.translation[0] > t[0]);
        QVERIFY(camera.translation[1] < t[1]);

        settle();  // the frame drawn gives the zoom its drawing frame
        frame_->action("zoomBox")->trigger();
        QVERIFY(frame_->action("zoomBox")->isChecked());
        const float scale = camera.scale;
        sendMouse(v, QEvent::MouseButtonPress, {300, 300}, Qt::LeftButton);
        sendMouse(v, QEvent::MouseMove, {250, 260}, Qt::LeftButton);  // drawn backwards
        sendMouse(v, QEvent::MouseButtonRelease, {250, 260}, Qt::NoButton);
        QVERIFY(camera.scale > scale);
        QVERIFY(frame_->action("dynamicPan")->isChecked());  // the mode before the box
        QVERIFY(!frame_->action("zoomBox")->isChecked());
    }

    void theZoomBoxIsDrawnByXorAndErasedAgain() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("plate_hole_q4.asc"));
        frame_->action("plotNode")->trigger();
        QWidget* v = view();
        const auto frame = [&] {
            settle();
            orv::FrameImage image;
            view()->readViewFrame(image);
            return image;
        };
        const std::array<uint8_t, 3> cyan{0, 255, 255};
        const int before = countPixels(frame(), cyan);
        frame_->action("zoomBox")->trigger();
        sendMouse(v, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
        sendMouse(v, QEvent::MouseMove, {300, 250}, Qt::LeftButton);
        const long long frames = view()->framesDrawn();
        const int first = countPixels(frame(), cyan);
        QVERIFY(first > before + 300);  // the band on the black background
        sendMouse(v, QEvent::MouseMove, {200, 180}, Qt::LeftButton);
        const orv::FrameImage moved = frame();
        QCOMPARE(view()->framesDrawn(), frames);  // no scene redrawn while the band moves
        const int second = countPixels(moved, cyan);
        QVERIFY(second < first);  // the larger box is gone, the smaller one drawn
        QVERIFY(second > before + 150);
        QVERIFY(moved.rgb(250, 250) != cyan);  // the old box's bottom edge went away
        // Focus lost during the drag: no band is left and the mode returns.
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(v, &out);
        QTRY_COMPARE(countPixels(frame(), cyan), before);
        QCOMPARE(view()->scene().mouseMode, orv::MouseMode::Idle);
        QVERIFY(!QWidget::mouseGrabber());
    }

    // --- the picture ---

    void saveImageWritesWhatTheViewShows() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("plate_hole_q4.asc"));
        frame_->action("plotContour")->trigger();
        settle();
        const QString path = files_.filePath("picture");  // no extension: saved as named
        QFile::remove(path);
        chooser_.answer = path;
        frame_->action("saveImage")->trigger();
        QCOMPARE(chooser_.requests.size(), size_t(1));
        QCOMPARE(chooser_.requests[0].caption, QStringLiteral("Save Bitmap File"));
        QCOMPARE(chooser_.requests[0].proposedName, QStringLiteral("untitled.bmp"));
        QCOMPARE(chooser_.requests[0].directory, QStringLiteral("."));
        QVERIFY(messages_.boxes.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const int w = v()->width(), h = v()->height();
        const int row = (w * 3 + 3) / 4 * 4;
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(bytes.size(), 54 + h * row);
        const auto le32 = [&](int at) {
            return int(uint8_t(bytes[at])) | int(uint8_t(bytes[at + 1])) << 8 |
                   int(uint8_t(bytes[at + 2])) << 16 | int(uint8_t(bytes[at + 3])) << 24;
        };
        QCOMPARE(le32(18), w);
        QCOMPARE(le32(22), h);
        // The image is the view's frame: its legend panel, its contour colours.
        orv::FrameImage shown;
        QVERIFY(view()->readViewFrame(shown));
        QCOMPARE(bytes.mid(54), QByteArray(reinterpret_cast<const char*>(shown.pixels.data()),
                                           int(shown.pixels.size())));
        chooser_.answer = files_.filePath("no/such/dir/x.bmp");
        frame_->action("saveImage")->trigger();
        QCOMPARE(messages_.boxes, QStringList{"Message: Could not save to file!"});
    }

    void printTargetScalesAndCentres() {
        const QSize picture(400, 300);
        QCOMPARE(COrvantaView::printTarget(picture, QSize(3300, 2550)),
                 QRect((3300 - 1680) / 2, (2550 - 1260) / 2, 1680, 1260));
        QCOMPARE(COrvantaView::printTarget(picture, QSize(2550, 3300)),
                 QRect((2550 - 1400) / 2, (3300 - 1050) / 2, 1400, 1050));
        // A page too small for the factor takes the picture as large as it fits.
        const QRect fit = COrvantaView::printTarget(QSize(1000, 500), QSize(2000, 3000));
        QCOMPARE(fit.width(), 2000);
        QCOMPARE(fit.height(), 1000);
        QCOMPARE(fit.top(), 1000);
        QVERIFY(COrvantaView::printTarget(QSize(), QSize(10, 10)).isNull());
    }

    void printingToPdfKeepsTheWindowDrawing() {
        if (!showFrame()) QSKIP("no display for OpenGL");
        QVERIFY(open("cantilever.asc"));
        frame_->action("plotContour")->trigger();
        settle();
        orv::FrameImage before;
        QVERIFY(view()->readViewFrame(before));
        QVERIFY(countPixels(before, {255, 255, 255}) > 50);  // the overlay's white text
        const QImage picture = view()->renderPicture();
        QCOMPARE(picture.size(), QSize(before.header.width, before.header.height));
        QCOMPARE(picture.pixelColor(5, 5), QColor(0, 0, 0));  // the frame's background

        const QString pdf = files_.filePath("picture.pdf");
        QFile::remove(pdf);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageOrientation(QPageLayout::Landscape);
        QVERIFY(view()->printPicture(printer));
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
        QVERIFY(file.size() > 10000);
        // The window draws as before, text included.
        view()->requestRedraw();
        settle();
        orv::FrameImage after;
        QVERIFY(view()->readViewFrame(after));
        QVERIFY(after.pixels == before.pixels);
        // Nothing to print without a model.
        QVERIFY(view()->openPath(files_.filePath("missing.asc")) == false);
        QVERIFY(!view()->printPicture(printer));
    }

  private:
    QWidget* v() { return view(); }
};

int main(int argc, char** argv) {
    // Without a display the window tests run on Qt's offscreen platform, which has no
    // OpenGL: those that draw skip themselves.
    const bool display =
        qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (!display) qputenv("QT_QPA_PLATFORM", "offscreen");
    setDefaultSurfaceFormat();
    // The application lives until the process ends: destroying it closes the display,
    // which unloads the OpenGL driver, and the leak check then finds the driver's memory
    // under addresses of no module, where no suppression can name it.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    bool gl = display;
    if (gl) {
        QOpenGLContext probe;
        gl = probe.create();
    }
    DesktopTest test(gl);
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_test.moc"
