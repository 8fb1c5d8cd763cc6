#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "command_table.h"
#include "dialogs.h"
#include "messages.h"
#include "num_lock.h"
#include "orvanta_view.h"

namespace orv::ui {

CMainFrame::CMainFrame(Messages& messages, QWidget* parent)
    : QMainWindow(parent), messages_(messages) {
    setWindowTitle(QStringLiteral("Orvant1 - %1").arg(QLatin1String(kTitle)));
    setWindowIcon(QIcon(QStringLiteral(":/images/orvanta.png")));
    setObjectName(QStringLiteral("CMainFrame"));
    view_ = new COrvantaView(messages, this);
    view_->setObjectName(QStringLiteral("COrvantaView"));
    setCentralWidget(view_);
    for (const CommandInfo& c : commandTable())
        makeAction(c);
    buildMenus();
    buildStatusBar();
    buildToolBars();
    setAcceptDrops(true);

    connect(view_, &COrvantaView::captionChanged, this, &QWidget::setWindowTitle);
    connect(view_, &COrvantaView::plotItemsChanged, this, &CMainFrame::setPlotItems);
    connect(view_, &COrvantaView::commandStatesChanged, this, &CMainFrame::updateCommandStates);
    connect(view_, &COrvantaView::recentFilesChanged, this, &CMainFrame::updateRecentFiles);
    updateCommandStates();
    updateRecentFiles();
}

CMainFrame::~CMainFrame() {
    // The view outlives this frame's members while its children are destroyed: a drag it
    // ends on the way must not reach a frame that is half gone.
    disconnect(view_, nullptr, this, nullptr);
}

QAction* CMainFrame::makeAction(const CommandInfo& c) {
    auto* a = new QAction(QString::fromLatin1(c.text), this);
    a->setObjectName(QLatin1String(c.name));
    a->setStatusTip(QString::fromLatin1(c.prompt));
    a->setToolTip(QString::fromLatin1(c.tip));
    if (c.icon) a->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(c.icon))));
    // The menus show the key after the tab; the key itself works everywhere.
    if (c.key) a->setShortcut(QKeySequence(QLatin1String(c.key)));
    a->setShortcutContext(Qt::WindowShortcut);
    actions_.insert(QLatin1String(c.name), a);
    const CommandId id = c.id;
    connect(a, &QAction::triggered, this, [this, id] {
        // The prompt belongs to the pointing: once the command runs, the bar is ready again.
        statusBar()->clearMessage();
        if (!view_->command(id)) return;
        updateCommandStates();
    });
    return a;
}

void CMainFrame::buildMenus() {
    const auto act = [this](const char* id) { return actions_.value(QLatin1String(id)); };
    addAction(act("new"));  // a key without a menu item
    connect(act("new"), &QAction::triggered, this, &CMainFrame::newDocument);
    connect(act("exit"), &QAction::triggered, this, &CMainFrame::exitCommand);
    connect(act("about"), &QAction::triggered, this, &CMainFrame::aboutCommand);

    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(act("open"));
    file->addAction(act("saveAs"));
    file->addAction(act("saveImage"));
    file->addSeparator();
    file->addAction(act("print"));
    file->addAction(act("printPreview"));
    file->addAction(act("printSetup"));
    file->addSeparator();
    for (int i = 0; i < COrvantaView::kRecentFiles; ++i) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("recentFile%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, i] { openRecentFile(i); });
        recentActions_ << a;
        file->addAction(a);
    }
    recentSeparator_ = file->addSeparator();
    file->addAction(act("exit"));
    // Another window may have opened a file since.
    connect(file, &QMenu::aboutToShow, this, &CMainFrame::updateRecentFiles);

    QMenu* list = bar->addMenu(QStringLiteral("&List"));
    list->addAction(act("listNode"));
    list->addAction(act("listElement"));
    list->addAction(act("listResults"));

    QMenu* plot = bar->addMenu(QStringLiteral("&Plot"));
    for (const char* id :
         {"plotNode", "plotMesh", "plotMaterial", "plotContour", "plotIsoLine", "plotIsoSurface"})
        plot->addAction(act(id));
    plot->addSeparator();
    plot->addAction(act("addGrid"));
    plot->addAction(act("undeformed"));
    plot->addSeparator();
    plot->addAction(act("displayVector"));
    plot->addAction(act("cuttingPlane"));
    plot->addSeparator();
    plot->addAction(act("probe"));
    plot->addAction(act("markers"));

    QMenu* control = bar->addMenu(QStringLiteral("&Control"));
    QMenu* deplace = control->addMenu(QStringLiteral("Deplace"));
    for (const char* id : {"left", "right", "up", "down"})
        deplace->addAction(act(id));
    QMenu* direction = control->addMenu(QStringLiteral("View direction"));
    for (const char* id : {"viewXYZ", "viewXOY", "viewYOZ", "viewZOX"})
        direction->addAction(act(id));
    control->addAction(act("viewPort"));
    control->addSeparator();
    control->addAction(act("zoomUp"));
    control->addAction(act("zoomDown"));
    control->addAction(act("zoomBox"));
    control->addSeparator();
    control->addAction(act("dynamicPan"));
    control->addAction(act("dynamicRotation"));
    control->addSeparator();
    control->addAction(act("stepMaxMin"));

    QMenu* animation = bar->addMenu(QStringLiteral("&Animation"));
    animation->addAction(act("play"));
    animation->addAction(act("stop"));
    animation->addSeparator();
    for (const char* id : {"firstStep", "previousStep", "nextStep", "lastStep"})
        animation->addAction(act(id));

    QMenu* option = bar->addMenu(QStringLiteral("&Option"));
    for (const char* id : {"colorOption", "numbering", "magnification", "contourDivision",
                           "lightEffect", "symmetry", "modelInfo"})
        option->addAction(act(id));

    QMenu* curve = bar->addMenu(QStringLiteral("Cur&ve"));
    for (const char* id : {"curveData", "curveDefinition", "plotCurve", "curveOption"})
        curve->addAction(act(id));

    viewMenu_ = bar->addMenu(QStringLiteral("&View"));
    for (const char* id : {"viewToolbar", "viewPlotbar", "viewControlbar", "viewAnimationbar",
                           "viewOptionbar", "viewCurvebar", "viewStatusBar"}) {
        act(id)->setCheckable(true);
        viewMenu_->addAction(act(id));
    }

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(act("helpIndex"));
    help->addAction(act("about"));

    for (QMenu* menu : bar->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
}

QToolBar* CMainFrame::makeBar(const QString& name, const QString& title,
                              const QList<const char*>& ids) {
    auto* bar = new QToolBar(title, this);
    bar->setObjectName(name);
    bar->setMovable(true);
    bar->setFloatable(true);
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    bar->setIconSize(QSize(16, 16));
    for (const char* id : ids) {
        if (!id)
            bar->addSeparator();
        else
            bar->addAction(actions_.value(QLatin1String(id)));
    }
    bars_.insert(name, bar);
    return bar;
}

void CMainFrame::buildToolBars() {
    QToolBar* standard = makeBar(QStringLiteral("standard"), QString(),
                                 {"open", "saveAs", "saveImage", "print", "exit", "about"});
    QToolBar* control =
        makeBar(QStringLiteral("control"), QStringLiteral("Control"),
                {"viewXYZ", "viewXOY", "viewYOZ", "viewZOX", "viewPort", nullptr, "left", "right",
                 "up", "down", nullptr, "dynamicPan", "dynamicRotation", "reset", nullptr, "zoomUp",
                 "zoomDown", "zoomBox"});
    QToolBar* animation = makeBar(
        QStringLiteral("animation"), QStringLiteral("Animation"),
        {"play", "stop", "firstStep", "previousStep", "nextStep", "lastStep", "stepNumber"});
    QToolBar* option = makeBar(QStringLiteral("contourOption"), QStringLiteral("Contour Option"),
                               {"colorOption", "numbering", "magnification", nullptr,
                                "contourDivision", "lightEffect", "symmetry", "modelInfo"});
    QToolBar* curve = makeBar(QStringLiteral("curve"), QStringLiteral("Curve"),
                              {"curveData", "curveDefinition", "plotCurve", "curveOption"});
    QToolBar* plot =
        makeBar(QStringLiteral("plot"), QStringLiteral("Plot"),
                {"plotNode", "plotMesh", "plotMaterial", "plotContour", "plotContourEdge",
                 "plotIsoLine", "plotIsoSurface", "displayVector", nullptr});
    plotItems_ = new QComboBox(plot);
    plotItems_->setObjectName(QStringLiteral("plotItems"));
    plotItems_->setFixedWidth(123);
    plotItems_->setMaxVisibleItems(10);
    plotItems_->setToolTip(QStringLiteral("Variables"));
    plotItems_->setStatusTip(QStringLiteral("Choose plot item"));
    QFont bold = plotItems_->font();
    bold.setBold(true);
    plotItems_->setFont(bold);
    plot->addWidget(plotItems_);
    connect(plotItems_, &QComboBox::activated, this, [this](int index) {
        view_->chooseItem(index);
        updateCommandStates();
    });
    plot->addSeparator();
    plot->addAction(actions_.value(QStringLiteral("addGrid")));
    plot->addAction(actions_.value(QStringLiteral("undeformed")));
    plot->addSeparator();
    plot->addAction(actions_.value(QStringLiteral("cuttingPlane")));
    plot->addAction(actions_.value(QStringLiteral("selectNE")));
    plot->addSeparator();
    plot->addAction(actions_.value(QStringLiteral("probe")));
    plot->addAction(actions_.value(QStringLiteral("markers")));

    // Two rows: standard, Control, Contour Option; then Plot, Animation, Curve.
    addToolBar(Qt::TopToolBarArea, standard);
    addToolBar(Qt::TopToolBarArea, control);
    addToolBar(Qt::TopToolBarArea, option);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, plot);
    addToolBar(Qt::TopToolBarArea, animation);
    addToolBar(Qt::TopToolBarArea, curve);

    const QList<QPair<const char*, QWidget*>> toggles = {
        {"viewToolbar", standard},       {"viewPlotbar", plot},     {"viewControlbar", control},
        {"viewAnimationbar", animation}, {"viewOptionbar", option}, {"viewCurvebar", curve},
        {"viewStatusBar", statusBar()}};
    for (const auto& [id, widget] : toggles) {
        QAction* a = actions_.value(QLatin1String(id));
        barToggles_.insert(a, widget);
        QWidget* w = widget;
        connect(a, &QAction::triggered, this, [this, w] { toggleBar(w); });
    }
    for (QToolBar* bar : bars_)
        connect(bar, &QToolBar::visibilityChanged, this, &CMainFrame::updateCommandStates);
}

void CMainFrame::buildStatusBar() {
    QStatusBar* status = statusBar();
    auto* ready = new QLabel(QStringLiteral("Ready"), status);
    ready->setObjectName(QStringLiteral("readyPane"));
    status->addWidget(ready, 1);
    // The probed node's line stays while prompts come and go.
    auto* probe = new QLabel(status);
    probe->setObjectName(QStringLiteral("probePane"));
    probe->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->addPermanentWidget(probe);
    connect(view_, &COrvantaView::probeChanged, probe, &QLabel::setText);
    numPane_ = new QLabel(status);
    numPane_->setObjectName(QStringLiteral("numLockPane"));
    numPane_->setMinimumWidth(numPane_->fontMetrics().horizontalAdvance(QStringLiteral("NUM")) + 8);
    numPane_->setAlignment(Qt::AlignCenter);
    status->addPermanentWidget(numPane_);
    updateNumLock();
}

void CMainFrame::updateNumLock() {
    numPane_->setText(numLockOn() ? QStringLiteral("NUM") : QString());
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::WindowActivate ||
        event->type() == QEvent::ShortcutOverride)
        updateNumLock();
    return QMainWindow::event(event);
}

void CMainFrame::updateRecentFiles() {
    const QStringList files = COrvantaView::recentFiles();
    for (int i = 0; i < recentActions_.size(); ++i) {
        QAction* a = recentActions_[i];
        const QString path = files.value(i);
        QString name = QFileInfo(path).fileName();
        a->setText(path.isEmpty() ? QString()
                                  : QStringLiteral("&%1 %2").arg(i + 1).arg(
                                        name.replace(QLatin1Char('&'), QLatin1String("&&"))));
        a->setStatusTip(QDir::toNativeSeparators(path));
        a->setData(path);
        a->setVisible(!path.isEmpty());
    }
    recentSeparator_->setVisible(!files.isEmpty());
}

void CMainFrame::openRecentFile(int index) {
    const QAction* a = recentActions_.value(index);
    const QString path = a ? a->data().toString() : QString();
    if (path.isEmpty()) return;
    statusBar()->clearMessage();
    if (!QFileInfo::exists(path)) {
        messages_.showMessage("The file is no longer there; it is taken off the recent files.\n\n" +
                              QDir::toNativeSeparators(path).toStdString());
        view_->forgetRecentFile(path);
        return;
    }
    view_->openPath(path);
    updateCommandStates();
}

void CMainFrame::toggleBar(QWidget* bar) {
    bar->setVisible(!bar->isVisible());
    updateCommandStates();
}

QMenu* CMainFrame::createPopupMenu() {
    // The bars' own menu: the View menu's toggles (the standard bar has no title).
    auto* menu = new QMenu(this);
    for (QAction* a : viewMenu_->actions())
        menu->addAction(a);
    updateCommandStates();
    return menu;
}

void CMainFrame::setPlotItems(const QStringList& names) {
    plotItems_->clear();
    plotItems_->addItems(names);
    plotItems_->setCurrentIndex(names.isEmpty() ? -1 : 0);
}

void CMainFrame::updateCommandStates() {
    for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) {
        QAction* a = it.value();
        if (QWidget* bar = barToggles_.value(a)) {
            a->setChecked(!bar->isHidden());
            continue;
        }
        const std::optional<CommandId> id = commandByName(it.key().toStdString());
        if (!id) continue;
        const CommandState s = view_->commandState(*id);
        if (a->isCheckable() != s.checkable) a->setCheckable(s.checkable);
        if (s.checkable) a->setChecked(s.checked);
        a->setEnabled(s.enabled);
    }
}

void CMainFrame::exitCommand() {
    close();
}

void CMainFrame::aboutCommand() {
    AboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::newDocument() {
    setWindowTitle(QStringLiteral("Orvant1 - %1").arg(QLatin1String(kTitle)));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // closing_ is set while the question is up, so that a second request does not ask again.
    if (closing_ || !view_->canClose()) {
        event->ignore();
        return;
    }
    closing_ = true;
    const bool yes = messages_.ask("Exit", "Exit application?");
    closing_ = false;
    if (yes)
        event->accept();
    else
        event->ignore();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        event->acceptProposedAction();
        // Read after the drop has finished, not inside the drag's own event loop.
        const QString path = url.toLocalFile();
        QTimer::singleShot(0, view_, [view = view_, path] { view->openPath(path); });
        break;
    }
}

}  // namespace orv::ui
