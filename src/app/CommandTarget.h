#pragma once

class IFrameReport;
class QColor;

// Whatever the frame offers its commands to first (the main view). A command that the target
// does not handle goes on to the frame's own handlers.
class ICommandTarget {
public:
    virtual ~ICommandTarget() = default;

    // Runs the command `nID` and answers whether it was handled.
    virtual bool OnCommand(unsigned nID) = 0;
    // The pen the status bar holds, whenever the user chooses its colour or width.
    virtual void OnPenChanged(const QColor& /*clrPen*/, int /*nWidth*/) {}
    // The frame is about to close (File > Exit, the close box); false keeps it open.
    virtual bool OnQueryClose() { return true; }
    // The frame that offers the commands, to report to from now on; null when there is none.
    virtual void SetFrameReport(IFrameReport* /*pFrame*/) {}

protected:
    ICommandTarget() = default;
    ICommandTarget(const ICommandTarget&) = default;
    ICommandTarget& operator=(const ICommandTarget&) = default;
};
