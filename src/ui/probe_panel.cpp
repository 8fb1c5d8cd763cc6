#include "probe_panel.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv::ui {

ProbePanel::ProbePanel(QWidget* owner) : QDialog(owner, Qt::Tool) {
    setObjectName(QStringLiteral("probePanel"));
    setWindowTitle(QStringLiteral("Probe"));
    editor_ = new QPlainTextEdit(this);
    editor_->setObjectName(QStringLiteral("probeText"));
    editor_->setReadOnly(true);
    editor_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(editor_->font());
    editor_->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('0')) * 40,
                            metrics.lineSpacing() * 9);
    auto* copy = new QPushButton(QStringLiteral("&Copy"), this);
    copy->setObjectName(QStringLiteral("probeCopy"));
    copy->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this, &ProbePanel::copyAll);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(copy);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(editor_, 1);
    layout->addLayout(buttons);
}

void ProbePanel::setReport(const QString& text) {
    if (text != editor_->toPlainText()) editor_->setPlainText(text);
}

QString ProbePanel::text() const {
    return editor_->toPlainText();
}

void ProbePanel::copyAll() {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(text());
}

}  // namespace orv::ui
