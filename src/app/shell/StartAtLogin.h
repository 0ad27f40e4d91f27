#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace kinetta
{

class FileWriter;

// "Start at Login": while a desktop entry named after the application id lies
// in the user's autostart folder, the desktop starts the tray program at
// login (the XDG autostart convention every Linux desktop follows). This
// reports, writes and removes that entry. Touches the disk on each call.
class StartAtLogin final
{
public:
    // folder: the autostart folder; executable: the program the entry starts.
    StartAtLogin(QString folder, QString executable, FileWriter& writer);

    // $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
    [[nodiscard]] static QString defaultFolder();

    [[nodiscard]] QString entryPath() const;
    // The entry is there and not switched off by the desktop's session
    // settings (Hidden=true, or X-GNOME-Autostart-enabled=false).
    [[nodiscard]] bool isEnabled() const;
    // Writes the entry whole (its folder made when missing) or removes it.
    // Nothing on success, else one line naming what failed and why.
    [[nodiscard]] std::optional<QString> setEnabled(bool enabled);

    // What the entry holds.
    [[nodiscard]] QByteArray entryText() const;
    // program as one argument of an Exec line: quoted where the desktop entry
    // format reserves a character, with "%" doubled and backslashes escaped.
    [[nodiscard]] static QString execArgument(const QString& program);
    // The title of the box that shows a failure of setEnabled(enabled).
    [[nodiscard]] static QString failureTitle(bool enabled);

private:
    QString m_folder;
    QString m_executable;
    FileWriter& m_writer;
};

} // namespace kinetta
