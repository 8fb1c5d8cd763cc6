#include "application.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPixmap>
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

    if (!file.isEmpty()) {
        const QString path = QDir::current().absoluteFilePath(file);
        QTimer::singleShot(0, &frame, [&frame, path] { frame.view()->openPath(path); });
    }
    // For the documentation's screenshot script only: ORVANTA_SCREENSHOT=PNG saves the
    // screen after ORVANTA_SCREENSHOT_DELAY_MS (default 1500) and ends the program;
    // ORVANTA_SCREENSHOT_COMMANDS lists commands ("plotContour,zoomUp") run before.
    const QString shot = qEnvironmentVariable("ORVANTA_SCREENSHOT");
    if (!shot.isEmpty()) {
        const QStringList commands = qEnvironmentVariable("ORVANTA_SCREENSHOT_COMMANDS")
                                         .split(QLatin1Char(','), Qt::SkipEmptyParts);
        const int delay = qEnvironmentVariableIsSet("ORVANTA_SCREENSHOT_DELAY_MS")
                              ? qEnvironmentVariableIntValue("ORVANTA_SCREENSHOT_DELAY_MS")
                              : 1500;
        QTimer::singleShot(delay / 2, &frame, [&frame, commands] {
            for (const QString& id : commands)
                if (QAction* a = frame.action(id)) a->trigger();
        });
        QTimer::singleShot(delay, &frame, [&frame, shot] {
            QScreen* screen = frame.screen();
            const QPixmap pixmap = screen ? screen->grabWindow(0) : frame.grab();
            pixmap.save(shot);
            QApplication::exit(0);
        });
    }
    const int status = app.exec();
    setFatalMessages(nullptr);
    return status;
}

}  // namespace orv::ui
