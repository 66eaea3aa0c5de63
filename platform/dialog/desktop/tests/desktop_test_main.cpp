// The desktop tests run inside one toolkit session on the test display.
#include <gtest/gtest.h>

#include "platform/dialog/desktop/desktop_session.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    dlg::DesktopSession session(argc, argv);
    if (!session.ok()) {
        std::fprintf(stderr, "no display for the desktop tests (run under xvfb-run)\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
