#include "app/QtUserPrompts.h"

#include "app/DifferenceDialog.h"
#include "params/ParameterFile.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

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

std::optional<std::string> QtUserPrompts::openFirmwareFile(const std::string& folder)
{
    BusyScope busy(m_busy);
    QFileDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("OpenDialog2"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Hex file (*.hex)"));
    dialog.setDefaultSuffix(QStringLiteral("hex"));
    dialog.setDirectory(QString::fromStdString(folder));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

namespace {

QString parameterFilter()
{
    return QStringLiteral("Parameter file (*.%1)").arg(QString::fromLatin1(ParameterFileFormat::kExtension));
}

} // namespace

std::optional<std::string> QtUserPrompts::saveParameterFile(const std::string& folder, const std::string& proposedName)
{
    BusyScope busy(m_busy);
    QFileDialog dialog(m_parent, QStringLiteral("Save To Disk"));
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(parameterFilter());
    dialog.setDefaultSuffix(QString::fromLatin1(ParameterFileFormat::kExtension));
    dialog.setDirectory(QString::fromStdString(folder));
    dialog.selectFile(QString::fromStdString(proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtUserPrompts::openParameterFile(const std::string& folder, const std::string& caption)
{
    BusyScope busy(m_busy);
    QFileDialog dialog(m_parent, QString::fromStdString(caption));
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(parameterFilter());
    dialog.setDirectory(QString::fromStdString(folder));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

bool QtUserPrompts::showDifference(const DifferenceView& view)
{
    BusyScope busy(m_busy);
    DifferenceDialog dialog(view, m_parent);
    return dialog.exec() == QDialog::Accepted && view.askToWrite;
}

} // namespace kdx
