#pragma once

#include <span>

// One command: its menu text and key hint, its accelerator and its prompt string. Menus,
// shortcuts, the toolbar and the status tips are all built from this table.
struct SCommandInfo {
    unsigned nID;
    const char* pszText;     // menu text without the hint; nullptr: the command has no menu item
    const char* pszHint;     // shown right-aligned after a tab; nullptr: none
    const char* pszShortcut; // accelerator (portable key-sequence text); nullptr: none
    const char* pszPrompt;   // status text, then "\n" and the tool tip; nullptr: none
};

// One line of a menu tree, in order from the top; nDepth 0 is the menu bar.
struct SMenuEntry {
    enum EKind { Popup, Item, Separator };
    int nDepth;
    EKind eKind;
    unsigned nID;          // Item only
    const char* pszText;   // Popup only
    bool bChecked = false; // Item: starts checked
};

// One toolbar button, left to right; nID 0 is a separator between groups.
struct SToolButton {
    unsigned nID;
    int nImage; // image index in the toolbar strip while off
};

// Read-only access to the program's command resources.
class CCommandTable {
public:
    static std::span<const SCommandInfo> Commands();
    static const SCommandInfo* Find(unsigned nID); // nullptr for an unknown id

    static std::span<const SMenuEntry> MainMenu();
    static std::span<const SMenuEntry> PenWidthMenu();
    static std::span<const SToolButton> ToolBar();
    // Whether the command's menu item can carry a check mark; such items show their box from
    // the start.
    static bool IsCheckable(unsigned nID);

    // Images in the toolbar strip: the off pictures, then each on picture 9 further along.
    static constexpr int TOOLBAR_IMAGE_COUNT = 19;
    static constexpr int TOOLBAR_IMAGE_SIZE = 16;
};
