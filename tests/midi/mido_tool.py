"""Reads and writes Standard MIDI Files with mido for the interoperability tests.

  mido_tool.py dump FILE   prints the file in the tests' canonical text form
  mido_tool.py write DIR   writes the files the reader must take, one name a line

Canonical form, one line each, tracks in order:
  track                       a new track
  program CH PROG             the first program change of the track
  note TIME CH KEY DURATION   a note-on with the ticks to its end (next note-off or note-on of
                              the same channel and key); notes without an end, or ending at
                              their own tick, are left out
  chan TIME HEX               any other channel message
  meta TIME HEX               a meta event other than end of track: type, then data
  sysex TIME HEX              a SysEx event's data without F0 and the closing F7
Header line first: header FORMAT TICKS
"""
import sys

import mido


def hexs(values):
    return "".join("%02x" % v for v in values)


def dump(path):
    mid = mido.MidiFile(path)
    print("header %d %d" % (mid.type, mid.ticks_per_beat))
    for track in mid.tracks:
        print("track")
        lines = []  # (order, text or None) for notes filled in later
        pending = {}
        program = None
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
            if msg.type == "program_change":
                if program is None:
                    program = (msg.channel, msg.program)
                continue
            if msg.type in ("note_on", "note_off"):
                key = (msg.channel, msg.note)
                if key in pending:
                    index, start = pending.pop(key)
                    if now > start:
                        lines[index] = "note %d %d %d %d" % (start, msg.channel, msg.note,
                                                             now - start)
                if msg.type == "note_on" and msg.velocity > 0:
                    pending[key] = (len(lines), now)
                    lines.append(None)
                continue
            lines.append("chan %d %s" % (now, hexs(msg.bytes())))
        if program is not None:
            print("program %d %d" % program)
        for line in lines:
            if line is not None:
                print(line)


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


if __name__ == "__main__":
    if sys.argv[1] == "dump":
        dump(sys.argv[2])
    else:
        write(sys.argv[2])
