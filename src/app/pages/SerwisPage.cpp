#include "app/pages/SerwisPage.h"

#include "app/pages/ControlFactory.h"
#include "app/pages/EditorWiring.h"
#include "app/pages/LanguageRegistry.h"
#include "app/ProcedureRunner.h"
#include "params/ControllerCommands.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace kdx {

SerwisPage::SerwisPage(QWidget* page, LanguageRegistry& texts)
{
    auto* ton = makeLabel(page, "LabelSerwisTon", QStringLiteral("Ton [s]"), QRect(8, 12, 80, 26));
    onTime = makeCombo(page, "ComboBoxSerwisTon", listItems(EditorId::SerwisOn), 0, QRect(92, 12, 90, 26), ton);
    auto* toff = makeLabel(page, "LabelSerwisToff", QStringLiteral("Toff [s]"), QRect(8, 46, 80, 26));
    offTime = makeCombo(page, "ComboBoxSerwisToff", listItems(EditorId::SerwisOff), 10, QRect(92, 46, 90, 26), toff);
    start = makeButton(page, "ButtonSerwisStart", QStringLiteral("serwis on"), QRect(8, 88, 140, 34));
    stop = makeButton(page, "ButtonSerwisStop", QStringLiteral("serwis off"), QRect(156, 88, 140, 34));
    texts.add(100600, ton);
    texts.add(100601, toff);
    texts.add(100602, start);
    texts.add(100603, stop);
}

void SerwisPage::bind(ControllerCommands& commands, const ProcedureRunner& runner, const EditorWiring& editors)
{
    editors.combo(onTime, EditorId::SerwisOn);
    editors.combo(offTime, EditorId::SerwisOff);
    QObject::connect(start, &QPushButton::clicked, start,
                     [&commands, &runner] { runner.runShort([&] { commands.serviceOn(); }); });
    QObject::connect(stop, &QPushButton::clicked, stop,
                     [&commands, &runner] { runner.runShort([&] { commands.serviceOff(); }); });
}

} // namespace kdx
