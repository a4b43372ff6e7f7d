#pragma once

// Command identifiers shared by the menus, the accelerators, the toolbar, the prompt strings
// and every command handler (frame, main view, status bar, tool windows). The values are part
// of the program's resources and stay as they are.

// Resources
constexpr unsigned IDR_MAINFRAME = 128;
constexpr unsigned IDR_PEN_WIDTH_MENU = 134;
constexpr unsigned IDR_INSTRUMENTS_MENU = 142;
constexpr unsigned IDD_ABOUTBOX = 100;
constexpr unsigned IDC_ABOUT_PICTURE = 1009;
constexpr unsigned IDB_ABOUT_PICTURE = 136;
constexpr unsigned IDB_ABOUT_PICTURE_ALT = 137;

// File
constexpr unsigned ID_FILE_NEW_ALL = 32831;
constexpr unsigned ID_FILE_NEW_TRACK = 32832;
constexpr unsigned ID_FILE_NEW_IMAGE = 32833;
constexpr unsigned ID_FILE_OPEN = 57601;
constexpr unsigned ID_FILE_SAVE_AS = 57604;
constexpr unsigned ID_APP_EXIT = 57665;
constexpr unsigned ID_FILE_SAVE_LAST_PLAYED = 33190;
constexpr unsigned ID_FILE_INSERT_LAST_PLAYED = 33191;
constexpr unsigned ID_FILE_EXPORT_AUDIO = 33192;

// Tonality > Keynote: C ... B, keynote = id - ID_TONALITY_KEY_C
constexpr unsigned ID_TONALITY_KEY_C = 32790;
constexpr unsigned ID_TONALITY_KEY_DB = 32791;
constexpr unsigned ID_TONALITY_KEY_D = 32792;
constexpr unsigned ID_TONALITY_KEY_EB = 32793;
constexpr unsigned ID_TONALITY_KEY_E = 32794;
constexpr unsigned ID_TONALITY_KEY_F = 32795;
constexpr unsigned ID_TONALITY_KEY_GB = 32796;
constexpr unsigned ID_TONALITY_KEY_G = 32797;
constexpr unsigned ID_TONALITY_KEY_AB = 32798;
constexpr unsigned ID_TONALITY_KEY_A = 32799;
constexpr unsigned ID_TONALITY_KEY_BB = 32800;
constexpr unsigned ID_TONALITY_KEY_B = 32801;

// Tonality > scales: row of the scale table = id - ID_SCALE_MAJOR_NATURAL
constexpr unsigned ID_SCALE_MAJOR_NATURAL = 32803;
constexpr unsigned ID_SCALE_MAJOR_HARMONIC = 32804;
constexpr unsigned ID_SCALE_MAJOR_MELODIC = 32805;
constexpr unsigned ID_SCALE_MINOR_NATURAL = 32806;
constexpr unsigned ID_SCALE_MINOR_HARMONIC = 32807;
constexpr unsigned ID_SCALE_MINOR_MELODIC = 32808;
constexpr unsigned ID_SCALE_LOCRIAN = 32809;
constexpr unsigned ID_SCALE_PHRYGIAN = 32810;
constexpr unsigned ID_SCALE_AEOLIAN = 32811;
constexpr unsigned ID_SCALE_DORIAN = 32812;
constexpr unsigned ID_SCALE_MIXOLYDIAN = 32813;
constexpr unsigned ID_SCALE_IONIAN = 32814;
constexpr unsigned ID_SCALE_LYDIAN = 32815;
constexpr unsigned ID_SCALE_WHOLE_TONE = 32816;
constexpr unsigned ID_SCALE_DIMINISHED = 32817;
constexpr unsigned ID_SCALE_DOMINANT_DIMINISHED = 32818;
constexpr unsigned ID_SCALE_SYM_3_1 = 32819;
constexpr unsigned ID_SCALE_SYM_2_1_1 = 32820;
constexpr unsigned ID_SCALE_SYM_5_1 = 32821;
constexpr unsigned ID_SCALE_SYM_4_1_1 = 32822;
constexpr unsigned ID_SCALE_DOUBLE_MAJOR = 32823;
constexpr unsigned ID_SCALE_DOUBLE_MINOR = 32824;
constexpr unsigned ID_SCALE_SYM_2_2_1_1 = 32825;
constexpr unsigned ID_SCALE_SYM_2_1_1_1_1 = 32826;
constexpr unsigned ID_SCALE_CHROMATIC = 32827;
constexpr unsigned ID_TONALITY_CUSTOM = 32777;
constexpr unsigned ID_TONALITY_FIND_SCALE = 33193;

// Track
constexpr unsigned ID_TRACK_PLAY = 32780;
constexpr unsigned ID_TRACK_RECORD = 32781;
constexpr unsigned ID_TRACK_IGNORE_SYSEX = 32786;

// View
constexpr unsigned ID_VIEW_TOOLBAR = 59392;
constexpr unsigned ID_VIEW_STATUS_BAR = 59393;
constexpr unsigned ID_VIEW_SIMPLE = 33155;
constexpr unsigned ID_VIEW_SCALE_WINDOW = 32839;
constexpr unsigned ID_VIEW_ORCHESTRA_WINDOW = 32775;
constexpr unsigned ID_VIEW_OPTIONS_WINDOW = 32835;
constexpr unsigned ID_ACTIVATE_ORCHESTRA_WINDOW = 32848;

// View, after the described items: zoom, key labels, palette
constexpr unsigned ID_VIEW_ZOOM_IN = 33210;
constexpr unsigned ID_VIEW_ZOOM_OUT = 33211;
constexpr unsigned ID_VIEW_ZOOM_ACTUAL = 33212;
constexpr unsigned ID_VIEW_KEY_LABELS = 33213;
constexpr unsigned ID_VIEW_PALETTE_CLASSIC = 33214;
constexpr unsigned ID_VIEW_PALETTE_SAFE = 33215;

// Tools
constexpr unsigned ID_TOOLS_RESET_MIDI = 32788;
constexpr unsigned ID_TOOLS_PLAY_SCALE = 33182;
constexpr unsigned ID_TOOLS_CHORD_MODE = 32842;
constexpr unsigned ID_TOOLS_CHORD_ARPEGGIO = 32837;
constexpr unsigned ID_TOOLS_WHITE_ONLY = 32838;
constexpr unsigned ID_TOOLS_PEN_MODE = 32841;
constexpr unsigned ID_TOOLS_KLAVIER_MODE = 32785;
constexpr unsigned ID_TOOLS_DEVICES = 33200;

// Help
constexpr unsigned ID_HELP_FINDER = 57667;
constexpr unsigned ID_APP_ABOUT = 57664;
constexpr unsigned ID_HELP = 57670;
constexpr unsigned ID_CONTEXT_HELP = 57669;
constexpr unsigned ID_DEFAULT_HELP = 57671;

// Pen-width popup of the status bar
constexpr unsigned ID_PEN_WIDTH_1 = 32771;
constexpr unsigned ID_PEN_WIDTH_2 = 32772;
constexpr unsigned ID_PEN_WIDTH_6 = 32773;
constexpr unsigned ID_PEN_WIDTH_10 = 32774;

// Instruments popup of the Orchestra window: program = id - ID_INSTRUMENT_FIRST
constexpr unsigned ID_INSTRUMENT_FIRST = 33024;
constexpr unsigned ID_INSTRUMENT_LAST = 33151;
constexpr unsigned ID_INSTRUMENT_DELETE = 33152;

// A toolbar button shows its "on" state with the image this far along the strip.
constexpr int TOOLBAR_ON_IMAGE_OFFSET = 9;
