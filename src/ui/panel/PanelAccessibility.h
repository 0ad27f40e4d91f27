#pragma once

namespace kinetta
{

// Gives the panel's custom-painted controls what screen readers need beyond a
// widget's name and description: the slider's value text, the counter as one
// adjustable element, the selected state of chips and loop choices, the roles
// of texts, groups and dividers. Needs the QApplication; installs once.
void installPanelAccessibility();

} // namespace kinetta
