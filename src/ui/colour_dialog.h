#pragma once
// "Define color": the seven user colours, one chosen by its radio, as red, green and blue
// 0..255, typed or picked with the system's colour chooser ("Color >>"). Every change takes
// effect through the given actions: Apply (and "Color >>") for the chosen item, Default for
// all of them. There is no OK: Close ends the dialog and the colours applied stay.
#include <QColor>
#include <QDialog>
#include <array>
#include <functional>

#include "scene.h"

class QButtonGroup;
class QLabel;
class QLineEdit;

namespace orv::ui {

class ColourDialog final : public QDialog {
    Q_OBJECT
  public:
    using Apply = std::function<bool(ColourItem item, const std::array<int, 3>& rgb)>;
    ColourDialog(QWidget* owner, Messages& messages, const Scene& scene, Apply apply,
                 std::function<void()> defaults);

    // The radios in their order in the dialog and the items they stand for.
    static const std::array<ColourItem, kColourItemCount>& radioItems();
    ColourItem item() const;
    QButtonGroup* radios() const { return radios_; }
    QLineEdit* field(int k) const { return fields_[k]; }
    QLabel* swatch() const { return swatch_; }
    // The system's colour chooser, starting at black; an invalid colour when cancelled.
    std::function<QColor(QWidget* owner)> chooseColour;

    void apply();
    void chooseAndApply();
    void restoreDefaults();

  private:
    void showColour(const std::array<int, 3>& rgb);
    bool readFields(std::array<int, 3>& rgb);

    Messages& messages_;
    const Scene& scene_;
    Apply apply_;
    std::function<void()> defaults_;
    QButtonGroup* radios_;
    QLineEdit* fields_[3];
    QLabel* swatch_;
};

}  // namespace orv::ui
