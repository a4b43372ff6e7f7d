#pragma once

// Whatever the frame offers its commands to first (the main view). A command that the target
// does not handle goes on to the frame's own handlers.
class ICommandTarget {
public:
    virtual ~ICommandTarget() = default;

    // Runs the command `nID` and answers whether it was handled.
    virtual bool OnCommand(unsigned nID) = 0;

protected:
    ICommandTarget() = default;
    ICommandTarget(const ICommandTarget&) = default;
    ICommandTarget& operator=(const ICommandTarget&) = default;
};
