// The desktop program driven as a user would, for the window's own part (what the scene decides
// is tested without a window). The test records message boxes and answers file dialogs.
#include <QPrinter>
#include <QTest>
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
#include "numbering_dialog.h"
#include "orvanta_view.h"
#include "plot_option_dialog.h"
#include "select_dialog.h"
#include "symmetry_dialog.h"

using namespace orv::ui;
using orv::CommandId;

namespace {

QString actionLine(QAction* a) {
    return QStringLiteral("%1 | %2 | %3 | %4")
        .arg(a->text().replace('\t', "\\t"), a->shortcut().toString(), a->toolTip(),
             a->statusTip());
}

// The window's menus, keys, bars and status bar as text, one line a menu item or button.
QStringList windowTexts(CMainFrame& frame) {
    QStringList out;
    const std::function<void(QMenu*, QString)> menu = [&](QMenu* m, const QString& indent) {
        for (QAction* a : m->actions()) {
            if (!a->isVisible())  // named: a hidden item may have no text
                out << indent + (a->isSeparator() ? "-" : a->objectName()) + " (hidden)";
            else
                out << indent + (a->isSeparator() ? "-"
                                 : a->menu()      ? ">" + a->text()
                                                  : actionLine(a));
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
               Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               Qt::MouseButton pressed = Qt::LeftButton) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : pressed;
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, modifiers);
    QApplication::sendEvent(w, &e);
}

int countPixels(const orv::FrameImage& image, std::array<uint8_t, 3> rgb) {
    int n = 0;
    for (int y = 0; y < image.header.height; ++y)
        for (int x = 0; x < image.header.width; ++x)
            n += image.rgb(x, y) == rgb;
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

class DesktopTest : public QObject, public orv::Messages, public FileChooser {
    Q_OBJECT
  public:
    explicit DesktopTest(bool gl) : gl_(gl) {}
    void show(const orv::MessageBox& box) override {
        boxes_ << QString::fromStdString(box.title + ": " + box.text);
        if (onShow_) onShow_();
    }
    bool ask(const std::string& title, const std::string& text) override {
        questions_ << QString::fromStdString(title + ": " + text);
        return yes_;
    }
    QString openFile(QWidget*, const FileRequest& r) override { return saveFile(nullptr, r); }
    QString saveFile(QWidget*, const FileRequest& r) override {
        requests_.push_back(r);
        if (r.chosenFilter && !chosenFilter_.isEmpty()) *r.chosenFilter = chosenFilter_;
        return chosen_;
    }

  private:
    bool gl_, yes_ = false;
    QStringList boxes_, questions_;
    std::function<void()> onShow_;
    QList<FileRequest> requests_;  // the file dialogs asked for
    QString chosen_, chosenFilter_;
    QTemporaryDir settingsDir_, files_;
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
    // The actions whose check mark or enabled state is not the scene's.
    QStringList actionsAstray() {
        QStringList out;
        for (const orv::CommandInfo& c : orv::commandTable()) {
            const QAction* a = frame_->action(QLatin1String(c.name));
            const orv::CommandState s = view()->commandState(c.id);
            if (c.check != orv::CheckRule::BarShown &&  // the window's own
                (a->isCheckable() != s.checkable || a->isChecked() != (s.checkable && s.checked) ||
                 a->isEnabled() != s.enabled))
                out << QLatin1String(c.name);
        }
        return out;
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
        boxes_ = questions_ = {};
        yes_ = false;
        onShow_ = {};
        requests_.clear();
        chosenFilter_.clear();
        frame_ = std::make_unique<CMainFrame>(*this);
        view()->setFileChooser(this);
        view()->setFixedClock(1800000000);
    }
    void cleanup() {  // hidden, not closed: the close guards would refuse
        if (frame_) frame_->hide();
        frame_.reset();
    }

    // ORVANTA_UPDATE_GOLDEN=1 rewrites tests/golden/window_texts.txt from the window.
    void menusBarsAndKeysAreAsCommitted() {
        const QStringList shown = windowTexts(*frame_);
        QFile file(QStringLiteral(ORVANTA_GOLDEN_DIR "/window_texts.txt"));
        if (qEnvironmentVariableIsSet("ORVANTA_UPDATE_GOLDEN")) {
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    file.write((shown.join('\n') + '\n').toUtf8()));
            file.close();
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(shown, QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts));
    }

    // Closing asks, and Exit takes the same path.
    void closingAsks() {
        if (!showWith(nullptr)) QSKIP("no display for OpenGL");
        QVERIFY(!frame_->close() && frame_->isVisible());
        QCOMPARE(questions_, QStringList{"Exit: Exit application?"});
        yes_ = true;
        trigger("exit");
        QVERIFY(questions_.size() == 2 && !frame_->isVisible());
    }

    // Refused or while a file is read, nothing asks for a file or gets in. Open offers the
    // remembered type and place; opened, named or dropped, also when refused, a file sets the
    // caption, the settings and the plot items. Save as writes the other format.
    void filesThroughTheLoader() {
        if (!showWith(nullptr)) QSKIP("no display for OpenGL");
        trigger("saveAs");
        trigger("saveImage");
        bool busy = false, enabled = true, closed = true, opened = true;
        QTimer::singleShot(0, [&] {
            busy = view()->busy();
            enabled = frame_->isEnabled() || frame_->action("plotMesh")->isEnabled();
            closed = frame_->close();
            opened = view()->openPath(copy("plate_hole_q4.asc"));
            view()->command(CommandId::SaveAs);
        });
        QVERIFY(view()->openPath(copy("pressure_tube.rst")));
        QVERIFY(busy && !enabled && !closed && !opened);
        QVERIFY(questions_.isEmpty() && requests_.empty() && frame_->isEnabled());
        const QString broken = files_.filePath("broken.rst");  // a text file under a binary name
        QVERIFY(QFile::copy(copy("cantilever.asc"), broken));
        QSettings().setValue("Settings/FileType", "mdf");
        trigger("open");  // cancelled
        const FileRequest r = requests_.value(0);
        QCOMPARE(QStringList({r.filters.value(0).right(7), r.defaultSuffix, r.directory}),
                 QStringList({"(*.mdf)", "mdf", files_.path() + "/"}));
        for (const int how : {0, 1, 2}) {  // 0 Open, 1 a named path, 2 a drop
            trigger("dynamicRotation");
            boxes_.clear();
            const long long frames = view()->framesDrawn();
            const QString path = how == 0   ? copy("plate_hole_q4.asc")
                                 : how == 1 ? broken
                                            : copy("truss_bridge.asc");
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(path)});
            QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, {});
            QDropEvent drop({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, {});
            chosen_ = path;
            if (how == 0) trigger("open");
            if (how == 1) QVERIFY(!view()->openPath(path));
            if (how == 2) {
                QApplication::sendEvent(frame_.get(), &enter);
                QVERIFY(enter.isAccepted());
                QApplication::sendEvent(frame_.get(), &drop);
            }
            QTRY_COMPARE(frame_->windowTitle(), COrvantaView::kCaptionPrefix + path);
            QCOMPARE(boxes_.size(), int(how == 1));
            QVERIFY(how != 1 ||
                    (boxes_[0].startsWith("Error: ") && boxes_[0].endsWith("\n\n" + path)));
            QCOMPARE(scene().modelLoaded(), how != 1);
            const QSettings set;
            QCOMPARE(set.value("Settings/FilePath").toString() +
                         set.value("Settings/FileType").toString(),
                     files_.path() + "/" + QFileInfo(path).suffix());
            const std::vector<std::string> names = scene().model().plotItemNames();
            QCOMPARE(frame_->plotItemBox()->count(), int(names.size()));
            QCOMPARE(frame_->plotItemBox()->currentText().toStdString(),
                     names.empty() ? "" : names[0]);
            QCOMPARE(view()->cursor().shape(), Qt::ArrowCursor);  // a new model starts idle
            QCOMPARE(actionsAstray(), QStringList());
            QTRY_VERIFY(view()->framesDrawn() > frames);
        }
        const QList<std::array<const char*, 3>> cases = {
            {"plate_hole_q4.asc", "rst", "Orvanta30 RST Files (*.rst)"},
            {"pressure_tube.rst", "asc", "Orvanta30 Asc Files (*.asc)"}};
        for (const auto& [source, type, filter] : cases) {
            QVERIFY(view()->openPath(copy(source)));
            const QString caption = frame_->windowTitle();
            const int nodes = scene().model().nodeCount;
            requests_.clear();
            chosen_ = files_.filePath("converted.") + type;
            trigger("saveAs");
            const FileRequest q = requests_.value(0);
            QCOMPARE(QStringList({q.filters.join(';'), q.proposedName, q.defaultSuffix}),
                     QStringList({filter, view()->cutPath() + type, type}));
            QCOMPARE(frame_->windowTitle(), caption);
            QVERIFY(view()->openPath(chosen_));  // reads back as the same model
            QCOMPARE(scene().model().nodeCount, nodes);
        }
        emit frame_->plotItemBox()->activated(1);  // the mesh becomes a contour
        QVERIFY(scene().settings().plotMode == orv::PlotMode::Contour && actionsAstray().isEmpty());
        QVERIFY(boxes_.isEmpty());
    }

    // Stopped under every message box; resumed after a refusal and the option dialogs, not
    // after Stop, a cancelled symmetry or a refused Open.
    void theTimerStopsForMessagesAndDialogsAndResumesOnlyWhereItShould() {
        if (!showWith("plate_hole_q4.asc")) QSKIP("no display for OpenGL");  // light refuses
        view()->setAnimationDialogOpen(true);
        bool runningUnderABox = false;
        onShow_ = [&] { runningUnderABox |= view()->animationRunning(); };
        const std::pair<QString, bool> cases[] = {
            {"lightEffect", true}, {"stop lightEffect", false}, {"symmetry", false},
            {"numbering", true},   {"colorOption", true},       {"open", false}};
        for (const auto& [commands, running] : cases) {
            view()->startAnimationTimer(1000);
            for (const QString& c : commands.split(' ')) {
                whenModal<QDialog>([](QDialog* d) { d->reject(); });
                frame_->action(c)->trigger();
            }
            QVERIFY2(view()->animationRunning() == running, qPrintable(commands));
        }
        QVERIFY(!runningUnderABox && requests_.empty());
    }

    // Played with each method, then ticked by the test: only a tick advances the step. The
    // step and view-angle dialogs stay open after a refused field and set what they take.
    void animationDialogPlaysBothWaysAndTimesTheTimer() {
        if (!showWith("cantilever.asc")) QSKIP("no display for OpenGL");
        trigger("play");
        auto* dialog = view()->findChild<AnimationDialog*>();
        QVERIFY(dialog && dialog->displaySteps()->isReadOnly() && actionsAstray().isEmpty());
        QCOMPARE(dialog->displaySteps()->text(), QString("5"));  // the result's own steps
        dialog->speed()->setValue(95);
        const QList<int> expected[] = {{1, 2, 3, 4, 0, 1}, {2, 3, 4, 3, 2, 1, 0, 1}};
        for (const bool back : {false, true}) {
            for (QRadioButton* b : dialog->findChildren<QRadioButton*>())
                b->setChecked((b == dialog->forwardAndBack()) == back);
            dialog->play();
            QVERIFY(view()->animationRunning() && view()->animationPeriod() == 51);
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
        QTest::mouseClick(dialog->speed(), Qt::LeftButton, {}, QPoint(2, 5));  // beside the thumb
        QVERIFY(view()->animationRunning() && dialog->speed()->value() < 95);
        QCOMPARE(view()->animationPeriod(), AnimationDialog::periodOf(dialog->speed()->value()));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!view()->animationDialogOpen() && !view()->animationRunning() &&
                !scene().animation().running);
        QTRY_VERIFY(!view()->findChild<AnimationDialog*>());
        whenModal<StepDialog>([&](StepDialog* d) {
            for (const int step : {6, 4}) {  // 6 refused
                d->numberBox()->setValue(step);
                d->accept();
            }
        });
        trigger("stepNumber");
        QCOMPARE(scene().settings().shown.step, 3);
        whenModal<ViewportDialog>([&](ViewportDialog* d) {
            for (const char* z : {"abc", "-30.5"}) {  // abc refused
                for (int i = 0; i < 3; ++i)
                    d->field(i)->setText(QStringList{"10", "400", z}[i]);
                d->accept();
            }
        });
        trigger("viewPort");
        QCOMPARE(boxes_,
                 QStringList({"Error: Input error!", "Orvanta 3.00: Please enter a number."}));
        QCOMPARE(scene().camera().angles, (std::array<float, 3>{10.0f, 400.0f, -30.5f}));
    }

    void optionDialogsHandTheirFieldsToTheScene() {
        // An unquoted "10,20,30" in the settings file reads as a list.
        QSettings().setValue("Color/LabelBkg", QStringList{"10", "20", "30"});
        if (!showWith("plate_hole_q4.asc")) QSKIP("no display for OpenGL");
        QCOMPARE(scene().colour(orv::ColourItem::LabelBkg), (std::array<int, 3>{10, 20, 30}));
        whenModal<NumberingDialog>([&](NumberingDialog* d) {
            d->elementNumbers()->setChecked(true);
            d->kinds()->button(1)->setChecked(true);
            d->accept();
        });
        trigger("numbering");
        QCOMPARE(scene().settings().numbering, orv::Numbering::Material);
        whenModal<MagnificationDialog>([](MagnificationDialog* d) {
            for (const char* text : {"abc", "2.5"}) {  // abc refused
                d->field()->setText(text);
                d->accept();
            }
        });
        trigger("magnification");
        QCOMPARE(scene().settings().magnification, 2.5f);
        QString shownMax;
        whenModal<PlotOptionDialog>([&](PlotOptionDialog* d) {
            shownMax = d->maximum()->text();
            d->divisions()->setText("8");
            d->blackAndWhite()->setChecked(true);
            d->accept();
        });
        trigger("contourDivision");
        QCOMPARE(shownMax.toStdString(), orv::fieldText(scene().bands().maxValue));
        QVERIFY(scene().bands().divisions == 8 && scene().colours().greyMode);
        whenModal<SymmetryDialog>([](SymmetryDialog* d) {
            d->choices()->button(2)->setChecked(true);
            d->accept();
        });
        trigger("symmetry");
        QCOMPARE(scene().settings().symmetry, orv::Symmetry::AboutY);
        int components = 0;
        whenModal<SelectDialog>([&](SelectDialog* d) {
            d->half(0).values->setText("1 3");
            d->apply();
            d->half(1).entity->setChecked(true);  // All for nodes selects no elements
            d->half(0).type->setCurrentIndex(3);
            d->apply();
            d->half(1).item->setCurrentIndex(2);  // Solu: the result components
            components = d->half(1).component->count();
            d->reject();
        });
        trigger("selectNE");
        const auto& e = scene().model().elements;
        QCOMPARE(std::count_if(e.begin(), e.end(), [](auto& r) { return r.selected; }), 2);
        QCOMPARE(components, int(scene().model().results.dofCount));
        QSettings settings;
        QStringList stored;  // the colours as the settings keep them
        whenModal<ColourDialog>([&](ColourDialog* d) {
            d->radios()->button(1)->click();  // "Job title"
            d->field(0)->setText("10");
            d->apply();
            stored << settings.value("Color/TitleFont").toString();
            d->chooseColour = [](QWidget*) { return QColor(1, 2, 3); };
            d->chooseAndApply();
            stored << settings.value("Color/TitleFont").toString();
            d->restoreDefaults();
            stored << settings.value("Color/LabelBkg").toString() << d->field(0)->text();
            d->reject();
        });
        trigger("colorOption");
        QCOMPARE(stored, QStringList({"10 255 255", "1 2 3", "50 50 150", "255"}));
        QCOMPARE(boxes_, QStringList({"Orvanta 3.00: Please enter a number."}));
    }

    // Beside the view's top right corner; picked nodes fill the fields and are used exactly;
    // Reset clears; Close leaves no cut, no picks, no refresh and the mode before.
    void cutPlaneDialogPicksAppliesResetsAndCloses() {
        if (!showWith("pressure_tube.rst")) QSKIP("no display for OpenGL");
        trigger("dynamicRotation");
        trigger("cuttingPlane");
        auto* dialog = view()->findChild<CutPlaneDialog*>();
        QVERIFY(dialog && view()->cutPlaneDialogOpen() && actionsAstray().isEmpty());
        const QRect v(view()->mapToGlobal(QPoint(0, 0)), view()->size());
        QCOMPARE(dialog->frameGeometry().topRight(), v.topRight());
        for (const bool again : {false, true}) {
            dialog->pickButton()->click();
            QVERIFY(dialog->refreshTimer().isActive());
            for (const QPoint p :
                 {QPoint(v.width() / 4, v.height() / 3), QPoint(v.width() / 2, 3 * v.height() / 4),
                  QPoint(3 * v.width() / 5, v.height() / 3)}) {
                sendMouse(view(), QEvent::MouseButtonPress, p, Qt::LeftButton);
                sendMouse(view(), QEvent::MouseButtonRelease, p + QPoint(1, 0), Qt::NoButton);
            }
            dialog->refresh();  // the timer's tick
            QVERIFY(!dialog->refreshTimer().isActive() && !dialog->pickButton()->isChecked());
            QStringList fields, picked;
            for (int i = 0; i < 9; ++i)
                fields << dialog->field(i)->text();
            for (const auto& p : scene().pickedCoordinates(3))
                for (double c : p)
                    picked << QString::fromStdString(orv::fieldText(c));
            QVERIFY(picked.size() == 9 && fields == picked);
            dialog->apply();
            const auto& plane = scene().cut().plane();  // through the nodes, not their texts
            const orv::FeModel& m = scene().model();
            for (const int32_t n : scene().picked()) {
                double s = plane[3];
                for (int k = 0; k < 3; ++k)
                    s += plane[k] * m.coordinate(n - 1, k);
                QVERIFY(scene().cut().active() && std::fabs(s) < 1e-9);
            }
            if (again) break;
            dialog->reset();
            QVERIFY(!scene().cut().active() && scene().picked().empty());
            QCOMPARE(dialog->field(4)->text(), QString("0"));
        }
        dialog->unpickButton()->click();
        const QPointer<const QTimer> timer = &dialog->refreshTimer();
        QVERIFY(timer->isActive());
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == "&Close") b->click();
        QVERIFY(!timer || !timer->isActive());
        QVERIFY(!view()->cutPlaneDialogOpen() && !scene().cut().active());
        QVERIFY(scene().picked().empty() && actionsAstray().isEmpty());
        QCOMPARE(scene().mouseMode(), orv::MouseMode::Rotate);
        QTRY_VERIFY(!view()->findChild<CutPlaneDialog*>());
    }

    // The zoom box's band is drawn by XOR and erased again without redrawing the scene; a
    // drag belongs to the view, only a left-button one turns the picture, and closing the
    // window in a drag releases the mouse.
    void mouseDragsAndTheXorZoomBox() {
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
        QApplication::sendEvent(v, &out);  // focus lost: no band left
        QTRY_COMPARE(countPixels(shownFrame(), cyan), before);
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
        sendMouse(v, QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton);
        frame_.reset();
        QVERIFY(!QWidget::mouseGrabber());
    }

    void theSavedBitmapAndThePrintedPageAreTheViewsPicture() {
        if (!showWith("cantilever.asc")) QSKIP("no display for OpenGL");
        trigger("plotContour");
        const orv::FrameImage shown = shownFrame();
        QVERIFY(countPixels(shown, {255, 255, 255}) > 50);  // the overlay's white text
        chosen_ = files_.filePath("picture");               // no extension: saved as named
        trigger("saveImage");
        QCOMPARE(QStringList({requests_.value(0).caption, requests_.value(0).proposedName}),
                 QStringList({"Save Bitmap File", "untitled.bmp"}));
        QCOMPARE(QImage(chosen_, "BMP").size(), QSize(shown.header.width, shown.header.height));
        QFile file(chosen_);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().mid(54),
                 QByteArray(reinterpret_cast<const char*>(shown.pixels.data()),
                            int(shown.pixels.size())));
        chosen_ = files_.filePath("picture.PNG");  // the name decides the format
        trigger("saveImage");
        QCOMPARE(QImageReader(chosen_).format(), QByteArray("png"));
        chosen_ = files_.filePath("no/such/dir/x.bmp");
        trigger("saveImage");
        QCOMPARE(boxes_, QStringList{"Message: Could not save to file!\n\n" + chosen_ +
                                     ": No such file or directory"});
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(files_.filePath("picture.pdf"));
        printer.setPageOrientation(QPageLayout::Landscape);
        QVERIFY(view()->printPicture(printer));
        QFile pdf(printer.outputFileName());
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-" && pdf.size() > 10000);
        view()->requestRedraw();
        QVERIFY(shownFrame().pixels == shown.pixels);  // the window draws as before, text too
        printer.setOutputFileName(files_.filePath("no/such/dir/x.pdf"));
        QVERIFY(!view()->printPicture(printer));
        QVERIFY(boxes_.last().startsWith("Message: Could not print to file!\n\n" +
                                         printer.outputFileName()));
        // On the page: 4.2 times on a landscape page, 3.5 on a portrait one, at most the page.
        QCOMPARE(COrvantaView::printTarget({400, 300}, {3300, 2550}), QRect(810, 645, 1680, 1260));
        QCOMPARE(COrvantaView::printTarget({400, 300}, {2550, 3300}), QRect(575, 1125, 1400, 1050));
        QCOMPARE(COrvantaView::printTarget({1000, 500}, {2000, 3000}), QRect(0, 1000, 2000, 1000));
    }

    // The wheel (halves of a notch added up) zooms about the cursor, middle and right drags
    // move the picture in the zoom-box mode and leave it; the PNG filter writes a PNG; the
    // recent files follow the opens, outlive the window and lose a file that is gone.
    void wheelOtherButtonsPngFilterAndRecentFiles() {
        if (!showWith("cantilever.asc")) QSKIP("no display for OpenGL");
        QWidget* v = view();
        const orv::Camera& camera = scene().camera();
        const double r = v->devicePixelRatioF();
        const auto at = camera.screenToModel(float(200 * r), float(150 * r));
        QList<float> scales;
        for (const int delta : {60, 60, -120}) {
            QWheelEvent wheel({200, 150}, v->mapToGlobal(QPointF(200, 150)), {}, {0, delta},
                              Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(v, &wheel);
            scales << camera.scale;
        }
        QVERIFY(scales[0] == 1.0f && scales[1] > 1.0f && std::fabs(scales[2] - 1.0f) < 1e-6f);
        const auto still = camera.screenToModel(float(200 * r), float(150 * r));
        QVERIFY(std::fabs(still[0] - at[0]) + std::fabs(still[1] - at[1]) < 1e-3f);
        trigger("zoomBox");
        for (const Qt::MouseButton button : {Qt::MiddleButton, Qt::RightButton}) {
            const orv::Camera before = camera;
            QVERIFY(frameAfter([&] {
                sendMouse(v, QEvent::MouseButtonPress, {100, 100}, button, {}, button);
                sendMouse(v, QEvent::MouseMove, {160, 130}, button);
            }));
            QCOMPARE(QWidget::mouseGrabber(), v);
            sendMouse(v, QEvent::MouseButtonRelease, {160, 130}, Qt::NoButton, {}, button);
            QVERIFY(!QWidget::mouseGrabber() && scene().mouseMode() == orv::MouseMode::ZoomBox);
            QVERIFY(button == Qt::MiddleButton ? camera.translation != before.translation
                                               : camera.angles != before.angles);
        }

        chosen_ = files_.filePath("filtered");  // no extension: the filter decides
        chosenFilter_ = "PNG images (*.PNG *.png)";
        trigger("saveImage");
        QCOMPARE(requests_.value(0).filters.value(1), chosenFilter_);
        QCOMPARE(QImageReader(chosen_).format(), QByteArray("png"));

        const QString plate = copy("plate_hole_q4.asc"),
                      cantilever = files_.filePath("cantilever.asc");
        QVERIFY(view()->openPath(plate) && !view()->openPath(files_.filePath("none.asc")));
        QVERIFY(view()->openPath(cantilever) && view()->openPath(plate));
        const auto menu = [this] {
            QStringList texts;
            for (const QAction* a : frame_->recentFileActions())
                if (a->isVisible()) texts << a->text() + " " + a->statusTip();
            return texts;
        };
        const QStringList both = {"&1 plate_hole_q4.asc " + plate,
                                  "&2 cantilever.asc " + cantilever};
        QCOMPARE(menu(), both);
        frame_->hide();
        frame_ = std::make_unique<CMainFrame>(*this);
        QCOMPARE(menu(), both);
        QVERIFY(QFile::remove(cantilever));
        boxes_.clear();
        frame_->recentFileActions()[1]->trigger();
        QCOMPARE(menu(), QStringList{both[0]});
        QCOMPARE(boxes_, QStringList{"Message: The file is no longer there; it is taken off the "
                                     "recent files.\n\n" +
                                     cantilever});
    }
};

int main(int argc, char** argv) {
    // Without a display: Qt's offscreen platform, which has no OpenGL; drawing tests skip.
    const bool display =
        qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (!display) qputenv("QT_QPA_PLATFORM", "offscreen");
    setDefaultSurfaceFormat();
    // Never destroyed: closing the display unloads the OpenGL driver, whose memory the leak
    // check would then find under addresses of no module, where no suppression can name it.
    [[maybe_unused]] static QApplication* app = new QApplication(argc, argv);
    DesktopTest test(display && QOpenGLContext().create());
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_test.moc"
