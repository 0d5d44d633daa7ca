// The "serwis" page sends the service run's commands itself.
#include "app/MainWindow.h"
#include "protocol/Wire.h"

#include "AppTestSupport.h"
#include "support/FindControl.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kdx {
namespace {

TEST(SerwisPage, StartAndStopSendTheServiceRunCommandsAsHandlers)
{
    test::WindowRig rig;
    rig.window->timer1()->stop();
    rig.context.link.selectPort("/dev/ttyUSB0");
    ASSERT_TRUE(rig.context.link.openPort());
    rig.context.state.connected = true;
    int depthDuringSend = -1;
    rig.line.onTransmit = [&](const std::vector<uint8_t>&, const std::string&) { depthDuringSend = rig.context.busy.depth; };

    QTest::mouseClick(findControl<QPushButton>(*rig.window, "ButtonSerwisStart"), Qt::LeftButton);
    EXPECT_EQ(depthDuringSend, 1); // inside a handler: no status tick meanwhile
    QTest::mouseClick(findControl<QPushButton>(*rig.window, "ButtonSerwisStop"), Qt::LeftButton);

    std::vector<std::array<uint8_t, 4>> sent;
    for (const auto& f : rig.line.sentFrames()) {
        ASSERT_EQ(f.size(), 6u);
        sent.push_back({f[0], f[1], f[2], f[3]});
    }
    EXPECT_EQ(sent, (std::vector<std::array<uint8_t, 4>>{{wire::kCmdServiceOn, 0, 0, 0}, {wire::kCmdServiceOff, 0, 0, 0}}));
    EXPECT_EQ(rig.context.busy.depth, 0);
}

} // namespace
} // namespace kdx
