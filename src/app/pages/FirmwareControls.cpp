#include "app/pages/FirmwareControls.h"

#include "app/pages/ControlFactory.h"
#include "app/pages/LanguageRegistry.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>

namespace kdx {

FirmwareControls::FirmwareControls(QWidget* page, LanguageRegistry& texts)
{
    auto* warning = makeLabel(page, "LabelAfterReset", QStringLiteral("AFTER UPDATE - PARAMETERS WILL BE LOST !!!!"),
                              QRect(8, 8, 640, 22));
    markWarning(warning);
    upgrade = makeButton(page, "ButtonFirmware", QStringLiteral("upgrade"), QRect(8, 38, 160, 36));
    QFont f = upgrade->font();
    f.setBold(true);
    upgrade->setFont(f);
    progress = named(new QProgressBar(page), "ProgressBarBoot", QRect(180, 44, 470, 24));
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setAccessibleName(QStringLiteral("firmware upgrade progress"));

    reset = makeButton(page, "ButtonReset", QStringLiteral("reset uController"), QRect(8, 84, 190, 28));
    riseFromTheDead = makeButton(page, "ButtonRFTD1", QStringLiteral("rise from the dead (comXX):"),
                                 QRect(206, 84, 240, 28));
    QStringList comPorts;
    for (int n = 1; n <= 16; ++n)
        comPorts << QStringLiteral("COM%1").arg(n);
    auto* port = makeCombo(page, "ComboBoxRFDCom", comPorts, 0, QRect(454, 85, 90, 26), nullptr);
    port->setAccessibleName(QStringLiteral("rise from the dead port"));
    texts.add(100700, upgrade);
    texts.add(100701, reset);
    texts.add(100702, warning);
    texts.add(100703, riseFromTheDead);

    log = named(new QTextEdit(page), "RichEdit1", QRect(8, 122, 650, 200));
    log->setReadOnly(true);
    log->setAcceptRichText(false);
    log->setPlainText(QStringLiteral("logs:"));
    log->setAccessibleName(QStringLiteral("upgrade log"));

    openFile = makeButton(page, "ButtonOpenFirmFile", QStringLiteral("Slij"), QRect(552, 84, 70, 28));
    openFile->hide();
    talkToBoot = makeButton(page, "ButtonTalkToBoot", QStringLiteral("Gadaj Z Butem"), QRect(8, 570, 300, 25));
    talkToBoot->hide();
    switchToSave = makeButton(page, "ButtonSwitchToSave", QStringLiteral("Przelacz do Zapisu"), QRect(316, 570, 300, 25));
    switchToSave->hide();
}

} // namespace kdx
