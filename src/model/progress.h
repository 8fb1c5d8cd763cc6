#pragma once
// Progress of long reads and writes: the window shows a dialog, the batch tool a line on a
// terminal, tests record the calls.
#include <string>

namespace orv {

class Progress {
  public:
    virtual ~Progress() = default;
    virtual void setText(const std::string& text) = 0;
    virtual void setPosition(int position) = 0;  // 0..100
};

class NullProgress final : public Progress {
  public:
    void setText(const std::string&) override {}
    void setPosition(int) override {}
};

}  // namespace orv
