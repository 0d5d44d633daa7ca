#include "widgets/LedIndicator.h"

#include <QTimer>

#include "QtTestApp.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kdx {
namespace {

QImage render(LedIndicator& led)
{
    QImage img(led.size(), QImage::Format_ARGB32);
    img.fill(Qt::white);
    led.render(&img);
    return img;
}

QColor lightCentre(LedIndicator& led)
{
    const QImage img = render(led);
    return img.pixelColor(led.lightRect().center());
}

class LedIndicatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::qtTestApp();
        led.resize(120, 20);
        led.setCaption(QStringLiteral("pump 1"));
    }
    LedIndicator led;
};

TEST_F(LedIndicatorTest, DefaultsMatchTheDashboardLamp)
{
    EXPECT_EQ(led.lightSize(), QSize(13, 13));
    EXPECT_EQ(led.onColor(), QColor(0, 255, 0));
    EXPECT_EQ(led.offColor(), led.palette().color(QPalette::Button));
    EXPECT_FALSE(led.isOn());
    EXPECT_FALSE(led.isBlinking());
}

// The round light is shaded, so its centre is judged by the dominant channel.
bool isBlue(const QColor& c) { return c.blue() > 200 && c.red() < 120 && c.green() < 120; }
bool isRed(const QColor& c) { return c.red() > 200 && c.blue() < 120 && c.green() < 120; }

TEST_F(LedIndicatorTest, LightShowsOnAndOffColour)
{
    led.setOnColor(QColor(255, 0, 0));
    led.setOffColor(QColor(0, 0, 255));
    EXPECT_TRUE(isBlue(lightCentre(led)));
    led.setOn(true);
    EXPECT_TRUE(isRed(lightCentre(led)));
    led.setOn(false);
    EXPECT_TRUE(isBlue(lightCentre(led)));
}

TEST_F(LedIndicatorTest, RectangularLightIsFilledFlat)
{
    led.setShape(LedIndicator::Shape::Rectangle);
    led.setLightSize(QSize(16, 14));
    led.setOn(true);
    EXPECT_EQ(lightCentre(led), QColor(0, 255, 0));
}

TEST_F(LedIndicatorTest, FlashingAlternatesOnlyWhileOn)
{
    led.setOffColor(QColor(10, 10, 10));
    led.setFlashing(true, 4.0);
    EXPECT_EQ(led.blinkIntervalMs(), 125); // 4 full cycles per second
    EXPECT_FALSE(led.isBlinking());
    led.blinkStep(); // off: stays dark
    EXPECT_EQ(led.currentLightColor(), QColor(10, 10, 10));

    led.setOn(true);
    EXPECT_TRUE(led.isBlinking());
    EXPECT_EQ(led.currentLightColor(), QColor(0, 255, 0)); // comes on lit
    led.blinkStep();
    EXPECT_EQ(led.currentLightColor(), QColor(10, 10, 10));
    led.blinkStep();
    EXPECT_EQ(led.currentLightColor(), QColor(0, 255, 0));
    led.blinkStep();

    led.setOn(false);
    EXPECT_FALSE(led.isBlinking());
    EXPECT_EQ(led.currentLightColor(), QColor(10, 10, 10));
    led.setOn(true); // starts lit again, not in the dark half it stopped in
    EXPECT_EQ(led.currentLightColor(), QColor(0, 255, 0));
}

TEST_F(LedIndicatorTest, OnlyAShownLampWakesToBlink)
{
    auto* timer = led.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    led.setFlashing(true, 4.0);
    led.setOn(true);
    EXPECT_TRUE(led.isBlinking());
    EXPECT_FALSE(timer->isActive()) << "never shown";
    led.show();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 125);
    led.setFlashing(true, 2.0);
    EXPECT_EQ(timer->interval(), 250) << "a new rate takes effect at once";
    led.blinkStep();
    led.hide();
    EXPECT_FALSE(timer->isActive()) << "on a hidden page";
    EXPECT_EQ(led.currentLightColor(), QColor(0, 255, 0)) << "left lit";
    led.show();
    EXPECT_TRUE(timer->isActive());
    led.setOn(false);
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(led.isBlinking());
}

TEST_F(LedIndicatorTest, AHeldLampShowsItsColourSteadilyAndWakesNobody)
{
    auto* timer = led.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    led.show();
    led.setFlashing(true, 4.0);
    led.setOn(true);
    led.blinkStep();
    ASSERT_EQ(led.currentLightColor(), led.offColor()) << "in the dark half";
    led.setHeld(true);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(led.currentLightColor(), QColor(0, 255, 0)) << "held lit, not dark";
    led.blinkStep();
    EXPECT_EQ(led.currentLightColor(), QColor(0, 255, 0)) << "a stray step does not flash it";
    led.setOn(false);
    led.setOn(true);
    EXPECT_FALSE(timer->isActive()) << "coming on while held starts no timer";
    led.setOn(false);
    EXPECT_EQ(led.currentLightColor(), led.offColor()) << "held off stays off";
    led.setOn(true);
    led.setHeld(false);
    EXPECT_TRUE(timer->isActive()) << "flashes again once released";
}

TEST_F(LedIndicatorTest, SteadyLampIgnoresBlinkSteps)
{
    led.setOn(true);
    led.blinkStep();
    EXPECT_EQ(led.currentLightColor(), QColor(0, 255, 0));
    EXPECT_FALSE(led.isBlinking());
}

TEST_F(LedIndicatorTest, CaptionStartsFivePixelsRightOfTheLight)
{
    led.setOffColor(Qt::white);
    EXPECT_EQ(led.captionRect().left(), 13 + 5);
    const QImage img = render(led);
    int firstInk = -1;
    for (int x = 0; x < img.width() && firstInk < 0; ++x) {
        if (x < 13)
            continue; // the light itself
        for (int y = 0; y < img.height(); ++y) {
            if (qGray(img.pixel(x, y)) < 160) {
                firstInk = x;
                break;
            }
        }
    }
    ASSERT_GE(firstInk, 0) << "caption not drawn";
    EXPECT_GE(firstInk, 18);
    EXPECT_LE(firstInk, 21);
    EXPECT_GE(led.sizeHint().width(), 18 + QFontMetrics(led.font()).horizontalAdvance(QStringLiteral("pump 1")));
}

TEST_F(LedIndicatorTest, ClickEmitsClicked)
{
    QSignalSpy spy(&led, &LedIndicator::clicked);
    QTest::mouseClick(&led, Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(spy.count(), 1);
    QTest::mouseClick(&led, Qt::RightButton, {}, QPoint(5, 10));
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(LedIndicatorTest, StaysCrispWhenScaled)
{
    led.setLightSize(QSize(80, 80));
    led.resize(80, 80);
    led.setShape(LedIndicator::Shape::Rectangle);
    led.setOnColor(QColor(0, 0, 255));
    led.setOn(true);
    const QImage img = render(led);
    // Interior edge pixels are the pure fill, not a blurred blend.
    EXPECT_EQ(img.pixelColor(2, 2), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(77, 77), QColor(0, 0, 255));
}

} // namespace
} // namespace kdx
