#include "app/QtUserPrompts.h"

#include "app/DifferenceDialog.h"
#include "app/FileChooser.h"
#include "params/ParameterFile.h"

#include <QApplication>
#include <QMessageBox>

#include <string_view>

namespace kdx {

void QtUserPrompts::message(const std::string& text)
{
    BusyScope busy(m_busy);
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(),
                    QString::fromStdString(text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtUserPrompts::okCancel(const std::string& text, const std::string& caption)
{
    BusyScope busy(m_busy);
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok | QMessageBox::Cancel,
                    m_parent);
    return box.exec() == QMessageBox::Ok;
}

bool QtUserPrompts::okCancelDefaultCancel(const std::string& text, const std::string& caption)
{
    BusyScope busy(m_busy);
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok | QMessageBox::Cancel,
                    m_parent);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QString parameterFilter(const Words& words)
{
    static_assert(ParameterFileFormat::kExtension == std::string_view("kdx"), "the filter names the extension");
    return qs(textOf(words, 102899, "Parameter file (*.kdx)"));
}

} // namespace

std::optional<std::string> QtUserPrompts::openFirmwareFile(const std::string& folder)
{
    BusyScope busy(m_busy);
    FileChooser c;
    c.objectName = QStringLiteral("OpenDialog2");
    c.folder = qs(folder);
    c.nameFilter = QStringLiteral("Hex file (*.hex)");
    c.defaultSuffix = QStringLiteral("hex");
    return c.choose(m_parent);
}

std::optional<std::string> QtUserPrompts::saveParameterFile(const std::string& folder, const std::string& proposedName)
{
    BusyScope busy(m_busy);
    FileChooser c;
    c.objectName = QStringLiteral("SaveDialog1");
    c.caption = QStringLiteral("Save To Disk");
    c.folder = qs(folder);
    c.nameFilter = parameterFilter(m_words);
    c.defaultSuffix = QString::fromLatin1(ParameterFileFormat::kExtension);
    c.proposedName = qs(proposedName);
    c.save = true;
    return c.choose(m_parent);
}

std::optional<std::string> QtUserPrompts::openParameterFile(const std::string& folder, const std::string& caption)
{
    BusyScope busy(m_busy);
    FileChooser c;
    c.objectName = QStringLiteral("OpenDialog1");
    c.caption = qs(caption);
    c.folder = qs(folder);
    c.nameFilter = parameterFilter(m_words);
    return c.choose(m_parent);
}

bool QtUserPrompts::showDifference(const DifferenceView& view)
{
    BusyScope busy(m_busy);
    DifferenceDialog dialog(view, m_parent);
    return dialog.exec() == QDialog::Accepted && view.askToWrite;
}

} // namespace kdx
