#include "app/CommandTable.h"

#include "commands/CommandIds.h"

#include <algorithm>
#include <array>

namespace {

using E = SMenuEntry;

constexpr std::array g_commands = std::to_array<SCommandInfo>({
    // File
    {ID_FILE_NEW_ALL, "&All", "Ctrl+N", "Ctrl+N", "Creates new track and image"},
    {ID_FILE_NEW_TRACK, "&Track", nullptr, nullptr, "Creates a new track"},
    {ID_FILE_NEW_IMAGE, "&Image", nullptr, nullptr, "Creates a new image"},
    {ID_FILE_OPEN, "&Open...", "Ctrl+O", "Ctrl+O", "Opens an existing Midi-track or BMP-image"},
    {ID_FILE_SAVE_AS, "Save As...", "Ctrl+S", "Ctrl+S", "Saves the track or image"},
    {ID_FILE_SAVE_LAST_PLAYED, "Save &Last Played...", nullptr, nullptr,
     "Saves what was played in the last 30 minutes as a Midi-track"},
    {ID_FILE_INSERT_LAST_PLAYED, "&Insert Last Played into Song", nullptr, nullptr,
     "Adds what was played in the last 30 minutes to the song as new tracks"},
    {ID_FILE_EXPORT_AUDIO, "&Export Audio...", nullptr, nullptr,
     "Renders the song to a WAV or FLAC sound file"},
    {ID_APP_EXIT, "E&xit", nullptr, nullptr,
     "Quit the application; prompts to save documents\nExit"},
    // Tonality > Keynote
    {ID_TONALITY_KEY_C, "C", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_DB, "Db", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_D, "D", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_EB, "Eb", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_E, "E", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_F, "F", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_GB, "Gb", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_G, "G", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_AB, "Ab", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_A, "A", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_BB, "Bb", nullptr, nullptr, nullptr},
    {ID_TONALITY_KEY_B, "B", nullptr, nullptr, nullptr},
    // Tonality > scales
    {ID_SCALE_MAJOR_NATURAL, "Natural", "Ctrl+F12", "Ctrl+F12", nullptr},
    {ID_SCALE_MAJOR_HARMONIC, "Harmonic", nullptr, nullptr, nullptr},
    {ID_SCALE_MAJOR_MELODIC, "Melodic", nullptr, nullptr, nullptr},
    {ID_SCALE_MINOR_NATURAL, "Natural", "Shift+F12", "Shift+F12", nullptr},
    {ID_SCALE_MINOR_HARMONIC, "Harmonic", nullptr, nullptr, nullptr},
    {ID_SCALE_MINOR_MELODIC, "Melodic", nullptr, nullptr, nullptr},
    {ID_SCALE_LOCRIAN, "Locrian", nullptr, nullptr, nullptr},
    {ID_SCALE_PHRYGIAN, "Phrygian", nullptr, nullptr, nullptr},
    {ID_SCALE_AEOLIAN, "Aeolian", nullptr, nullptr, nullptr},
    {ID_SCALE_DORIAN, "Dorian", nullptr, nullptr, nullptr},
    {ID_SCALE_MIXOLYDIAN, "Mixolydian", nullptr, nullptr, nullptr},
    {ID_SCALE_IONIAN, "Ionian", nullptr, nullptr, nullptr},
    {ID_SCALE_LYDIAN, "Lydian", nullptr, nullptr, nullptr},
    {ID_SCALE_WHOLE_TONE, "Whole-tone", "2", nullptr, nullptr},
    {ID_SCALE_DIMINISHED, "Diminished", "2.1", nullptr, nullptr},
    {ID_SCALE_DOMINANT_DIMINISHED, "Dominant diminished", "1.2", nullptr, nullptr},
    // These scales have no name: the item shows only its step pattern.
    {ID_SCALE_SYM_3_1, " ", "3.1", nullptr, nullptr},
    {ID_SCALE_SYM_2_1_1, " ", "2.1.1", nullptr, nullptr},
    {ID_SCALE_SYM_5_1, " ", "5.1", nullptr, nullptr},
    {ID_SCALE_SYM_4_1_1, " ", "4.1.1", nullptr, nullptr},
    {ID_SCALE_DOUBLE_MAJOR, "Double Major", "3.2.1", nullptr, nullptr},
    {ID_SCALE_DOUBLE_MINOR, "Double Minor", "1.2.3", nullptr, nullptr},
    {ID_SCALE_SYM_2_2_1_1, " ", "2.2.1.1", nullptr, nullptr},
    {ID_SCALE_SYM_2_1_1_1_1, " ", "2.1.1.1.1", nullptr, nullptr},
    {ID_SCALE_CHROMATIC, "Chromatic", "F12", "F12", nullptr},
    // The hint is text only: Alt+F12 belongs to View > Scale window.
    {ID_TONALITY_CUSTOM, "Custom...", "Alt+F12", nullptr, "Activate Scale window F2"},
    {ID_TONALITY_FIND_SCALE, "Find Scale...", "F9", "F9", "Find the scales of the notes played F9"},
    // Track
    {ID_TRACK_PLAY, "&Play", "Ctrl+P", "Ctrl+P", "Start or stop playing current track Ctrl+P"},
    {ID_TRACK_RECORD, "&Record", "Ctrl+R", "Ctrl+R",
     "Start or stop recording on current track Ctrl+R"},
    {ID_TRACK_IGNORE_SYSEX, "&Ignore SysEx", nullptr, nullptr,
     "Ignore exlusive system midi-events"},
    // View
    {ID_VIEW_TOOLBAR, "&Toolbar", nullptr, nullptr, "Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "&Status Bar", nullptr, nullptr,
     "Show or hide the status bar\nToggle StatusBar"},
    {ID_VIEW_SIMPLE, "Simple view", "F11", "F11", "Show or hide note characters F11"},
    {ID_VIEW_SCALE_WINDOW, "Sc&ale window", "Alt+F12", "Alt+F12",
     "Show or hide the Scale window\nToggle Scale"},
    {ID_VIEW_ORCHESTRA_WINDOW, "Orc&hestra window", "F2", "F2",
     "Show or hide the Orchestra window\nToggle Orchestra"},
    {ID_VIEW_OPTIONS_WINDOW, "&Options window", "F3", "F3",
     "Show or hide the Options window\nToggle Options"},
    {ID_ACTIVATE_ORCHESTRA_WINDOW, nullptr, nullptr, nullptr, "Activate Orchestra window F3"},
    {ID_VIEW_ZOOM_IN, "Zoom &In", "Ctrl+=", "Ctrl+=", "Show the keyboard larger"},
    {ID_VIEW_ZOOM_OUT, "Zoom O&ut", "Ctrl+-", "Ctrl+-", "Show the keyboard smaller"},
    {ID_VIEW_ZOOM_ACTUAL, "Actual Si&ze", "Ctrl+0", "Ctrl+0",
     "Show the keyboard at its actual size"},
    {ID_VIEW_KEY_LABELS, "&Key Labels", nullptr, nullptr,
     "Show on each note the computer key that plays it"},
    {ID_VIEW_PALETTE_CLASSIC, "&Classic", nullptr, nullptr, "The keyboard's own colours"},
    {ID_VIEW_PALETTE_SAFE, "Colour-&blind safe", nullptr, nullptr,
     "Colours that stay apart for every kind of colour blindness"},
    // Tools. The hints `, F6, F7 and F8 are no accelerators: those keys reach the view.
    {ID_TOOLS_RESET_MIDI, "&Reset Midi", "F4", "F4", "Reset Midi-device"},
    {ID_TOOLS_PLAY_SCALE, "Play &Scale", "F5", "F5", "Plays current scale"},
    {ID_TOOLS_CHORD_MODE, "&Chord mode", "`", nullptr, "Turn on/off Chord mode `"},
    {ID_TOOLS_CHORD_ARPEGGIO, "Chord &arpeggio", nullptr, nullptr, "Play chords in arpeggio mode"},
    {ID_TOOLS_WHITE_ONLY, "&White only", "F6", nullptr,
     "Turns off black notes in Chord mode\nOnly white notes"},
    {ID_TOOLS_PEN_MODE, "&Pen mode", "F7", nullptr, "Turn on/off Pen-drawing mode F7"},
    {ID_TOOLS_KLAVIER_MODE, "&Klavier mode", "F8", nullptr, "Klavier or Orvo keyboard mode"},
    {ID_TOOLS_DEVICES, "&Devices...", nullptr, nullptr,
     "Chooses the MIDI output and input and the SoundFont"},
    // Help
    {ID_HELP_FINDER, "&Help Topics", nullptr, nullptr, "List Help topics\nHelp Topics"},
    {ID_APP_ABOUT, "&About Vorkeln...", nullptr, nullptr,
     "Display program information, version number and copyright\nAbout"},
    {ID_HELP, nullptr, nullptr, "F1", "Display help for current task or command\nHelp"},
    {ID_CONTEXT_HELP, nullptr, nullptr, "Shift+F1",
     "Display help for clicked on buttons, menus and windows\nHelp"},
    {ID_DEFAULT_HELP, nullptr, nullptr, nullptr, nullptr},
    // Pen-width popup
    {ID_PEN_WIDTH_1, "1", nullptr, nullptr, nullptr},
    {ID_PEN_WIDTH_2, "2", nullptr, nullptr, nullptr},
    {ID_PEN_WIDTH_6, "6", nullptr, nullptr, nullptr},
    {ID_PEN_WIDTH_10, "10", nullptr, nullptr, nullptr},
});

constexpr std::array g_mainMenu = std::to_array<SMenuEntry>({
    {0, E::Popup, 0, "&File"},
    {1, E::Popup, 0, "&New"},
    {2, E::Item, ID_FILE_NEW_ALL, nullptr},
    {2, E::Item, ID_FILE_NEW_TRACK, nullptr},
    {2, E::Item, ID_FILE_NEW_IMAGE, nullptr},
    {1, E::Item, ID_FILE_OPEN, nullptr},
    {1, E::Item, ID_FILE_SAVE_AS, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_FILE_SAVE_LAST_PLAYED, nullptr},
    {1, E::Item, ID_FILE_INSERT_LAST_PLAYED, nullptr},
    {1, E::Item, ID_FILE_EXPORT_AUDIO, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_APP_EXIT, nullptr},

    {0, E::Popup, 0, "To&nality"},
    {1, E::Popup, 0, "Keynote"},
    {2, E::Item, ID_TONALITY_KEY_B, nullptr},
    {2, E::Item, ID_TONALITY_KEY_BB, nullptr},
    {2, E::Item, ID_TONALITY_KEY_A, nullptr},
    {2, E::Item, ID_TONALITY_KEY_AB, nullptr},
    {2, E::Item, ID_TONALITY_KEY_G, nullptr},
    {2, E::Item, ID_TONALITY_KEY_GB, nullptr},
    {2, E::Item, ID_TONALITY_KEY_F, nullptr},
    {2, E::Item, ID_TONALITY_KEY_E, nullptr},
    {2, E::Item, ID_TONALITY_KEY_EB, nullptr},
    {2, E::Item, ID_TONALITY_KEY_D, nullptr},
    {2, E::Item, ID_TONALITY_KEY_DB, nullptr},
    {2, E::Item, ID_TONALITY_KEY_C, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Popup, 0, "Major"},
    {2, E::Item, ID_SCALE_MAJOR_NATURAL, nullptr},
    {2, E::Item, ID_SCALE_MAJOR_HARMONIC, nullptr},
    {2, E::Item, ID_SCALE_MAJOR_MELODIC, nullptr},
    {1, E::Popup, 0, "Minor"},
    {2, E::Item, ID_SCALE_MINOR_NATURAL, nullptr},
    {2, E::Item, ID_SCALE_MINOR_HARMONIC, nullptr},
    {2, E::Item, ID_SCALE_MINOR_MELODIC, nullptr},
    {1, E::Popup, 0, "Diatonic"},
    {2, E::Item, ID_SCALE_LOCRIAN, nullptr},
    {2, E::Item, ID_SCALE_PHRYGIAN, nullptr},
    {2, E::Item, ID_SCALE_AEOLIAN, nullptr},
    {2, E::Item, ID_SCALE_DORIAN, nullptr},
    {2, E::Item, ID_SCALE_MIXOLYDIAN, nullptr},
    {2, E::Item, ID_SCALE_IONIAN, nullptr},
    {2, E::Item, ID_SCALE_LYDIAN, nullptr},
    {1, E::Popup, 0, "Symmetrical"},
    {2, E::Item, ID_SCALE_WHOLE_TONE, nullptr},
    {2, E::Separator, 0, nullptr},
    {2, E::Item, ID_SCALE_DIMINISHED, nullptr},
    {2, E::Item, ID_SCALE_DOMINANT_DIMINISHED, nullptr},
    {2, E::Separator, 0, nullptr},
    {2, E::Item, ID_SCALE_SYM_3_1, nullptr},
    {2, E::Item, ID_SCALE_SYM_2_1_1, nullptr},
    {2, E::Separator, 0, nullptr},
    {2, E::Item, ID_SCALE_SYM_5_1, nullptr},
    {2, E::Item, ID_SCALE_SYM_4_1_1, nullptr},
    {2, E::Item, ID_SCALE_DOUBLE_MAJOR, nullptr},
    {2, E::Item, ID_SCALE_DOUBLE_MINOR, nullptr},
    {2, E::Item, ID_SCALE_SYM_2_2_1_1, nullptr},
    {2, E::Item, ID_SCALE_SYM_2_1_1_1_1, nullptr},
    {1, E::Item, ID_SCALE_CHROMATIC, nullptr},
    {1, E::Item, ID_TONALITY_CUSTOM, nullptr},
    {1, E::Item, ID_TONALITY_FIND_SCALE, nullptr},

    {0, E::Popup, 0, "T&rack"},
    {1, E::Item, ID_TRACK_PLAY, nullptr},
    {1, E::Item, ID_TRACK_RECORD, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_TRACK_IGNORE_SYSEX, nullptr, true},

    {0, E::Popup, 0, "&View"},
    {1, E::Item, ID_VIEW_TOOLBAR, nullptr},
    {1, E::Item, ID_VIEW_STATUS_BAR, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_VIEW_SIMPLE, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_VIEW_SCALE_WINDOW, nullptr},
    {1, E::Item, ID_VIEW_ORCHESTRA_WINDOW, nullptr},
    {1, E::Item, ID_VIEW_OPTIONS_WINDOW, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_VIEW_ZOOM_IN, nullptr},
    {1, E::Item, ID_VIEW_ZOOM_OUT, nullptr},
    {1, E::Item, ID_VIEW_ZOOM_ACTUAL, nullptr},
    {1, E::Item, ID_VIEW_KEY_LABELS, nullptr},
    {1, E::Popup, 0, "&Palette"},
    {2, E::Item, ID_VIEW_PALETTE_CLASSIC, nullptr, true},
    {2, E::Item, ID_VIEW_PALETTE_SAFE, nullptr},

    {0, E::Popup, 0, "&Tools"},
    {1, E::Item, ID_TOOLS_RESET_MIDI, nullptr},
    {1, E::Item, ID_TOOLS_PLAY_SCALE, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_TOOLS_CHORD_MODE, nullptr},
    {1, E::Item, ID_TOOLS_CHORD_ARPEGGIO, nullptr},
    {1, E::Item, ID_TOOLS_WHITE_ONLY, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_TOOLS_PEN_MODE, nullptr},
    {1, E::Item, ID_TOOLS_KLAVIER_MODE, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_TOOLS_DEVICES, nullptr},

    {0, E::Popup, 0, "&Help"},
    {1, E::Item, ID_HELP_FINDER, nullptr},
    {1, E::Separator, 0, nullptr},
    {1, E::Item, ID_APP_ABOUT, nullptr},
});

constexpr std::array g_penWidthMenu = std::to_array<SMenuEntry>({
    {0, E::Popup, 0, "Pen width"},
    {1, E::Item, ID_PEN_WIDTH_1, nullptr},
    {1, E::Item, ID_PEN_WIDTH_2, nullptr},
    {1, E::Item, ID_PEN_WIDTH_6, nullptr},
    {1, E::Item, ID_PEN_WIDTH_10, nullptr},
});

constexpr std::array g_toolBar = std::to_array<SToolButton>({
    {ID_FILE_NEW_ALL, 0},
    {ID_FILE_OPEN, 1},
    {ID_FILE_SAVE_AS, 2},
    {0, -1},
    {ID_TRACK_RECORD, 3},
    {ID_TRACK_PLAY, 4},
    {0, -1},
    {ID_TONALITY_CUSTOM, 5},
    {ID_ACTIVATE_ORCHESTRA_WINDOW, 6},
    {0, -1},
    {ID_TOOLS_CHORD_MODE, 7},
    {ID_TOOLS_PEN_MODE, 8},
    {0, -1},
    {ID_VIEW_SIMPLE, 9},
    {0, -1},
    {ID_HELP_FINDER, 10},
    {ID_APP_ABOUT, 11},
});

} // namespace

std::span<const SCommandInfo> CCommandTable::Commands() {
    return g_commands;
}

const SCommandInfo* CCommandTable::Find(unsigned nID) {
    const auto it = std::find_if(g_commands.begin(), g_commands.end(),
                                 [nID](const SCommandInfo& info) { return info.nID == nID; });
    return it == g_commands.end() ? nullptr : &*it;
}

std::span<const SMenuEntry> CCommandTable::MainMenu() {
    return g_mainMenu;
}

std::span<const SMenuEntry> CCommandTable::PenWidthMenu() {
    return g_penWidthMenu;
}

std::span<const SToolButton> CCommandTable::ToolBar() {
    return g_toolBar;
}

bool CCommandTable::IsCheckable(unsigned nID) {
    // Every menu item whose handler sets a check mark.
    static constexpr std::array kCheckable{
        ID_TRACK_PLAY,        ID_TRACK_RECORD,          ID_TRACK_IGNORE_SYSEX,
        ID_VIEW_TOOLBAR,      ID_VIEW_STATUS_BAR,       ID_VIEW_SIMPLE,
        ID_VIEW_SCALE_WINDOW, ID_VIEW_ORCHESTRA_WINDOW, ID_VIEW_OPTIONS_WINDOW,
        ID_VIEW_KEY_LABELS,   ID_VIEW_PALETTE_CLASSIC,  ID_VIEW_PALETTE_SAFE,
        ID_TOOLS_CHORD_MODE,  ID_TOOLS_CHORD_ARPEGGIO,  ID_TOOLS_WHITE_ONLY,
        ID_TOOLS_PEN_MODE,    ID_TOOLS_KLAVIER_MODE};
    return (nID >= ID_TONALITY_KEY_C && nID <= ID_TONALITY_KEY_B) ||
           std::find(kCheckable.begin(), kCheckable.end(), nID) != kCheckable.end();
}
