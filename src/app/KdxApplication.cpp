#include "app/KdxApplication.h"
#include "protocol/ProgramVersion.h"

#include <QMessageBox>

#include <exception>

namespace kdx {

namespace {
KdxApplication::ExceptionReporter& reporter()
{
    static KdxApplication::ExceptionReporter r;
    return r;
}
} // namespace

KdxApplication::KdxApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("KDX"));
    setApplicationVersion(QString::fromLatin1(kProgramVersion));
}

bool KdxApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportException(QString());
    }
    return false;
}

void KdxApplication::setExceptionReporter(ExceptionReporter r) { reporter() = std::move(r); }

void KdxApplication::reportException(const QString& what)
{
    if (reporter()) {
        reporter()(what);
        return;
    }
    QMessageBox::critical(activeWindow(), applicationName(),
                          what.isEmpty() ? QStringLiteral("Unexpected error.") : what);
}

} // namespace kdx
