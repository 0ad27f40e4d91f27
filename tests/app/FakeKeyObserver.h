#pragma once

#include "app/GlobalKeyService.h"

namespace kinetta::test
{

// A key observer that can or cannot be installed, as the test says; trusted
// once installed.
class FakeKeyObserver final : public GlobalKeyService
{
public:
    bool installable = false;
    bool installed = false;
    int reinstalls = 0;

    [[nodiscard]] bool isTrusted() const override { return installed; }
    bool reinstall() override
    {
        ++reinstalls;
        installed = installable;
        return installed;
    }
};

} // namespace kinetta::test
