#pragma once

// Receives every change made in the configuration dialog, at once.
class SSConfigurationDialogDelegate
{
public:
    virtual ~SSConfigurationDialogDelegate() = default;
    virtual void displayIntervalChanged(int seconds) = 0;
};
