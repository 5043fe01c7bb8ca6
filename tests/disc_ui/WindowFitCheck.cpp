// WindowFitCheck.cpp -- window_fit_check: opens every window of the program on the current screen and
// prints each one that leaves the screen's free area or squeezes a control below its smallest size.
// Exit code 0 when all fit. WindowFitTest runs it at several screen sizes and scale factors; with
// --no-scrolling a window whose body needs a scroll bar does not fit either.
#include "FakeDiscWriter.h"
#include "RecordingUi.h"
#include "TempDir.h"

#include "app/InteractiveApp.h"
#include "app/frmPwd.h"
#include "app/frmabout.h"
#include "disc/ui/frmDiscInfo.h"
#include "disc/ui/frmErase.h"
#include "disc/ui/frmMaindvdwrite.h"
#include "scheduler/TaskScheduler.h"
#include "scheduler/ui/Frmoption.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QStyleFactory>

#include <iostream>

namespace {

using namespace tessaly;

class NoScheduler : public TaskScheduler {
public:
    uint32_t addJob(const std::string&, const AT_INFO&, uint32_t&, std::string*) override { return 1; }
    std::vector<ScheduledJob> jobs() override { return {}; }
    bool removeJob(uint32_t) override { return false; }
};

bool insideScrollArea(QWidget* w, QWidget* window) {
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<QAbstractScrollArea*>(p))
            return true;
    return false;
}

// Whether the window must fit without scrolling (the screen is large enough to ask for it).
bool noScrolling = false;

// Problems of one shown window: outside the free area, a control smaller than it can be drawn, or
// (when asked) a scroll bar around its body. Controls inside a scrolling area are not cut: the area
// scrolls to them.
int check(QWidget* window) {
    window->show();
    QApplication::processEvents();
    const QRect free = window->screen()->availableGeometry();
    const std::string name = window->objectName().toStdString();
    int problems = 0;
    auto report = [&](const std::string& text) {
        std::cout << name << ": " << text << "\n";
        ++problems;
    };
    const QRect frame = window->frameGeometry();
    if (!free.contains(frame))
        report("opens at " + std::to_string(frame.x()) + "," + std::to_string(frame.y()) + " size " +
               std::to_string(frame.width()) + "x" + std::to_string(frame.height()) +
               ", outside the free area " + std::to_string(free.width()) + "x" +
               std::to_string(free.height()));
    if (noScrolling)
        for (auto* body : window->findChildren<QAbstractScrollArea*>("scrollingBody"))
            for (QScrollBar* bar : {body->horizontalScrollBar(), body->verticalScrollBar()})
                if (bar->isVisible())
                    report(std::string("needs a ") +
                           (bar->orientation() == Qt::Horizontal ? "horizontal" : "vertical") +
                           " scroll bar (" + std::to_string(bar->maximum()) + " pixels more)");
    for (QWidget* c : window->findChildren<QWidget*>()) {
        if (!c->isVisible() || c->isWindow() || insideScrollArea(c, window) || c->objectName().isEmpty())
            continue;
        const QSize least = c->minimumSizeHint();
        if (least.isValid() && (c->width() < least.width() || c->height() < least.height()))
            report(c->objectName().toStdString() + " is " + std::to_string(c->width()) + "x" +
                   std::to_string(c->height()) + ", needs " + std::to_string(least.width()) + "x" +
                   std::to_string(least.height()));
    }
    window->hide();
    return problems;
}

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    noScrolling = QApplication::arguments().contains("--no-scrolling");
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    test::TempDir dir;
    test::copyTree(TESSALY_SAMPLE_PROFILE_DIR, dir / "prefix");
    InteractiveApp app(Profile{dir / "prefix", false, "sample"});
    app.load("Using the sample profile.");

    int problems = check(&app.window());
    frmPwd prompt(&app.window());
    problems += check(&prompt);
    frmabout about(nullptr, &app.window());
    problems += check(&about);

    test::RecordingUi ui;
    NoScheduler scheduler;
    Frmoption schedule(app.session().modReg(), scheduler, ui, FrmoptionSettings{"PC", "/usr/bin/tessaly"},
                       &app.window());
    problems += check(&schedule);

    test::FakeDiscWriter disc;
    frmMaindvdwrite writing(disc, ui, DiscHandOver{}, DiscWindowHooks{}, &app.window());
    problems += check(&writing);
    frmDiscInfo info(disc, ui, &writing);
    problems += check(&info);
    frmErase erase(disc, ui, &writing);
    problems += check(&erase);

    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    std::cout << "checked 7 windows on a free area of " << free.width() << "x" << free.height() << ", "
              << problems << " problems\n";
    return problems == 0 ? 0 : 1;
}
