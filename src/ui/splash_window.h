#pragma once
// The splash picture shown over the main window at start-up: it goes after three seconds,
// or at the first key or mouse button anywhere in the program, which it swallows.
#include <QTimer>
#include <QWidget>

namespace orv::ui {

class SplashWindow final : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kLifetimeMs = 3000;
    // Shows the splash centred over the owner; null when one is shown already or the
    // picture is missing.
    static SplashWindow* show(QWidget* owner);
    static SplashWindow* current();
    ~SplashWindow() override;
    void dismiss();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    SplashWindow(QWidget* owner, const QPixmap& picture);
    QPixmap picture_;
    QTimer timer_;
};

}  // namespace orv::ui
