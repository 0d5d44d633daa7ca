#include "app/pages/TesterControls.h"

#include "app/pages/ControlFactory.h"
#include "live/LampAppearance.h"
#include "widgets/LedIndicator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace kdx {

TesterControls::TesterControls(QWidget* page)
{
    auto* note = makeLabel(page, "LabelTest1",
                           QStringLiteral("UWAGA, testowac na zasilaczu lab. z ograniczeniem pradowym 10A lub wiecej!"),
                           QRect(8, 8, 650, 22));
    markWarning(note);
    serialLabel = makeLabel(page, "LabelSerialN", QStringLiteral("Numer Seryjny"), QRect(8, 40, 400, 22));
    QFont f = serialLabel->font();
    f.setBold(true);
    serialLabel->setFont(f);
    serialEdit = makeEdit(page, "EditSerial", QString(), QRect(8, 64, 260, 26), serialLabel);
    serialEdit->setMaxLength(20);
    serialEdit->setAccessibleName(QStringLiteral("serial number"));
    makeLabel(page, "Label1", QString::fromUtf8("przyk\u0142ad SN: RQ412A0000001H02S4.7"), QRect(280, 64, 378, 26));
    makeLabel(page, "Label2", QStringLiteral("numer seryjny ma byc w DataMatrix"), QRect(280, 90, 378, 22));

    resultLamp = makeLed(page, "AbLEDStartTestu1", LampAppearance::testResult(), QString(), QRect(8, 100, 80, 80));
    resultLamp->setAccessibleName(QStringLiteral("test result"));
    timeLabel = makeLabel(page, "LabelCzasTestowania1", QStringLiteral("TIME"), QRect(100, 120, 558, 22));
    resultFile = makeLabel(page, "LabelResultFile", QString(), QRect(100, 144, 558, 40));
    resultFile->setWordWrap(true);

    log = named(new QPlainTextEdit(page), "Memo1", QRect(8, 190, 650, 200));
    log->setReadOnly(true);
    log->setAccessibleName(QStringLiteral("test log"));
}

} // namespace kdx
