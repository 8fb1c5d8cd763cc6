// The view's commands: each runs the Scene's command (its tests, messages and change), adds
// the window's part (a dialog, the animation timer) and redraws.
#include <QSettings>

#include "animation_dialog.h"
#include "colour_dialog.h"
#include "cut_plane_dialog.h"
#include "dialogs.h"
#include "magnification_dialog.h"
#include "messages.h"
#include "numbering_dialog.h"
#include "orvanta_view.h"
#include "plot_option_dialog.h"
#include "select_dialog.h"
#include "symmetry_dialog.h"

namespace orv::ui {

bool COrvantaView::command(CommandId id) {
    switch (id) {
        case CommandId::Exit:
        case CommandId::About:
        case CommandId::New:
        case CommandId::ViewToolbar:
        case CommandId::ViewPlotbar:
        case CommandId::ViewControlbar:
        case CommandId::ViewAnimationbar:
        case CommandId::ViewOptionbar:
        case CommandId::ViewCurvebar:
        case CommandId::ViewStatusBar:
            return false;  // the main window's own
        default:
            break;
    }
    if (busy()) return true;  // nothing runs while a file is read or written
    switch (id) {
        case CommandId::Open:
            openCommand();
            break;
        case CommandId::SaveAs:
            saveAsCommand();
            break;
        case CommandId::SaveImage:
            saveImageCommand();
            break;
        case CommandId::Print:
            printCommand();
            break;
        case CommandId::PrintPreview:
            printPreviewCommand();
            break;
        case CommandId::PrintSetup:
            printSetupCommand();
            break;
        case CommandId::PlotNode:
        case CommandId::PlotMesh:
        case CommandId::PlotMaterial:
        case CommandId::PlotContour:
        case CommandId::PlotContourEdge:
        case CommandId::PlotIsoLine:
        case CommandId::PlotIsoSurface:
        case CommandId::DisplayVector:
            afterCommand(scene_.commandPlotMode(commandInfo(id).mode,
                                                id == CommandId::PlotContourEdge, *this));
            break;
        case CommandId::AddGrid:
            afterCommand(scene_.commandToggleGrid(*this));
            break;
        case CommandId::Undeformed:
            afterCommand(scene_.commandToggleUndeformed(*this));
            break;
        case CommandId::LightEffect:
            afterCommand(scene_.commandToggleLight(*this));
            break;
        case CommandId::StepMaxMin:
            scene_.commandToggleStepMaxMin(*this);
            afterCommand(false);  // shown at the next redraw
            break;
        case CommandId::CuttingPlane:
            cuttingPlaneCommand();
            break;
        case CommandId::Probe:
            // Switched off, the mark goes.
            afterCommand(scene_.commandToggleProbe(*this));
            break;
        case CommandId::Markers:
            afterCommand(scene_.commandToggleMarkers(*this));
            break;
        case CommandId::Left:
        case CommandId::Right:
        case CommandId::Up:
        case CommandId::Down:
            afterCommand(scene_.commandPanStep(
                PanDirection(int(id) - int(CommandId::Left) + int(PanDirection::Left)), *this));
            break;
        case CommandId::ViewXYZ:
            afterCommand(scene_.commandViewPreset(ViewPreset::XYZ, *this));
            break;
        case CommandId::ViewXOY:
            afterCommand(scene_.commandViewPreset(ViewPreset::XOY, *this));
            break;
        case CommandId::ViewYOZ:
            afterCommand(scene_.commandViewPreset(ViewPreset::YOZ, *this));
            break;
        case CommandId::ViewZOX:
            afterCommand(scene_.commandViewPreset(ViewPreset::ZOX, *this));
            break;
        case CommandId::ViewPort:
            viewPortCommand();
            break;
        case CommandId::ZoomUp:
            afterCommand(scene_.commandZoomUp(*this));
            break;
        case CommandId::ZoomDown:
            afterCommand(scene_.commandZoomDown(*this));
            break;
        case CommandId::Reset:
            afterCommand(scene_.commandResetDisplay(*this));
            break;
        case CommandId::DynamicPan:
            scene_.commandDynamicPan(*this);
            afterCommand(false);
            break;
        case CommandId::DynamicRotation:
            scene_.commandDynamicRotation(*this);
            afterCommand(false);
            break;
        case CommandId::ZoomBox: {
            const bool wasBox = scene_.mouseMode() == MouseMode::ZoomBox;
            scene_.commandZoomBox(*this);
            afterCommand(wasBox);  // a cancelled box may have left its band on the screen
            break;
        }
        case CommandId::Play:
            playCommand();
            break;
        case CommandId::Stop:
            if (scene_.allowed(id, *this)) stopAnimationTimer();
            afterCommand(false);
            break;
        case CommandId::FirstStep:
            afterCommand(scene_.commandStep(StepMove::First, *this));
            break;
        case CommandId::PreviousStep:
            afterCommand(scene_.commandStep(StepMove::Previous, *this));
            break;
        case CommandId::NextStep:
            afterCommand(scene_.commandStep(StepMove::Next, *this));
            break;
        case CommandId::LastStep:
            afterCommand(scene_.commandStep(StepMove::Last, *this));
            break;
        case CommandId::StepNumber:
            stepNumberCommand();
            break;
        case CommandId::Numbering:
        case CommandId::Magnification:
        case CommandId::ContourDivision:
        case CommandId::SelectNE:
            optionDialogCommand(id);
            break;
        case CommandId::Symmetry:
            symmetryCommand();
            break;
        case CommandId::ColorOption:
            colourOptionCommand();
            break;
        case CommandId::ListNode:
        case CommandId::ListElement:
        case CommandId::ListResults:
        case CommandId::ModelInfo:
            listingCommand(id);
            break;
        case CommandId::CurveData:
            curveDataCommand();
            break;
        case CommandId::CurveDefinition:
            curveDefinitionCommand();
            break;
        case CommandId::PlotCurve:
            plotCurveCommand();
            break;
        case CommandId::CurveOption:
            curveOptionCommand();
            break;
        case CommandId::HelpIndex:
            messages_.showMessage("Sorry! It is not available.");
            break;
        default:
            break;
    }
    return true;
}

void COrvantaView::afterCommand(bool changed) {
    if (changed) requestRedraw();
    updateCursor();
    emit commandStatesChanged();
}

void COrvantaView::chooseItem(int index) {
    if (busy() || index < 0) return;
    afterCommand(scene_.commandChooseItem(index, *this));
}

void COrvantaView::playCommand() {
    if (!scene_.allowed(CommandId::Play, *this) || animationDialogOpen()) return;
    setAnimationDialogOpen(true);
    auto* dialog = new AnimationDialog(*this, messages_);
    // Beside the view's top right corner, where it hides the least of the model.
    const QRect view(mapToGlobal(QPoint(0, 0)), size());
    dialog->adjustSize();
    dialog->move(view.right() - dialog->width(), view.top());
    dialog->show();
    afterCommand(false);
}

void COrvantaView::stepNumberCommand() {
    if (!scene_.allowed(CommandId::StepNumber, *this)) return;
    const FeModel& model = scene_.model();
    const ShownStep& shown = scene_.settings().shown;
    const bool modes = model.modalResults;
    const int current = (modes ? shown.mode : shown.step) + 1;
    StepDialog dialog(this, messages_, modes, model.results.stepCount, current);
    if (dialog.exec() == QDialog::Accepted) {
        const int v = dialog.number() - 1;
        if (modes ? scene_.commandChooseMode(v) : scene_.commandSetStep(v)) requestRedraw();
    }
    // Choosing a mode plays on; choosing a step leaves the animation paused.
    if (modes)
        resume();
    else
        hold();
    afterCommand(false);
}

void COrvantaView::viewPortCommand() {
    if (!scene_.allowed(CommandId::ViewPort, *this)) return;
    const auto& a = scene_.camera().angles;
    ViewportDialog dialog(this, messages_, a[0], a[1], a[2]);
    if (dialog.exec() != QDialog::Accepted) return;
    afterCommand(
        scene_.commandSetViewAngles(dialog.angle(0), dialog.angle(1), dialog.angle(2), *this));
}

void COrvantaView::optionDialogCommand(CommandId id) {
    if (!scene_.allowed(id, *this)) return;
    switch (id) {
        case CommandId::Numbering: {
            NumberingDialog dialog(this, scene_.numberingOptions());
            if (dialog.exec() == QDialog::Accepted && scene_.commandNumbering(dialog.options()))
                requestRedraw();
            break;
        }
        case CommandId::Magnification: {
            MagnificationDialog dialog(
                this, messages_, scene_.settings().magnification,
                [this](double f) { return scene_.commandSetMagnification(f); });
            if (dialog.exec() == QDialog::Accepted) requestRedraw();
            break;
        }
        case CommandId::ContourDivision: {
            PlotOptionDialog dialog(this, messages_, scene_.contourOptions(),
                                    [this](const ContourOptions& entered) {
                                        return scene_.commandPlotOption(entered);
                                    });
            if (dialog.exec() == QDialog::Accepted) requestRedraw();
            break;
        }
        case CommandId::SelectNE: {
            QStringList results;
            for (const std::string& name : scene_.model().results.dofNames)
                results << QString::fromStdString(name);
            SelectDialog dialog(this, scene_.model().dimension, results,
                                [this](bool elements, const ElementSelection& selection) {
                                    if (elements) scene_.commandSelect(selection);
                                    requestRedraw();
                                });
            dialog.exec();
            requestRedraw();
            break;
        }
        default:
            break;
    }
    // The option dialogs resume the animation whatever their result.
    resume();
    afterCommand(false);
}

void COrvantaView::symmetryCommand() {
    if (!scene_.allowed(CommandId::Symmetry, *this)) return;
    SymmetryDialog dialog(this, scene_.settings().symmetry);
    if (dialog.exec() == QDialog::Accepted) {
        const bool changed = dialog.symmetry() != scene_.settings().symmetry;
        if (scene_.commandSetSymmetry(dialog.symmetry()) && changed) requestRedraw();
        resume();
    } else {
        hold();  // Cancel leaves a running animation paused.
    }
    afterCommand(false);
}

void COrvantaView::cuttingPlaneCommand() {
    if (!scene_.allowed(CommandId::CuttingPlane, *this) || cutPlaneDialogOpen()) {
        afterCommand(false);
        return;
    }
    hold();  // the dialog keeps the animation paused
    scene_.beginCutDefinition();
    setCutPlaneDialogOpen(true);
    auto* dialog = new CutPlaneDialog(*this, scene_, messages_);
    dialog->adjustSize();
    dialog->show();
    // Its window's right edge at the view's right edge, its top at the view's top.
    const QRect view(mapToGlobal(QPoint(0, 0)), size());
    dialog->move(view.right() + 1 - dialog->frameGeometry().width(), view.top());
    requestRedraw();  // the picked nodes are gone
    afterCommand(false);
}

void COrvantaView::colourOptionCommand() {
    if (!scene_.allowed(CommandId::ColorOption, *this)) return;
    // Every colour the dialog sets is kept in the settings as "r g b".
    const auto store = [this](ColourItem item) {
        QSettings().setValue(
            QStringLiteral("Color/") + QLatin1String(Scene::colourSettingName(item)),
            QString::fromStdString(scene_.colourSettingText(item)));
    };
    ColourDialog dialog(
        this, messages_, scene_,
        [this, store](ColourItem item, const std::array<int, 3>& rgb) {
            if (!scene_.commandSetColour(item, rgb)) return false;
            store(item);
            requestRedraw();
            return true;
        },
        [this, store] {
            scene_.commandDefaultColours();
            for (const auto& entry : Scene::colourSettingNames())
                store(entry.second);
            requestRedraw();
        });
    dialog.exec();
    if (animationDialogOpen())
        resume();
    else
        requestRedraw();
    afterCommand(false);
}

}  // namespace orv::ui
