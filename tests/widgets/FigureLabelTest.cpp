#include "QtTestApp.h"
#include "widgets/FigureLabel.h"

#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

namespace kdx {
namespace {

// A figure label looks exactly as a plain label with the same text would,
// whether its text is new, one it drew before, or one laid out before a
// change of font.
TEST(FigureLabelTest, DrawsEveryTextAsAPlainLabelDoes)
{
    test::qtTestApp();
    struct Step {
        const char* text;
        Qt::Alignment align;
        int pointSize;
    };
    const Step steps[] = {
        {"power supply: 14.18[V]", Qt::AlignLeft | Qt::AlignVCenter, 9},
        {"power supply: 14.19[V]", Qt::AlignLeft | Qt::AlignVCenter, 9},
        {"power supply: 14.18[V]", Qt::AlignLeft | Qt::AlignVCenter, 9}, // drawn before
        {"power supply: 14.18[V]", Qt::AlignLeft | Qt::AlignVCenter, 13}, // the dashboard zoomed
        {"zasilanie: 14.18[V]", Qt::AlignRight | Qt::AlignVCenter, 13},
        {"op. / s: 1849", Qt::AlignHCenter | Qt::AlignBottom, 9},
    };
    FigureLabel figure(QString{});
    QLabel plain;
    for (QLabel* l : {static_cast<QLabel*>(&figure), &plain}) {
        l->resize(220, 22);
        l->setFont(QFont(QStringLiteral("Arial")));
    }
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text);
        for (QLabel* l : {static_cast<QLabel*>(&figure), &plain}) {
            QFont f = l->font();
            f.setPointSize(step.pointSize);
            l->setFont(f);
            l->setAlignment(step.align);
            l->setText(QString::fromUtf8(step.text));
        }
        const QImage drawn = figure.grab().toImage();
        EXPECT_EQ(drawn, plain.grab().toImage());
        plain.clear();
        EXPECT_NE(drawn, plain.grab().toImage()) << "the text is drawn at all";
    }
}

} // namespace
} // namespace kdx
