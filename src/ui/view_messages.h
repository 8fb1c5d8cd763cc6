#pragma once
// The window's messages about files: a box about a file that could not be opened, read or
// written names the path and the system's reason after its own text, as the batch tool does.
#include <QString>
#include <string>

#include "messages.h"

namespace orv::ui {

// "\n\nPATH: reason" for the last file failure, or "\n\nPATH" when the system gave no reason.
inline std::string fileFailure(const QString& path) {
    const std::string& reason = lastFileError();
    return "\n\n" + path.toStdString() + (reason.empty() ? "" : ": " + reason);
}

// Passes every message on; while a file is read or written, an error box gains the path and
// the reason.
class FileMessages final : public Messages {
  public:
    explicit FileMessages(Messages& target) : target_(target) {}
    void show(const MessageBox& box) override {
        if (path_.isEmpty() || box.title != "Error") return target_.show(box);
        MessageBox named = box;
        named.text += fileFailure(path_);
        target_.show(named);
    }
    bool ask(const std::string& title, const std::string& text) override {
        return target_.ask(title, text);
    }
    // The file being read or written; empty when none.
    void setFile(const QString& path) { path_ = path; }

  private:
    Messages& target_;
    QString path_;
};

}  // namespace orv::ui
