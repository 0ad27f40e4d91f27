#pragma once

#include <QPainterPath>
#include <QString>
#include <map>

namespace kinetta
{

// Each symbol name with its outline in the 24 × 24 design square.
[[nodiscard]] const std::map<QString, QPainterPath>& symbolShapes();

} // namespace kinetta
