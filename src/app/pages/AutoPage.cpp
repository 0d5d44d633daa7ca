#include "app/pages/AutoPage.h"

#include "app/pages/ControlFactory.h"
#include "app/pages/EditorWiring.h"
#include "app/pages/LanguageRegistry.h"
#include "widgets/StringGrid.h"

#include <QLabel>
#include <QLineEdit>

namespace kdx {

namespace {

const QColor kSilver(192, 192, 192);

} // namespace

AutoPage::AutoPage(QWidget* page, LanguageRegistry& texts)
{
    auto* title = makeLabel(page, "LabelAutomat", QStringLiteral("tryb automat"), QRect(8, 8, 400, 24));
    QFont f = title->font();
    f.setPointSize(11);
    f.setBold(true);
    title->setFont(f);
    auto* preDefined = makeLabel(page, "LabelPreDefAuto", QStringLiteral("pre - define auto mode"), QRect(8, 36, 400, 20));

    pumpOn = makeGrid(page, "StringGridAutoPumpOn", 2, 6, 1, 160, 20, QPoint(8, 60));
    pumpOn->setDataBackground(kSilver);
    pumpOn->setAccessibleName(QStringLiteral("automatic pump on time per rpm band"));
    pumpOn->setCell(0, 0, QStringLiteral("Vector[rpm]"));
    pumpOn->setCell(1, 0, QStringLiteral("PumpsOnTime[s]"));
    pumpStop = makeGrid(page, "StringGridAutoPumpStop", 4, 4, 1, 150, 24, QPoint(8, 196));
    pumpStop->setDataBackground(kSilver);
    pumpStop->setAccessibleName(QStringLiteral("automatic pause time per humidity and temperature band"));
    pumpStop->setCell(0, 0, QStringLiteral("map hum/temp"));

    const int labelX = 340, labelW = 250, editX = 594, editW = 64, rowH = 24;
    auto* maxHum = makeLabel(page, "LabelMaxHig", QStringLiteral("max. humidity [%]"), QRect(labelX, 60, labelW, rowH));
    maxHumidity = makeEdit(page, "EditMaxHum", QStringLiteral("95"), QRect(editX, 60, editW, rowH), maxHum);
    auto* minTemp = makeLabel(page, "LabelMinTemp", QString::fromUtf8("min. temperature[\u00B0C]"),
                              QRect(labelX, 90, labelW, rowH));
    minTemperature = makeEdit(page, "EditAutoMinTemp", QStringLiteral("5"), QRect(editX, 90, editW, rowH), minTemp);
    auto* upTime = makeLabel(page, "LabelAutoRpmUpTime", QStringLiteral("rpm up time definition [s], down is 1 [s]"),
                             QRect(labelX, 120, labelW, rowH));
    rpmUpTime = makeEdit(page, "EditAutoRpmUpT", QStringLiteral("5"), QRect(editX, 120, editW, rowH), upTime);
    auto* shortOffLabel = makeLabel(page, "LabelAuto2xShortOff",
                                    QStringLiteral("2x short off over rpm signal i 0-off [rpm]"),
                                    QRect(labelX, 150, labelW, rowH));
    shortOff = makeEdit(page, "EditAuto2xShortOff", QStringLiteral("5000"), QRect(editX, 150, editW, rowH),
                        shortOffLabel);

    texts.add(101001, title);
    texts.add(100314, preDefined);
    texts.add(100305, pumpOn);
    texts.add(100306, pumpOn);
    texts.add(100307, pumpStop);
    texts.add(100310, upTime);
    texts.add(100311, maxHum);
    texts.add(100312, minTemp);
    texts.add(100313, shortOffLabel);

    m_unshown = {pumpOn, upTime, rpmUpTime, maxHumidity, maxHum, minTemperature, minTemp, pumpStop, shortOff,
                 shortOffLabel, preDefined};
}

void AutoPage::hideUnshown()
{
    for (QWidget* w : m_unshown)
        w->setVisible(false);
}

void AutoPage::bind(const EditorWiring& editors)
{
    editors.edit(maxHumidity, EditorId::MaxHumidity);
    editors.edit(minTemperature, EditorId::AutoMinTemp);
    editors.edit(rpmUpTime, EditorId::AutoRpmUpTime);
    editors.edit(shortOff, EditorId::Auto2xShortOff);
    editors.grid(pumpOn, EditorId::AutoPumpOnMap);
    editors.grid(pumpStop, EditorId::AutoPumpStopMap);
}

} // namespace kdx
