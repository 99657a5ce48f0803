#pragma once

#include <optional>

#include "platform/CommandUpdate.h"

// Records what an update handler said; unset when it said nothing.
class FakeCommandUpdate : public CommandUpdate {
public:
    void setCheck(bool value) override
    {
        checked = value;
        ++checkCalls;
    }
    void enable(bool value) override
    {
        enabled = value;
        ++enableCalls;
    }

    std::optional<bool> checked;
    std::optional<bool> enabled;
    int checkCalls = 0;
    int enableCalls = 0;
};
