#include "widgets/Meter270.h"

#include "QtTestApp.h"

#include <QImage>
#include <QLocale>
#include <QPainterPath>
#include <QTest>

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace kdx {
namespace {

class Meter270Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::qtTestApp();
        meter.resize(Meter270::kDesignWidth, Meter270::kDesignHeight);
    }
    QImage render()
    {
        QImage img(meter.size(), QImage::Format_ARGB32);
        img.fill(Qt::white);
        meter.render(&img);
        return img;
    }
    Meter270 meter;
};

TEST_F(Meter270Test, DashboardSettings)
{
    EXPECT_DOUBLE_EQ(meter.minimum(), 0.001);
    EXPECT_DOUBLE_EQ(meter.maximum(), 7.0);
    EXPECT_EQ(meter.majorSteps(), 7);
    EXPECT_EQ(meter.subSteps(), 10);
    EXPECT_EQ(meter.signalName(), QStringLiteral("RPM"));
    EXPECT_EQ(meter.unit(), QStringLiteral("[x1000]"));
    EXPECT_EQ(meter.sizeHint(), QSize(198, 180));
}

TEST_F(Meter270Test, ScaleNumbersAndValueText)
{
    const char* expected[] = {"0.0", "1.0", "2.0", "3.0", "4.0", "5.0", "6.0", "7.0"};
    for (int k = 0; k <= 7; ++k)
        EXPECT_EQ(meter.scaleLabel(k), QString::fromLatin1(expected[k])) << k;
    struct Case { double v; const char* text; };
    for (const Case& c : {Case{0.0, "0.0"}, Case{3.456, "3.5"}, Case{6.95, "7.0"}, Case{12.34, "12.3"},
                          Case{123.4, "123.4"}}) {
        meter.setValue(c.v);
        EXPECT_EQ(meter.valueText(), QString::fromLatin1(c.text)) << c.v;
    }
}

TEST_F(Meter270Test, NumbersUseTheLocaleDecimalSeparator)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    meter.setValue(3.456);
    const QString scale = meter.scaleLabel(2);
    const QString value = meter.valueText();
    meter.setValue(1234.5); // never grouped
    const QString big = meter.valueText();
    QLocale::setDefault(before);
    EXPECT_EQ(scale, QStringLiteral("2,0"));
    EXPECT_EQ(value, QStringLiteral("3,5"));
    EXPECT_EQ(big, QStringLiteral("1234,5"));
}

TEST_F(Meter270Test, SweepsThreeQuartersOfACircleAndClamps)
{
    EXPECT_DOUBLE_EQ(meter.angleForValue(0.001), 225.0);
    EXPECT_DOUBLE_EQ(meter.angleForValue(7.0), -45.0);
    EXPECT_NEAR(meter.angleForValue(3.5005), 90.0, 1e-9);
    EXPECT_DOUBLE_EQ(meter.angleForValue(-1.0), 225.0);
    EXPECT_DOUBLE_EQ(meter.angleForValue(50.0), -45.0);
}

TEST_F(Meter270Test, NeedleIsNavyAndPointerLime)
{
    meter.setValue(3.5005); // straight up
    const QImage img = render();
    // Hub at (99, 92) in the design space; the needle runs upwards from it.
    const QColor needle = img.pixelColor(99, 70);
    EXPECT_LT(needle.red(), 60);
    EXPECT_LT(needle.green(), 60);
    EXPECT_GT(needle.blue(), 90);
    // Lime pointer tip at the needle's end (radius 54, 12 long).
    const QColor mark = img.pixelColor(99, 92 - 47);
    EXPECT_GT(mark.green(), 200);
    EXPECT_LT(mark.red(), 80);
    EXPECT_LT(mark.blue(), 80);
}

// Whatever the value, the needle crosses no scale number, nor the value,
// the signal name or the unit; none of those touch one another, and all
// lie on the dial face.
TEST_F(Meter270Test, NeedleCrossesNoTextAndNoTextTouchesAnother)
{
    std::vector<std::pair<QString, QRectF>> texts;
    for (int k = 0; k <= meter.majorSteps(); ++k)
        texts.emplace_back(meter.scaleLabel(k), meter.scaleLabelRect(k));
    texts.emplace_back(QStringLiteral("value"), meter.valueRect());
    texts.emplace_back(meter.signalName(), meter.signalNameRect());
    texts.emplace_back(meter.unit(), meter.unitRect());

    for (size_t i = 0; i < texts.size(); ++i) {
        const QRectF& r = texts[i].second;
        for (const QPointF& corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
            const QPointF d = corner - Meter270::centre();
            EXPECT_LT(std::hypot(d.x(), d.y()), Meter270::faceRadius()) << texts[i].first.toStdString();
        }
        for (size_t j = i + 1; j < texts.size(); ++j)
            EXPECT_FALSE(r.adjusted(-1, -1, 1, 1).intersects(texts[j].second))
                << texts[i].first.toStdString() << " touches " << texts[j].first.toStdString();
    }
    for (int step = 0; step <= 280; ++step) {
        const double v = -0.2 + step * 0.027; // below the range to above it
        const QPainterPath needle = meter.needlePath(v);
        for (const auto& [what, rect] : texts)
            EXPECT_FALSE(needle.intersects(rect)) << "needle at " << v << " crosses " << what.toStdString();
    }
}

TEST_F(Meter270Test, ScalesUniformlyWithTheWidget)
{
    meter.setValue(3.5005);
    meter.resize(396, 360);
    const QImage img = render();
    const QColor needle = img.pixelColor(198, 120);
    EXPECT_LT(needle.red(), 60);
    EXPECT_GT(needle.blue(), 90);
}

} // namespace
} // namespace kdx

namespace kdx {
namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST(Meter270Repaint, OnlyANeedleThatMovesAPixelOrANewFigureRepaints)
{
    test::qtTestApp();
    Meter270 meter;
    meter.resize(Meter270::kDesignWidth, Meter270::kDesignHeight);
    meter.setValue(3.0);
    meter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&meter));
    PaintCounter counter;
    meter.installEventFilter(&counter);
    auto paintsAfter = [&](double value) {
        counter.paints = 0;
        meter.setValue(value);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return counter.paints;
    };
    // 0.001 of 7 over 270 degrees at radius 54 moves the tip by far less
    // than a pixel, and "3.0" stays "3.0".
    EXPECT_EQ(paintsAfter(3.001), 0);
    EXPECT_EQ(paintsAfter(3.002), 0);
    EXPECT_DOUBLE_EQ(meter.value(), 3.002);
    // Small steps that add up to more than a pixel from the drawn needle.
    EXPECT_EQ(paintsAfter(3.02), 0);
    EXPECT_GE(paintsAfter(3.04), 1);
    // A new figure repaints even when the needle hardly moves: 3.049 shows
    // "3.0", 3.051 "3.1".
    EXPECT_EQ(paintsAfter(3.049), 0);
    EXPECT_GE(paintsAfter(3.051), 1);
    // The same value again costs nothing.
    EXPECT_EQ(paintsAfter(3.051), 0);
    EXPECT_GE(paintsAfter(6.5), 1);
}

TEST(Meter270Repaint, TheCachedFaceFollowsTheTextsAndTheLocale)
{
    test::qtTestApp();
    Meter270 meter;
    meter.resize(Meter270::kDesignWidth, Meter270::kDesignHeight);
    auto render = [&] {
        QImage img(meter.size(), QImage::Format_ARGB32);
        img.fill(Qt::white);
        meter.render(&img);
        return img;
    };
    const QImage before = render();
    meter.setUnit(QStringLiteral("[x100]"));
    const QImage unitChanged = render();
    EXPECT_NE(before, unitChanged);
    meter.setUnit(QStringLiteral("[x1000]"));
    EXPECT_EQ(render(), before);
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QImage comma = render();
    QLocale::setDefault(previous);
    EXPECT_NE(comma, before);
    EXPECT_EQ(render(), before);
}

} // namespace
} // namespace kdx
