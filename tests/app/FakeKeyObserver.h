#pragma once

#include "app/KeyObserverTrust.h"

namespace kinetta::test
{

// A key observer that can or cannot be installed, as the test says.
class FakeKeyObserver final : public KeyObserverTrust
{
public:
    bool installable = false;
    int reinstalls = 0;

    [[nodiscard]] bool isTrusted() const override { return installable; }
    bool reinstall() override
    {
        ++reinstalls;
        return installable;
    }
};

} // namespace kinetta::test
