#include "app/shell/StartAtLoginToggle.h"

#include "app/shell/StartAtLogin.h"

#include <QMessageBox>

namespace kinetta
{

void toggleStartAtLogin(StartAtLogin& startAtLogin, QWidget* dialogParent)
{
    const bool enable = !startAtLogin.isEnabled();
    const std::optional<QString> failure = startAtLogin.setEnabled(enable);
    if (!failure)
        return;
    auto* box = new QMessageBox(dialogParent);
    box->setObjectName(QString::fromLatin1(kStartAtLoginFailureBoxName));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("Kinetta"));
    box->setIcon(QMessageBox::Warning);
    box->setText(StartAtLogin::failureTitle(enable));
    box->setInformativeText(*failure);
    box->setStandardButtons(QMessageBox::Ok);
    // open(), not exec(): no nested event loop on the GUI thread.
    box->open();
}

} // namespace kinetta
