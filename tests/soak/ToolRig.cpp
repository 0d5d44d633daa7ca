#include "ToolRig.h"
#include "../support/FindControl.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "app/TimerSlack.h"

namespace kdx::drive {

namespace {

AppOptions portOptions(const std::string& portPath)
{
    AppOptions o;
    if (!portPath.empty())
        o.ports.push_back(portPath);
    return o;
}

} // namespace

ToolRig::ToolRig(const std::string& portPath)
    : context(line, clock, prompts, discovery, portOptions(portPath), &busy)
{
    // As the program's entry does.
    kdx::tightenTimerSlack();
    m_window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
}

ToolRig::~ToolRig()
{
    // The window closes the port and stops its timer.
    m_window->close();
    m_window.reset();
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    bool met = false;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            met = true;
            loop.quit();
        }
    });
    check.start(2);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return met;
}

bool clickButton(MainWindow& window, const char* name)
{
    auto* button = findControl<QAbstractButton>(window, name);
    if (!button)
        return false;
    button->click();
    return true;
}

bool typeAndEnter(MainWindow& window, const char* name, const std::string& text)
{
    auto* edit = findControl<QLineEdit>(window, name);
    if (!edit)
        return false;
    edit->setText(QString::fromStdString(text));
    QTest::keyClick(edit, Qt::Key_Return);
    return true;
}

} // namespace kdx::drive
