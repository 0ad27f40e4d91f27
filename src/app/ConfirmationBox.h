#pragma once

#include "app/PermissionTexts.h"

#include <functional>

class QWidget;

namespace kinetta
{

// Name of the box, for finding it among the top-level windows.
inline constexpr const char* kConfirmationBoxName = "kinettaConfirmation";

// Shows question in a window-modal message box without blocking and calls
// answered once, with true only for the accepting button; closing the box
// any other way answers false. The box deletes itself.
void askInMessageBox(const Confirmation& question, std::function<void(bool accepted)> answered,
                     QWidget* parent = nullptr);

} // namespace kinetta
