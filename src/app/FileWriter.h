#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace kinetta
{

// Writes whole files. An interface so that tests can make a chosen write fail
// the way a full disk or a read-only folder would.
class FileWriter
{
public:
    virtual ~FileWriter() = default;
    // Nothing on success, else one line naming the step that failed and the
    // system's reason ("… No space left on device").
    [[nodiscard]] virtual std::optional<QString> write(const QString& path,
                                                       const QByteArray& data) = 0;
};

} // namespace kinetta
