#include "StandInDialogs.h"
#include "ViewTestSupport.h"
#include "app/MainFrame.h"
#include "app/MainView.h"
#include "commands/CommandIds.h"
#include "files/RecoveryFile.h"
#include "midi/RecordingPort.h"
#include "theory/ModeFlags.h"
#include "theory/MouseKeys.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QSlider>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using EButton = QMessageBox::StandardButton;
using EDocument = CMainView::EDocument;

const QString kSongQuestion = QStringLiteral("Save changes to the song?");
const QString kDrawingQuestion = QStringLiteral("Save changes to the drawing?");
const QString kRestoreQuestion =
    QStringLiteral("Vorkeln did not close properly. Restore the song recorded then?");

// A fresh folder of the test's own.
QString FreshDir(const QString& strName) {
    // ctest runs the tests of this file as processes side by side: each has folders of its own.
    QDir dir(
        QStringLiteral(VORKELN_TEST_TMP "/unsaved-%1-").arg(QCoreApplication::applicationPid()) +
        strName);
    dir.removeRecursively();
    dir.mkpath(QStringLiteral("."));
    return dir.path();
}

std::filesystem::path ToPath(const QString& strPath) {
    return std::filesystem::path(strPath.toStdString());
}

// The notes of a song file, by track: what a reader of the file finds.
std::vector<int> NotesIn(const std::filesystem::path& path) {
    CSong song;
    std::vector<int> notes;
    if (!song.Load(path)) {
        return {-1};
    }
    for (const CTrack& track : song.m_tracks) {
        for (const CMidiEvent& event : track.m_events) {
            if (event.IsNoteOn()) {
                notes.push_back(event.m_data1);
            }
        }
    }
    // Overdubs fall between earlier notes; the set of notes is what counts.
    std::sort(notes.begin(), notes.end());
    return notes;
}

// The names of the recovery files and locks in a folder.
QStringList RecoveryNames(const QString& strDir) {
    return QDir(strDir).entryList({QStringLiteral("song-*")}, QDir::Files | QDir::Hidden,
                                  QDir::Name);
}

// One window of the program, as the program builds it, with the stand-in user.
struct SProgram {
    SProgram() {
        QApplication::setQuitOnLastWindowClosed(false);
        m_pFrame = std::make_unique<CMainFrame>();
        m_pView = ShowViewInFrame<CMainView>(*m_pFrame, m_dialogs, m_pPort);
    }

    bool SongModified() const { return m_pView->m_song.IsModified(); }
    bool DrawingModified() const { return m_pView->m_image.IsModified(); }
    QString ShownTitle() const { return m_pFrame->windowHandle()->title(); }

    void Record(const std::vector<int>& notes) {
        m_pView->OnCommand(ID_TRACK_RECORD);
        for (const int nNote : notes) {
            m_pView->PlayKey(nNote);
            m_pView->OnTimerTick();
        }
        m_pView->OnCommand(ID_TRACK_RECORD);
    }
    void Stroke() {
        m_pView->SetFlags(false, m_pView->m_dwFlags | kFlagPenMode);
        m_pView->OnLButtonDown(0, QPoint(10, 10));
        m_pView->OnMouseMove(MK_LBUTTON, QPoint(60, 40));
        m_pView->OnLButtonUp();
        m_pView->SetFlags(false, m_pView->m_dwFlags & ~kFlagPenMode);
    }
    void Commands(std::initializer_list<unsigned> commands) {
        for (const unsigned nID : commands) {
            m_pView->OnCommand(nID);
        }
    }
    // An item of the Orchestra window's instruments menu on a row.
    void Instrument(int nRow, int nID) {
        m_pView->m_wndOrchestra.InstrumentList()->setCurrentRow(nRow);
        m_pView->m_wndOrchestra.OnInstrument(nID);
    }
    bool SongIsNew() const {
        return m_pView->m_song.GetActiveTrackCount() == 1 &&
               m_pView->m_song.FindActiveTrack(0)->m_events.empty();
    }
    bool DrawingIsBlank() const { return m_pView->m_image.GetInkRect().isEmpty(); }

    CStandInDialogs m_dialogs;
    CRecordingPort* m_pPort = nullptr;
    std::unique_ptr<CMainFrame> m_pFrame;
    CMainView* m_pView = nullptr;
};

// Modified state ---------------------------------------------------------------------------------

TEST(UnsavedWork, EveryKindOfChangeMarksItsOwnDocumentAndSavingClearsIt) {
    constexpr unsigned kSong = 1;
    constexpr unsigned kDrawing = 2;
    constexpr int kViolin = COrchestraDlg::kIdInstrumentFirst + 40;
    const QString strDir = FreshDir(QStringLiteral("marks"));
    const struct {
        const char* pszChange;
        std::function<void(SProgram&)> fnChange;
        unsigned nMarked;
    } cases[] = {
        {"recorded note", [](SProgram& p) { p.Record({60}); }, kSong},
        {"tonality recorded",
         [](SProgram& p) {
             p.Commands({ID_TRACK_RECORD, ID_TONALITY_KEY_D, ID_TRACK_RECORD});
         },
         kSong},
        {"instrument added", [](SProgram& p) { p.Instrument(1, kViolin); }, kSong},
        {"instrument changed", [](SProgram& p) { p.Instrument(0, kViolin); }, kSong},
        {"instrument deleted", [](SProgram& p) { p.Instrument(0, ID_INSTRUMENT_DELETE); }, kSong},
        {"stroke", [](SProgram& p) { p.Stroke(); }, kDrawing},
        {"stroke and note", [](SProgram& p) { p.Stroke(), p.Record({60}); }, kSong | kDrawing},
        // What no saved file holds marks nothing.
        {"notes played", [](SProgram& p) { p.m_pView->PlayKey(60); }, 0},
        {"recording without notes",
         [](SProgram& p) {
             p.Commands({ID_TRACK_RECORD, ID_TRACK_RECORD});
         },
         0},
        {"tempo", [](SProgram& p) { p.m_pView->m_wndOptions.TempoSlider()->setValue(150); }, 0},
        {"live note length",
         [](SProgram& p) { p.m_pView->m_wndOrchestra.DurationSlider()->setValue(9); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszChange);
        SProgram program;
        // Deleting needs a second instrument, saved with the song.
        program.Instrument(1, kViolin);
        program.m_pView->m_song.SetModified(false);
        c.fnChange(program);
        program.m_pView->OnTimerTick();
        EXPECT_EQ(program.SongModified(), (c.nMarked & kSong) != 0);
        EXPECT_EQ(program.DrawingModified(), (c.nMarked & kDrawing) != 0);
        EXPECT_EQ(program.ShownTitle(),
                  c.nMarked != 0 ? QStringLiteral("Vorkeln*") : QStringLiteral("Vorkeln"));
        // Each save clears its own kind's mark only; the title's goes with the last.
        unsigned nLeft = c.nMarked;
        for (const unsigned nKind : {kSong, kDrawing}) {
            if ((nLeft & nKind) != 0) {
                program.m_dialogs.m_savePaths = {
                    {strDir + (nKind == kSong ? QStringLiteral("/saved.mid")
                                              : QStringLiteral("/saved.bmp")),
                     static_cast<int>(nKind)}};
                program.m_pView->OnCommand(ID_FILE_SAVE_AS);
                nLeft &= ~nKind;
                EXPECT_EQ(program.SongModified(), (nLeft & kSong) != 0);
                EXPECT_EQ(program.DrawingModified(), (nLeft & kDrawing) != 0);
            }
        }
        EXPECT_FALSE(program.SongModified() || program.DrawingModified());
        EXPECT_EQ(program.ShownTitle(), QStringLiteral("Vorkeln"));
        EXPECT_TRUE(program.m_dialogs.m_questions.empty());
    }
}

// Questions before unsaved work is dropped ---------------------------------------------------

enum class ECommand { NewAll, NewTrack, NewImage, OpenSong, OpenDrawing, Exit, Close };

// What a command did: saved the song or the drawing, renewed or replaced either, closed the
// window.
constexpr unsigned kSavedSong = 1;
constexpr unsigned kSavedDrawing = 2;
constexpr unsigned kNewSong = 4;
constexpr unsigned kNewDrawing = 8;
constexpr unsigned kClosed = 16;

struct SOutcome {
    QStringList questions;
    unsigned nDone = 0;
};

enum class ESaveAs { AsAsked, Cancelled, OtherKind };

// Runs a command on a program whose song and drawing are both unsaved (or, with bUnsaved false,
// both as they were made), the user giving the answers and the Save As dialog as eSaveAs says.
SOutcome RunWithUnsavedWork(ECommand eCommand, const std::vector<EButton>& answers,
                            ESaveAs eSaveAs = ESaveAs::AsAsked, bool bUnsaved = true) {
    static const QString s_strDir = FreshDir(QStringLiteral("prompts"));
    const QString strSong = s_strDir + QStringLiteral("/saved.mid");
    const QString strDrawing = s_strDir + QStringLiteral("/saved.bmp");
    const QString strOtherSong = s_strDir + QStringLiteral("/other.mid");
    const QString strOtherDrawing = s_strDir + QStringLiteral("/other.bmp");
    QFile::remove(strSong);
    QFile::remove(strDrawing);
    {
        // Files to open: a song of three instruments, a black picture.
        CSong song;
        song.AddTrack(40);
        song.AddTrack(41);
        song.Save(ToPath(strOtherSong));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::black);
        picture.save(strOtherDrawing, "BMP");
    }

    SProgram program;
    if (bUnsaved) {
        program.Record({60});
        program.Stroke();
    }
    program.m_dialogs.m_answers.assign(answers.begin(), answers.end());
    const bool bDrawingOnly = eCommand == ECommand::NewImage || eCommand == ECommand::OpenDrawing;
    if (eSaveAs == ESaveAs::AsAsked && bDrawingOnly) {
        program.m_dialogs.m_savePaths = {{strDrawing, 2}};
    } else if (eSaveAs != ESaveAs::Cancelled) {
        program.m_dialogs.m_savePaths = {{strSong, 1}, {strDrawing, 2}};
    }
    CMainView& view = *program.m_pView;
    switch (eCommand) {
    case ECommand::NewAll:
        view.OnCommand(ID_FILE_NEW_ALL);
        break;
    case ECommand::NewTrack:
        view.OnCommand(ID_FILE_NEW_TRACK);
        break;
    case ECommand::NewImage:
        view.OnCommand(ID_FILE_NEW_IMAGE);
        break;
    case ECommand::OpenSong:
        program.m_dialogs.m_openPaths = {strOtherSong};
        view.OnCommand(ID_FILE_OPEN);
        break;
    case ECommand::OpenDrawing:
        program.m_dialogs.m_openPaths = {strOtherDrawing};
        view.OnCommand(ID_FILE_OPEN);
        break;
    case ECommand::Exit:
        program.m_pFrame->OnCommand(ID_APP_EXIT);
        break;
    case ECommand::Close:
        program.m_pFrame->close();
        break;
    }

    SOutcome outcome;
    for (const auto& question : program.m_dialogs.m_questions) {
        outcome.questions << question.second;
    }
    const bool bSongSaved = NotesIn(ToPath(strSong)) == std::vector<int>{60};
    const bool bNewSong = view.m_song.GetActiveTrackCount() != 1 || program.SongIsNew();
    const bool bNewDrawing =
        program.DrawingIsBlank() || view.m_image.GetImage().pixel(5, 5) == qRgb(0, 0, 0);
    outcome.nDone = (bSongSaved ? kSavedSong : 0) |
                    (QFile::exists(strDrawing) ? kSavedDrawing : 0) | (bNewSong ? kNewSong : 0) |
                    (bNewDrawing ? kNewDrawing : 0) | (program.m_pFrame->isVisible() ? 0 : kClosed);
    EXPECT_TRUE(program.m_dialogs.m_messages.empty());
    return outcome;
}

TEST(UnsavedWork, EveryCommandThatDropsWorkAsksFirst) {
    const EButton kSave = QMessageBox::Save;
    const EButton kDiscard = QMessageBox::Discard;
    const EButton kCancel = QMessageBox::Cancel;
    const QStringList kBoth{kSongQuestion, kDrawingQuestion};
    const QStringList kSong{kSongQuestion};
    const QStringList kDrawing{kDrawingQuestion};
    const struct {
        const char* pszCase;
        ECommand eCommand;
        std::vector<EButton> answers;
        QStringList questions;
        unsigned nDone;
    } cases[] = {
        {"New All, Save",
         ECommand::NewAll,
         {kSave, kSave},
         kBoth,
         kSavedSong | kSavedDrawing | kNewSong | kNewDrawing},
        {"New All, Discard", ECommand::NewAll, {kDiscard, kDiscard}, kBoth, kNewSong | kNewDrawing},
        {"New All, Cancel", ECommand::NewAll, {kCancel}, kSong, 0},
        {"New All, Save then Cancel", ECommand::NewAll, {kSave, kCancel}, kBoth, kSavedSong},
        {"New Track, Save", ECommand::NewTrack, {kSave}, kSong, kSavedSong | kNewSong},
        {"New Track, Discard", ECommand::NewTrack, {kDiscard}, kSong, kNewSong},
        {"New Track, Cancel", ECommand::NewTrack, {kCancel}, kSong, 0},
        {"New Image, Save", ECommand::NewImage, {kSave}, kDrawing, kSavedDrawing | kNewDrawing},
        {"New Image, Discard", ECommand::NewImage, {kDiscard}, kDrawing, kNewDrawing},
        {"New Image, Cancel", ECommand::NewImage, {kCancel}, kDrawing, 0},
        {"Open song, Save", ECommand::OpenSong, {kSave}, kSong, kSavedSong | kNewSong},
        {"Open song, Discard", ECommand::OpenSong, {kDiscard}, kSong, kNewSong},
        {"Open song, Cancel", ECommand::OpenSong, {kCancel}, kSong, 0},
        {"Open drawing, Save",
         ECommand::OpenDrawing,
         {kSave},
         kDrawing,
         kSavedDrawing | kNewDrawing},
        {"Open drawing, Discard", ECommand::OpenDrawing, {kDiscard}, kDrawing, kNewDrawing},
        {"Open drawing, Cancel", ECommand::OpenDrawing, {kCancel}, kDrawing, 0},
        {"Exit, Save", ECommand::Exit, {kSave, kSave}, kBoth, kSavedSong | kSavedDrawing | kClosed},
        {"Exit, Discard", ECommand::Exit, {kDiscard, kDiscard}, kBoth, kClosed},
        {"Exit, Cancel", ECommand::Exit, {kCancel}, kSong, 0},
        {"Exit, Discard then Cancel", ECommand::Exit, {kDiscard, kCancel}, kBoth, 0},
        {"Close, Save",
         ECommand::Close,
         {kSave, kSave},
         kBoth,
         kSavedSong | kSavedDrawing | kClosed},
        {"Close, Discard", ECommand::Close, {kDiscard, kDiscard}, kBoth, kClosed},
        {"Close, Cancel", ECommand::Close, {kCancel}, kSong, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        const SOutcome outcome = RunWithUnsavedWork(c.eCommand, c.answers);
        EXPECT_EQ(outcome.questions, c.questions);
        EXPECT_EQ(outcome.nDone, c.nDone);
    }
}

TEST(UnsavedWork, SaveThatLeavesTheWorkUnsavedCancelsTheCommand) {
    for (const ECommand eCommand : {ECommand::NewTrack, ECommand::Exit}) {
        const SOutcome outcome =
            RunWithUnsavedWork(eCommand, {QMessageBox::Save}, ESaveAs::Cancelled);
        EXPECT_EQ(outcome.questions, QStringList{kSongQuestion});
        EXPECT_EQ(outcome.nDone, 0u);
    }
    // Asked about the drawing, the user saved the song instead: the drawing stays.
    const SOutcome outcome =
        RunWithUnsavedWork(ECommand::NewImage, {QMessageBox::Save}, ESaveAs::OtherKind);
    EXPECT_EQ(outcome.questions, QStringList{kDrawingQuestion});
    EXPECT_EQ(outcome.nDone, kSavedSong);
}

TEST(UnsavedWork, NothingUnsavedMeansNoQuestion) {
    for (const ECommand eCommand :
         {ECommand::NewAll, ECommand::NewTrack, ECommand::NewImage, ECommand::OpenSong,
          ECommand::OpenDrawing, ECommand::Exit, ECommand::Close}) {
        const SOutcome outcome = RunWithUnsavedWork(eCommand, {}, ESaveAs::AsAsked, false);
        EXPECT_TRUE(outcome.questions.isEmpty()) << static_cast<int>(eCommand);
        EXPECT_EQ((outcome.nDone & kClosed) != 0,
                  eCommand == ECommand::Exit || eCommand == ECommand::Close);
    }
}

TEST(UnsavedWork, ShortcutFromAnActiveToolWindowAsksToo) {
    for (const int nKey : {Qt::Key_N, Qt::Key_O}) {
        SProgram program;
        const QString strDir = FreshDir(QStringLiteral("shortcut"));
        program.Record({60});
        program.m_dialogs.m_openPaths = {strDir + QStringLiteral("/any.mid")};
        program.m_dialogs.m_answers = {QMessageBox::Cancel};
        COrchestraDlg& orchestra = program.m_pView->m_wndOrchestra;
        program.m_pView->OnCommand(ID_VIEW_ORCHESTRA_WINDOW);
        QApplication::setActiveWindow(&orchestra);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&orchestra));
        QTest::keyClick(&orchestra, static_cast<Qt::Key>(nKey), Qt::ControlModifier);
        ASSERT_EQ(program.m_dialogs.m_questions.size(), 1u) << nKey;
        EXPECT_EQ(program.m_dialogs.m_questions[0].second, kSongQuestion);
        EXPECT_TRUE(program.SongModified());
        EXPECT_EQ(NotesIn(ToPath(strDir + QStringLiteral("/any.mid"))), std::vector<int>{-1});
    }
}

// Save As ------------------------------------------------------------------------------------

TEST(UnsavedWork, AppendedExtensionOfAnExistingFileIsAskedAbout) {
    const QString strDir = FreshDir(QStringLiteral("overwrite"));
    const struct {
        const char* pszTyped;
        int nFilter;
        const char* pszWritten;
        std::vector<EButton> answers;
        bool bAsked;
        bool bReplaced;
    } cases[] = {
        {"tune", 1, "tune.MID", {QMessageBox::Yes}, true, true},
        {"tune", 1, "tune.MID", {QMessageBox::No}, true, false},
        {"tune.MID", 1, "tune.MID", {}, false, true}, // the dialog asked about a name typed whole
        {"picture", 2, "picture.BMP", {QMessageBox::No}, true, false},
        {"picture", 2, "picture.BMP", {QMessageBox::Yes}, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pszTyped) + " " + std::to_string(c.answers.size()));
        const QString strWritten = strDir + QLatin1Char('/') + QLatin1String(c.pszWritten);
        QFile::remove(strWritten);
        QFile old(strWritten);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        SProgram program;
        program.m_dialogs.m_answers.assign(c.answers.begin(), c.answers.end());
        program.m_dialogs.m_savePaths.emplace_back(
            strDir + QLatin1Char('/') + QLatin1String(c.pszTyped), c.nFilter);
        program.m_pView->OnCommand(ID_FILE_SAVE_AS);
        ASSERT_EQ(program.m_dialogs.m_questions.size(), c.bAsked ? 1u : 0u);
        if (c.bAsked) {
            EXPECT_EQ(program.m_dialogs.m_questions[0].second,
                      QLatin1String(c.pszWritten) +
                          QStringLiteral(" already exists. Do you want to replace it?"));
            EXPECT_EQ(program.m_dialogs.m_questionButtons[0], QMessageBox::Yes | QMessageBox::No);
        }
        QFile written(strWritten);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll() != QByteArray("old"), c.bReplaced);
    }
}

TEST(UnsavedWork, SaveAsStartsWhereTheLastFileOfItsKindWas) {
    const QString strDir = FreshDir(QStringLiteral("remember"));
    SProgram program;
    CStandInDialogs& dialogs = program.m_dialogs;
    CMainView& view = *program.m_pView;
    const QString strSong = strDir + QStringLiteral("/first.mid");
    ASSERT_TRUE(view.m_song.Save(ToPath(strSong)));
    dialogs.m_openPaths = {strSong};
    view.OnCommand(ID_FILE_OPEN);
    view.OnCommand(ID_FILE_SAVE_AS); // cancelled
    dialogs.m_savePaths = {{strDir + QStringLiteral("/drawing"), 2}};
    view.OnCommand(ID_FILE_SAVE_AS);
    dialogs.m_savePaths = {{strDir + QStringLiteral("/second.mid"), 1}};
    view.OnCommand(ID_FILE_SAVE_AS);
    view.OnCommand(ID_FILE_SAVE_AS);
    // Saving the drawing from its question starts on the bitmap filter.
    program.Stroke();
    dialogs.m_answers = {QMessageBox::Save};
    view.OnCommand(ID_FILE_NEW_IMAGE);

    const QString strDrawing = strDir + QStringLiteral("/drawing.BMP");
    const QString strSecond = strDir + QStringLiteral("/second.mid");
    ASSERT_EQ(dialogs.m_saveStarts.size(), 5u);
    EXPECT_EQ(dialogs.m_saveStarts[0], std::make_pair(QStringList{strSong, QString()}, 1));
    EXPECT_EQ(dialogs.m_saveStarts[1], std::make_pair(QStringList{strSong, QString()}, 1));
    EXPECT_EQ(dialogs.m_saveStarts[2], std::make_pair(QStringList{strSong, strDrawing}, 1));
    EXPECT_EQ(dialogs.m_saveStarts[3], std::make_pair(QStringList{strSecond, strDrawing}, 1));
    EXPECT_EQ(dialogs.m_saveStarts[4], std::make_pair(QStringList{strSecond, strDrawing}, 2));
    EXPECT_TRUE(program.DrawingModified()); // its Save As was cancelled: nothing renewed
}

// Recovery ---------------------------------------------------------------------------------

TEST(UnsavedWork, RecoveryFileFollowsTheUnsavedSongAndGoesWithACleanExit) {
    const QString strDir = FreshDir(QStringLiteral("recovery"));
    auto pProgram = std::make_unique<SProgram>();
    CMainView& view = *pProgram->m_pView;
    ASSERT_TRUE(view.EnableRecovery(strDir));
    QCoreApplication::processEvents();
    const std::filesystem::path recovery = view.m_recoveryFile.GetPath();
    EXPECT_EQ(RecoveryNames(strDir).size(), 1u); // the lock only

    // Recording stops: the notes are written at once.
    pProgram->Record({60, 62});
    view.m_recoveryWriter.Flush();
    EXPECT_EQ(NotesIn(recovery), (std::vector<int>{60, 62}));
    EXPECT_FALSE(view.m_recoveryTimer.isActive());

    // Other changes wait for the timer, which starts with the first of them.
    view.OnCommand(ID_TRACK_RECORD);
    view.PlayKey(64);
    view.OnTimerTick();
    EXPECT_TRUE(view.m_recoveryTimer.isActive());
    view.PlayKey(65);
    view.OnTimerTick();
    view.m_recoveryWriter.Flush();
    EXPECT_EQ(NotesIn(recovery), (std::vector<int>{60, 62}));
    view.WriteRecovery(); // the timer runs out
    view.m_recoveryWriter.Flush();
    EXPECT_EQ(NotesIn(recovery), (std::vector<int>{60, 62, 64, 65}));
    view.OnCommand(ID_TRACK_RECORD);

    // Saved, there is nothing to recover; changed again, there is.
    pProgram->m_dialogs.m_savePaths.emplace_back(strDir + QStringLiteral("/kept.mid"), 1);
    view.OnCommand(ID_FILE_SAVE_AS);
    view.m_recoveryWriter.Flush();
    EXPECT_FALSE(std::filesystem::exists(recovery));
    pProgram->Record({67});
    view.m_recoveryWriter.Flush();
    EXPECT_EQ(NotesIn(recovery), (std::vector<int>{60, 62, 64, 65, 67}));

    pProgram.reset();
    EXPECT_TRUE(RecoveryNames(strDir).isEmpty());
}

TEST(UnsavedWork, RecoveryFileLeftBehindIsOfferedAtTheNextStart) {
    const struct {
        const char* pszCase;
        bool bBroken;
        EButton answer;
        bool bRestored;
        const char* pszMessage;
    } cases[] = {
        {"restored", false, QMessageBox::Yes, true, nullptr},
        {"declined", false, QMessageBox::No, false, nullptr},
        {"broken", true, QMessageBox::Yes, false,
         "Could not restore the song: not a readable MIDI file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        const QString strDir = FreshDir(QStringLiteral("offer"));
        // What a program killed while recording leaves: its file, and its lock nobody holds.
        const std::filesystem::path left = ToPath(strDir) / "song-0badf00d.mid";
        {
            CSong song;
            song.AddTrack(0);
            song.ResetRecordPositions();
            song.RecordNote(0, 61, 96);
            song.AdvanceRecordTime();
            song.RecordNote(0, 63, 96);
            ASSERT_TRUE(song.Save(left));
        }
        if (c.bBroken) {
            std::filesystem::resize_file(left, 10);
        }
        QFile(QString::fromStdString((ToPath(strDir) / "song-0badf00d.lock").string()))
            .open(QIODevice::WriteOnly);

        SProgram program;
        program.m_dialogs.m_answers = {c.answer};
        ASSERT_TRUE(program.m_pView->EnableRecovery(strDir));
        EXPECT_TRUE(program.m_dialogs.m_questions.empty()); // not before the window is up
        QCoreApplication::processEvents();
        ASSERT_EQ(program.m_dialogs.m_questions.size(), 1u);
        EXPECT_EQ(program.m_dialogs.m_questions[0].second, kRestoreQuestion);
        EXPECT_EQ(program.m_dialogs.m_questionButtons[0], QMessageBox::Yes | QMessageBox::No);
        EXPECT_FALSE(std::filesystem::exists(left));
        program.m_pView->m_recoveryWriter.Flush();
        const std::filesystem::path own = program.m_pView->m_recoveryFile.GetPath();
        if (c.bRestored) {
            EXPECT_EQ(NotesIn(own), (std::vector<int>{61, 63}));
            EXPECT_EQ(program.m_pView->m_song.GetActiveTrackCount(), 1u);
            EXPECT_EQ(program.m_pView->m_song.FindActiveTrack(0)->m_events.size(), 2u);
            EXPECT_EQ(program.m_pView->m_wndOrchestra.Count(), 1);
            EXPECT_TRUE(program.SongModified());
            EXPECT_EQ(program.ShownTitle(), QStringLiteral("Vorkeln*"));
        } else {
            EXPECT_FALSE(std::filesystem::exists(own));
            EXPECT_TRUE(program.SongIsNew());
            EXPECT_FALSE(program.SongModified());
        }
        if (c.pszMessage != nullptr) {
            ASSERT_EQ(program.m_dialogs.m_messages.size(), 1u);
            EXPECT_EQ(program.m_dialogs.m_messages[0].second, QLatin1String(c.pszMessage));
        } else {
            EXPECT_TRUE(program.m_dialogs.m_messages.empty());
        }
        // Only the program's own lock, and its file when it holds a restored song.
        EXPECT_EQ(RecoveryNames(strDir).size(), c.bRestored ? 2u : 1u);
    }
}

} // namespace
