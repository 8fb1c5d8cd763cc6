#pragma once
// The modeless "Define cut plane" dialog: three points picked in the view or typed, Apply,
// Reset and Close. While it picks, a timer copies the first three picked nodes into the
// fields twice a second; the cut lives until the dialog closes.
#include <QDialog>
#include <QString>
#include <QTimer>
#include <array>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace orv {
class Messages;
class Scene;
}  // namespace orv

namespace orv::ui {

class COrvantaView;

class CutPlaneDialog final : public QDialog {
    Q_OBJECT
  public:
    // The scene is the view's; the view has begun the cut's definition on it.
    CutPlaneDialog(COrvantaView& view, Scene& scene, Messages& messages);

    QRadioButton* pickButton() const { return pick_; }
    QRadioButton* unpickButton() const { return unpick_; }
    // Field 3 i + k: coordinate k (X, Y, Z) of point i (N1, N2, N3).
    QLineEdit* field(int i) const { return fields_[size_t(i)]; }
    QCheckBox* showPoints() const { return show_; }
    const QTimer& refreshTimer() const { return timer_; }

    // One tick of the refresh: the first three picked nodes into the fields; picking ends
    // by itself with three nodes listed (Pick) or none (Unpick).
    void refresh();
    // "&Applay" (the default button): cuts with the plane through the three points.
    void apply();
    // "&Reset": no cut, no picked nodes, all fields 0.
    void reset();
    void reject() override;  // "&Close" and Escape

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void pickClicked();
    void unpickClicked();
    void startRefresh();
    void stopRefresh();
    void endPicking();
    void showCoordinates(const std::vector<std::array<double, 3>>& rows);
    void changed();

    COrvantaView& view_;
    Scene& scene_;
    Messages& messages_;
    QButtonGroup* modes_;
    QRadioButton* pick_;
    QRadioButton* unpick_;
    std::array<QLineEdit*, 9> fields_{};
    QCheckBox* show_;
    QTimer timer_;
    int count_ = 0;  // points shown, 0 to 3
    // What each field was filled with, exactly, and the text it showed for it: a field whose
    // text is still that one gives the exact value.
    std::array<double, 9> exact_{};
    std::array<QString, 9> shown_;
    bool closing_ = false;
};

}  // namespace orv::ui
