#include "app/QtUserPrompts.h"

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

} // namespace kdx
