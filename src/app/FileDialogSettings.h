#pragma once

#include <QObject>
#include <QString>

namespace kdx {

// The settings of one of the window's file dialogs (initial folder, filter,
// default extension). The dialog itself is opened on demand through the
// user prompts, which take these settings.
class FileDialogSettings : public QObject {
public:
    FileDialogSettings(const char* name, QObject* parent) : QObject(parent)
    {
        setObjectName(QString::fromLatin1(name));
    }

    QString directory;
    QString nameFilter;    // e.g. "Hex file (*.hex)"
    QString defaultSuffix; // without the dot
};

} // namespace kdx
