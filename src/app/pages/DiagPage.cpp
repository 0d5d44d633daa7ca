#include "app/pages/DiagPage.h"

#include "app/pages/ControlFactory.h"
#include "app/pages/LanguageRegistry.h"
#include "app/ProcedureRunner.h"
#include "params/ControllerCommands.h"
#include "live/LampAppearance.h"
#include "widgets/LedIndicator.h"
#include "widgets/StringGrid.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

namespace kdx {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The first error bit's text; the others follow in bit order.
constexpr int kErrorBitKey = 100900;

} // namespace

DiagPage::DiagPage(QWidget* page, LanguageRegistry& texts)
{
    const char* const bitNames[kNamedErrorBits] = {"VdcErrorLow",  "VdcErrorHigh", "OneWireSensorComErr",
                                                   "J1ErrorOut",   "J2ErrorOut",   "P1ErrorOut",
                                                   "P2ErrorOut",   "P1ErrorOverload", "P2ErrorOverload"};
    auto makeErrors = [&](std::array<QCheckBox*, kNamedErrorBits>& boxes, const char* groupName, const char* title,
                          int firstBox, int y, int key) {
        auto* group = named(new QGroupBox(QString::fromLatin1(title), page), groupName, QRect(8, y, 210, 228));
        texts.add(key, group);
        for (unsigned i = 0; i < kNamedErrorBits; ++i) {
            const QByteArray name = "CheckBox" + QByteArray::number(firstBox + static_cast<int>(i));
            auto* box = named(new QCheckBox(QString::fromLatin1(bitNames[i]), group), name.constData(),
                              QRect(12, 24 + static_cast<int>(i) * 22, 190, 22));
            // The controller's state, not a setting: shown, not clicked.
            box->setAttribute(Qt::WA_TransparentForMouseEvents);
            box->setFocusPolicy(Qt::NoFocus);
            boxes[i] = box;
            // One text names an error bit in both groups.
            texts.add(kErrorBitKey + static_cast<int>(i), box);
        }
    };
    makeErrors(m_actualErrors, "GroupBoxActualErr", "actual errors", 1, 8, 100800);
    makeErrors(m_memoryErrors, "GroupBoxRemErr", "errors in memory", 10, 244, 100801);
    m_erase = makeButton(page, "ButtonEraseErr", QStringLiteral("erase erros"), QRect(8, 482, 210, 34));
    texts.add(100803, m_erase);

    auto* warnings = named(new QGroupBox(QStringLiteral("warnings"), page), "GroupBoxWarnings", QRect(230, 8, 428, 78));
    for (int i = 0; i < 2; ++i) {
        const char* name = i == 0 ? "AbLEDWarP1" : "AbLEDWarP2";
        m_pumpWarnings[static_cast<size_t>(i)] =
            makeLed(warnings, name, LampAppearance::pumpWarning(),
                    i == 0 ? QStringLiteral("Pump 1 not connected !") : QStringLiteral("Pump 2 not connected !"),
                    QRect(12, 22 + i * 26, 400, 22));
        texts.add(100804 + i, m_pumpWarnings[static_cast<size_t>(i)]);
    }
    texts.add(100802, warnings);

    m_values = makeGrid(page, "StringGridViz", 2, 16, 0, 0, 20, QPoint(230, 96));
    m_values->setColumnWidth(0, 200);
    m_values->setColumnWidth(1, 226);
    m_values->fitToCells();
    m_values->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 2; ++c)
            if (QTableWidgetItem* it = m_values->item(r, c))
                it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    m_values->setAccessibleName(QStringLiteral("live diagnostic values"));

    m_comparatorOut = named(new QCheckBox(QStringLiteral("out"), page), "CheckBoxCMPout", QRect(230, 440, 120, 22));
    m_comparatorOut->hide();
    m_comparatorEvent = named(new QCheckBox(QStringLiteral("Event"), page), "CheckBoxCMPev", QRect(360, 440, 120, 22));
    m_comparatorEvent->hide();
}

void DiagPage::apply(const DashboardView& v)
{
    for (size_t bit = 0; bit < kNamedErrorBits; ++bit) {
        m_actualErrors[bit]->setChecked(v.actualErrors[bit]);
        m_memoryErrors[bit]->setChecked(v.memoryErrors[bit]);
    }
    m_pumpWarnings[0]->setOn(v.warP1);
    m_pumpWarnings[1]->setOn(v.warP2);
    m_comparatorOut->setChecked(v.cmpOut);
    m_comparatorEvent->setChecked(v.cmpEv);
    for (size_t row = 0; row < v.viz.size(); ++row) {
        if (!v.viz[row])
            continue;
        m_values->setCell(0, static_cast<int>(row), qs(v.viz[row]->label));
        m_values->setCell(1, static_cast<int>(row), qs(v.viz[row]->value));
    }
}

void DiagPage::bind(ControllerCommands& commands, const ProcedureRunner& runner)
{
    QObject::connect(m_erase, &QPushButton::clicked, m_erase,
                     [&commands, &runner] { runner.runShort([&] { commands.eraseErrors(); }); });
}

} // namespace kdx
