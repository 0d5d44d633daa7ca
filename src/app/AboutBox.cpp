#include "app/AboutBox.h"

#include "app/AppOptions.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace kdx {

namespace {

QString folderLine(const char* what, const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const bool there = !path.isEmpty() && QFileInfo(path).isDir();
    return QStringLiteral("%1: %2%3").arg(QLatin1String(what), shown,
                                          there ? QString() : QStringLiteral(" (not found)"));
}

} // namespace

QString aboutText(const AboutFacts& f)
{
    QStringList lines;
    lines << QStringLiteral("KDX service tool for the RQ412 controller");
    lines << QStringLiteral("Program version: %1").arg(QString::fromStdString(versionText()));
    if (f.state.connected) {
        lines << QStringLiteral("Controller: hardware %1, software %2.%3")
                     .arg(f.state.hardwareVersion)
                     .arg(f.state.softwareVersion)
                     .arg(f.state.softwareRevision);
        if (f.serialNumber)
            lines << QStringLiteral("Serial number: ") + QString::asprintf("0x%08X", static_cast<unsigned>(*f.serialNumber));
    } else {
        lines << QStringLiteral("Controller: not connected");
    }
    if (f.languageFile.isEmpty())
        lines << QStringLiteral("Language file: none read");
    else
        lines << QStringLiteral("Language file: %1").arg(QDir::toNativeSeparators(f.languageFile));
    lines << folderLine("Firmware folder", f.firmwareFolder);
    lines << folderLine("Parameter folder", f.parameterFolder);
    return lines.join(QLatin1Char('\n'));
}

AboutBox::AboutBox(const AboutFacts& facts, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About KDX"));
    auto* column = new QVBoxLayout(this);
    m_text = new QLabel(aboutText(facts), this);
    m_text->setObjectName(QStringLiteral("LabelAbout"));
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(m_text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addWidget(buttons);
}

} // namespace kdx
