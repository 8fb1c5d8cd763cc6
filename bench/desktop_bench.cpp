// Timing of the desktop program in a window: from the start of the process to the first
// frame of a model, and the frames per second of a rotation drag.
//   xvfb-run -a -s '-screen 0 1280x1024x24' build/bench/orvanta-desktop-bench FILE [MOVES
//   [COMMAND]]
// COMMAND is a view command run before the drag, such as plotContour.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "application.h"
#include "main_frame.h"
#include "messages.h"
#include "orvanta_view.h"

namespace {

class PrintedMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override {
        std::fprintf(stderr, "%s: %s\n", box.title.c_str(), box.text.c_str());
    }
};

void move(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Handles events until the view has drawn one more frame.
bool waitForFrame(orv::ui::COrvantaView* view, long long after) {
    return QTest::qWaitFor([&] { return view->framesDrawn() > after; }, 60000);
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    orv::ui::setDefaultSurfaceFormat();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [MOVES]\n", argv[0]);
        return 2;
    }
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    orv::ui::setSettingsRoot();
    const int moves = argc > 2 ? std::max(1, atoi(argv[2])) : 20;

    PrintedMessages messages;
    orv::ui::CMainFrame frame(messages);
    // As the program does: the whole screen (there may be no window manager to maximise).
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame.setGeometry(screen->availableGeometry());
    frame.showMaximized();
    if (!QTest::qWaitForWindowExposed(&frame)) return 1;
    orv::ui::COrvantaView* view = frame.view();
    waitForFrame(view, 0);
    const qint64 shown = clock.elapsed();
    QElapsedTimer opening;
    opening.start();
    if (!view->openPath(QString::fromLocal8Bit(argv[1]))) return 1;
    const qint64 read = opening.elapsed();
    const long long before = view->framesDrawn();
    waitForFrame(view, before);
    const qint64 first = clock.elapsed();
    std::printf("view %dx%d\n", view->width(), view->height());
    std::printf(
        "window shown %lld ms after start; file read in %lld ms; first frame of the "
        "model %lld ms after start\n",
        (long long)shown, (long long)read, (long long)first);

    if (argc > 3) {
        const long long n = view->framesDrawn();
        QElapsedTimer command;
        command.start();
        const std::optional<orv::CommandId> id = orv::commandByName(argv[3]);
        if (!id) {
            std::fprintf(stderr, "no such command: %s\n", argv[3]);
            return 2;
        }
        view->command(*id);
        waitForFrame(view, n);
        std::printf("%s and its frame: %lld ms\n", argv[3], (long long)command.elapsed());
    }
    view->command(orv::CommandId::DynamicRotation);
    const QPoint centre = view->rect().center();
    move(view, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    QElapsedTimer drag;
    drag.start();
    for (int i = 1; i <= moves; ++i) {
        const long long n = view->framesDrawn();
        move(view, QEvent::MouseMove, centre + QPoint(4 * i, 2 * i), Qt::NoButton, Qt::LeftButton);
        waitForFrame(view, n);
    }
    const double seconds = drag.elapsed() / 1000.0;
    move(view, QEvent::MouseButtonRelease, centre + QPoint(4 * moves, 2 * moves), Qt::LeftButton,
         Qt::NoButton);
    std::printf("rotation drag: %d frames in %.2f s, %.2f frames per second\n", moves, seconds,
                moves / seconds);
    return 0;
}
