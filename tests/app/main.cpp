#include "Application.h"
#include "RecordingShell.h"
#include "panes/DiskFollower.h"

#include <cstdlib>
#include <gtest/gtest.h>

RecordingShell& Recorder() {
    static RecordingShell shell;
    return shell;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The widgets are tested without a display, also when the build only lists
    // the cases; "-platform xcb" on the command line shows them.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TApplication app(argc, argv);
    TApplication::setApplicationDisplayName(QStringLiteral("Zumi"));
    SetShell(&Recorder());
    // A folder's read may outlast the pane's wait on a loaded machine: tests
    // wait for it to end, except those of a read that goes on aside.
    SetEnterWait(-1);
    return RUN_ALL_TESTS();
}
