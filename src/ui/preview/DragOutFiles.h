#pragma once

#include "app/FileWriter.h"
#include "gif/Result.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace kinetta
{

// The GIF files handed to drop targets, in a private folder. A drop target may
// go on reading the file after the drop, so the newest stays until the next
// drag or until this object goes (the program exits); files left by an earlier
// run are removed when the keeper is made. Main thread only.
class DragOutFiles final
{
public:
    // Files of this folder named like the ones written here are ours to remove.
    DragOutFiles(QString folder, FileWriter& writer);
    ~DragOutFiles();
    DragOutFiles(const DragOutFiles&) = delete;
    DragOutFiles& operator=(const DragOutFiles&) = delete;

    // The folder for the running program: "Kinetta-Drag" in the private
    // folder; why not when no safe folder could be had.
    [[nodiscard]] static Result<QString, QString> defaultFolder();

    // Writes the bytes to a new "kinetta-XXXXXXXX.gif" (eight random hex
    // digits) and removes the file of the drag before. The new file's path,
    // or why it could not be written (the earlier file then stays).
    [[nodiscard]] Result<QString, QString> write(const QByteArray& gif);

    // The file of the latest drag, while it exists.
    [[nodiscard]] const std::optional<QString>& newest() const { return m_newest; }
    [[nodiscard]] const QString& folder() const { return m_folder; }

private:
    void removeLeftovers();

    QString m_folder;
    FileWriter& m_writer;
    std::optional<QString> m_newest;
};

} // namespace kinetta
