#include "app/pages/ManualConstPage.h"

#include "app/pages/ControlFactory.h"
#include "app/pages/EditorWiring.h"
#include "app/pages/LanguageRegistry.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace kdx {

ManualConstPage::ManualConstPage(QWidget* page, LanguageRegistry& texts)
{
    struct Names {
        const char* group;
        const char* title;
        const char* minLabel;
        const char* minText;
        const char* minCombo;
        const char* maxLabel;
        const char* maxText;
        const char* maxCombo;
        const char* tonLabel;
        const char* tonEdit;
        const char* toffLabel;
        const char* toffEdit;
        int x;
        int groupKey, minKey, maxKey, onKey, offKey;
    };
    const Names names[] = {
        {"GroupBoxManConstP1", "pump 1", "LabelMinRpmP1", "minimum rpm pump1", "ComboBoxManualMinRpmP1",
         "LabelMaxRpmP1", "maximum rpm pump1", "ComboBoxManualMaxRpmP1", "LabelTonP1",
         "EditManualMconstOnP1", "LabelToffP1", "EditManualMconstOffP1", 8, 100500, 100502, 100503, 100506, 100508},
        {"GroupBoxManConstP2", "pump 2", "LabelMinRpmP2", "minimum rpm pump2", "ComboBoxManualMinRpmP2",
         "LabelMaxRpmP2", "maximum rpm pump2", "ComboBoxManualMaxRpmP2", "LabelTonP2",
         "EditManualMconstOnP2", "LabelToffP2", "EditManualMconstOffP2", 340, 100501, 100504, 100505, 100507, 100509},
    };
    const QStringList rpm = listItems(EditorId::ManualMinRpmP1);
    for (size_t i = 0; i < pumps.size(); ++i) {
        const Names& p = names[i];
        Pump& pump = pumps[i];
        auto* group = named(new QGroupBox(QString::fromLatin1(p.title), page), p.group, QRect(p.x, 8, 320, 100));
        // Labels wide enough for the longest translation ("... pump 1").
        auto* minLabel = makeLabel(group, p.minLabel, QString::fromLatin1(p.minText), QRect(12, 28, 200, 26));
        pump.minRpm = makeCombo(group, p.minCombo, rpm, 1, QRect(216, 28, 92, 26), minLabel); // "100"
        auto* maxLabel = makeLabel(group, p.maxLabel, QString::fromLatin1(p.maxText), QRect(12, 62, 200, 26));
        pump.maxRpm = makeCombo(group, p.maxCombo, rpm, 50, QRect(216, 62, 92, 26), maxLabel); // "5000"
        // On and off times: kept, never shown.
        auto* ton = makeLabel(group, p.tonLabel, QStringLiteral("Ton [s]"), QRect(12, 96, 170, 24));
        pump.onTime = makeEdit(group, p.tonEdit, QStringLiteral("100"), QRect(190, 96, 80, 24), ton);
        pump.onTime->hide();
        ton->hide();
        auto* toff = makeLabel(group, p.toffLabel, QStringLiteral("Toff [s]"), QRect(12, 126, 170, 24));
        pump.offTime = makeEdit(group, p.toffEdit, QStringLiteral("250"), QRect(190, 126, 80, 24), toff);
        pump.offTime->hide();
        toff->hide();
        texts.add(p.groupKey, group);
        texts.add(p.minKey, minLabel);
        texts.add(p.maxKey, maxLabel);
        texts.add(p.onKey, ton);
        texts.add(p.offKey, toff);
    }
}

void ManualConstPage::bind(const EditorWiring& editors)
{
    const Pump& p1 = pumps[0];
    const Pump& p2 = pumps[1];
    editors.combo(p1.minRpm, EditorId::ManualMinRpmP1);
    editors.combo(p1.maxRpm, EditorId::ManualMaxRpmP1);
    editors.combo(p2.minRpm, EditorId::ManualMinRpmP2);
    editors.combo(p2.maxRpm, EditorId::ManualMaxRpmP2);
    editors.edit(p1.onTime, EditorId::ManualOnP1);
    editors.edit(p1.offTime, EditorId::ManualOffP1);
    editors.edit(p2.onTime, EditorId::ManualOnP2);
    editors.edit(p2.offTime, EditorId::ManualOffP2);
}

} // namespace kdx
