#pragma once

#include <QObject>
#include <QString>

#include <string>

namespace kdx {

// A control of the window by its object name, as a screen reader or a test
// script would find it (nullptr when there is none of that type).
template <typename T>
T* findControl(const QObject& root, const QString& name)
{
    return root.findChild<T*>(name);
}

template <typename T>
T* findControl(const QObject& root, const char* name)
{
    return findControl<T>(root, QString::fromLatin1(name));
}

template <typename T>
T* findControl(const QObject& root, const std::string& name)
{
    return findControl<T>(root, QString::fromStdString(name));
}

} // namespace kdx
