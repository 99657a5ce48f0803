#pragma once

// What a command's update handler may say about its menu item and
// toolbar button.
class CommandUpdate {
public:
    virtual ~CommandUpdate() = default;

    virtual void setCheck(bool checked) = 0;
    virtual void enable(bool enabled) = 0;
};
