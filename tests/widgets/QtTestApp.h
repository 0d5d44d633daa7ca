#pragma once

#include <QApplication>

#include <gtest/gtest.h>

namespace kdx::test {

// One application object for the whole test program (offscreen platform),
// created before main() so fixtures may hold widgets as members, and
// destroyed after the last test, before the toolkit's own statics go.
inline QApplication*& qtTestAppSlot()
{
    static QApplication* app = nullptr;
    return app;
}

class QtAppEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete qtTestAppSlot();
        qtTestAppSlot() = nullptr;
    }
};

inline QApplication& qtTestApp()
{
    static int argc = 1;
    static char name[] = "kdx_widgets_tests";
    static char* argv[] = {name, nullptr};
    if (!qtTestAppSlot()) {
        qtTestAppSlot() = new QApplication(argc, argv);
        ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);
    }
    return *qtTestAppSlot();
}

inline const bool kQtTestAppReady = (qtTestApp(), true);

} // namespace kdx::test
