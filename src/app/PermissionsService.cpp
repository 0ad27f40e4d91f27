#include "app/PermissionsService.h"

#include "app/BackgroundCall.h"
#include "app/ConfirmationBox.h"
#include "app/HotKeyArming.h"
#include "app/IssueReport.h"
#include "capture/CaptureBackend.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QProcess>
#include <QWidget>

namespace kinetta
{

PermissionsActions desktopPermissionsActions(QWidget* dialogParent)
{
    return {[parent = QPointer<QWidget>(dialogParent)](const Confirmation& question,
                                                       std::function<void(bool)> answered) {
                askInMessageBox(question, std::move(answered), parent.data());
            },
            [](const QString& program, const QStringList& arguments) {
                return QProcess::startDetached(program, arguments);
            },
            [](const QUrl& url) { QDesktopServices::openUrl(url); },
            [] { QCoreApplication::quit(); },
            {},
            screenConsentForgetter()};
}

PermissionsService::PermissionsService(HotKeyArming& hotKey, PermissionsActions actions,
                                       QString version, QObject* parent,
                                       Confirmation hotKeyQuestion)
    : QObject(parent), m_hotKey(hotKey), m_actions(std::move(actions)),
      m_version(std::move(version)), m_hotKeyQuestion(std::move(hotKeyQuestion))
{
}

void PermissionsService::resetScreenPermission()
{
    const bool consent = static_cast<bool>(m_actions.forgetScreenConsent);
    m_actions.confirm(screenResetConfirmation(consent), [self = QPointer(this)](bool accepted) {
        if (!self || !accepted)
            return;
        if (self->m_actions.forgetScreenConsent)
            self->m_actions.forgetScreenConsent();
        self->relaunch();
    });
}

void PermissionsService::resetHotKeyFromMenu()
{
    m_actions.confirm(m_hotKeyQuestion, [self = QPointer(this)](bool accepted) {
        if (self && accepted)
            self->resetHotKeyPermission();
    });
}

bool PermissionsService::resetHotKeyPermission()
{
    const bool trusted = m_hotKey.arm();
    Q_EMIT hotKeyReset(trusted);
    return trusted;
}

void PermissionsService::relaunch()
{
    if (m_actions.beforeRelaunch)
        m_actions.beforeRelaunch();
    // The program's own arguments, without its name; the path is read on the
    // worker, since finding it reads /proc/self/exe.
    runInBackground(
        this,
        [start = m_actions.startDetached, arguments = QCoreApplication::arguments().mid(1)] {
            return start(QCoreApplication::applicationFilePath(), arguments);
        },
        [this](bool) { m_actions.quit(); });
}

void PermissionsService::openReportUrl()
{
    runInBackground(
        this, [] { return readOsDescription(); },
        [this](const QString& os) { m_actions.openUrl(issueReportUrl(m_version, os)); });
}

} // namespace kinetta
