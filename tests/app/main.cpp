#include "Application.h"
#include "RecordingShell.h"

#include <gtest/gtest.h>

RecordingShell& Recorder() {
    static RecordingShell shell;
    return shell;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    TApplication::setApplicationDisplayName(QStringLiteral("Zumi"));
    SetShell(&Recorder());
    return RUN_ALL_TESTS();
}
