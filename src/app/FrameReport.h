#pragma once

#include <cstdint>

class QString;

// What the view tells the frame it lives in: check marks and radio items of the menus, toolbar
// pictures, the status bar's texts, messages and mode flags, and the title's mark of unsaved work.
// The frame implements it and hands it to its view when it takes the view (SetView).
class IFrameReport {
public:
    virtual ~IFrameReport() = default;

    // Menu check mark and, with bToolbar, the toolbar button's on/off picture of a command.
    virtual void CheckCommand(unsigned nID, bool bChecked, bool bToolbar) = 0;
    // Checks nCheck and unchecks every other command of nFirst..nLast.
    virtual void CheckMenuRadioItem(unsigned nFirst, unsigned nLast, unsigned nCheck) = 0;
    // The mode flags the status bar shows (chord and pen mode, chord keys, inversion).
    virtual void SetModeFlags(std::uint32_t dwFlags) = 0;
    virtual void SetTonalityText(const QString& strScale, const QString& strKeynote) = 0;
    // The name of the chord the sounding notes form; empty while nothing sounds.
    virtual void SetChordNameText(const QString& strName) = 0;
    // Whether anything is unsaved; told after every event, so cheap when nothing changes.
    virtual void SetDocumentModified(bool bModified) = 0;
    // A passing message in the status bar's message pane, such as a device that went away.
    virtual void ShowMessage(const QString& strText) = 0;

protected:
    IFrameReport() = default;
    IFrameReport(const IFrameReport&) = default;
    IFrameReport& operator=(const IFrameReport&) = default;
};
