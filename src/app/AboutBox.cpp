#include "app/AboutBox.h"

#include "app/AppOptions.h"
#include "i18n/KeyTable.h"
#include "i18n/LanguageTexts.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace kdx {

namespace {

// The window's text of key, or the built-in English.
QString say(const AboutFacts& f, int key)
{
    return QString::fromStdString(f.texts ? f.texts->text(key) : builtInText(key));
}

QString folderLine(const AboutFacts& f, int key, const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const bool there = !path.isEmpty() && QFileInfo(path).isDir();
    return say(f, key).arg(there ? shown : say(f, 102819).arg(shown));
}

} // namespace

QString aboutText(const AboutFacts& f)
{
    QStringList lines;
    lines << say(f, 102810);
    lines << say(f, 102811).arg(QString::fromStdString(versionText()));
    if (f.state.connected) {
        lines << say(f, 102812).arg(QString::number(f.state.hardwareVersion), QString::number(f.state.softwareVersion),
                                    QString::number(f.state.softwareRevision));
        if (f.serialNumber)
            lines << say(f, 102813).arg(QString::asprintf("0x%08X", static_cast<unsigned>(*f.serialNumber)));
    } else {
        lines << say(f, 102814);
    }
    if (f.languageFile.isEmpty())
        lines << say(f, 102815);
    else
        lines << say(f, 102816).arg(QDir::toNativeSeparators(f.languageFile));
    lines << folderLine(f, 102817, f.firmwareFolder);
    lines << folderLine(f, 102818, f.parameterFolder);
    return lines.join(QLatin1Char('\n'));
}

AboutBox::AboutBox(const AboutFacts& facts, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(say(facts, 102820));
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
