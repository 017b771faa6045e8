#include "app/frmmain.h"
#include "app/realdialogs.h"
#include "app/setupmessage.h"
#include "panels/seams.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// Without a display Qt would abort with a cryptic message; say what to do instead.
bool haveDisplay() {
#if defined(Q_OS_LINUX)
    const auto set = [](const char *name) {
        const char *v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char *argv[]) {
    if (!haveDisplay()) {
        std::fprintf(stderr, "tr6400: no display found (DISPLAY is not set).\n"
                             "Run it under a virtual X server instead:  xvfb-run make run\n");
        return 2;
    }
    QApplication app(argc, argv);
    tr::QtMessageBox messages;
    tr::QtFileDialog files;
    const tr::ToolSetup setup = tr::setUpToolDirs(QCoreApplication::applicationDirPath());
    if (setup.error) {
        messages.show(tr::setupMessage(*setup.error), tr::promptCaption(),
                      tr::MessageBox::Icon::Critical);
        return 1;
    }
    tr::frmMain window(setup.dirs, messages, files);
    messages.setParent(&window);
    files.setParent(&window);
    if (const auto failure = window.Form_Load()) {
        messages.setParent(nullptr);
        messages.show(*failure, tr::promptCaption(), tr::MessageBox::Icon::Critical);
        return 1;
    }
    window.show();
    return app.exec();
}
