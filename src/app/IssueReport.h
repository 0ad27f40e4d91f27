#pragma once

#include "app/IssueReportPage.h"

#include <QString>
#include <QUrl>

namespace kinetta
{

// The "app" item of the report's query.
inline const QString kReportAppName = QStringLiteral("kinetta");

// The report page with the query items "app", "version" and "os", in that
// order, each value percent-encoded but for letters, digits and "-._~" (a
// "+" too, which a form reader would otherwise take for a space).
[[nodiscard]] QUrl issueReportUrl(const QString& version, const QString& os);

// The "os" item: the distribution's PRETTY_NAME from os-release text (else
// its NAME, else "Linux") and the kernel release, e.g.
// "Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64".
[[nodiscard]] QString osDescription(const QString& osReleaseText, const QString& kernelRelease);

// osDescription() of this machine: reads /etc/os-release (else
// /usr/lib/os-release) and uname's release. Touches the disk: call it off
// the GUI thread.
[[nodiscard]] QString readOsDescription();

} // namespace kinetta
