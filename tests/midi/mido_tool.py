"""Reads and writes Standard MIDI Files with mido for the interoperability tests.

  mido_tool.py dump FILE    prints the file in the tests' canonical text form
  mido_tool.py notes DIR    prints every .mid file of DIR, by name, as the notes heard
  mido_tool.py heard FILE   prints the notes of FILE as a player hears them, in milliseconds
  mido_tool.py write DIR    writes the files the reader must take, one name a line
  mido_tool.py faults DIR   writes files as other programs write them, where songs once lost
                            instruments, notes, their end or a set-up track's meaning

Canonical form, one line each, tracks in order:
  track                       a new track
  program CH PROG             the track's instrument: its first program change, when no note
                              comes before it
  note TIME CH KEY DURATION   a note-on with the ticks to its end (see Ends); notes without an
                              end, or ending at their own tick, are left out
  chan TIME HEX               any other channel message, later program changes too
  meta TIME HEX               a meta event other than end of track: type, then data
  sysex TIME HEX              a SysEx event's data without F0 and the closing F7
Header line first: header FORMAT TICKS

Notes heard, for each file "file NAME", then its notes sorted as "START CH KEY DURATION
PROGRAM" (PROGRAM: the one its channel has when it starts, as the tracks merged in time play;
every channel starts at 0), then "end TIME", the latest end of track.

Heard, one line a note sorted: "START CH KEY LENGTH PROGRAM", times in whole milliseconds as
mido plays the file with its tempo events.

Ends: a note ends at the next note-off, note-on with velocity 0 or note-on of the same channel
and key in its track. A note-off at the tick of a note-on that struck the key again while it
sounded belongs to the note that re-strike cut, not to the new one.
"""
import os
import sys

import mido


def hexs(values):
    return "".join("%02x" % v for v in values)


class Pairing:
    """Pairs the note-ons of one track with their ends, as described under Ends."""

    def __init__(self):
        self.pending = {}  # (channel, key) -> [note, start, restruck]
        self.notes = []  # [start, channel, key, duration or None, program]

    def message(self, msg, now, program=0):
        key = (msg.channel, msg.note)
        note_on = msg.type == "note_on" and msg.velocity > 0
        cut = False
        if key in self.pending:
            note, start, restruck = self.pending[key]
            if now == start and restruck and not note_on:
                self.pending[key][2] = False
                return
            del self.pending[key]
            if now > start:
                note[3] = now - start
                cut = True
        if note_on:
            note = [now, msg.channel, msg.note, None, program]
            self.notes.append(note)
            self.pending[key] = [note, now, cut]


def dump(path):
    mid = mido.MidiFile(path)
    print("header %d %d" % (mid.type, mid.ticks_per_beat))
    for track in mid.tracks:
        print("track")
        lines = []  # text, or a note filled in later
        pairing = Pairing()
        program = None
        note_seen = False
        now = 0
        for msg in track:
            now += msg.time
            if msg.is_meta:
                if msg.type != "end_of_track":
                    raw = msg.bytes()
                    # FF type length data: drop FF and the variable-length length.
                    data = raw[2:]
                    while data and data[0] & 0x80:
                        data = data[1:]
                    lines.append("meta %d %s" % (now, hexs([raw[1]] + data[1:])))
                continue
            if msg.type == "sysex":
                lines.append("sysex %d %s" % (now, hexs(msg.data)))
                continue
            if msg.type == "program_change" and program is None and not note_seen:
                program = (msg.channel, msg.program)
                continue
            if msg.type in ("note_on", "note_off"):
                before = len(pairing.notes)
                pairing.message(msg, now)
                if len(pairing.notes) > before:
                    note_seen = True
                    lines.append(pairing.notes[-1])
                continue
            lines.append("chan %d %s" % (now, hexs(msg.bytes())))
        if program is not None:
            print("program %d %d" % program)
        for line in lines:
            if isinstance(line, str):
                print(line)
            elif line[3] is not None:
                print("note %d %d %d %d" % tuple(line[:4]))


def notes(directory):
    for name in sorted(os.listdir(directory)):
        if not name.endswith(".mid"):
            continue
        mid = mido.MidiFile(os.path.join(directory, name))
        merged = []  # (time, track, order, message): the tracks as they play together
        end = 0
        for index, track in enumerate(mid.tracks):
            now = 0
            for order, msg in enumerate(track):
                now += msg.time
                merged.append((now, index, order, msg))
            end = max(end, now)
        merged.sort(key=lambda item: item[:3])
        programs = [0] * 16
        pairings = [Pairing() for _ in mid.tracks]
        for now, index, _, msg in merged:
            if msg.type == "program_change":
                programs[msg.channel] = msg.program
            elif msg.type in ("note_on", "note_off"):
                pairings[index].message(msg, now, programs[msg.channel])
        print("file %s" % name)
        heard = sorted(tuple(note) for pairing in pairings for note in pairing.notes
                       if note[3] is not None)
        for note in heard:
            print("%d %d %d %d %d" % note)
        print("end %d" % end)


def heard(path):
    now = 0.0
    programs = [0] * 16
    sounding = {}  # (channel, key) -> (start, program)
    notes = []
    for msg in mido.MidiFile(path):
        now += msg.time
        if msg.type == "program_change":
            programs[msg.channel] = msg.program
        elif msg.type in ("note_on", "note_off"):
            key = (msg.channel, msg.note)
            if key in sounding:
                start, program = sounding.pop(key)
                notes.append((round(start * 1000), msg.channel, msg.note,
                              round((now - start) * 1000), program))
            if msg.type == "note_on" and msg.velocity > 0:
                sounding[key] = (now, programs[msg.channel])
    for note in sorted(notes):
        print("%d %d %d %d %d" % note)


def write(directory):
    # Format 0, running status, note-offs as note-ons with velocity 0.
    mid = mido.MidiFile(type=0, ticks_per_beat=96)
    track = mido.MidiTrack()
    mid.tracks.append(track)
    track.append(mido.MetaMessage("set_tempo", tempo=600000, time=0))
    track.append(mido.Message("program_change", channel=2, program=19, time=0))
    track.append(mido.Message("note_on", channel=2, note=60, velocity=90, time=0))
    track.append(mido.Message("note_on", channel=2, note=64, velocity=90, time=0))
    track.append(mido.Message("note_on", channel=2, note=60, velocity=0, time=96))
    track.append(mido.Message("control_change", channel=2, control=7, value=100, time=0))
    track.append(mido.Message("note_on", channel=2, note=64, velocity=0, time=48))
    track.append(mido.Message("note_on", channel=2, note=67, velocity=70, time=0))
    track.append(mido.Message("note_off", channel=2, note=67, velocity=64, time=200))
    path = directory + "/mido_format0.mid"
    mid.save(path)
    print(path)

    # Format 1: a conductor track and two instruments, SysEx, meta events, program changes.
    mid = mido.MidiFile(type=1, ticks_per_beat=480)
    conductor = mido.MidiTrack()
    conductor.append(mido.MetaMessage("track_name", name="Conductor", time=0))
    conductor.append(mido.MetaMessage("time_signature", numerator=3, denominator=4, time=0))
    conductor.append(mido.MetaMessage("key_signature", key="D", time=0))
    conductor.append(mido.Message("sysex", data=[0x7E, 0x7F, 0x09, 0x01], time=0))
    conductor.append(mido.MetaMessage("set_tempo", tempo=400000, time=1920))
    mid.tracks.append(conductor)
    for channel, program, base in ((0, 0, 48), (9, 0, 36)):
        track = mido.MidiTrack()
        track.append(mido.Message("program_change", channel=channel, program=program, time=0))
        for i in range(40):
            track.append(mido.Message("note_on", channel=channel, note=base + i % 12,
                                      velocity=80, time=0 if i == 0 else 60))
            track.append(mido.Message("note_off", channel=channel, note=base + i % 12,
                                      velocity=0, time=100 + i))
            if i % 7 == 0:
                track.append(mido.Message("pitchwheel", channel=channel, pitch=i * 100, time=0))
        track.append(mido.Message("program_change", channel=channel, program=5, time=10))
        track.append(mido.Message("control_change", channel=channel, control=10, value=3,
                                  time=5))
        mid.tracks.append(track)
    path = directory + "/mido_format1.mid"
    mid.save(path)
    print(path)


def track_of(events):
    """A track from (time, message) pairs in order of time; end of track at the last time."""
    track = mido.MidiTrack()
    now = 0
    for time, msg in events:
        track.append(msg.copy(time=time - now))
        now = time
    return track


def on(channel, note, velocity=100):
    return mido.Message("note_on", channel=channel, note=note, velocity=velocity)


def off(channel, note):
    return mido.Message("note_off", channel=channel, note=note)


def program(channel, number):
    return mido.Message("program_change", channel=channel, program=number)


def end():
    return mido.MetaMessage("end_of_track")


def faults(directory):
    # Format 0: every channel in one track with its program, one program changed mid-song, and
    # a controller on a channel without notes.
    events = [(0, mido.MetaMessage("track_name", name="All")), (0, program(0, 40)),
              (0, program(1, 33)),
              (0, mido.Message("control_change", channel=5, control=7, value=90))]
    for i in range(8):
        events += [(96 * i, on(0, 60 + i)), (96 * i, on(1, 36 + i)), (96 * i, on(9, 42)),
                   (96 * i + 10, off(9, 42)), (96 * i + 48, off(1, 36 + i)),
                   (96 * i + 90, off(0, 60 + i))]
    events += [(384, program(1, 35)), (768, end())]
    events.sort(key=lambda item: item[0])
    save(directory, "instruments.mid", 0, 96, [events])

    # A ride cymbal struck every 48 ticks, each new stroke before the note-off of the last one;
    # then a stroke that ends at its own tick.
    events = [(0, on(9, 51))]
    for i in range(1, 8):
        events += [(48 * i, on(9, 51)), (48 * i, off(9, 51))]
    events += [(384, off(9, 51)), (400, on(9, 38)), (400, off(9, 38)), (480, end())]
    save(directory, "restruck.mid", 1, 96, [events])

    # One bar of 4/4 that ends on silence: the notes end at 959, the bar at 1024.
    events = []
    for i in range(4):
        events += [(256 * i, on(0, 64 + i)), (256 * i + 191, off(0, 64 + i))]
    events.append((1024, end()))
    save(directory, "loop.mid", 1, 256, [events])

    # A set-up track giving three channels their programs, a track that relies on it and one
    # with a program of its own that differs.
    setup = [(0, mido.MetaMessage("set_tempo", tempo=500000)), (0, program(0, 40)),
             (0, program(1, 73)), (0, program(2, 20)), (0, end())]
    relying = [(0, on(0, 60)), (96, off(0, 60)), (96, on(0, 62)), (192, off(0, 62)),
               (192, end())]
    own = [(0, program(1, 74)), (0, on(1, 72)), (96, off(1, 72)), (96, end())]
    save(directory, "setup.mid", 1, 96, [setup, relying, own])


def save(directory, name, kind, ticks, tracks):
    mid = mido.MidiFile(type=kind, ticks_per_beat=ticks)
    for events in tracks:
        mid.tracks.append(track_of(events))
    path = os.path.join(directory, name)
    mid.save(path)
    print(path)


if __name__ == "__main__":
    if sys.argv[1] == "dump":
        dump(sys.argv[2])
    elif sys.argv[1] == "heard":
        heard(sys.argv[2])
    elif sys.argv[1] == "notes":
        notes(sys.argv[2])
    elif sys.argv[1] == "faults":
        faults(sys.argv[2])
    else:
        write(sys.argv[2])
