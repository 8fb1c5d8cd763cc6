// The view's curve commands: Curve data (from a curve file or computed from the open result
// in the curve-array dialog), Definition, Plot curve, Curve option (the export), and curve
// files opened, named or dropped.
#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "curve_array_dialog.h"
#include "curve_dialogs.h"
#include "dialogs.h"
#include "file_chooser.h"
#include "messages.h"
#include "orvanta_view.h"

namespace orv::ui {

void COrvantaView::curveDataCommand() {
    // A second Curve data brings the dialog that is already there forward.
    if (curveArrayDialog_ && scene_.dialogOpen(ModelessDialog::CurveArray)) {
        curveArrayDialog_->raise();
        curveArrayDialog_->activateWindow();
        return;
    }
    if (!scene_.allowed(CommandId::CurveData, *this)) return;
    if (!scene_.curveData().empty() &&
        !messages_.ask("Message", "There are already curve data existe in memory\nDelete them?"))
        return;
    ReadCurveDialog source(this);
    if (source.exec() != QDialog::Accepted) return;
    if (source.fromFile()) {
        FileRequest request;
        request.caption = QStringLiteral("Open");
        request.directory = QDir::currentPath();
        request.filters = {QStringLiteral("Curve Files (*.cdb)")};
        request.defaultSuffix = QStringLiteral("cdb");
        const QString path = chooser_->openFile(window(), request);
        if (!path.isEmpty()) {
            clearFileError();
            fileMessages_.setFile(path);
            scene_.commandReadCurveFile(path.toStdString());
            fileMessages_.setFile({});
            afterCommand(true);  // a chart of the old table is gone
        }
        curveDefinitionCommand();
        return;
    }
    if (!scene_.modelLoaded()) {
        messages_.showMessage("Please read result file firstly!");
        return;
    }
    scene_.beginCurveArray();
    scene_.setDialogOpen(ModelessDialog::CurveArray, true);
    auto* dialog = new CurveArrayDialog(*this, scene_, messages_);
    curveArrayDialog_ = dialog;
    dialog->adjustSize();
    dialog->show();
    // Its window's right edge at the view's right edge, its top at the view's top.
    const QRect view(mapToGlobal(QPoint(0, 0)), size());
    dialog->move(view.right() + 1 - dialog->frameGeometry().width(), view.top());
    afterCommand(true);  // the picked nodes are gone
}

void COrvantaView::curveDefinitionCommand() {
    if (!scene_.allowed(CommandId::CurveDefinition, *this)) return;
    if (scene_.curveData().lineSource()) {
        // A line is computed again at the step chosen.
        pause();
        const FeModel& model = scene_.model();
        StepDialog step(this, messages_, false, model.results.stepCount,
                        scene_.settings().shown.step + 1);
        step.setWindowTitle(QStringLiteral("Choose computation step"));
        const bool chosen = step.exec() == QDialog::Accepted;
        hold();  // as a chosen step, the animation stays paused
        if (!chosen) return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool computed = scene_.commandRecomputeLine(step.number() - 1);
        QApplication::restoreOverrideCursor();
        afterCommand(true);
        if (!computed) return;
    }
    QStringList columns;
    for (const std::string& name : scene_.curveData().table.names)
        columns << QString::fromStdString(name);
    CurveDefinitionDialog dialog(
        this, messages_, columns,
        [this](const std::string& name, int32_t x, const std::vector<int32_t>& ys) {
            return scene_.commandDefineCurve(name, x, ys);
        });
    if (dialog.exec() != QDialog::Accepted) return;
    afterCommand(true);  // the chart of the curve
}

void COrvantaView::plotCurveCommand() {
    if (!scene_.allowed(CommandId::PlotCurve, *this)) return;
    afterCommand(scene_.commandPlotCurve());
}

void COrvantaView::curveOptionCommand() {
    if (!scene_.allowed(CommandId::CurveOption, *this)) return;
    scene_.showCurvePlot();
    afterCommand(true);
    const QString suffix = QStringLiteral("xls");
    FileRequest request;
    request.caption = QStringLiteral("Save As");
    request.directory =
        QFileInfo(QString::fromStdString(scene_.curveData().filePath)).absolutePath();
    request.filters = {QStringLiteral("Excel Files (*.xls)")};
    request.defaultSuffix = suffix;
    QString path = chooser_->saveFile(window(), request);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) {
        // The file dialog asks before replacing the name it was given; the one completed here
        // is asked about here.
        path += QLatin1Char('.') + suffix;
        if (QFileInfo::exists(path) &&
            !messages_.ask("Message", QDir::toNativeSeparators(path).toStdString() +
                                          " already exists.\nReplace it?"))
            return;
    }
    clearFileError();
    fileMessages_.setFile(path);
    scene_.commandExportCurve(path.toStdString());
    fileMessages_.setFile({});
}

bool COrvantaView::openCurveFile(const QString& path) {
    if (!scene_.allowed(CommandId::Open, *this)) return false;
    clearFileError();
    fileMessages_.setFile(path);
    const bool read = scene_.commandReadCurveFile(path.toStdString());
    fileMessages_.setFile({});
    afterCommand(true);
    if (read) curveDefinitionCommand();
    return read;
}

}  // namespace orv::ui
