// The view's picture: saving it as a bitmap, drawing it off-screen and printing it.
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <algorithm>

#include "file_chooser.h"
#include "frame_image.h"
#include "image_files.h"
#include "messages.h"
#include "open_gl.h"
#include "orvanta_view.h"

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
    request.filters = {QStringLiteral("Bitmaps (*.BMP *.bmp)")};
    request.proposedName = QStringLiteral("untitled.bmp");
    const QString path = chooser_->saveFile(this, request);
    if (path.isEmpty()) return;
    if (writeBitmapFile(path.toStdString(), image) != 0)
        messages_.showMessage("Could not save to file!");
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

bool COrvantaView::printPicture(QPrinter& printer) {
    const QImage image = renderPicture();
    if (image.isNull()) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    painter.drawImage(printTarget(image.size(), page.size()), image);
    painter.end();
    requestRedraw();
    return true;
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
