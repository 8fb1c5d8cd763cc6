// The view's picture: saving it as a bitmap, drawing it off-screen and printing it.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QTemporaryFile>
#include <algorithm>

#include "file_chooser.h"
#include "frame_image.h"
#include "image_files.h"
#include "messages.h"
#include "open_gl.h"
#include "orvanta_view.h"
#include "safe_file_writer.h"
#include "view_messages.h"

namespace orv::ui {

bool COrvantaView::readViewFrame(FrameImage& image) {
    if (!glReady_ || !context() || !context()->isValid()) return false;
    makeCurrent();
    OpenGl gl;
    gl.viewport(0, 0, pixelWidth(), pixelHeight());
    const bool ok = readFrame(gl, image);
    doneCurrent();
    return ok;
}

void COrvantaView::saveImageCommand() {
    if (!scene_.allowed(CommandId::SaveImage, *this)) return;
    FrameImage image;
    if (!readViewFrame(image)) {
        messages_.showMessage("Unable to get OpenGL bitmap from screen!");
        return;
    }
    FileRequest request;
    request.caption = QStringLiteral("Save Bitmap File");
    request.directory = QStringLiteral(".");
    // Both spellings: file names are case-sensitive here.
    request.filters = {QStringLiteral("Bitmaps (*.BMP *.bmp)"),
                       QStringLiteral("PNG images (*.PNG *.png)")};
    request.proposedName = QStringLiteral("untitled.bmp");
    request.defaultSuffix = QStringLiteral("bmp");  // follows the filter chosen
    QString filter = request.filters.first();
    request.chosenFilter = &filter;
    const QString path = chooser_->saveFile(this, request);
    if (path.isEmpty()) return;
    // A .png or .bmp name decides the format; any other name, the filter chosen.
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool png = suffix == QLatin1String("png") ||
                     (suffix != QLatin1String("bmp") && filter == request.filters.last());
    clearFileError();
    const bool saved = png ? writePngFile(path.toStdString(), image)
                           : writeBitmapFile(path.toStdString(), image) == 0;
    if (!saved) messages_.showMessage("Could not save to file!" + fileFailure(path));
}

QImage COrvantaView::renderPicture() {
    if (!glReady_ || !context() || !context()->isValid()) return {};
    if (!scene_.modelLoaded() && !scene_.curvePlotShown()) return {};
    const int w = pixelWidth(), h = pixelHeight();
    makeCurrent();
    FrameImage frame;
    bool ok = false;
    {
        // Drawn in the view's own context, so that its fonts serve and stay intact.
        QOpenGLFramebufferObject fbo(w, h, QOpenGLFramebufferObject::CombinedDepthStencil);
        if (fbo.isValid() && fbo.bind()) {
            OpenGl gl;
            scene_.resize(w, h);
            scene_.drawFrame(gl);
            restoreDrawingState(gl);
            gl.viewport(0, 0, w, h);
            ok = readFrame(gl, frame);
            fbo.release();
        }
    }
    doneCurrent();
    if (!ok) return {};
    QImage image(frame.header.width, frame.header.height, QImage::Format_RGB888);
    const size_t row = FrameImage::rowSize(frame.header.width);
    for (int y = 0; y < frame.header.height; ++y) {
        const uint8_t* src = frame.pixels.data() + size_t(frame.header.height - 1 - y) * row;
        uchar* dst = image.scanLine(y);
        for (int x = 0; x < frame.header.width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return image;
}

QRect COrvantaView::printTarget(QSize picture, QSize page) {
    if (picture.isEmpty() || page.isEmpty()) return {};
    double f = page.width() > page.height() ? 4.2 : 3.5;
    f = std::min(
        {f, double(page.width()) / picture.width(), double(page.height()) / picture.height()});
    const int w = int(picture.width() * f), h = int(picture.height() * f);
    return QRect((page.width() - w) / 2, (page.height() - h) / 2, w, h);
}

namespace {

bool paintPage(QPrinter& printer, const QImage& image) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    painter.drawImage(COrvantaView::printTarget(image.size(), page.size()), image);
    return painter.end();
}

// Printing to a file goes through a scratch file whose bytes then replace the target as every
// file of ours does: a full disk or a killed process never leaves a cut PDF in place of the
// old one.
bool printToFile(QPrinter& printer, const QImage& image) {
    const QString target = printer.outputFileName();
    QTemporaryFile scratch(QDir::temp().filePath(QStringLiteral("orvanta-print-XXXXXX.pdf")));
    if (!scratch.open()) {
        recordFileError(scratch.errorString().toStdString());
        return false;
    }
    scratch.close();
    printer.setOutputFileName(scratch.fileName());
    const bool painted = paintPage(printer, image);
    printer.setOutputFileName(target);
    QFile pdf(scratch.fileName());
    if (!painted || !pdf.open(QIODevice::ReadOnly) || pdf.size() == 0) {
        recordFileError(painted ? pdf.errorString().toStdString() : "the printer failed");
        return false;
    }
    SafeFileWriter out;
    if (!out.open(target.toStdString())) return false;
    char buffer[65536];
    for (qint64 n; (n = pdf.read(buffer, sizeof buffer)) > 0;)
        out.write(buffer, size_t(n));
    return pdf.error() == QFileDevice::NoError && out.commit();
}

}  // namespace

bool COrvantaView::printPicture(QPrinter& printer) {
    const QImage image = renderPicture();
    if (image.isNull()) return false;
    const bool toFile =
        printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    clearFileError();
    const bool ok = toFile ? printToFile(printer, image) : paintPage(printer, image);
    if (!ok && toFile)
        messages_.showMessage("Could not print to file!" + fileFailure(printer.outputFileName()));
    requestRedraw();
    return ok;
}

void COrvantaView::printCommand() {
    if (busy()) return;
    QPrintDialog dialog(&printer_, this);
    if (dialog.exec() == QDialog::Accepted) printPicture(printer_);
}

void COrvantaView::printPreviewCommand() {
    if (busy()) return;
    QPrintPreviewDialog dialog(&printer_, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { printPicture(*printer); });
    dialog.exec();
}

void COrvantaView::printSetupCommand() {
    if (busy()) return;
    QPageSetupDialog dialog(&printer_, this);
    dialog.exec();
}

}  // namespace orv::ui
