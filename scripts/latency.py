#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How long the built galvetta takes to answer an interface over real pipes.

Usage: scripts/latency.py [PATH-TO-galvetta [PATH-TO-galvetta-tool]] [--runs N]

Prints three latencies, each the median of N runs (default 5):
  burst   ten unknown commands written at once, until the tenth reply;
  move    "time", "otim" and a move written at once under "st 1", until
          "move", next to the engine's own milliseconds for the same search
          (galvetta-tool search at the depth the first search plans, 4);
  setup   a 40-line edit set-up and "go" written at once, until the search
          has started (a marker line after "go" is answered);
  stop    in UCI mode, "stop" 0.5 s into "go infinite", until "bestmove";
  depth5  in UCI mode, "go infinite" from the start position, until the
          line of depth 5 (every depth is reported as it finishes);
  movetime in UCI mode, "go movetime T" for T = 300 and 1000, until
          "bestmove", on an idle machine and with every core kept busy by
          other processes: the time an interface sees, which must stay below T;
  memory  resident memory of "galvetta --uci --no-window" after 100 and after
          4,000 searches (ucinewgame, a position, go depth 2), which must stay
          within 2 MiB: an evening's analysis must not grow without end.
It exits with status 1 when a bound above is broken.
"""
import os
import select
import statistics
import subprocess
import sys
import time

GREETING = "tellics Hi from Galvetta (https://galvetta.example.org)"
AFTER_E2E4 = "RNBQKBNRPPPPPPPP--------------------p-----------pppp-ppprnbqkbnrNe++++"


class Program:
    def __init__(self, path, arguments=()):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        self.proc = subprocess.Popen([path, *arguments], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, env=env, bufsize=0)
        self.pending = b""

    def send(self, lines):
        self.proc.stdin.write("".join(line + "\n" for line in lines).encode())

    def read_line(self, timeout=30.0):
        deadline = time.monotonic() + timeout
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.proc.stdout], [], [], left)[0]:
                raise TimeoutError("no answer")
            chunk = os.read(self.proc.stdout.fileno(), 4096)
            if not chunk:
                raise EOFError("program ended")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode(errors="replace")

    def wait_for(self, predicate):
        while True:
            line = self.read_line()
            if predicate(line):
                return line

    def close(self):
        try:
            self.send(["quit"])
        except BrokenPipeError:
            pass
        self.proc.wait(timeout=5)


def timed(program, lines, predicate):
    start = time.monotonic()
    program.send(lines)
    program.wait_for(predicate)
    return (time.monotonic() - start) * 1000


def burst(program):
    lines = ["unknown%d" % i for i in range(10)]
    return timed(program, lines, lambda l: l == "Error (unknown command): unknown9")


def engine_move(program):
    program.send(["new", "st 1"])
    program.wait_for(lambda l: l == GREETING)
    return timed(program, ["time 6000", "otim 6000", "e2e4"], lambda l: l.startswith("move "))


def setup(program):
    pieces = ["Ra1", "Nb1", "Bc1", "Qd1", "Ke1", "Bf1", "Ng1", "Rh1"] + ["P%s2" % f for f in "abcdefgh"]
    black = [p.replace("1", "8").replace("2", "7") for p in pieces]
    lines = ["new", "force", "edit", "#"] + pieces + ["c"] + black + [".", "white", "time 6000", "otim 6000", "go"]
    assert len(lines) >= 40
    program.send(["st 1"])
    return timed(program, lines + ["marker"], lambda l: l == "Error (unknown command): marker")


def uci_stop(galvetta):
    program = Program(galvetta, ["--uci"])
    program.send(["isready"])
    program.wait_for(lambda l: l == "readyok")
    program.send(["position startpos moves e2e4 e7e5", "go infinite"])
    time.sleep(0.5)
    ms = timed(program, ["stop"], lambda l: l.startswith("bestmove "))
    program.close()
    return ms


def uci_depth5(galvetta):
    program = Program(galvetta, ["--uci"])
    program.send(["isready"])
    program.wait_for(lambda l: l == "readyok")
    ms = timed(program, ["position startpos", "go infinite"], lambda l: l.startswith("info depth 5 "))
    program.send(["stop"])
    program.wait_for(lambda l: l.startswith("bestmove "))
    program.close()
    return ms


def uci_movetime(galvetta, movetime):
    program = Program(galvetta, ["--uci"])
    program.send(["isready"])
    program.wait_for(lambda l: l == "readyok")
    ms = timed(program, ["position startpos moves e2e4 e7e5", "go movetime %d" % movetime],
               lambda l: l.startswith("bestmove "))
    program.close()
    return ms


class Load:
    """Busy processes, one a core, for as long as the block lasts."""

    def __enter__(self):
        spin = "while True: pass"
        self.procs = [subprocess.Popen([sys.executable, "-c", spin]) for _ in range(os.cpu_count() or 1)]
        return self

    def __exit__(self, *exc):
        for proc in self.procs:
            proc.kill()
            proc.wait()


def search_ms(tool):
    out = subprocess.run([tool, "search", AFTER_E2E4, "--start", "4", "--max", "4", "--step", "4"],
                         capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        if line.startswith("ms"):
            return float(line.split()[-1])
    raise ValueError("no ms line in: " + out)


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def memory_session(galvetta, searches=4000, settled=100):
    """Resident memory (KiB) after `settled` and after `searches` searches."""
    program = Program(galvetta, ["--uci", "--no-window"])
    program.send(["uci"])
    program.wait_for(lambda l: l == "uciok")
    marks = {}
    for n in range(1, searches + 1):
        program.send(["ucinewgame", "position startpos moves e2e4 e7e5 g1f3", "go depth 2"])
        program.wait_for(lambda l: l.startswith("bestmove "))
        if n in (settled, searches):
            marks[n] = resident_kib(program.proc.pid)
    program.close()
    return marks[settled], marks[searches]


def main():
    args = [a for a in sys.argv[1:]]
    runs = 5
    if "--runs" in args:
        i = args.index("--runs")
        runs = int(args[i + 1])
        del args[i:i + 2]
    here = os.path.dirname(os.path.abspath(__file__))
    build = os.path.join(here, "..", "build", "release")
    galvetta = args[0] if args else os.path.join(build, "app", "galvetta")
    tool = args[1] if len(args) > 1 else os.path.join(build, "tools", "galvetta-tool")

    figures = {"burst": [], "move": [], "setup": [], "stop": [], "depth5": []}
    for _ in range(runs):
        program = Program(galvetta)
        program.wait_for(lambda l: l == GREETING)
        figures["burst"].append(burst(program))
        figures["move"].append(engine_move(program))
        figures["setup"].append(setup(program))
        program.close()
        figures["stop"].append(uci_stop(galvetta))
        figures["depth5"].append(uci_depth5(galvetta))
    movetimes = {}
    for loaded in (False, True):
        for movetime in (300, 1000):
            if loaded:
                with Load():
                    movetimes[(loaded, movetime)] = [uci_movetime(galvetta, movetime) for _ in range(runs)]
            else:
                movetimes[(loaded, movetime)] = [uci_movetime(galvetta, movetime) for _ in range(runs)]
    own = statistics.median(search_ms(tool) for _ in range(runs))
    med = {k: statistics.median(v) for k, v in figures.items()}
    print("latency over pipes, median of %d runs (ms)" % runs)
    print("burst  ten unknown commands, until the tenth reply   %8.1f" % med["burst"])
    print("move   time/otim/e2e4 under st 1, until move         %8.1f" % med["move"])
    print("       the same search alone (depth 4)               %8.1f" % own)
    print("setup  40-line edit set-up and go, until it searches %8.1f" % med["setup"])
    print("stop   UCI stop during go infinite, until bestmove   %8.1f" % med["stop"])
    print("depth5 UCI go infinite, until depth 5 is reported    %8.1f" % med["depth5"])
    broken = []
    for (loaded, movetime), values in movetimes.items():
        print("movetime %4d, %s: median %6.1f, longest %6.1f" %
              (movetime, "all cores busy" if loaded else "idle          ", statistics.median(values), max(values)))
        if max(values) >= movetime:
            broken.append("go movetime %d answered after %.1f ms" % (movetime, max(values)))
    settled, last = memory_session(galvetta)
    print("memory resident after 100 searches %.1f MiB, after 4000 %.1f MiB" % (settled / 1024, last / 1024))
    if last - settled > 2048:
        broken.append("memory grew by %.1f MiB over 3900 searches" % ((last - settled) / 1024))
    for fault in broken:
        print("latency: " + fault)
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
