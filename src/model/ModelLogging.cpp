#include "model/ModelLogging.h"

namespace kinetta
{

Q_LOGGING_CATEGORY(lcStore, "kinetta.store")
Q_LOGGING_CATEGORY(lcSettings, "kinetta.settings")

} // namespace kinetta
