#include "application.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QSettings>
#include <QSurfaceFormat>
#include <QTimer>

#include "main_frame.h"
#include "orvanta_view.h"
#include "qt_messages.h"
#include "splash_window.h"

namespace orv::ui {

void setDefaultSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    QSurfaceFormat::setDefaultFormat(format);
}

void setSettingsRoot() {
    QCoreApplication::setOrganizationName(QStringLiteral("TALM/OrvaSystems"));
    QCoreApplication::setApplicationName(QStringLiteral("Orvanta 3.00"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
}

namespace {

bool isSwitch(const QString& a, const char* name) {
    return a.compare(QLatin1Char('-') + QLatin1String(name), Qt::CaseInsensitive) == 0 ||
           a.compare(QLatin1Char('/') + QLatin1String(name), Qt::CaseInsensitive) == 0;
}

}  // namespace

int runOrvanta(int argc, char** argv) {
    setDefaultSurfaceFormat();
    QApplication app(argc, argv);
    setSettingsRoot();
    QApplication::setApplicationDisplayName(QString());

    bool splash = true;
    QString file;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (isSwitch(a, "Embedding") || isSwitch(a, "Automation"))
            splash = false;
        else if (!a.startsWith(QLatin1Char('-')) && file.isEmpty())
            file = a;
    }

    QtMessages messages;
    setFatalMessages(&messages);
    CMainFrame frame(messages);
    messages.setQuestionOwner(&frame);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame.setGeometry(screen->availableGeometry());
    frame.showMaximized();
    if (splash) SplashWindow::show(&frame);

    // A screenshot of the main window for the documentation scripts.
    const QString shot = qEnvironmentVariable("ORVANTA_SCREENSHOT");
    if (!file.isEmpty()) {
        const QString path = QDir::current().absoluteFilePath(file);
        QTimer::singleShot(0, &frame, [&frame, path] { frame.view()->openPath(path); });
    }
    if (!shot.isEmpty()) {
        QTimer::singleShot(qEnvironmentVariableIntValue("ORVANTA_SCREENSHOT_DELAY_MS") + 1500,
                           &frame, [&frame, shot] {
                               frame.grab().save(shot);
                               QApplication::exit(0);
                           });
    }
    const int status = app.exec();
    setFatalMessages(nullptr);
    return status;
}

}  // namespace orv::ui
