#include "app/ConfirmationBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace kinetta
{

void askInMessageBox(const Confirmation& question, std::function<void(bool)> answered,
                     QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setObjectName(QString::fromLatin1(kConfirmationBoxName));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("Kinetta"));
    box->setIcon(question.tone == Confirmation::Tone::warning ? QMessageBox::Warning
                                                              : QMessageBox::Information);
    box->setText(question.title);
    box->setInformativeText(question.text);
    QPushButton* accept = box->addButton(question.acceptButton, QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(question.cancelButton, QMessageBox::RejectRole);
    box->setDefaultButton(accept);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, accept, answered = std::move(answered)](int) {
                         answered(box->clickedButton() == accept);
                     });
    // open(), not exec(): no nested event loop on the GUI thread.
    box->open();
}

} // namespace kinetta
