// The dashboard panel applies a status view through its controls; a view
// that did not change costs no repaint, and one that changed repaints only
// the controls whose look changed.
#include "AppTestSupport.h"
#include "app/pages/DashboardPanel.h"
#include "widgets/LedIndicator.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QWidget>

#include <map>
#include <set>
#include <string>

namespace kdx {
namespace {

// Paint events by the painted widget's object name (its class when unnamed).
class PaintLog : public QObject {
public:
    std::map<std::string, int> paints;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const QString name = watched->objectName();
            ++paints[(name.isEmpty() ? QString::fromLatin1(watched->metaObject()->className()) : name)
                         .toStdString()];
        }
        return false;
    }
    std::set<std::string> painted() const
    {
        std::set<std::string> names;
        for (const auto& [name, n] : paints)
            names.insert(name);
        return names;
    }
};

DashboardView steadyView()
{
    DashboardView v;
    v.opPerSecond = "op. / s: 12";
    v.lamps[static_cast<size_t>(Lamp::SystemOn)] = true;
    v.lamps[static_cast<size_t>(Lamp::Pump1)] = true;
    v.pump1Caption = "pump 1  on 1.2 s";
    v.pump2Caption = "pump 2";
    v.systemOnCaption = "kdx on: auto";
    v.meterValue = 2.5f;
    v.vdcText = "power supply: 13.8 [V]";
    v.humidityText = "humidity: 40 [%]";
    v.temperatureText = "temperature: 21 [C]";
    v.boldButton = ModeButton::Auto;
    return v;
}

// Between two frames of a long operation the bar is not painted: a middle
// position waits for the window's next turn; the ends show at once.
TEST(DashboardPanelTest, ProgressBetweenFramesIsShownAtTheWindowsNextTurn)
{
    test::appForTests();
    QWidget panel;
    panel.resize(360, 700);
    DashboardPanel dashboard(&panel, 360);
    QProgressBar* bar = dashboard.progress();

    dashboard.showProgress(0, 256);
    EXPECT_EQ(bar->maximum(), 256);
    EXPECT_EQ(bar->value(), 0) << "the first position at once";
    dashboard.showProgress(1, 256);
    dashboard.showProgress(2, 256);
    EXPECT_EQ(bar->value(), 0) << "not between frames";
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), 2) << "the newest position at the window's turn";
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), 2);

    // The last position wins over one still waiting.
    dashboard.showProgress(200, 256);
    dashboard.showProgress(256, 256);
    EXPECT_EQ(bar->value(), 256);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), 256) << "a waiting middle position does not come back";

    // Another operation's scale shows at once.
    dashboard.showProgress(3, 40);
    EXPECT_EQ(bar->maximum(), 40);
    EXPECT_EQ(bar->value(), 3);
}

TEST(DashboardPanelTest, OnlyWhatChangedIsRepainted)
{
    test::appForTests();
    QWidget panel;
    panel.setObjectName(QStringLiteral("panel"));
    panel.resize(360, 700);
    DashboardPanel dashboard(&panel, 360);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    DashboardView v = steadyView();
    dashboard.apply(v);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.findChild<QLabel*>(QStringLiteral("LabelVDC"))->text(),
              QStringLiteral("power supply: 13.8 [V]"));
    EXPECT_TRUE(dashboard.lamp(Lamp::Pump1)->isOn());

    PaintLog log;
    qApp->installEventFilter(&log);
    auto paintedAfter = [&](const DashboardView& view) {
        log.paints.clear();
        dashboard.apply(view);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return log.painted();
    };
    EXPECT_EQ(paintedAfter(v), std::set<std::string>{}) << "the same view again";

    struct Step {
        const char* what;
        void (*change)(DashboardView&);
        std::set<std::string> painted;
    };
    const Step steps[] = {
        {"supply", [](DashboardView& d) { d.vdcText = "power supply: 13.9 [V]"; }, {"LabelVDC"}},
        {"humidity", [](DashboardView& d) { d.humidityText = "humidity: 41 [%]"; }, {"LabelWilgotnosc"}},
        {"temperature", [](DashboardView& d) { d.temperatureText = "temperature: 22 [C]"; }, {"LabelTempPow"}},
        {"operations", [](DashboardView& d) { d.opPerSecond = "op. / s: 13"; }, {"LabelOpPers"}},
        {"pump lamp", [](DashboardView& d) { d.lamps[static_cast<size_t>(Lamp::Pump1)] = false; }, {"AbLEDPump1"}},
        {"pump caption", [](DashboardView& d) { d.pump2Caption = "pump 2  off 0.4 s"; }, {"AbLEDPump2"}},
        {"needle under a pixel", [](DashboardView& d) { d.meterValue = 2.501f; }, {}},
        {"needle", [](DashboardView& d) { d.meterValue = 4.0f; }, {"Ab270MeterLGPres"}},
    };
    for (const Step& step : steps) {
        step.change(v);
        EXPECT_EQ(paintedAfter(v), step.painted) << step.what;
        EXPECT_EQ(paintedAfter(v), std::set<std::string>{}) << step.what << ", then the same again";
    }
    EXPECT_EQ(panel.findChild<QLabel*>(QStringLiteral("LabelVDC"))->text(),
              QStringLiteral("power supply: 13.9 [V]"));
    EXPECT_EQ(dashboard.lamp(Lamp::Pump2)->caption(), QStringLiteral("pump 2  off 0.4 s"));
    qApp->removeEventFilter(&log);
}

} // namespace
} // namespace kdx
