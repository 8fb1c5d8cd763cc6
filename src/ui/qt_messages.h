#pragma once
// Message boxes of the desktop program: a beep, then a modal box with the system's title,
// text and exclamation icon; questions get Yes and No.
#include "messages.h"

class QWidget;

namespace orv::ui {

class QtMessages final : public Messages {
  public:
    void show(const MessageBox& box) override;
    bool ask(const std::string& title, const std::string& text) override;
    // The window that owns questions (boxes of the system have no owner).
    void setQuestionOwner(QWidget* owner) { owner_ = owner; }

  private:
    QWidget* owner_ = nullptr;
};

}  // namespace orv::ui
