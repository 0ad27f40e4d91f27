#pragma once

#include "capture/portal/ScreenCastSession.h"
#include "gif/Result.h"

#include <QImage>
#include <QString>
#include <chrono>

namespace kinetta::portal
{

// The first picture of a session's first stream, through a PipeWire
// connection of its own that ends once the picture is in: the session and
// its stream stay for the recording. A still screen still sends one picture
// when the stream starts; none within timeout is a failure.
[[nodiscard]] Result<QImage, QString> firstPicture(ScreenCastSession& session,
                                                   std::chrono::milliseconds timeout);

} // namespace kinetta::portal
