// The desktop program driven as a user would, for the window's own part: menus and bars,
// files through the loader, the actions following the scene, the animation timer and the
// dialogs, mouse drags, the saved and printed picture, the close guard. The guards'
// decisions are the scene's and tested there. Message boxes go to a recorder, file dialogs
// to a script; tests that need OpenGL skip themselves without a display.
#include <QPrinter>
#include <QTest>
#include <QtEndian>
#include <QtWidgets>
#include <functional>
#include <memory>

#include "animation_dialog.h"
#include "application.h"
#include "colour_dialog.h"
#include "cut_plane_dialog.h"
#include "dialogs.h"
#include "file_chooser.h"
#include "frame_image.h"
#include "magnification_dialog.h"
#include "main_frame.h"
#include "messages.h"
#include "model_files.h"
#include "numbering_dialog.h"
#include "orvanta_view.h"
#include "plot_option_dialog.h"
#include "progress.h"
#include "select_dialog.h"
#include "splash_window.h"
#include "symmetry_dialog.h"

using namespace orv::ui;
using orv::CommandId;

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
    QString openFile(QWidget*, const FileRequest& r) override { return saveFile(nullptr, r); }
    QString saveFile(QWidget*, const FileRequest& r) override {
        requests.push_back(r);
        return answer;
    }
    std::vector<FileRequest> requests;
    QString answer;
};

QString actionLine(QAction* a) {
    QString text = a->text();
    text.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return QStringLiteral("%1 | %2 | %3 | %4")
        .arg(text, a->shortcut().toString(), a->toolTip(), a->statusTip());
}

// The window's menus, keys, bars and status bar as text, one line a menu item or button.
QStringList windowTexts(CMainFrame& frame) {
    QStringList out;
    const std::function<void(QMenu*, QString)> menu = [&](QMenu* m, const QString& indent) {
        for (QAction* a : m->actions()) {
            out << indent + (a->isSeparator() ? "-" : a->menu() ? ">" + a->text() : actionLine(a));
            if (a->menu()) menu(a->menu(), indent + "  ");
        }
    };
    for (QAction* a : frame.menuBar()->actions()) {
        out << "menu " + a->text();
        menu(a->menu(), "  ");
    }
    for (QAction* a : frame.actions())
        out << "window key " + actionLine(a);
    for (QToolBar* bar : frame.findChildren<QToolBar*>()) {
        out << QStringLiteral("bar %1 \"%2\" area %3%4%5%6")
                   .arg(bar->objectName(), bar->windowTitle())
                   .arg(int(frame.toolBarArea(bar)))
                   .arg(frame.toolBarBreak(bar) ? " new row" : "")
                   .arg(bar->isMovable() && bar->isFloatable() ? " movable" : "")
                   .arg(bar->allowedAreas() == Qt::AllToolBarAreas ? " anywhere" : "");
        for (QAction* a : bar->actions()) {
            auto* combo = qobject_cast<QComboBox*>(bar->widgetForAction(a));
            if (a->isSeparator())
                out << "  |";
            else if (combo)
                out << QStringLiteral("  [combo %1 wide | %2 | %3]")
                           .arg(combo->width())
                           .arg(combo->toolTip(), combo->statusTip());
            else
                out << "  " + a->toolTip() + (a->icon().isNull() ? " (no icon)" : "");
        }
    }
    for (QLabel* pane : frame.statusBar()->findChildren<QLabel*>())  // NUM follows the key
        out << "status " + pane->objectName() +
                   (pane == frame.numLockPane() ? QString() : " \"" + pane->text() + "\"");
    return out;
}

void sendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, modifiers);
    QApplication::sendEvent(w, &e);
}

void drag(QWidget* w, QPoint from, QPoint to) {
    sendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    sendMouse(w, QEvent::MouseMove, to, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

int countPixels(const orv::FrameImage& image, std::array<uint8_t, 3> rgb) {
    int n = 0;
    for (int y = 0; y < image.header.height; ++y)
        for (int x = 0; x < image.header.width; ++x)
            if (image.rgb(x, y) == rgb) ++n;
    return n;
}

// Answers the next modal dialog of type D once it is up.
template <class D>
void whenModal(std::function<void(D*)> answer) {
    QTimer::singleShot(0, [answer] {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) answer(d);
    });
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
    const orv::Scene& scene() { return view()->scene(); }
    void trigger(const char* name) { frame_->action(QLatin1String(name))->trigger(); }

    // Shows the window with the view at a known size and opens a copy of the example.
    bool showWith(const char* example) {
        if (!gl_) return false;
        frame_->resize(1000, 750);
        frame_->show();
        if (!QTest::qWaitForWindowExposed(frame_.get()) ||
            !QTest::qWaitFor([this] { return view()->framesDrawn() > 0; }, 5000))
            return false;
        return !example || view()->openPath(copy(example));
    }
    QString copy(const char* name) {
        const QString path = files_.filePath(QLatin1String(name));
        QFile::remove(path);
        QFile::copy(QStringLiteral(ORVANTA_EXAMPLES_DIR "/") + QLatin1String(name), path);
        return path;
    }
    // Runs the action and waits for the view's next frame.
    bool frameAfter(const std::function<void()>& action) {
        const long long frames = view()->framesDrawn();
        action();
        return QTest::qWaitFor([&] { return view()->framesDrawn() > frames; }, 5000);
    }
    orv::FrameImage shownFrame() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        orv::FrameImage image;
        view()->readViewFrame(image);
        return image;
    }

  private slots:
    void initTestCase() {
        QVERIFY(settingsDir_.isValid() && files_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
        setSettingsRoot();
    }

    void init() {
        QSettings().clear();
        messages_ = {};
        chooser_ = {};
        frame_ = std::make_unique<CMainFrame>(messages_);
        view()->setFileChooser(&chooser_);
        view()->setFixedClock(1800000000);
    }

    void cleanup() {  // hidden, not closed: the close guards would refuse
        if (frame_) frame_->hide();
        frame_.reset();
    }

    // --- the window ---

    // The expected texts are in tests/golden/window_texts.txt; run with
    // ORVANTA_UPDATE_GOLDEN=1 to rewrite it from the window, then review the diff.
    void menusBarsAndKeysAreAsCommitted() {
        const QStringList shown = windowTexts(*frame_);
        QFile file(QStringLiteral(ORVANTA_GOLDEN_DIR "/window_texts.txt"));
        if (qEnvironmentVariableIsSet("ORVANTA_UPDATE_GOLDEN")) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write((shown.join('\n') + '\n').toUtf8());
            file.close();
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(shown, QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts));
    }

    void viewMenuTogglesBarsAndKeepsThePlotItem() {
        if (!showWith(nullptr)) QSKIP("no display for OpenGL");
        frame_->setPlotItems({"UX", "UY"});
        frame_->plotItemBox()->setCurrentIndex(1);
        QAction* toggle = frame_->action("viewPlotbar");
        QVERIFY(toggle->isChecked());
        toggle->trigger();
        QVERIFY(frame_->toolBar("plot")->isHidden() && !frame_->plotItemBox()->isVisible());
        QVERIFY(!toggle->isChecked());
        toggle->trigger();
        QVERIFY(frame_->plotItemBox()->isVisible());
        QCOMPARE(frame_->plotItemBox()->currentIndex(), 1);
        trigger("viewStatusBar");
        QVERIFY(frame_->statusBar()->isHidden());
        QVERIFY(!frame_->action("viewStatusBar")->isChecked());
    }

    void splashGoesAtAKeyOrAClickThatDoesNothingElseOrAfterThreeSeconds() {
        if (!showWith(nullptr)) QSKIP("no display for OpenGL");
        QVERIFY(SplashWindow::show(frame_.get()));
        QVERIFY(!SplashWindow::show(frame_.get()));  // at most one
        QTest::keyClick(frame_.get(), Qt::Key_A);
        QTRY_VERIFY(!SplashWindow::current());
        QWidget* about = frame_->toolBar("standard")->widgetForAction(frame_->action("about"));
        QString title;
        bool picture = false;
        const auto answerAbout = [&] {
            whenModal<QDialog>([&](QDialog* d) {
                title = d->windowTitle();
                auto* label = d->findChild<QLabel*>("aboutPicture");
                picture = label && !label->pixmap().isNull();
                d->accept();
            });
        };
        QVERIFY(SplashWindow::show(frame_.get()));
        answerAbout();
        QTest::mouseClick(about, Qt::LeftButton);  // only takes the splash away
        QTRY_VERIFY(!SplashWindow::current());
        QVERIFY(title.isEmpty());
        answerAbout();
        QTest::mouseClick(about, Qt::LeftButton);
        QCOMPARE(title, QString("About Orvanta 3.00"));
        QVERIFY(picture);
        QVERIFY(SplashWindow::show(frame_.get()));
        QTest::qWait(SplashWindow::kLifetimeMs - 500);
        QVERIFY(SplashWindow::current());
        QTRY_VERIFY_WITH_TIMEOUT(!SplashWindow::current(), 1500);
    }

    void closingAsksOnlyWhenTheGuardLetsItAndExitTakesTheSamePath() {
        if (!showWith(nullptr)) QSKIP("no display for OpenGL");
        view()->setCutPlaneDialogOpen(true);
        QVERIFY(!frame_->close());
        QCOMPARE(messages_.boxes, QStringList{"Message: Please close cut plane dialog firstly!"});
        QVERIFY(messages_.questions.isEmpty());
        view()->setCutPlaneDialogOpen(false);
        QVERIFY(!frame_->close());
        QCOMPARE(messages_.questions, QStringList{"Exit: Exit application?"});
        QVERIFY(frame_->isVisible());
        messages_.answer = true;
        trigger("exit");
        QCOMPARE(messages_.questions.size(), 2);
        QVERIFY(!frame_->isVisible());
    }

    // Every action against the scene's state after each kind of change; each step must
    // change some action, or it proves nothing.
    void actionsShowTheScenesCheckMarksAndEnabledStates() {
        if (!showWith("cantilever.asc")) QSKIP("no display for OpenGL");
        const std::function<void()> steps[] = {
            [] {},
            [&] { trigger("plotNode"); },
            [&] { emit frame_->plotItemBox()->activated(1); },  // the nodes become a contour
            [&] { trigger("addGrid"); },
            [&] { trigger("dynamicPan"); },
            [&] { trigger("zoomBox"); },
            [&] { view()->setCutPlaneDialogOpen(true); },
            [&] { view()->setAnimationDialogOpen(true); }};
        QString before;
        for (const auto& step : steps) {
            step();
            QStringList wrong;
            QString states;
            for (const orv::CommandInfo& c : orv::commandTable()) {
                if (c.check == orv::CheckRule::BarShown) continue;  // the window's own
                const QAction* a = frame_->action(QLatin1String(c.name));
                const orv::CommandState s = view()->commandState(c.id);
                if (a->isCheckable() != s.checkable ||
                    a->isChecked() != (s.checkable && s.checked) || a->isEnabled() != s.enabled)
                    wrong << QLatin1String(c.name);
                states += QString::number(int(a->isChecked()) + 2 * int(a->isEnabled()));
            }
            QCOMPARE(wrong, QStringList());
            QVERIFY(states != before);
            before = states;
        }
        QVERIFY(messages_.boxes.isEmpty());
    }

    // --- files ---

    void refusedFileCommandsAskForNoFile() {
        const QList<std::tuple<int, const char*, const char*>> cases = {
            // 1 animation, 2 cut
            {0, "saveAs", "Please read result file firstly!"},
            {0, "saveImage", "No image available!"},
            {1, "open", "Please close firstly animation dialog!"},
            {2, "open", "Please close firstly cut dialog!"},
            {0, "helpIndex", "Sorry! It is not available."}};
        for (const auto& [dialog, command, message] : cases) {
            messages_.boxes.clear();
            view()->setAnimationDialogOpen(dialog == 1);
            view()->setCutPlaneDialogOpen(dialog == 2);
            frame_->statusBar()->showMessage("a prompt");
            trigger(command);
            QCOMPARE(messages_.boxes, QStringList{QString("Message: ") + message});
            QCOMPARE(frame_->statusBar()->currentMessage(), QString());  // ready again
        }
        QVERIFY(chooser_.requests.empty());
    }

    // Through Open's dialog, by name and dropped: the caption, the remembered place and type,
    // the plot items, the mouse mode and a new frame, also when the file is refused. Open's
    // dialog offers the remembered type first, in the remembered place.
    void openingSetsCaptionSettingsAndPlotItemsEvenWhenRefused() {
        if (!showWith("plate_hole_q4.asc")) QSKIP("no display for OpenGL");
        QFile broken(files_.filePath("broken.rst"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("no result file at all") > 0);
        broken.close();
        QSettings().setValue("Settings/FileType", "mdf");
        trigger("open");  // cancelled
        QCOMPARE(frame_->windowTitle(),
                 COrvantaView::kCaptionPrefix + files_.filePath("plate_hole_q4.asc"));
        QCOMPARE(chooser_.requests.size(), size_t(1));
        QVERIFY(chooser_.requests[0].filters.value(0).endsWith("(*.mdf)"));
        QCOMPARE(chooser_.requests[0].defaultSuffix, QString("mdf"));
        QCOMPARE(chooser_.requests[0].directory, files_.path() + "/");
        for (const int how : {0, 1, 2}) {  // 0 Open, 1 a named path, 2 a drop
            trigger("dynamicRotation");
            messages_.boxes.clear();
            const long long frames = view()->framesDrawn();
            const QString path = how == 0   ? copy("cantilever.asc")
                                 : how == 1 ? broken.fileName()
                                            : copy("truss_bridge.asc");
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(path)});
            QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, {});
            QDropEvent drop({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, {});
            if (how == 0) {
                chooser_.answer = path;
                trigger("open");
            } else if (how == 1) {
                QVERIFY(!view()->openPath(path));
                const QString box = messages_.boxes.value(0);
                QVERIFY2(box.startsWith("Error: ") && box.endsWith("\n\n" + path), qPrintable(box));
            } else {
                QApplication::sendEvent(frame_.get(), &enter);
                QVERIFY(enter.isAccepted());
                QApplication::sendEvent(frame_.get(), &drop);
            }
            QTRY_COMPARE(frame_->windowTitle(), COrvantaView::kCaptionPrefix + path);
            QCOMPARE(scene().modelLoaded(), how != 1);
            QCOMPARE(messages_.boxes.isEmpty(), how != 1);
            QCOMPARE(view()->cutPath() + view()->extension(), path);
            QSettings settings;
            QCOMPARE(settings.value("Settings/FilePath").toString(), files_.path() + "/");
            QCOMPARE(settings.value("Settings/FileType").toString(), QFileInfo(path).suffix());
            const auto& names = scene().model().results.dofNames;
            QComboBox* items = frame_->plotItemBox();
            QCOMPARE(items->count(), int(names.size()));
            if (!names.empty()) QCOMPARE(items->itemText(1).toStdString(), names[1]);
            QCOMPARE(items->currentIndex(), names.empty() ? -1 : 0);
            QCOMPARE(view()->cursor().shape(), Qt::ArrowCursor);  // a new model starts idle
            QVERIFY(frame_->isEnabled());
            QTRY_VERIFY(view()->framesDrawn() > frames);
        }
    }

    void whileReadingTheWindowIsDisabledAndNothingReenters() {
        if (!showWith(nullptr)) QSKIP("no display for OpenGL");
        bool busy = false, enabled = true, closed = true, opened = true;
        QTimer::singleShot(0, [&] {
            busy = view()->busy();
            enabled = frame_->isEnabled();
            closed = frame_->close();
            opened = view()->openPath(copy("plate_hole_q4.asc"));
            view()->command(CommandId::SaveAs);
        });
        QVERIFY(view()->openPath(copy("pressure_tube.rst")));
        QVERIFY(busy && !enabled && !closed && !opened);
        QVERIFY(messages_.questions.isEmpty());
        QVERIFY(chooser_.requests.empty());
        QVERIFY(frame_->isEnabled());
        QCOMPARE(view()->extension(), QString("rst"));
    }

    void theActionsAreGreyWhileAFileIsRead() {
        if (!showWith(nullptr)) QSKIP("no display for OpenGL");
        bool enabled = true;
        QTimer::singleShot(0, [&] { enabled = frame_->action("plotMesh")->isEnabled(); });
        QVERIFY(view()->openPath(copy("pressure_tube.rst")));
        QVERIFY(!enabled);
    }

    void saveAsWritesTheOtherFormatBesideTheFile() {
        if (!showWith(nullptr)) QSKIP("no display for OpenGL");
        const QList<std::array<const char*, 3>> cases = {
            {"plate_hole_q4.asc", "rst", "Orvanta30 RST Files (*.rst)"},
            {"pressure_tube.rst", "asc", "Orvanta30 Asc Files (*.asc)"}};
        for (const auto& [source, type, filter] : cases) {
            QVERIFY(view()->openPath(copy(source)));
            const QString caption = frame_->windowTitle();
            chooser_.requests.clear();
            chooser_.answer = files_.filePath("converted.") + type;
            trigger("saveAs");
            QCOMPARE(chooser_.requests.size(), size_t(1));
            const FileRequest& r = chooser_.requests[0];
            QCOMPARE(r.filters, QStringList{filter});
            QCOMPARE(QStringList({r.proposedName, r.defaultSuffix}),
                     QStringList({view()->cutPath() + type, type}));
            QCOMPARE(frame_->windowTitle(), caption);
            orv::FeModel model;  // the written file reads back as the same model
            orv::NullProgress progress;
            QVERIFY(orv::readModelFile(model, chooser_.answer.toStdString(), type, progress,
                                       messages_));
            QCOMPARE(model.nodeCount, scene().model().nodeCount);
        }
        QVERIFY(messages_.boxes.isEmpty());
    }

    // --- the animation timer and its dialog ---

    void theTimerStopsForMessagesAndDialogsAndResumesOnlyWhereItShould() {
        if (!showWith("plate_hole_q4.asc")) QSKIP("no display for OpenGL");  // light, cut refuse
        view()->setAnimationDialogOpen(true);
        bool runningUnderABox = false;
        messages_.onShow = [&] { runningUnderABox |= view()->animationRunning(); };
        const QList<QPair<QStringList, bool>> cases = {
            {{"lightEffect"}, true},  // paused for the refusal, then resumed
            {{"stop", "lightEffect"}, false},
            {{"nextStep"}, false},
            {{"cuttingPlane"}, false},
            {{"symmetry"}, false},  // its dialog cancelled
            {{"numbering"}, true},
            {{"colorOption"}, true},
            {{"saveImage"}, false},
            {{"open"}, false}};
        for (const auto& [commands, running] : cases) {
            view()->startAnimationTimer(1000);
            for (const QString& c : commands) {
                whenModal<QDialog>([](QDialog* d) { d->reject(); });
                frame_->action(c)->trigger();
            }
            QVERIFY2(view()->animationRunning() == running, qPrintable(commands.join(',')));
        }
        QVERIFY(!runningUnderABox);
        QVERIFY(chooser_.requests.empty());
    }

    // Played with each method, then ticked by the test: only a tick advances the step.
    void animationDialogPlaysForwardOnlyAndForwardAndBackAndCloses() {
        if (!showWith("cantilever.asc")) QSKIP("no display for OpenGL");
        trigger("play");
        auto* dialog = view()->findChild<AnimationDialog*>();
        QVERIFY(dialog && view()->animationDialogOpen());
        QCOMPARE(dialog->displaySteps()->text(), QString("5"));
        QVERIFY(dialog->displaySteps()->isReadOnly());  // the result's own steps
        dialog->speed()->setValue(95);
        QCOMPARE(dialog->speedText()->text(), QString("95"));
        const QList<int> expected[] = {{1, 2, 3, 4, 0, 1}, {2, 3, 4, 3, 2, 1, 0, 1}};
        for (const bool back : {false, true}) {
            for (QRadioButton* b : dialog->findChildren<QRadioButton*>())
                b->setChecked((b == dialog->forwardAndBack()) == back);
            dialog->play();
            QVERIFY(view()->animationRunning());
            QCOMPARE(view()->animationPeriod(), 51);
            view()->stopAnimationTimer();
            const int at = scene().settings().shown.step;
            QVERIFY(frameAfter([&] { view()->requestRedraw(); }));
            QCOMPARE(scene().settings().shown.step, at);
            QList<int> shown;
            while (shown.size() < expected[back].size() &&
                   frameAfter([&] { view()->animationTick(); }))
                shown << scene().settings().shown.step;
            QCOMPARE(shown, expected[back]);
        }
        dialog->play();
        QVERIFY(!frame_->close());  // refused while the dialog is open
        QCOMPARE(messages_.boxes, QStringList{"Message: Please close animation dialog firstly!"});
        dialog->reject();
        QVERIFY(!view()->animationDialogOpen() && !view()->animationRunning());
        QVERIFY(!scene().animation().running);
        QTRY_VERIFY(!view()->findChild<AnimationDialog*>());
        QVERIFY(frame_->action("play")->isEnabled());
    }

    void animationOfModesWantsTwoStepsAtLeast() {
        if (!showWith("cantilever_modes.mdf")) QSKIP("no display for OpenGL");
        trigger("play");
        auto* dialog = view()->findChild<AnimationDialog*>();
        QVERIFY(dialog);
        QVERIFY(!dialog->displaySteps()->isReadOnly());
        dialog->displaySteps()->setText("1");
        dialog->play();
        QCOMPARE(messages_.boxes, QStringList{"Orvanta 3.00: Input animation step!"});
        QVERIFY(!view()->animationRunning());
        dialog->displaySteps()->setText("12");
        dialog->play();
        QCOMPARE(scene().settings().shown.count, 12);
        QVERIFY(view()->animationRunning());
        // A click beside the thumb re-times the animation when the mouse is let go.
        QTest::mouseClick(dialog->speed(), Qt::LeftButton, {}, QPoint(2, 5));
        QVERIFY(dialog->speed()->value() < 100);
        QCOMPARE(view()->animationPeriod(), AnimationDialog::periodOf(dialog->speed()->value()));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!view()->animationDialogOpen());
        QCOMPARE(scene().settings().shown.count, 1);  // the full deformation stays
    }

    // --- the step and view-angle dialogs ---

    void stepAndViewAngleDialogsRefuseBadInputAndStayOpen() {
        if (!showWith("cantilever.asc")) QSKIP("no display for OpenGL");
        QString title;
        whenModal<StepDialog>([&](StepDialog* d) {
            title = d->windowTitle();
            d->numberBox()->setValue(6);
            d->accept();  // refused: stays open
            d->numberBox()->setValue(4);
            d->accept();
        });
        trigger("stepNumber");
        QCOMPARE(title, QString("Choose displaying step"));
        QCOMPARE(scene().settings().shown.step, 3);
        whenModal<ViewportDialog>([&](ViewportDialog* d) {
            d->field(0)->setText("10");
            d->field(1)->setText("400");
            d->field(2)->setText("abc");
            d->accept();  // refused
            d->field(2)->setText("-30.5");
            d->accept();
        });
        trigger("viewPort");
        QCOMPARE(messages_.boxes,
                 QStringList({"Error: Input error!", "Orvanta 3.00: Please enter a number."}));
        QCOMPARE(scene().camera().angles, (std::array<float, 3>{10.0f, 400.0f, -30.5f}));
    }

    // --- the option dialogs: their fields reach the scene's commands ---

    void optionDialogsHandTheirFieldsToTheScene() {
        // An unquoted "10,20,30" in the settings file reads as a list.
        QSettings().setValue("Color/LabelBkg", QStringList{"10", "20", "30"});
        if (!showWith("plate_hole_q4.asc")) QSKIP("no display for OpenGL");
        QCOMPARE(scene().colour(orv::ColourItem::LabelBkg), (std::array<int, 3>{10, 20, 30}));
        bool kindsOff = false;
        whenModal<NumberingDialog>([&](NumberingDialog* d) {
            kindsOff = !d->kinds()->button(1)->isEnabled();
            d->elementNumbers()->setChecked(true);
            d->kinds()->button(1)->setChecked(true);
            d->accept();
        });
        trigger("numbering");
        QVERIFY(kindsOff);
        QCOMPARE(scene().settings().numbering, orv::Numbering::Material);
        whenModal<MagnificationDialog>([](MagnificationDialog* d) {
            d->field()->setText("abc");
            d->accept();  // refused: stays open
            d->field()->setText("2.5");
            d->accept();
        });
        trigger("magnification");
        QCOMPARE(scene().settings().magnification, 2.5f);
        QString shownMax;
        whenModal<PlotOptionDialog>([&](PlotOptionDialog* d) {
            shownMax = d->maximum()->text();
            d->divisions()->setText("21");
            d->accept();
            d->divisions()->setText("8");
            d->blackAndWhite()->setChecked(true);
            d->accept();
        });
        trigger("contourDivision");
        QCOMPARE(shownMax.toStdString(), orv::fieldText(scene().bands().maxValue));
        QVERIFY(scene().bands().divisions == 8 && scene().colours().greyMode);
        QVERIFY(!scene().settings().userRange.on);
        whenModal<SymmetryDialog>([](SymmetryDialog* d) {
            d->choices()->button(2)->setChecked(true);
            d->accept();
        });
        trigger("symmetry");
        QCOMPARE(scene().settings().symmetry, orv::Symmetry::AboutY);
        QList<int> shown;  // elements shown after each Apply, the dialog still open
        const auto count = [&] {
            int n = 0;
            for (const auto& e : scene().model().elements)
                n += e.selected;
            shown << n;
        };
        whenModal<SelectDialog>([&](SelectDialog* d) {
            d->half(0).values->setText("1 3");
            d->apply();
            count();
            d->half(1).entity->setChecked(true);
            d->half(0).type->setCurrentIndex(3);  // All, but for nodes: nothing
            d->apply();
            count();
            d->half(1).item->setCurrentIndex(2);  // Solu: the result components
            d->half(0).item->setCurrentIndex(4);  // Loca: X and Y in a plane model
            shown << d->half(1).component->count() << d->half(0).component->count()
                  << int(d->isVisible());
            d->reject();
        });
        trigger("selectNE");
        QCOMPARE(shown, QList<int>({2, 2, int(scene().model().results.dofCount), 2, 1}));
        QSettings settings;
        QStringList stored;
        whenModal<ColourDialog>([&](ColourDialog* d) {
            d->radios()->button(1)->click();  // "Job title"
            stored << d->field(0)->text();
            d->field(0)->setText("10");
            d->apply();
            stored << settings.value("Color/TitleFont").toString();
            d->field(1)->setText("300");
            d->apply();  // refused
            d->chooseColour = [](QWidget*) { return QColor(1, 2, 3); };
            d->chooseAndApply();
            stored << settings.value("Color/TitleFont").toString();
            d->restoreDefaults();
            stored << settings.value("Color/LabelBkg").toString() << d->field(0)->text();
            d->reject();
        });
        trigger("colorOption");
        QCOMPARE(stored, QStringList({"255", "10 255 255", "1 2 3", "50 50 150", "255"}));
        QCOMPARE(messages_.boxes,
                 QStringList({"Orvanta 3.00: Please enter a number.",
                              "Error: The division number is limited in the range 2 -- 20!",
                              "Orvanta 3.00: Please enter an integer between 0 and 255."}));
    }

    // --- the cutting plane ---

    // Beside the view's top right corner; picked nodes fill the fields until three are listed
    // and are used exactly unless a field is edited; Apply and Reset reach the scene; Close
    // leaves no cut, no picked nodes, no refresh and the mouse mode of before.
    void cutPlaneDialogPicksAppliesResetsAndCloses() {
        if (!showWith("pressure_tube.rst")) QSKIP("no display for OpenGL");
        trigger("dynamicRotation");
        trigger("cuttingPlane");
        auto* dialog = view()->findChild<CutPlaneDialog*>();
        QVERIFY(dialog && view()->cutPlaneDialogOpen());
        QVERIFY(!frame_->action("cuttingPlane")->isEnabled());
        QCOMPARE(dialog->windowTitle(), QString("Define cut plane"));
        QStringList texts;
        for (QLabel* l : dialog->findChildren<QLabel*>())
            texts << l->text();
        for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
            texts << b->text();
        QCOMPARE(texts.join('|'), QString("Choose 3 points to define a cutting plane|X|Y|Z|N1 :|"
                                          "N2 :|N3 :|Pick|Unpick|Show the three points of cutting "
                                          "plane|&Applay|&Reset|&Close"));
        const QRect v(view()->mapToGlobal(QPoint(0, 0)), view()->size());
        QCOMPARE(dialog->frameGeometry().topRight(), v.topRight());

        const auto fields = [&] {
            QStringList out;
            for (int i = 0; i < 9; ++i)
                out << dialog->field(i)->text();
            return out;
        };
        const auto pickThree = [&] {
            dialog->pickButton()->click();
            QVERIFY(dialog->refreshTimer().isActive());
            QCOMPARE(scene().mouseMode(), orv::MouseMode::Pick);
            for (const QPoint p :
                 {QPoint(v.width() / 4, v.height() / 3), QPoint(v.width() / 2, 3 * v.height() / 4),
                  QPoint(3 * v.width() / 5, v.height() / 3)}) {
                sendMouse(view(), QEvent::MouseButtonPress, p, Qt::LeftButton);
                sendMouse(view(), QEvent::MouseButtonRelease, p + QPoint(1, 0), Qt::NoButton);
            }
            QCOMPARE(scene().picked().size(), size_t(3));
            dialog->refresh();  // the timer's tick
            QVERIFY(!dialog->refreshTimer().isActive() && !dialog->pickButton()->isChecked());
            QCOMPARE(scene().mouseMode(), orv::MouseMode::Idle);
        };
        pickThree();
        QStringList shown;
        for (const auto& p : scene().pickedCoordinates(3))
            for (double c : p)
                shown << QString::fromStdString(orv::fieldText(c));
        QCOMPARE(fields(), shown);
        dialog->apply();
        QVERIFY(scene().cut().active());
        // The plane holds the picked nodes themselves, not their rounded texts.
        const auto& plane = scene().cut().plane();
        for (const int32_t n : scene().picked()) {
            const orv::FeModel& m = scene().model();
            const double s = plane[0] * m.coordinate(n - 1, 0) + plane[1] * m.coordinate(n - 1, 1) +
                             plane[2] * m.coordinate(n - 1, 2) + plane[3];
            QVERIFY2(std::fabs(s) < 1e-9, qPrintable(QString::number(s)));
        }

        const struct {
            QString text;  // typed after the 0 in N2 X
            QString message;
        } refused[] = {{"abc", "Orvanta 3.00: Please enter a number."},
                       {"0", "Message: Error of definition of cutplane!"}};
        for (const auto& k : refused) {
            messages_ = {};
            dialog->reset();
            QVERIFY(!scene().cut().active() && scene().picked().empty());
            QCOMPARE(fields(), QStringList(9, "0"));
            QTest::keyClicks(dialog->field(3), k.text);  // N1 and N3 stay 0
            dialog->apply();
            QCOMPARE(messages_.boxes, QStringList{k.message});
            QVERIFY(!scene().cut().active());
        }

        pickThree();
        dialog->apply();
        QVERIFY(scene().cut().active());
        dialog->unpickButton()->click();
        const QPointer<const QTimer> timer = &dialog->refreshTimer();
        QVERIFY(timer->isActive());
        QVERIFY(!frame_->close());  // refused while the dialog is open
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == "&Close") b->click();
        QVERIFY(!timer || !timer->isActive());
        QVERIFY(!view()->cutPlaneDialogOpen() && !scene().cut().active());
        QVERIFY(scene().picked().empty());
        QCOMPARE(scene().mouseMode(), orv::MouseMode::Rotate);
        QVERIFY(frame_->action("cuttingPlane")->isEnabled());
        QTRY_VERIFY(!view()->findChild<CutPlaneDialog*>());
    }

    // --- mouse ---

    // The zoom box's band is drawn by XOR and erased again without redrawing the scene; a
    // drag belongs to the view and only a left-button drag moves the picture.
    void mouseDragsTurnMoveAndZoomWithAnXorBand() {
        if (!showWith("plate_hole_q4.asc")) QSKIP("no display for OpenGL");
        trigger("plotNode");  // on a black background
        QWidget* v = view();
        const std::array<uint8_t, 3> cyan{0, 255, 255};
        const int before = countPixels(shownFrame(), cyan);
        trigger("zoomBox");
        sendMouse(v, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
        sendMouse(v, QEvent::MouseMove, {300, 250}, Qt::LeftButton);
        const long long frames = view()->framesDrawn();
        const int first = countPixels(shownFrame(), cyan);
        QVERIFY(first > before + 300);
        sendMouse(v, QEvent::MouseMove, {200, 180}, Qt::LeftButton);
        const orv::FrameImage moved = shownFrame();
        QCOMPARE(view()->framesDrawn(), frames);
        const int second = countPixels(moved, cyan);
        QVERIFY(second < first && second > before + 150);  // the larger box gone, a smaller one
        QVERIFY(moved.rgb(250, 250) != cyan);              // the old box's bottom edge went away
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(v, &out);  // focus lost: no band left, the mode returns
        QTRY_COMPARE(countPixels(shownFrame(), cyan), before);
        QCOMPARE(scene().mouseMode(), orv::MouseMode::Idle);
        QVERIFY(!QWidget::mouseGrabber());

        const orv::Camera& camera = scene().camera();
        trigger("dynamicRotation");
        QCOMPARE(v->cursor().shape(), Qt::BitmapCursor);
        const auto angles = camera.angles;
        sendMouse(v, QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton);
        QCOMPARE(QWidget::mouseGrabber(), v);
        sendMouse(v, QEvent::MouseMove, {260, 200}, Qt::LeftButton);
        QVERIFY(camera.angles != angles);
        const auto turned = camera.angles;
        sendMouse(v, QEvent::MouseMove, {300, 260}, Qt::LeftButton, Qt::ShiftModifier);
        sendMouse(v, QEvent::MouseMove, {300, 260}, Qt::LeftButton | Qt::RightButton);
        QCOMPARE(camera.angles, turned);
        sendMouse(v, QEvent::MouseButtonRelease, {260, 200}, Qt::NoButton);
        QVERIFY(!QWidget::mouseGrabber());
        trigger("dynamicPan");
        const auto t = camera.translation;
        drag(v, {200, 200}, {250, 240});
        QVERIFY(camera.translation != t);
        shownFrame();
        trigger("zoomBox");
        const float scale = camera.scale;
        drag(v, {300, 300}, {250, 260});  // drawn backwards
        QVERIFY(camera.scale > scale);
        QVERIFY(frame_->action("dynamicPan")->isChecked());  // the mode before the box
    }

    void closingTheWindowInADragReleasesTheMouse() {
        if (!showWith("plate_hole_q4.asc")) QSKIP("no display for OpenGL");
        trigger("dynamicPan");
        sendMouse(view(), QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton);
        sendMouse(view(), QEvent::MouseMove, {250, 250}, Qt::LeftButton);
        frame_.reset();
        QVERIFY(!QWidget::mouseGrabber());
    }

    // --- the picture ---

    void theSavedBitmapAndThePrintedPageAreTheViewsPicture() {
        if (!showWith("cantilever.asc")) QSKIP("no display for OpenGL");
        trigger("plotContour");
        const orv::FrameImage shown = shownFrame();
        QVERIFY(countPixels(shown, {255, 255, 255}) > 50);  // the overlay's white text
        chooser_.answer = files_.filePath("picture");       // no extension: saved as named
        trigger("saveImage");
        QCOMPARE(chooser_.requests.size(), size_t(1));
        const FileRequest& r = chooser_.requests[0];
        QCOMPARE(QStringList({r.caption, r.proposedName, r.directory}),
                 QStringList({"Save Bitmap File", "untitled.bmp", "."}));
        QVERIFY(messages_.boxes.isEmpty());
        QFile file(chooser_.answer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const auto le32 = [&](int at) { return qFromLittleEndian<qint32>(bytes.constData() + at); };
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(le32(18), shown.header.width);
        QCOMPARE(le32(22), shown.header.height);
        QCOMPARE(bytes.mid(54), QByteArray(reinterpret_cast<const char*>(shown.pixels.data()),
                                           int(shown.pixels.size())));
        chooser_.answer = files_.filePath("picture.PNG");  // the name decides the format
        trigger("saveImage");
        QFile png(chooser_.answer);
        QVERIFY(png.open(QIODevice::ReadOnly) && png.read(4) == "\x89PNG");
        chooser_.answer = files_.filePath("no/such/dir/x.bmp");
        trigger("saveImage");
        QCOMPARE(messages_.boxes, QStringList{"Message: Could not save to file!\n\n" +
                                              chooser_.answer + ": No such file or directory"});

        const QImage picture = view()->renderPicture();
        QCOMPARE(picture.size(), QSize(shown.header.width, shown.header.height));
        QCOMPARE(picture.pixelColor(5, 5), QColor(0, 0, 0));  // the frame's background
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(files_.filePath("picture.pdf"));
        printer.setPageOrientation(QPageLayout::Landscape);
        QVERIFY(view()->printPicture(printer));
        QFile pdf(printer.outputFileName());
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        QVERIFY(pdf.size() > 10000);
        view()->requestRedraw();
        QVERIFY(shownFrame().pixels == shown.pixels);  // the window draws as before, text too
        printer.setOutputFileName(files_.filePath("no/such/dir/x.pdf"));
        QVERIFY(!view()->printPicture(printer));
        QVERIFY(messages_.boxes.last().startsWith("Message: Could not print to file!\n\n" +
                                                  printer.outputFileName()));
        QVERIFY(!view()->openPath(files_.filePath("missing.asc")));
        QVERIFY(!view()->printPicture(printer));  // nothing to print without a model
    }

    void printTargetScalesAndCentres() {
        struct Case {
            QSize picture, page;
            QRect target;
        };
        const Case cases[] = {
            {{400, 300}, {3300, 2550}, {(3300 - 1680) / 2, (2550 - 1260) / 2, 1680, 1260}},
            {{400, 300}, {2550, 3300}, {(2550 - 1400) / 2, (3300 - 1050) / 2, 1400, 1050}},
            {{1000, 500}, {2000, 3000}, {0, 1000, 2000, 1000}},  // as large as it fits
            {{}, {10, 10}, {}}};
        for (const Case& c : cases)
            QCOMPARE(COrvantaView::printTarget(c.picture, c.page), c.target);
    }
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
