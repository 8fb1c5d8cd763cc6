#include "curve_array_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "messages.h"
#include "orvanta_view.h"

namespace orv::ui {

CurveArrayDialog::CurveArrayDialog(COrvantaView& view, Scene& scene, Messages& messages)
    : QDialog(&view, Qt::Tool), view_(view), scene_(scene), messages_(messages) {
    setWindowTitle(QStringLiteral("Define curve array"));
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("curveArrayDialog"));
    auto* layout = new QVBoxLayout(this);

    auto* kindBox = new QGroupBox(this);
    auto* kindLayout = new QVBoxLayout(kindBox);
    kindGroup_ = new QButtonGroup(this);
    const char* kindNames[2] = {"Time history", "Distribution on a line"};
    for (int k = 0; k < 2; ++k) {
        kinds_[k] = new QRadioButton(QLatin1String(kindNames[k]), kindBox);
        kindGroup_->addButton(kinds_[k], k);
        kindLayout->addWidget(kinds_[k]);
        connect(kinds_[k], &QRadioButton::clicked, this, [this, k] { chooseKind(CurveKind(k)); });
    }
    layout->addWidget(kindBox);
    // A line is a plane model's only.
    kinds_[int(CurveKind::LineDistribution)]->setEnabled(scene_.model().dimension != 3);

    auto* inputBox = new QGroupBox(this);
    auto* inputLayout = new QHBoxLayout(inputBox);
    inputGroup_ = new QButtonGroup(this);
    const char* inputNames[4] = {"Inp. node num.", "Inp. coordinates", "Pick", "UnPick"};
    for (int i = 0; i < 4; ++i) {
        inputs_[i] = new QRadioButton(QLatin1String(inputNames[i]), inputBox);
        inputGroup_->addButton(inputs_[i], i);
        inputLayout->addWidget(inputs_[i]);
        connect(inputs_[i], &QRadioButton::clicked, this, [this, i] { chooseInput(NodeInput(i)); });
    }
    layout->addWidget(inputBox);
    nodes_ = new QLineEdit(this);
    layout->addWidget(nodes_);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("Save curve data as file :"), this));
    file_ = new QLineEdit(QStringLiteral("untitled.cdb"), this);
    fileRow->addWidget(file_);
    layout->addLayout(fileRow);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* resetButton = new QPushButton(QStringLiteral("Reset"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(ok);
    buttons->addWidget(resetButton);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CurveArrayDialog::accept);
    connect(resetButton, &QPushButton::clicked, this, &CurveArrayDialog::reset);
    connect(cancel, &QPushButton::clicked, this, &CurveArrayDialog::reject);

    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &CurveArrayDialog::refresh);
    setKind(CurveKind::TimeHistory);
    setInput(NodeInput::Numbers);
}

void CurveArrayDialog::setKind(CurveKind kind) {
    kind_ = kind;
    kinds_[int(kind)]->setChecked(true);
}

void CurveArrayDialog::setInput(NodeInput input) {
    input_ = input;
    inputs_[int(input)]->setChecked(true);
}

void CurveArrayDialog::chooseKind(CurveKind kind) {
    if (kind == CurveKind::LineDistribution && scene_.model().dimension == 3) {
        messages_.showMessage("It is only available for 2D!");
        setKind(CurveKind::TimeHistory);
        return;
    }
    setKind(kind);
    scene_.clearPicked();
    scene_.setPickedMarks(kind == CurveKind::LineDistribution ? PickedMarks::JoinedPairs
                                                              : PickedMarks::Points);
    // Picked text follows the emptied list; typed text stays.
    if (input_ == NodeInput::Pick || input_ == NodeInput::Unpick) nodes_->clear();
    changed();
}

void CurveArrayDialog::chooseInput(NodeInput input) {
    setInput(input);
    switch (input) {
        case NodeInput::Numbers:
        case NodeInput::Coordinates:
            timer_.stop();
            if (scene_.mouseMode() == MouseMode::Pick || scene_.mouseMode() == MouseMode::Unpick)
                setPickMode(MouseMode::Idle);
            nodes_->setEnabled(true);
            nodes_->clear();
            break;
        case NodeInput::Pick:
            scene_.clearPicked();
            nodes_->setEnabled(false);
            nodes_->clear();
            startRefresh();
            setPickMode(MouseMode::Pick);
            break;
        case NodeInput::Unpick:
            nodes_->setEnabled(false);
            if (scene_.picked().empty()) {
                timer_.stop();
                setPickMode(MouseMode::Idle);
            } else {
                startRefresh();
                setPickMode(MouseMode::Unpick);
            }
            break;
    }
    changed();
}

void CurveArrayDialog::startRefresh() {
    if (!timer_.isActive()) timer_.start();
}

void CurveArrayDialog::setPickMode(MouseMode mode) {
    scene_.setPickMode(mode);
}

void CurveArrayDialog::copyPicked() {
    QString text;
    for (const int32_t n : scene_.picked())
        text += QString::number(n) + QLatin1Char(',');
    nodes_->setText(text);
}

void CurveArrayDialog::refresh() {
    copyPicked();
    const size_t count = scene_.picked().size();
    const MouseMode mode = scene_.mouseMode();
    if ((count < 1 && mode == MouseMode::Unpick) ||
        (count >= 2 && kind_ == CurveKind::LineDistribution && mode == MouseMode::Pick)) {
        timer_.stop();
        setPickMode(MouseMode::Idle);
        changed();
    }
}

QString CurveArrayDialog::outputPath() {
    QString name = file_->text().trimmed();
    if (name.isEmpty()) {
        messages_.showMessage("Please give the name of the curve file!");
        file_->setFocus();
        return {};
    }
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".cdb");
    if (QFileInfo(name).isRelative()) {
        // Beside the open result file.
        const QFileInfo result(QString::fromStdString(scene_.fileName()));
        name = QDir(result.absolutePath()).filePath(name);
    }
    name = QDir::cleanPath(name);
    if (QFileInfo::exists(name) &&
        !messages_.ask("Message", QDir::toNativeSeparators(name).toStdString() +
                                      " already exists.\nReplace it?"))
        return {};
    return name;
}

void CurveArrayDialog::accept() {
    if (closing_) return;
    const bool refreshing = timer_.isActive();
    timer_.stop();
    // A refusal leaves the dialog as it was, picking included.
    const auto refused = [this, refreshing] {
        if (refreshing) startRefresh();
        changed();
    };
    if (input_ == NodeInput::Pick || input_ == NodeInput::Unpick) copyPicked();
    const std::optional<std::vector<int32_t>> nodes =
        readCurveNodes(nodes_->text().toStdString(), input_, kind_, scene_.model(), messages_);
    if (!nodes) return refused();
    if (input_ == NodeInput::Numbers || input_ == NodeInput::Coordinates) {
        scene_.setPicked(*nodes);  // shown as picked
        view_.requestRedraw();
    }
    const QString path = outputPath();
    if (path.isEmpty()) return refused();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool computed = scene_.commandComputeCurve(kind_, *nodes, path.toStdString());
    QApplication::restoreOverrideCursor();
    if (!computed) return refused();
    COrvantaView& view = view_;
    finish();
    view.curveDefinitionCommand();
}

void CurveArrayDialog::reset() {
    timer_.stop();
    scene_.clearPicked();
    setPickMode(MouseMode::Idle);
    nodes_->setEnabled(true);
    nodes_->clear();
    setKind(CurveKind::TimeHistory);
    setInput(NodeInput::Numbers);
    scene_.setPickedMarks(PickedMarks::Points);
    changed();
}

void CurveArrayDialog::changed() {
    view_.requestRedraw();
    emit view_.commandStatesChanged();
}

// Ends the curve array once, whichever way the dialog closes.
void CurveArrayDialog::finish() {
    if (closing_) return;
    closing_ = true;
    timer_.stop();
    scene_.endCurveArray();
    scene_.setDialogOpen(ModelessDialog::CurveArray, false);
    changed();
    close();
}

void CurveArrayDialog::reject() {
    finish();
}

void CurveArrayDialog::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        finish();
        return;
    }
    QDialog::closeEvent(event);
    event->accept();
}

}  // namespace orv::ui
