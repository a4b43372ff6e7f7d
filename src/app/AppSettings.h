#pragma once

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

// What the program remembers between runs, and where it keeps it (QSettings in the platform's
// usual place). Every value is checked as it is read: one out of range or of the wrong kind
// keeps its default, and a file that cannot be read or is not ours gives every default and one
// line on stderr.
class CAppSettings {
public:
    static constexpr int kFormat = 1;
    enum EToolWindow { Scale, Orchestra, Options, Devices, kToolWindows };

    struct SToolWindow {
        std::optional<QPoint> m_ptPos; // none: not placed yet
        bool m_bShown = false;
    };

    // The frame.
    QByteArray m_geometry;
    bool m_bToolBar = false;
    std::array<SToolWindow, kToolWindows> m_toolWindows{};
    // The tonality: the keynote and the eleven degrees above it (bit d-1 for degree d).
    int m_nKeynote = 0;
    int m_nMask = 0x5AD; // natural major
    // Options.
    int m_nTempo = 100;
    int m_nLengthen = 100;
    int m_nEchoUp = 3;
    int m_nEchoDown = -3;
    int m_nVelocity = 127;
    // The Orchestra's note duration, as its slider stands.
    int m_nDuration = 3;
    int m_nPenWidth = 1;
    QColor m_clrPen = Qt::black;
    // The keyboard's look: zoom in halves of the actual size (1..6), key labels, palette
    // (0 classic, 1 colour-blind safe).
    int m_nZoom = 2;
    bool m_bKeyLabels = false;
    int m_nPalette = 0;
    // Devices: ports by RtMidi's "api/name", empty for the built-in synthesiser.
    QString m_strOutput;
    QStringList m_inputs;
    bool m_bKeepInputChannels = false;
    QString m_strSoundFont; // empty: the system's

    // Where the program keeps its settings.
    static QString DefaultFile();
    // Reads strFile; false, with every default, when it exists but cannot be read or is not a
    // settings file of this program (strProblem then says why). A missing file is a first run.
    bool Load(const QString& strFile, QString* pstrProblem = nullptr);
    // Writes every value; false when the file could not be written.
    bool Save(const QString& strFile) const;
    // Whether no file was there to read: the tool windows are placed for the first time.
    bool IsFirstRun() const { return m_bFirstRun; }

private:
    bool m_bFirstRun = true;
};
