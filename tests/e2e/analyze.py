"""Checks for the end-to-end test: recorded sound and screenshots.

    analyze.py note REC.wav PRESS_SECONDS
    analyze.py colours MAJOR.png CHROMATIC.png
    analyze.py stroke BEFORE.png AFTER.png X0 X1 Y
    analyze.py notes RECOVERY_DIR COUNT
    analyze.py chord PANE.png NAME
    analyze.py played FILE.mid NOTES
    analyze.py dense ACTUAL.png BEFORE.png AFTER.png
Exits 0 when the check holds, 1 (with a reason) when it does not.
"""
import array
import glob
import os
import subprocess
import sys
import tempfile
import wave

import mido

from PIL import Image

WINDOW = 0.01  # seconds per loudness window
THRESHOLD = 300  # peak sample (of 32767) that counts as sound


def note(path, press):
    with wave.open(path, "rb") as wav:
        rate, channels, width = wav.getframerate(), wav.getnchannels(), wav.getsampwidth()
        frames = wav.readframes(wav.getnframes())
    if width != 2:
        return f"unexpected sample width {width}"
    samples = array.array("h", frames)
    step = int(rate * WINDOW) * channels
    loud = [
        i * WINDOW
        for i, start in enumerate(range(0, len(samples), step))
        if max((abs(s) for s in samples[start:start + step]), default=0) >= THRESHOLD
    ]
    total = len(samples) / channels / rate
    if not loud:
        return "silence: no sound after the key press"
    onset, end = loud[0], loud[-1]
    print(f"sound from {onset:.2f} s to {end:.2f} s of {total:.2f} s (key at {press:.2f} s)")
    if onset < 0.2:
        return "sound before the key was pressed"
    if onset > press + 4.0:
        return "no note within four seconds of the key"
    if end > total - 0.3:
        return "the note is still sounding at the end of the recording"
    if not 0.2 <= end - onset <= 2.5:
        return f"the note lasted {end - onset:.2f} s"
    return None


def count(image, colour, tolerance):
    r0, g0, b0 = colour
    return sum(
        1
        for r, g, b in image.getdata()
        if abs(r - r0) <= tolerance and abs(g - g0) <= tolerance and abs(b - b0) <= tolerance
    )


def colours(major_path, chromatic_path):
    major = Image.open(major_path).convert("RGB")
    chromatic = Image.open(chromatic_path).convert("RGB")
    grey_major = count(major, (0xCF, 0xCF, 0xCF), 6)
    grey_chromatic = count(chromatic, (0xCF, 0xCF, 0xCF), 6)
    background = count(major, (0x04, 0x04, 0x04), 6)
    print(f"grey tiles: {grey_major} px in C major, {grey_chromatic} px in chromatic; "
          f"background {background} px")
    if background < 1000:
        return "no near-black lattice background"
    if grey_major < 5000:
        return "C major shows no grey tiles for its five black notes"
    if grey_chromatic > grey_major * 0.2:
        return "the chromatic scale still shows black-note tiles"
    return None


def stroke(before_path, after_path, x0, x1, y):
    before = Image.open(before_path).convert("RGB")
    after = Image.open(after_path).convert("RGB")
    x0, x1, y = int(x0), int(x1), int(y)
    darker = 0
    for x in range(x0 + 5, x1 - 5):
        if any(sum(after.getpixel((x, yy))) < sum(before.getpixel((x, yy))) - 60
               for yy in range(y - 3, y + 4)):
            darker += 1
    span = x1 - x0 - 10
    print(f"stroke: {darker} of {span} columns darker along the drag")
    if darker < span * 0.8:
        return "the drag left no line"
    return None


def notes(folder, count):
    files = glob.glob(os.path.join(folder, "song-*.mid"))
    if len(files) != 1:
        return f"{len(files)} recovery files in {folder}"
    found = sum(1 for track in mido.MidiFile(files[0]).tracks for msg in track
                if msg.type == "note_on" and msg.velocity > 0)
    print(f"{found} notes in {os.path.basename(files[0])}")
    if found != int(count):
        return f"{found} notes instead of {count}"
    return None


def chord(path, name):
    """The pane's text as tesseract reads it from a screenshot enlarged four times."""
    pane = Image.open(path).convert("L")
    pane = pane.resize((pane.width * 4, pane.height * 4), Image.LANCZOS)
    with tempfile.NamedTemporaryFile(suffix=".png") as big:
        pane.save(big.name)
        read = subprocess.run(["tesseract", big.name, "-", "--psm", "7"], capture_output=True,
                              text=True).stdout.split()
    print(f"chord pane reads {read}")
    if read[-1:] != [name]:
        return f"the chord pane does not end in {name}"
    return None


def played(path, wanted):
    found = sorted(msg.note for track in mido.MidiFile(path).tracks for msg in track
                   if msg.type == "note_on" and msg.velocity > 0)
    print(f"notes played: {found}")
    if found != sorted(int(n) for n in wanted.split(",")):
        return f"{found} instead of {wanted}"
    return None


def keynote_width(image):
    """The median width of the runs of keynote yellow along the rows: the circles' size."""
    widths = []
    width, height = image.size
    pixels = image.load()
    for y in range(0, height, 3):
        run = 0
        for x in range(width):
            r, g, b = pixels[x, y]
            if abs(r - 0xFF) <= 6 and abs(g - 0xF4) <= 6 and abs(b - 0xA4) <= 6:
                run += 1
            elif run:
                widths.append(run)
                run = 0
    widths.sort()
    return widths[len(widths) // 2] if widths else 0


def dense(actual_path, before_path, after_path):
    """actual: the keyboard at its actual size; before: at scale factor 2; after: the same
    with key labels on."""
    actual = keynote_width(Image.open(actual_path).convert("RGB"))
    before = Image.open(before_path).convert("RGB")
    after = Image.open(after_path).convert("RGB")
    width = keynote_width(before)
    inked = sum(1 for a, b in zip(before.getdata(), after.getdata())
                if sum(b) < 100 and sum(a) > 600)
    print(f"keynote circles {width} px across, {actual} px at the actual size; "
          f"{inked} px of key labels")
    if width < 1.6 * actual:
        return "the cells are not drawn at twice their size"
    if inked < 2000:
        return "no key labels appeared"
    return None


def main(argv):
    checks = {"note": (note, 2), "colours": (colours, 2), "stroke": (stroke, 5),
              "notes": (notes, 2), "chord": (chord, 2), "played": (played, 2),
              "dense": (dense, 3)}
    if len(argv) < 2 or argv[1] not in checks or len(argv) - 2 != checks[argv[1]][1]:
        print(__doc__)
        return 2
    check, _ = checks[argv[1]]
    args = argv[2:]
    if argv[1] == "note":
        args = [args[0], float(args[1])]
    reason = check(*args)
    if reason:
        print(reason)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
