#include "app/PortDoctorWindow.h"

#include "app/MainWindow.h"
#include "app/pages/LanguageRegistry.h"
#include "link/PortDoctor.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace kdx {

namespace {

// Where a report line's value starts: after its heading ("fix:" and the
// padding), or after the indent of a line without one.
int valueColumn(const QString& line)
{
    int column = 0;
    while (column < line.size() && line[column] == QLatin1Char(' '))
        ++column;
    const int colon = line.indexOf(QLatin1String(": "), column);
    if (colon < 0)
        return column;
    column = colon + 1;
    while (column < line.size() && line[column] == QLatin1Char(' '))
        ++column;
    return column;
}

} // namespace

PortDoctorWindow::PortDoctorWindow(MainWindow& window, AppContext& context)
    : QWidget(&window, Qt::Window), m_ctx(context)
{
    setObjectName(QStringLiteral("FormPortDoctor"));
    setWindowTitle(QStringLiteral("Diagnose ports"));
    resize(720, 460);
    window.languageTexts().add(102837, this);
    auto* column = new QVBoxLayout(this);
    m_report = new QTextEdit(this);
    m_report->setObjectName(QStringLiteral("MemoPortDoctor"));
    m_report->setAccessibleName(QStringLiteral("serial port diagnosis"));
    m_report->setReadOnly(true);
    // Long fixes (longer still in German and Russian) wrap under their own
    // column instead of running off to the right.
    m_report->setLineWrapMode(QTextEdit::WidgetWidth);
    m_report->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
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
    const QString text = QString::fromStdString(PortDoctor::reportText(report, m_ctx.texts.words()));
    const qreal cell = QFontMetricsF(m_report->font()).horizontalAdvance(QLatin1Char('0'));
    m_report->clear();
    QTextCursor cursor(m_report->document());
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        // A hanging indent: the first row at the left, the rest under the value.
        QTextBlockFormat format;
        format.setLeftMargin(valueColumn(lines[i]) * cell);
        format.setTextIndent(-valueColumn(lines[i]) * cell);
        if (i == 0)
            cursor.setBlockFormat(format);
        else
            cursor.insertBlock(format);
        cursor.insertText(lines[i]);
    }
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
