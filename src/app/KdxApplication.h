#pragma once

#include <QApplication>

#include <functional>

namespace kdx {

// The application object. An exception that escapes an event handler is
// shown in an error box and the event loop goes on.
class KdxApplication : public QApplication {
    Q_OBJECT
public:
    KdxApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    using ExceptionReporter = std::function<void(const QString& what)>;
    // Replaces the error box (tests record instead); empty restores the box.
    static void setExceptionReporter(ExceptionReporter reporter);

    // Shows an error box for an exception that escaped a handler.
    static void reportException(const QString& what);
};

} // namespace kdx
