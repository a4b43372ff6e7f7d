"""Measures the sound of the real program at a PulseAudio null sink's monitor.

    sound.py --short path/to/vorkeln     the check the test command runs
    sound.py --full path/to/vorkeln [--dropout-runs N]
    sound.py --count                     how many checks --short makes

The program runs under Xvfb; a PulseAudio server with a null sink is started for it. Keys are
pressed through the XTEST extension and time-stamped as they are sent; the sink's monitor is
recorded with parec (5 ms fragments) and every block is time-stamped as it arrives. Both sides
use the monotonic clock, which the null sink also runs on, so that a frame's time at the monitor
is its position in the recording plus the earliest offset seen between the two.

--short checks what does not depend on the machine's speed: over 3 launches, nothing but silence
before the first note and no full-scale sample at all, and every note of a key press starts after
its key and ends. --full adds the figures: junk at start over 5 launches, key to sound over 24
presses (every fourth after an idle spell) and dropouts over 60 s of chord playing, both with two
busy-loop processes beside the program, and the CPU time of program and server over 60 s idle
and 30 s of a chord pattern. Exits 0 when every check holds, 1 otherwise.
"""
import argparse
import array
import bisect
import contextlib
import ctypes
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

SINK = "vorkeln_null"
LOUD = 300  # a sample at least this loud (of 32767) is sound
ONSET = 100  # the first sample this loud after a key is where its note starts
FULL_SCALE = 32767
QUIET_FOR = 0.3  # seconds below LOUD that end a note
CHORD_KEYS = ["q", "w", "e"]
SHORT_CHECKS = 2
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


class Failure(Exception):
    pass


def real_time(pid):
    """The recorder's side runs at a real-time priority where it may, so that busy loops do
    not blur its time stamps."""
    try:
        os.sched_setscheduler(pid, os.SCHED_FIFO, os.sched_param(1))
    except (PermissionError, OSError):
        pass


def wait_for(seconds, check, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if check():
            return
        time.sleep(0.05)
    raise Failure(what)


def succeeds(*command):
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


class Keyboard:
    """Key events sent straight to the X server, each with the time it was sent."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise Failure(f"cannot open display {display}")

    def send(self, key, down):
        code = self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(key.encode()))
        self.xtst.XTestFakeKeyEvent(self.display, code, 1 if down else 0, 0)
        sent = time.monotonic()
        self.x11.XFlush(self.display)
        return sent

    def tap(self, key):
        sent = self.send(key, True)
        time.sleep(0.05)
        self.send(key, False)
        return sent

    def close(self):
        self.x11.XCloseDisplay(self.display)


class Recorder:
    """The sink's monitor as 16-bit stereo, each block time-stamped on arrival."""

    def __init__(self, rate):
        self.rate = rate
        self.samples = array.array("h")
        self.arrivals = []  # (frames recorded so far, time)
        self.lock = threading.Lock()
        self.process = subprocess.Popen(
            ["parec", "-d", f"{SINK}.monitor", "--raw", "--format=s16le", f"--rate={rate}",
             "--channels=2", "--latency-msec=5"], stdout=subprocess.PIPE)
        real_time(self.process.pid)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()
        wait_for(10, lambda: self.frames() > 0, "parec records nothing")

    def _read(self):
        real_time(0)
        pending = b""
        fd = self.process.stdout.fileno()
        while True:
            data = os.read(fd, 65536)
            arrived = time.monotonic()
            if not data:
                return
            pending += data
            whole = len(pending) - len(pending) % 4
            with self.lock:
                self.samples.frombytes(pending[:whole])
                self.arrivals.append((len(self.samples) // 2, arrived))
            pending = pending[whole:]

    def frames(self):
        with self.lock:
            return len(self.samples) // 2

    def time_of(self, frame):
        """When a frame reached us: the arrival of its block, less the sound that follows it in
        the block, but not before the previous block arrived. Taken from its own block, as the
        monitor's count of frames slips against the clock where the sink rewinds."""
        with self.lock:
            arrivals = list(self.arrivals)
        index = bisect.bisect_right(arrivals, (frame, float("inf")))
        if index == len(arrivals):
            return arrivals[-1][1] if arrivals else 0.0
        frames, arrived = arrivals[index]
        earliest = arrivals[index - 1][1] if index > 0 else float("-inf")
        return max(earliest, arrived - (frames - 1 - frame) / self.rate)

    def frame_at(self, when):
        """The first frame that arrived after `when`."""
        with self.lock:
            arrivals = list(self.arrivals)
        previous = 0
        for frames, arrived in arrivals:
            if arrived >= when:
                return previous
            previous = frames
        return previous

    def peaks(self, start, end):
        with self.lock:
            block = self.samples[2 * start:2 * end]
        return max((abs(s) for s in block), default=0)

    def quiet_since(self, seconds):
        """Whether the last `seconds` of the recording are below LOUD."""
        end = self.frames()
        start = end - int(seconds * self.rate)
        return start >= 0 and self.peaks(start, end) < LOUD

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.thread.join(timeout=5)
        with self.lock:
            return array.array("h", self.samples)


class Session:
    """Xvfb and a PulseAudio server with a null sink, for one run of this script."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="vorkeln-sound.")
        self.processes = []
        self.groups = []  # process groups of busy loops
        self.env = dict(os.environ)
        self.env["XDG_RUNTIME_DIR"] = os.path.join(self.work, "runtime")
        self.env["HOME"] = os.path.join(self.work, "home")
        os.mkdir(self.env["XDG_RUNTIME_DIR"], 0o700)
        os.mkdir(self.env["HOME"])
        os.environ.update(XDG_RUNTIME_DIR=self.env["XDG_RUNTIME_DIR"], HOME=self.env["HOME"])
        display = f":{random.randint(200, 299)}"
        self.spawn(["Xvfb", display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"])
        os.environ["DISPLAY"] = self.env["DISPLAY"] = display
        wait_for(20, lambda: succeeds("xdotool", "getmouselocation"), "Xvfb did not start")
        subprocess.run(["pulseaudio", "--daemonize=yes", "--exit-idle-time=-1", "-n",
                        "--load=module-native-protocol-unix",
                        f"--load=module-null-sink sink_name={SINK}"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        wait_for(20, lambda: succeeds("pactl", "info"), "PulseAudio does not answer")
        subprocess.run(["pactl", "set-default-sink", SINK], check=True)
        self.rate = self.sink_rate()
        self.keyboard = Keyboard(display)

    def spawn(self, command, **kwargs):
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   **kwargs)
        self.processes.append(process)
        return process

    @staticmethod
    def sink_rate():
        for line in subprocess.run(["pactl", "list", "short", "sinks"], capture_output=True,
                                   text=True, check=True).stdout.splitlines():
            fields = line.split()
            if len(fields) > 3 and fields[1] == SINK:
                return int(next(f for f in fields if f.endswith("Hz"))[:-2])
        raise Failure("no null sink")

    def server_pid(self):
        with open(os.path.join(self.env["XDG_RUNTIME_DIR"], "pulse", "pid")) as file:
            return int(file.read().split()[0])

    def busy_loops(self, count=2):
        """Processes that keep `count` cores busy, started as from another terminal: a session
        of their own."""
        leader = subprocess.Popen(
            ["sh", "-c", f"for i in $(seq {count}); do (while :; do :; done) & done; wait"],
            start_new_session=True)
        self.groups.append(leader)
        return [leader]

    def close(self):
        self.keyboard.close()
        for process in reversed(self.processes):
            if process.poll() is None:
                process.kill()
                process.wait()
        stop_all(self.groups)
        subprocess.run(["pulseaudio", "--kill"], stderr=subprocess.DEVNULL)
        shutil.rmtree(self.work, ignore_errors=True)


class Program:
    """One launch of the program, its window focused."""

    def __init__(self, session, binary):
        self.session = session
        self.process = session.spawn([binary])
        wait_for(20, lambda: self.window() is not None, "no window titled Vorkeln")
        window = self.window()
        subprocess.run(["xdotool", "windowmove", window, "0", "0", "windowsize", window, "1200",
                        "760"], check=False)
        subprocess.run(["xdotool", "mousemove", "1250", "780"], check=False)
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False)

    @staticmethod
    def window():
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Vorkeln$"],
                                capture_output=True, text=True)
        lines = result.stdout.split()
        return lines[0] if lines else None

    def cpu_seconds(self):
        return cpu_seconds(self.process.pid)

    def close(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def stop_all(groups):
    for leader in groups:
        try:
            os.killpg(leader.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        leader.wait()


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as file:
        fields = file.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def wait_quiet(recorder, seconds=QUIET_FOR, timeout=15):
    wait_for(timeout, lambda: recorder.quiet_since(seconds), "the sound does not end")


def wait_note(recorder, since, timeout):
    """Waits until sound came after `since` and ended again."""
    checked = [recorder.frame_at(since)]

    def sounded():
        end = recorder.frames()
        loud = recorder.peaks(checked[0], end) >= LOUD
        checked[0] = max(checked[0], end)
        return loud

    wait_for(timeout, sounded, "a key press gave no sound")
    wait_quiet(recorder)


def notes(samples, rate, start=0):
    """(first loud frame, last loud frame) of every stretch of sound, split by QUIET_FOR."""
    gap = int(QUIET_FOR * rate)
    found, onset, last = [], None, None
    for frame in range(start, len(samples) // 2):
        if abs(samples[2 * frame]) >= LOUD or abs(samples[2 * frame + 1]) >= LOUD:
            if onset is None or frame - last > gap:
                if onset is not None:
                    found.append((onset, last))
                onset = frame
            last = frame
    if onset is not None:
        found.append((onset, last))
    return found


def launch_check(session, binary):
    """One launch: three notes, the first pressed as soon as the window shows. Returns the
    failures and a line of what was found."""
    recorder = Recorder(session.rate)
    program = Program(session, binary)
    presses = []
    try:
        for _ in range(3):
            presses.append(session.keyboard.tap(CHORD_KEYS[0]))
            # The first may wait for the SoundFont.
            wait_note(recorder, presses[-1], timeout=20)
    finally:
        program.close()
        samples = recorder.stop()
    rate = session.rate
    first = recorder.frame_at(presses[0])
    before = max((abs(s) for s in samples[:2 * first]), default=0)
    full = sum(1 for s in samples if abs(s) >= FULL_SCALE)
    found = notes(samples, rate)
    failures = []
    if full:
        failures.append(f"{full} full-scale samples")
    if before > 1:
        failures.append(f"sound before the first key: peak {before}")
    if len(found) != len(presses):
        failures.append(f"{len(found)} notes for {len(presses)} key presses")
    else:
        for i, ((onset, end), press) in enumerate(zip(found, presses)):
            following = presses[i + 1] if i + 1 < len(presses) else float("inf")
            if not press < recorder.time_of(onset) < following:
                failures.append(f"note {i + 1} does not start after its key")
            if recorder.time_of(end) + QUIET_FOR > following:
                failures.append(f"note {i + 1} does not end before the next key")
    summary = (f"{len(samples) // 2 / rate:.1f} s recorded, peak before the first key {before}, "
               f"{full} full-scale samples, notes " +
               ", ".join(f"{recorder.time_of(a) - presses[0]:.2f}-{recorder.time_of(b) - presses[0]:.2f} s"
                         for a, b in found) + " after the first key")
    return failures, summary


def check_launches(session, binary, count):
    failed = 0
    for launch in range(count):
        failures, summary = launch_check(session, binary)
        print(f"  launch {launch + 1}: {summary}" + (f": FAILED: {'; '.join(failures)}" if failures else ""))
        failed += bool(failures)
    return failed


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(share * (len(ordered) - 1))))]


def measure_latency(session, program, presses=24, idle_every=4, idle_seconds=6.0):
    recorder = Recorder(session.rate)
    times = []
    try:
        for press in range(presses):
            wait_quiet(recorder)
            time.sleep(idle_seconds if press % idle_every == idle_every - 1 else random.uniform(0.2, 0.5))
            sent = session.keyboard.tap(CHORD_KEYS[press % 3])
            times.append((sent, press % idle_every == idle_every - 1))
            wait_note(recorder, sent, timeout=10)
    finally:
        samples = recorder.stop()
    results = []
    for sent, after_idle in times:
        start = recorder.frame_at(sent)
        onset = next((f for f in range(start, len(samples) // 2)
                      if abs(samples[2 * f]) >= ONSET or abs(samples[2 * f + 1]) >= ONSET), None)
        if onset is not None:
            results.append(((recorder.time_of(onset) - sent) * 1000, after_idle))
    return results


def play_chords(session, seconds):
    """Three keys held 0.5 s, 0.1 s apart, over and over."""
    keyboard = session.keyboard
    start = time.monotonic()
    cycle = 0
    while time.monotonic() - start < seconds:
        base = start + cycle * 0.8
        events = sorted([(0.1 * i, key, True) for i, key in enumerate(CHORD_KEYS)] +
                        [(0.1 * i + 0.5, key, False) for i, key in enumerate(CHORD_KEYS)])
        for offset, key, down in events:
            delay = base + offset - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            keyboard.send(key, down)
        cycle += 1


def dropouts(samples, rate, start_frame, end_frame):
    """Runs of at least 1 ms of digital silence with sound right before and right after."""
    span = max(1, rate // 1000)
    count, run_start = 0, None
    for frame in range(start_frame, end_frame):
        silent = samples[2 * frame] == 0 and samples[2 * frame + 1] == 0
        if silent and run_start is None:
            run_start = frame
        elif not silent and run_start is not None:
            if frame - run_start >= span:
                before = samples[2 * max(0, run_start - 2 * span):2 * run_start]
                after = samples[2 * frame:2 * (frame + 2 * span)]
                if max(map(abs, before), default=0) >= LOUD and max(map(abs, after), default=0) >= LOUD:
                    count += 1
            run_start = None
    return count


def measure_dropouts(session, seconds=60.0):
    recorder = Recorder(session.rate)
    try:
        with busy(session):
            begin = time.monotonic()
            play_chords(session, seconds)
        wait_quiet(recorder)
    finally:
        samples = recorder.stop()
    first, last = recorder.frame_at(begin), len(samples) // 2
    return dropouts(samples, session.rate, first, last), (last - first) / session.rate


def measure_cpu(session, program, seconds, action):
    server = session.server_pid()
    before = program.cpu_seconds(), cpu_seconds(server)
    start = time.monotonic()
    action(seconds)
    elapsed = time.monotonic() - start
    after = program.cpu_seconds(), cpu_seconds(server)
    return [(b - a) / elapsed * 100 for a, b in zip(before, after)]


@contextlib.contextmanager
def launched(session, binary):
    """A fresh launch of the program whose SoundFont is in (a first note has sounded)."""
    program = Program(session, binary)
    try:
        recorder = Recorder(session.rate)
        try:
            wait_note(recorder, session.keyboard.tap(CHORD_KEYS[0]), timeout=20)
        finally:
            recorder.stop()
        yield program
    finally:
        program.close()


@contextlib.contextmanager
def busy(session):
    loops = session.busy_loops()
    try:
        yield
    finally:
        stop_all(loops)


def full(session, binary, dropout_runs):
    print(f"sink: {SINK} at {session.rate} Hz; {os.cpu_count()} cores; "
          f"load {os.getloadavg()[0]:.2f} before the run")
    print("junk at start, 5 launches:")
    failed = check_launches(session, binary, 5)
    print(f"  {failed} of 5 launches with junk or a wrong note")

    print("key to sound, 24 presses (every fourth after 6 s of silence), a fresh launch, two busy "
          "loops beside it:")
    with launched(session, binary) as program, busy(session):
        results = measure_latency(session, program)
    for label, chosen in (("all", [ms for ms, _ in results]),
                          ("while the stream runs", [ms for ms, idle in results if not idle]),
                          ("first note after 6 s idle", [ms for ms, idle in results if idle])):
        if chosen:
            print(f"  {label}: n={len(chosen)} median {statistics.median(chosen):.1f} ms, "
                  f"p95 {percentile(chosen, 0.95):.1f} ms, min {min(chosen):.1f}, "
                  f"max {max(chosen):.1f}")

    print("dropouts, 60 s of chord playing a run, a fresh launch, two busy loops beside it:")
    with launched(session, binary):
        for run in range(dropout_runs):
            count, seconds = measure_dropouts(session)
            print(f"  run {run + 1}: {count} dropouts in {seconds:.1f} s recorded")

    print("CPU, % of one core (program / server / together), a fresh launch, nothing beside it:")
    with launched(session, binary) as program:
        time.sleep(5)
        idle = measure_cpu(session, program, 60, time.sleep)
        print(f"  idle 60 s after 5 s of silence: {idle[0]:.2f} / {idle[1]:.2f} / {sum(idle):.2f}")
        playing = measure_cpu(session, program, 30, lambda s: play_chords(session, s))
        print(f"  chord pattern 30 s: {playing[0]:.2f} / {playing[1]:.2f} / {sum(playing):.2f}")
    return failed == 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--short", metavar="BINARY")
    mode.add_argument("--full", metavar="BINARY")
    mode.add_argument("--count", action="store_true")
    parser.add_argument("--dropout-runs", type=int, default=1)
    args = parser.parse_args(argv[1:])
    if args.count:
        print(SHORT_CHECKS)
        return 0
    session = Session()
    try:
        if args.short:
            print("sound: no junk at start and notes that start and end, 3 launches")
            failed = check_launches(session, os.path.realpath(args.short), 3)
            if failed:
                print(f"sound: FAILED: {failed} of 3 launches")
                return 1
            print(f"sound: {SHORT_CHECKS} passed, 0 failed")
            return 0
        return 0 if full(session, os.path.realpath(args.full), args.dropout_runs) else 1
    except Failure as failure:
        print(f"sound: FAILED: {failure}")
        return 1
    finally:
        session.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
