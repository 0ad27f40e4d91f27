#pragma once

#include "capture/WindowIconReader.h"

#include <memory>
#include <string>

namespace kinetta::x11
{

class XcbConnection;

// _NET_WM_ICON through a connection of its own, opened on first use and again
// after the display went away.
class X11WindowIconReader final : public WindowIconReader
{
public:
    explicit X11WindowIconReader(std::string displayName = {});
    ~X11WindowIconReader() override;

    [[nodiscard]] std::vector<std::vector<std::uint32_t>>
    readIcons(const std::vector<std::uint32_t>& windowIDs) override;

private:
    std::string m_displayName;
    std::unique_ptr<XcbConnection> m_connection;
};

} // namespace kinetta::x11
