// The curve commands in the window: the curve-array dialog, its picking and closing, the
// definition dialog, the export and curve files opened (the scene's part is tested without).
#include <QTest>
#include <QtWidgets>

#include "application.h"
#include "curve_array_dialog.h"
#include "curve_dialogs.h"
#include "dialogs.h"
#include "file_chooser.h"
#include "main_frame.h"
#include "messages.h"
#include "orvanta_view.h"

using namespace orv::ui;
using orv::CurveKind;
using orv::MouseMode;
using orv::NodeInput;

// Answers the next modal dialog of type D once it is up.
template <class D>
static void whenModal(std::function<void(D*)> answer) {
    QTimer::singleShot(0, [answer] {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) answer(d);
    });
}

class CurvesTest : public QObject, public orv::Messages, public FileChooser {
    Q_OBJECT
  public:
    explicit CurvesTest(bool gl) : gl_(gl) {}
    void show(const orv::MessageBox& box) override {
        boxes_ << QString::fromStdString(box.title + ": " + box.text);
    }
    bool ask(const std::string& title, const std::string& text) override {
        questions_ << QString::fromStdString(title + ": " + text);
        return false;
    }
    QString openFile(QWidget*, const FileRequest& r) override { return saveFile(nullptr, r); }
    QString saveFile(QWidget*, const FileRequest& r) override {
        requests_.push_back(r);
        return chosen_;
    }

  private:
    bool gl_;
    QStringList boxes_, questions_;
    QList<FileRequest> requests_;
    QString chosen_;
    QTemporaryDir settingsDir_, files_;
    std::unique_ptr<CMainFrame> frame_;
    COrvantaView* view() { return frame_->view(); }
    const orv::Scene& scene() { return view()->scene(); }
    void trigger(const char* name) { frame_->action(QLatin1String(name))->trigger(); }
    bool showWith(const char* example) {
        if (!gl_) return false;
        frame_->resize(1000, 750);
        frame_->show();
        const QString path = files_.filePath(QLatin1String(example));
        QFile::remove(path);
        QFile::copy(QStringLiteral(ORVANTA_EXAMPLES_DIR "/") + QLatin1String(example), path);
        return QTest::qWaitForWindowExposed(frame_.get()) && view()->openPath(path);
    }
    // Curve data "From this result": the curve-array dialog.
    CurveArrayDialog* arrayDialog() {
        whenModal<ReadCurveDialog>([](ReadCurveDialog* d) {
            d->resultButton()->setChecked(true);
            d->accept();
        });
        trigger("curveData");
        return qobject_cast<CurveArrayDialog*>(view()->curveArrayDialog());
    }
    // Answers the definition with Y column `y`, after trying none.
    int defined_ = 0;
    void answerDefinition(int y) {
        whenModal<CurveDefinitionDialog>([this, y](CurveDefinitionDialog* d) {
            d->accept();  // no Y chosen: said, and the dialog stays
            QVERIFY(d->isVisible() && boxes_.last() == "Message: please select Y data!");
            d->yList()->item(y)->setSelected(true);
            d->accept();
            ++defined_;
        });
    }
    void click(double x) {
        QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint(int(view()->width() * x), 300));
    }

  private slots:
    void init() {
        QVERIFY(settingsDir_.isValid() && files_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
        setSettingsRoot();
        boxes_ = questions_ = {};
        defined_ = 0;
        frame_ = std::make_unique<CMainFrame>(*this);
        view()->setFileChooser(this);
    }
    void cleanup() {  // the view goes with a dialog possibly still open
        if (frame_) frame_->hide();
        frame_.reset();
    }

    // Typed nodes of a 3D model make a time history written beside the result, defined and
    // charted; the dialog's presence holds Open, closing and a second Curve data; the chart
    // exports with the suffix added; the written file opens straight into the definition.
    void timeHistoryThroughTheMenus() {
        if (!showWith("cantilever.asc")) QSKIP("no display for OpenGL");
        CurveArrayDialog* dialog = arrayDialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(!dialog->kindButton(CurveKind::LineDistribution)->isEnabled());
        QCOMPARE(dialog->fileField()->text(), "untitled.cdb");
        int modals = 0;
        whenModal<QDialog>([&modals](QDialog* d) { d->reject(), ++modals; });
        trigger("curveData");  // brings the dialog forward, nothing else
        QVERIFY(!view()->openPath(files_.filePath("cantilever.asc")) && !frame_->close());
        QCOMPARE(boxes_, QStringList({"Message: Please close firstly curve array dialog!",
                                      "Message: Please close curve array dialog firstly!"}));
        QTest::qWait(10);
        QVERIFY(modals == 0 && view()->findChildren<CurveArrayDialog*>().size() == 1);
        boxes_.clear();
        dialog->nodeField()->setText("12, 615");
        dialog->fileField()->setText("tip");
        answerDefinition(2);
        dialog->accept();
        QVERIFY(defined_ == 1 && scene().commandState(orv::CommandId::PlotCurve).checked);
        QVERIFY(!scene().dialogOpen(orv::ModelessDialog::CurveArray) && scene().picked().empty());
        QTRY_VERIFY(!view()->curveArrayDialog());
        const QString written = files_.filePath("tip.cdb");
        QCOMPARE(QString::fromStdString(scene().curveData().filePath), written);
        QCOMPARE(scene().curveData().table.names.at(2), "12_UY");
        QVERIFY(QFileInfo(written).size() > 100 && boxes_.size() == 1);  // no Y at first

        chosen_ = files_.filePath("tip");
        trigger("curveOption");
        QCOMPARE(QStringList({requests_.last().filters.join(';'), requests_.last().defaultSuffix}),
                 QStringList({"Excel Files (*.xls)", "xls"}));
        QFile exported(chosen_ + ".xls");
        QVERIFY(exported.open(QIODevice::ReadOnly) && exported.readLine() == "\t12_UY\r\n");
        trigger("curveOption");  // the completed name exists: asked, and No keeps it
        QCOMPARE(questions_,
                 QStringList({"Message: " + chosen_ + ".xls already exists.\nReplace it?"}));

        chosen_.clear();
        trigger("open");  // cancelled
        QCOMPARE(requests_.last().filters.last(), "Curve Files (*.cdb)");
        QString columns;
        whenModal<CurveDefinitionDialog>([&](CurveDefinitionDialog* d) {
            columns = d->xBox()->itemText(0) + d->yList()->item(4)->text(), d->reject();
        });
        const QString upper = files_.filePath("again.CDB");
        QVERIFY(QFile::copy(written, upper) && view()->openPath(upper));
        QVERIFY(columns == "Time12_SX" && questions_.size() == 1 && boxes_.size() == 1);
    }

    // Cancel, Escape and the window's close each end the picking once (the mode of before,
    // no picked nodes, no dialog). Two nodes picked for a line show in the node text and end
    // the picking; the line is computed, and Definition asks for its step first.
    void picking() {
        if (!showWith("plate_hole_q4.asc")) QSKIP("no display for OpenGL");
        const MouseMode before = scene().mouseMode();
        for (int how = 0; how < 3; ++how) {
            CurveArrayDialog* dialog = arrayDialog();
            QVERIFY(dialog);
            dialog->inputButton(NodeInput::Pick)->click();
            click(0.5);
            QVERIFY(scene().picked().size() == 1 && scene().mouseMode() == MouseMode::Pick);
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (how == 0 && b->text() == "Cancel") b->click();
            if (how == 1) QTest::keyClick(dialog, Qt::Key_Escape);
            if (how == 2) dialog->close();
            QVERIFY(scene().picked().empty() && scene().mouseMode() == before);
            QVERIFY(!scene().dialogOpen(orv::ModelessDialog::CurveArray));
            QTRY_VERIFY(!view()->curveArrayDialog());
        }
        CurveArrayDialog* dialog = arrayDialog();
        dialog->kindButton(CurveKind::LineDistribution)->click();
        dialog->inputButton(NodeInput::Pick)->click();
        QVERIFY(dialog->refreshTimer().isActive());
        click(0.25);
        click(0.75);
        dialog->refresh();
        const auto& picked = scene().picked();
        QCOMPARE(picked.size(), size_t(2));
        QCOMPARE(dialog->nodeField()->text(),
                 QStringLiteral("%1,%2,").arg(picked[0]).arg(picked[1]));
        QVERIFY(!dialog->refreshTimer().isActive() && scene().mouseMode() == MouseMode::Idle);
        QString title;
        whenModal<StepDialog>([&](StepDialog* d) {
            title = d->windowTitle();
            answerDefinition(1);
            d->accept();
        });
        dialog->accept();
        QVERIFY(defined_ == 1 && title == "Choose computation step");
        QVERIFY(scene().curveData().lineSource() && scene().curveData().table.rowCount == 40);
        whenModal<StepDialog>([](StepDialog* d) { d->reject(); });
        trigger("curveDefinition");  // cancelled at the step: no definition
        QVERIFY(defined_ == 1 && boxes_.size() == 1 && arrayDialog());  // left to the view's end
    }
};

int main(int argc, char** argv) {
    const bool display =
        qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (!display) qputenv("QT_QPA_PLATFORM", "offscreen");
    setDefaultSurfaceFormat();
    [[maybe_unused]] static QApplication* app = new QApplication(argc, argv);
    CurvesTest test(display && QOpenGLContext().create());
    return QTest::qExec(&test, argc, argv);
}

#include "curves_test.moc"
