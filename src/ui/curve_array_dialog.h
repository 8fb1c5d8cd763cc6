#pragma once
// The modeless "Define curve array" dialog: the nodes of a time history or of a line, typed as
// numbers or coordinates or picked in the view, and the curve file the computed table is
// written to. While it picks, a timer copies the pick list into the node text every second.
// The curve-array state of the scene lives exactly as long as the dialog is open.
#include <QDialog>
#include <QString>
#include <QTimer>

#include "scene.h"

class QButtonGroup;
class QLineEdit;
class QRadioButton;

namespace orv {
class Messages;
class Scene;
}  // namespace orv

namespace orv::ui {

class COrvantaView;

class CurveArrayDialog final : public QDialog {
    Q_OBJECT
  public:
    // The scene is the view's; the view has begun the curve array on it.
    CurveArrayDialog(COrvantaView& view, Scene& scene, Messages& messages);

    QRadioButton* kindButton(CurveKind kind) const { return kinds_[int(kind)]; }
    QRadioButton* inputButton(NodeInput input) const { return inputs_[int(input)]; }
    QLineEdit* nodeField() const { return nodes_; }
    QLineEdit* fileField() const { return file_; }
    CurveKind kind() const { return kind_; }
    NodeInput input() const { return input_; }
    const QTimer& refreshTimer() const { return timer_; }

    // One tick of the refresh: the pick list into the node text ("%d," per node); picking
    // ends by itself with an empty list (UnPick) or two nodes of a line (Pick).
    void refresh();
    // OK: the nodes read, the curve file named, the table computed; on success the dialog
    // closes and the Definition follows. A refusal keeps the dialog and the data as they were.
    void accept() override;
    // Reset: no picked nodes, an empty enabled node text, a time history of typed numbers.
    void reset();
    void reject() override;  // Cancel and Escape

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void chooseKind(CurveKind kind);
    void chooseInput(NodeInput input);
    void setKind(CurveKind kind);
    void setInput(NodeInput input);
    void copyPicked();
    void startRefresh();
    void setPickMode(MouseMode mode);
    void changed();
    // The curve file's path, or empty when it is refused or must not be replaced.
    QString outputPath();
    void finish();

    COrvantaView& view_;
    Scene& scene_;
    Messages& messages_;
    QRadioButton* kinds_[2];
    QRadioButton* inputs_[4];
    QButtonGroup* kindGroup_;
    QButtonGroup* inputGroup_;
    QLineEdit* nodes_;
    QLineEdit* file_;
    QTimer timer_;
    CurveKind kind_ = CurveKind::TimeHistory;
    NodeInput input_ = NodeInput::Numbers;
    bool closing_ = false;
};

}  // namespace orv::ui
