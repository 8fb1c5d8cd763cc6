#pragma once
// "Select node or element": a selection built from a type, an item, a component, the
// increment (range) check and the values, for elements or for nodes. Apply (the default
// button, Enter) hands it to the given action and the dialog stays open; Close and Escape end
// it.
#include <QDialog>
#include <QStringList>
#include <functional>

#include "scene.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace orv::ui {

class SelectDialog final : public QDialog {
    Q_OBJECT
  public:
    // elements: the Element radio was chosen (the node half applies nothing).
    using Action = std::function<void(bool elements, const ElementSelection& selection)>;
    // A model of `dimension` with the result components `results`.
    SelectDialog(QWidget* owner, int dimension, const QStringList& results, Action apply);

    // The element half as a selection.
    ElementSelection selection() const;
    void apply();

    // One half of the dialog: 0 element, 1 node.
    struct Half {
        QRadioButton* entity;
        QComboBox* type;
        QComboBox* item;
        QComboBox* component;
        QCheckBox* increment;
        QLineEdit* values;
    };
    const Half& half(int entity) const { return halves_[entity]; }

  private:
    void itemChosen(int entity);

    int dimension_;
    QStringList results_;
    Action apply_;
    Half halves_[2];
};

}  // namespace orv::ui
