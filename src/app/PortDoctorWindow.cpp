#include "app/PortDoctorWindow.h"

#include "app/MainWindow.h"
#include "app/pages/LanguageRegistry.h"
#include "link/PortDoctor.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kdx {

PortDoctorWindow::PortDoctorWindow(MainWindow& window, AppContext& context)
    : QWidget(&window, Qt::Window), m_ctx(context)
{
    setObjectName(QStringLiteral("FormPortDoctor"));
    setWindowTitle(QStringLiteral("Diagnose ports"));
    resize(720, 460);
    window.languageTexts().add(102837, this);
    auto* column = new QVBoxLayout(this);
    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("MemoPortDoctor"));
    m_report->setAccessibleName(QStringLiteral("serial port diagnosis"));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    column->addWidget(m_report, 1);
    auto* row = new QHBoxLayout;
    m_again = new QPushButton(QStringLiteral("Diagnose again"), this);
    m_again->setObjectName(QStringLiteral("ButtonDiagnoseAgain"));
    window.languageTexts().add(102838, m_again);
    row->addStretch(1);
    row->addWidget(m_again);
    column->addLayout(row);
    connect(m_again, &QPushButton::clicked, this, &PortDoctorWindow::open);
    // The findings are worded as they are found: an open report follows a
    // new language by examining again (files are read, no port is opened).
    connect(&window, &MainWindow::languageSwitched, this, [this] {
        if (isVisible())
            diagnose();
    });
}

void PortDoctorWindow::diagnose()
{
    PortDoctor doctor;
    doctor.setWords(m_ctx.texts.words());
    // The ports named on the command line too (a by-id name, a link).
    const DoctorReport report = doctor.examine(m_ctx.options.ports);
    m_report->setPlainText(QString::fromStdString(PortDoctor::reportText(report, m_ctx.texts.words())));
}

void PortDoctorWindow::open()
{
    diagnose();
    show();
    raise();
    activateWindow();
}

QString PortDoctorWindow::reportText() const { return m_report->toPlainText(); }

} // namespace kdx
