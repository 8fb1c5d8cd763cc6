#pragma once
// The main window: menus, the six tool bars in two rows, the plot-item combo box, the
// status bar and the view; the close guard and the View menu's bar toggles.
#include <QHash>
#include <QMainWindow>

class QComboBox;
class QLabel;
class QToolBar;

namespace orv {
class Messages;
struct CommandInfo;
}  // namespace orv

namespace orv::ui {

class COrvantaView;

class CMainFrame final : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr const char* kTitle = "Orvanta 3.00";

    explicit CMainFrame(Messages& messages, QWidget* parent = nullptr);
    ~CMainFrame() override;

    COrvantaView* view() const { return view_; }
    // The action of a command by its id ("open", "plotContour", ...); null if none.
    QAction* action(const QString& id) const { return actions_.value(id); }
    QList<QString> commandIds() const { return actions_.keys(); }
    QComboBox* plotItemBox() const { return plotItems_; }
    // The bars by name: "standard", "control", "animation", "contourOption", "curve", "plot".
    QToolBar* toolBar(const QString& name) const { return bars_.value(name); }
    QLabel* numLockPane() const { return numPane_; }
    // The File menu's recent files, "&1 name" first; those beyond the list are hidden.
    const QList<QAction*>& recentFileActions() const { return recentActions_; }

    // Empties the plot-item list, fills it with the names and selects the first.
    void setPlotItems(const QStringList& names);
    // Updates every action's check mark and enabled state from the view.
    void updateCommandStates();
    // The Exit command: the same path as closing the window.
    void exitCommand();
    void aboutCommand();
    // The framework's new document: only the title changes.
    void newDocument();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    QMenu* createPopupMenu() override;

  private:
    QAction* makeAction(const CommandInfo& command);
    void buildMenus();
    void buildToolBars();
    void buildStatusBar();
    QToolBar* makeBar(const QString& name, const QString& title, const QList<const char*>& ids);
    void toggleBar(QWidget* bar);
    void updateNumLock();
    void updateRecentFiles();
    // Opens a recent file as Open does; one that is gone is said and taken off the list.
    void openRecentFile(int index);

    Messages& messages_;
    COrvantaView* view_;
    QHash<QString, QAction*> actions_;
    QHash<QString, QToolBar*> bars_;
    QHash<QAction*, QWidget*> barToggles_;
    QComboBox* plotItems_ = nullptr;
    QLabel* numPane_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QList<QAction*> recentActions_;
    QAction* recentSeparator_ = nullptr;
    bool closing_ = false;
};

}  // namespace orv::ui
