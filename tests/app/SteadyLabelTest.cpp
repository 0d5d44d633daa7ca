#include "AppTestSupport.h"

#include "app/SteadyLabel.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

namespace kdx {
namespace {

// Counts the relayouts a label's new text asks of the row it sits in.
struct LayoutRequests : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::LayoutRequest;
        return false;
    }
};

// A status-line clock: a new second of the same width costs no relayout,
// and whatever the text, it is never cut; the label narrows only by a clear
// step, so a few pixels less do not move the message beside it.
TEST(SteadyLabelTest, TextsAreWholeAndASameWidthTextCostsNoRelayout)
{
    test::appForTests();
    QWidget row;
    auto* layout = new QHBoxLayout(&row);
    auto* label = new QLabel(&row);
    layout->addWidget(label);
    row.show();
    LayoutRequests requests;
    row.installEventFilter(&requests);
    const QFontMetrics fm(label->font());
    auto whole = [&] { return label->width() >= fm.horizontalAdvance(label->text()); };

    setSteadyText(*label, QStringLiteral("connected  \u00b7  last answer 10:00:00"));
    QApplication::processEvents();
    EXPECT_TRUE(whole());
    const int width = label->width();

    requests.count = 0;
    for (const char* second : {"10:00:01", "10:00:02", "10:00:03"}) {
        setSteadyText(*label, QStringLiteral("connected  \u00b7  last answer %1").arg(QLatin1String(second)));
        QApplication::processEvents();
    }
    EXPECT_EQ(requests.count, 0);
    EXPECT_EQ(label->width(), width);

    struct Step {
        const char* text;
        bool wider, same;
    };
    const Step steps[] = {
        {"link lost  \u00b7  no data since 10:00:03, waiting for the adapter", true, false},
        {"link lost  \u00b7  no data since 10:00:03, waiting for the adapt", false, true},
        {"no port", false, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text);
        const int before = label->width();
        setSteadyText(*label, QString::fromUtf8(step.text));
        QApplication::processEvents();
        EXPECT_EQ(label->text(), QString::fromUtf8(step.text));
        EXPECT_TRUE(whole());
        EXPECT_EQ(label->width() > before, step.wider);
        EXPECT_EQ(label->width() == before, step.same);
    }
}

} // namespace
} // namespace kdx
