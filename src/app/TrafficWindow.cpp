#include "app/TrafficWindow.h"

#include "app/AboutBox.h"
#include "app/AppOptions.h"
#include "app/MainWindow.h"
#include "app/pages/LanguageRegistry.h"
#include "link/PortDoctor.h"
#include "link/TrafficCapture.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QTimeZone>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <fstream>

namespace kdx {

TrafficWindow::TrafficWindow(MainWindow& window, AppContext& context)
    : QWidget(&window, Qt::Window), m_window(window), m_ctx(context), m_startDirectory(window.startDirectory())
{
    setObjectName(QStringLiteral("FormTraffic"));
    setWindowTitle(QStringLiteral("Traffic"));
    resize(760, 480);
    LanguageRegistry& words = window.languageTexts();
    words.add(102830, this);

    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_pause = new QCheckBox(QStringLiteral("Pause"), this);
    m_pause->setObjectName(QStringLiteral("CheckBoxTrafficPause"));
    m_clear = new QPushButton(QStringLiteral("Clear"), this);
    m_clear->setObjectName(QStringLiteral("ButtonTrafficClear"));
    m_export = new QPushButton(QStringLiteral("Export..."), this);
    m_export->setObjectName(QStringLiteral("ButtonTrafficExport"));
    words.add(102831, m_pause);
    words.add(102832, m_clear);
    words.add(102833, m_export);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("LabelTrafficCount"));
    row->addWidget(m_pause);
    row->addWidget(m_clear);
    row->addWidget(m_export);
    row->addStretch(1);
    row->addWidget(m_count);
    column->addLayout(row);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("MemoTraffic"));
    m_memo->setAccessibleName(QStringLiteral("frames on the line"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setMaximumBlockCount(static_cast<int>(TrafficCapture::kCapacity));
    m_memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    column->addWidget(m_memo, 1);

    m_timer = new QTimer(this);
    m_timer->setInterval(kRefreshMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        // Never in the middle of an exchange: an answer is closed only when
        // the next request goes out or the view takes it.
        if (!m_ctx.busy.busy() && !m_pause->isChecked())
            refresh();
    });
    connect(m_export, &QPushButton::clicked, this, &TrafficWindow::exportClicked);
    connect(m_clear, &QPushButton::clicked, this, &TrafficWindow::clearClicked);
    connect(m_pause, &QCheckBox::toggled, this, [this](bool paused) {
        if (!paused)
            refresh();
    });
}

void TrafficWindow::open()
{
    if (!m_ctx.capture.recording()) {
        m_ctx.capture.start(static_cast<int64_t>(QTime::currentTime().msecsSinceStartOfDay())
                            - static_cast<int64_t>(m_ctx.clock.nowMs()));
        m_next = m_ctx.capture.total();
        m_startedHere = true;
    }
    m_timer->start();
    show();
    raise();
    activateWindow();
}

void TrafficWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
    // Closed: a capture this view started keeps nothing any more; the one
    // running from start-up goes on, and the view shows it whole next time.
    if (m_startedHere) {
        m_ctx.capture.stop();
        m_ctx.capture.clear();
        m_startedHere = false;
    }
}

void TrafficWindow::refresh()
{
    const std::vector<TrafficRecord> fresh = m_ctx.capture.takeSince(m_next);
    if (fresh.empty())
        return;
    QString text;
    for (const TrafficRecord& r : fresh) {
        m_records.push_back(r);
        if (m_records.size() > TrafficCapture::kCapacity)
            m_records.pop_front();
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QString::fromStdString(formatTrafficLine(r));
    }
    m_memo->appendPlainText(text);
    m_count->setText(say(102834, "%1 frames").arg(m_records.size()));
}

TrafficExportFacts TrafficWindow::exportFacts() const
{
    TrafficExportFacts f;
    const QDateTime now = QDateTime::currentDateTime();
    f.localTime = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")).toStdString()
        + now.timeZone().displayName(now, QTimeZone::OffsetName).toStdString() + " ("
        + now.timeZoneAbbreviation().toStdString() + ")";
    f.program = versionText();
    f.port = m_ctx.link.selectedPort();
    if (f.port.rfind("/", 0) == 0) {
        const PortDiagnosis d = PortDoctor().examinePort(f.port);
        f.adapter = d.usbId + (d.usbName.empty() ? "" : " " + d.usbName)
            + (d.driver.empty() ? "" : " (" + d.driver + ")");
    }
    const AboutFacts about = m_window.aboutFacts();
    if (about.state.connected)
        f.controller = "hardware " + std::to_string(about.state.hardwareVersion) + ", software "
            + std::to_string(about.state.softwareVersion) + "." + std::to_string(about.state.softwareRevision);
    if (about.serialNumber) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "0x%08X", static_cast<unsigned>(*about.serialNumber));
        f.serial = serial;
    }
    return f;
}

bool TrafficWindow::exportTo(const QString& path, std::string& error) const
{
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    if (!out) {
        error = path.toStdString() + ": cannot be written";
        return false;
    }
    out << trafficExportHeader(exportFacts());
    for (const TrafficRecord& r : m_records)
        out << formatTrafficLine(r) << '\n';
    out.flush();
    if (!out) {
        error = path.toStdString() + ": write failed";
        return false;
    }
    return true;
}

void TrafficWindow::exportClicked()
{
    refresh();
    const QString path = QFileDialog::getSaveFileName(this, say(102835, "Export traffic"),
                                                      m_startDirectory + QStringLiteral("/traffic.txt"),
                                                      say(102836, "Text (*.txt)"));
    if (path.isEmpty())
        return;
    std::string error;
    if (!exportTo(path, error))
        m_ctx.prompts.message(error);
}

QString TrafficWindow::say(int key, const char* english) const
{
    return QString::fromStdString(m_ctx.texts.word(key, english));
}

void TrafficWindow::clearClicked()
{
    m_ctx.capture.takeSince(m_next);
    m_records.clear();
    m_memo->clear();
    m_count->setText(say(102834, "%1 frames").arg(0));
}

} // namespace kdx
