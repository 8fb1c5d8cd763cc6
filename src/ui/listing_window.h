#pragma once
// The listing window: a modal, resizable dialog showing a listing file read-only in a
// fixed-pitch font, with "Save as ..." and "Print" in its "File" menu and "Close".
#include <QByteArray>
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPrinter;

namespace orv {
class Messages;
}

namespace orv::ui {

class FileChooser;

class ListingWindow final : public QDialog {
    Q_OBJECT
  public:
    ListingWindow(QWidget* owner, const QString& title, Messages& messages, FileChooser& chooser);

    // Reads the whole file into the window; false, with "Could not open info file!", when it
    // cannot be read (the window stays empty).
    bool load(const QString& path);
    // The file shown, and its bytes as read (saved unchanged).
    const QString& path() const { return path_; }
    const QByteArray& bytes() const { return bytes_; }
    QPlainTextEdit* editor() const { return editor_; }

    // "Save as ...": asks for a text file and writes the listing's bytes to it.
    void saveAsCommand();
    // Writes the listing's bytes to path, replacing it only after a complete write; false,
    // with an "Error" box naming the path and the reason, on failure.
    bool saveTo(const QString& path);
    // "Print": the print dialog, then the listing.
    void printCommand();
    // Prints the listing in its fixed-pitch font; a PDF file replaces the old one only once
    // complete. False, with an "Error" box, when a file could not be written.
    bool printTo(QPrinter& printer);

  private:
    Messages& messages_;
    FileChooser& chooser_;
    QPlainTextEdit* editor_;
    QString path_;
    QByteArray bytes_;
};

}  // namespace orv::ui
