#include "app/pages/ManualTrigPage.h"

#include "app/pages/ControlFactory.h"
#include "app/pages/EditorWiring.h"
#include "app/pages/LanguageRegistry.h"
#include "widgets/StringGrid.h"

#include <QLabel>

namespace kdx {

ManualTrigPage::ManualTrigPage(QWidget* page, LanguageRegistry& texts)
{
    auto* note = makeLabel(page, "LabelManualTrig", QStringLiteral("\"-\" value turns off all map !"),
                           QRect(8, 6, 640, 20));
    markWarning(note);
    map = makeGrid(page, "StringGridManualTrigMap", 5, 25, 1, 128, 20, QPoint(8, 30));
    map->setDataBackground(QColor(192, 192, 192));
    map->setAccessibleName(QStringLiteral("manual trigger map: pump on and off times per rpm range"));
    // The built-in headings; a language file may replace them.
    const char* headings[] = {"Vector[rpm]", "Pump1Ton[s]", "Pump1Toff[s]", "Pump2Ton[s]", "Pump2Toff[s]"};
    for (int c = 0; c < 5; ++c)
        map->setCell(c, 0, QString::fromLatin1(headings[c]));
    texts.add(100400, note);
    for (int key = 100300; key <= 100304; ++key)
        texts.add(key, map);
}

void ManualTrigPage::bind(const EditorWiring& editors) { editors.grid(map, EditorId::ManualTrigMap); }

} // namespace kdx
