"""The problem-access calls as a host program makes them: libvendrakol.so loaded with
ctypes, a fixture problem opened, counted and closed, the failures a host can meet, and a
table of the bad arguments a host can pass to each call."""
import argparse
import ctypes
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ARGS = None


def load():
    lib = ctypes.CDLL(ARGS.library)
    i32p = ctypes.POINTER(ctypes.c_int32)
    lib.PAOPEN.argtypes = [ctypes.c_char_p, ctypes.c_int32, ctypes.c_char_p, ctypes.c_int32,
                           i32p, i32p]
    lib.PAMISC.argtypes = [i32p] * 4
    lib.DBMISC.argtypes = [i32p] * 4
    lib.PACLOS.argtypes = []
    return lib


def build(directory, kind="gas"):
    subprocess.run([ARGS.builder, directory, kind], check=True)
    return os.path.join(directory, "plant")


def ints(n):
    return [ctypes.c_int32(-99) for _ in range(n)]


def paopen(lib, name, dir2):
    iout, ierr = ints(2)
    name_b, dir_b = name.encode(), dir2.encode()
    lib.PAOPEN(name_b, len(name_b), dir_b, len(dir_b), ctypes.byref(iout), ctypes.byref(ierr))
    return iout.value, ierr.value


def pamisc(lib):
    values = ints(4)
    lib.PAMISC(*[ctypes.byref(v) for v in values])
    return [v.value for v in values]


def dbmisc(lib):
    values = ints(4)
    lib.DBMISC(*[ctypes.byref(v) for v in values])
    return [v.value for v in values]


def run_child(code):
    """Runs CODE in a fresh Python with the library's path; returns (status, stdout)."""
    child = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                           env=dict(os.environ, VENDRAKOL_LIB=ARGS.library))
    return child.returncode, child.stdout


CHILD_PRELUDE = """
import ctypes, os, sys
lib = ctypes.CDLL(os.environ["VENDRAKOL_LIB"])
i32 = ctypes.c_int32
def paopen(name, dir2):
    iout, ierr = i32(0), i32(0)
    n, d = name.encode(), dir2.encode()
    lib.PAOPEN(n, len(n), d, len(d), ctypes.byref(iout), ctypes.byref(ierr))
    sys.stdout.flush()
    return ierr.value
"""


class ProblemAccess(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name + "/"

    def tearDown(self):
        self.tmp.cleanup()

    def test_open_count_close_twice(self):
        name = build(self.dir)
        lib = load()
        for _ in range(2):
            iout, ierr = paopen(lib, name, self.dir)
            self.assertEqual(ierr, 0)
            self.assertGreater(iout, 0)
            self.assertEqual(pamisc(lib), [6, 0, 0, 0])
            self.assertEqual(dbmisc(lib), [1, 0, 6, 0])
            lib.PACLOS()
        self.assertTrue(os.path.exists(name + ".zqw"))

    def test_unsolved_problem_builds_tables_with_status_1(self):
        name = build(self.dir, "unsolved")
        lib = load()
        self.assertEqual(paopen(lib, name, self.dir)[1], 0)
        self.assertEqual(pamisc(lib), [6, 0, 0, 1])
        self.assertEqual(dbmisc(lib)[0], 0)
        lib.PACLOS()

    def test_calls_without_an_open_problem(self):
        lib = load()
        lib.PACLOS()
        self.assertEqual(dbmisc(lib), [0, 0, 0, 0])
        self.assertEqual(pamisc(lib), [0, 0, 0, 1])

    def test_missing_files_are_reported_one_line_each(self):
        name = build(self.dir)
        os.remove(name + ".zn2")
        os.remove(name + ".zn3")
        status, out = run_child(CHILD_PRELUDE + f"print(paopen({name!r}, {self.dir!r}))")
        self.assertEqual(status, 0)
        lines = out.splitlines()
        self.assertEqual([l for l in lines if l.startswith(" FILE NOT FOUND: ")],
                         [" FILE NOT FOUND: " + (name + ext).ljust(60)[:60].rstrip()
                          for ext in (".zn2", ".zn3")])
        self.assertEqual(lines[-1], "1")

    def test_only_the_exports_are_visible(self):
        if shutil.which("nm") is None:
            self.skipTest("nm is not installed")
        out = subprocess.run(["nm", "-D", "--defined-only", ARGS.library], capture_output=True,
                             text=True, check=True).stdout
        functions = {line.split()[-1] for line in out.splitlines()
                     if len(line.split()) == 3 and line.split()[1] in "TW"}
        self.assertEqual(functions, {"PAOPEN", "PAMISC", "DBMISC", "PACLOS"})

    def test_a_foreign_database_ends_the_process_with_its_abort_report(self):
        name = build(self.dir, "foreign")
        status, _ = run_child(CHILD_PRELUDE + f"paopen({name!r}, {self.dir!r})")
        self.assertEqual(status, 15)


# ---------------------------------------------------------------------------------------
# Bad arguments. Every case runs in a child process of its own over a fresh copy of a built
# problem: the child makes the calls of the case and prints its results as one JSON line,
# so that a case that ends the process is seen by its exit status, never by the test's end.
# ---------------------------------------------------------------------------------------

INT32_MAX = 2**31 - 1
INT32_MIN = -2**31
ABORT_STATUS = 15
RESULT = "RESULT "

# The child's helpers. Each call takes the case's raw arguments: a text as bytes or None
# (a null address) with the length passed, and the indexes of the output arguments passed
# as null pointers. NAME and DIR are the fixture problem's path and its directory.
TABLE_PRELUDE = """
import ctypes, json, os, sys
lib = ctypes.CDLL(os.environ["VENDRAKOL_LIB"])
i32 = ctypes.c_int32
i32p = ctypes.POINTER(i32)
lib.PAOPEN.argtypes = [ctypes.c_char_p, i32, ctypes.c_char_p, i32, i32p, i32p]
lib.PAMISC.argtypes = [i32p] * 4
lib.DBMISC.argtypes = [i32p] * 4
lib.PACLOS.argtypes = []
NAME = os.fsencode(os.environ["PROBLEM"])
DIR = os.fsencode(os.environ["DIR2"])
INT32_MAX, INT32_MIN = 2**31 - 1, -2**31

def outputs(n, nulls):
    values = [i32(-99) for _ in range(n)]
    return values, [None if k in nulls else ctypes.byref(v) for k, v in enumerate(values)]

def paopen(name=NAME, dir2=DIR, name_length=None, dir2_length=None, nulls=()):
    values, pointers = outputs(2, nulls)
    if name_length is None: name_length = len(name)
    if dir2_length is None: dir2_length = len(dir2)
    lib.PAOPEN(name, name_length, dir2, dir2_length, *pointers)
    return [v.value for v in values]

def pamisc(nulls=()):
    values, pointers = outputs(4, nulls)
    lib.PAMISC(*pointers)
    return [v.value for v in values]

def dbmisc(nulls=()):
    values, pointers = outputs(4, nulls)
    lib.DBMISC(*pointers)
    return [v.value for v in values]

def done(**results):
    sys.stdout.flush()
    print("%s" + json.dumps(results), flush=True)
""" % RESULT

OPENED = [1, 0, 6, 0]  # DBMISC of the open fixture problem: solved, streams, components, units
CLOSED = [0, 0, 0, 0]  # DBMISC with no problem open
COUNTS = [6, 0, 0, 0]  # PAMISC of the open fixture problem: counts and status 0
NOT_OPEN = [0, 0, 0, 1]  # PAMISC with no problem open: status 1


def opens(call, **more):
    """A PAOPEN case that opens the problem: status 0, a report unit, the problem open."""
    return dict(code=f"iout, ierr = {call}\ndone(ierr=ierr, unit=iout > 0, db=dbmisc())\n"
                     "lib.PACLOS()",
                results=dict(ierr=0, unit=True, db=OPENED), **more)


def refused(call, **more):
    """A PAOPEN case refused with status 1: three FILE NOT FOUND lines, nothing open."""
    return dict(code=f"iout, ierr = {call}\ndone(ierr=ierr, db=dbmisc(), misc=pamisc())",
                results=dict(ierr=1, db=CLOSED, misc=NOT_OPEN), not_found=3, **more)


def refused_directory(call, directory=1, not_found=0, setup=""):
    """A PAOPEN case whose directory of the side files is refused with status 1: DIRECTORY
    lines saying what is wrong with it, or a FILE NOT FOUND line per missing side file;
    nothing open."""
    return dict(code=f"{setup}\niout, ierr = {call}\ndone(ierr=ierr, db=dbmisc(), misc=pamisc())",
                results=dict(ierr=1, db=CLOSED, misc=NOT_OPEN), directory_lines=directory,
                not_found=not_found)


def aborted(call, abort):
    """A PAOPEN case whose open sequence fails on a damaged file: the abort report ABORT and
    exit status 15."""
    return dict(code=f"{call}\ndone(survived=True)", exit=ABORT_STATUS, abort=abort)


# label -> case: CODE run in the child; EXIT its status; RESULTS what it prints; NOT_FOUND
# the number of " FILE NOT FOUND: " lines; ABORT the start of the abort report's message;
# DIRECTORY the name of the problem's directory.
CASES = {
    # PAOPEN: the name.
    "name as passed": opens("paopen()"),
    "name empty": refused("paopen(name=b'')"),
    "name blank": refused("paopen(name=b' ' * 12)"),
    "name null with a length": refused("paopen(name=None, name_length=12)"),
    "name length -1": refused("paopen(name_length=-1)"),
    "name length most negative": refused("paopen(name_length=INT32_MIN)"),
    "name length zero": refused("paopen(name_length=0)"),
    "name length huge over a NUL-terminated name": opens("paopen(name_length=INT32_MAX)"),
    "name length one short": refused("paopen(name_length=len(NAME) - 1)"),
    "name cut by a NUL inside its length": opens("paopen(name=NAME + b'\\0.zn9 junk')"),
    "name blank-padded to 5000 characters": opens("paopen(name=NAME.ljust(5000))"),
    "name of 5000 characters": refused("paopen(name=b'X' * 5000)"),
    "name of 5000 characters under the problem's directory":
        refused("paopen(name=DIR + b'Y' * 4000)"),
    "name with its blanks removed to the problem's":
        opens("paopen(name=NAME[:-2] + b' ' + NAME[-2:])"),
    "name with a non-ASCII character": refused("paopen(name=NAME + 'é'.encode())"),
    "name with bytes that are not UTF-8": refused("paopen(name=NAME + b'\\xff\\xfe')"),
    "name and directory with non-ASCII characters": opens("paopen()", directory="dír-Ωmega"),
    # PAOPEN: the directory of the side files.
    "directory without its closing separator": opens("paopen(dir2=DIR[:-1])"),
    "directory blank-padded to 5000 characters": opens("paopen(dir2=DIR.ljust(5000))"),
    "directory length huge over a NUL-terminated text": opens("paopen(dir2_length=INT32_MAX)"),
    # A mistake in the directory is refused with a status before anything is opened, as
    # one in the name is; it used to end the process in the open's abort report.
    "directory empty, so the default one, which is missing": refused_directory("paopen(dir2=b'')"),
    "directory null with a length": refused_directory("paopen(dir2=None, dir2_length=12)"),
    "directory length most negative": refused_directory("paopen(dir2_length=INT32_MIN)"),
    "directory of 5000 characters": refused_directory("paopen(dir2=b'Z' * 5000)"),
    "directory of 251 characters": refused_directory("paopen(dir2=b'/' + b'Z' * 250)"),
    "directory with a non-ASCII name that does not exist":
        refused_directory("paopen(dir2=DIR + 'ñ/'.encode())"),
    "directory that is a regular file": refused_directory(
        "paopen(dir2=DIR + b'veltra.err')"),
    "directory that is a symbolic link to itself": refused_directory(
        "paopen(dir2=DIR + b'loop/')", setup="os.symlink(DIR + b'loop', DIR + b'loop')"),
    "directory without the support database": refused_directory(
        "paopen()", setup="os.remove(DIR + b'veltra.sp1')", directory=0, not_found=1),
    "directory without the message file": refused_directory(
        "paopen()", setup="os.remove(DIR + b'veltra.err')", directory=0, not_found=1),
    "directory whose message file is a directory": refused_directory(
        "paopen()", setup="os.remove(DIR + b'veltra.err')\nos.mkdir(DIR + b'veltra.err')",
        directory=0, not_found=1),
    "support database damaged": aborted(
        "open(DIR + b'veltra.sp1', 'r+b').write(bytes(64))\npaopen()", abort=""),
    # PAOPEN: null outputs.
    "unit null": dict(code="ierr = paopen(nulls=(0,))[1]\ndone(ierr=ierr, db=dbmisc())",
                      results=dict(ierr=0, db=OPENED)),
    "status null": dict(code="iout = paopen(nulls=(1,))[0]\ndone(unit=iout > 0, db=dbmisc())",
                        results=dict(unit=True, db=OPENED)),
    "unit and status null": dict(code="paopen(nulls=(0, 1))\ndone(db=dbmisc())",
                                 results=dict(db=OPENED)),
    "status null on a missing problem":
        dict(code="paopen(name=b'', nulls=(0, 1))\ndone(db=dbmisc())", results=dict(db=CLOSED),
             not_found=3),
    # PAMISC and DBMISC: null outputs, each in turn and all, open and closed.
    **{f"PAMISC output {k + 1} null": dict(
        code=f"paopen()\nm = pamisc(nulls=({k},))\ndone(misc=m)",
        results=dict(misc=[-99 if j == k else v for j, v in enumerate(COUNTS)]))
       for k in range(4)},
    **{f"DBMISC output {k + 1} null": dict(
        code=f"paopen()\nd = dbmisc(nulls=({k},))\ndone(db=d)",
        results=dict(db=[-99 if j == k else v for j, v in enumerate(OPENED)]))
       for k in range(4)},
    "PAMISC and DBMISC all null, open": dict(
        code="paopen()\npamisc(nulls=range(4))\ndbmisc(nulls=range(4))\n"
             "done(misc=pamisc(), db=dbmisc())",
        results=dict(misc=COUNTS, db=OPENED)),
    "PAMISC and DBMISC all null, closed": dict(
        code="pamisc(nulls=range(4))\ndbmisc(nulls=range(4))\ndone(survived=True)",
        results=dict(survived=True)),
    # The order of the calls.
    "calls before the first open": dict(
        code="m, d = pamisc(), dbmisc()\nlib.PACLOS()\ndone(misc=m, db=d, open=paopen()[1])",
        results=dict(misc=NOT_OPEN, db=CLOSED, open=0)),
    "calls after the close": dict(
        code="paopen()\nlib.PACLOS()\nm, d = pamisc(), dbmisc()\nlib.PACLOS()\n"
             "done(misc=m, db=d, open=paopen()[1], again=pamisc())",
        results=dict(misc=NOT_OPEN, db=CLOSED, open=0, again=COUNTS)),
    "open twice": dict(
        code="first, second = paopen()[1], paopen()[1]\n"
             "done(first=first, second=second, misc=pamisc(), db=dbmisc())",
        results=dict(first=0, second=0, misc=COUNTS, db=OPENED)),
    "open twice, the second refused": dict(
        code="paopen()\npamisc()\nsecond = paopen(name=b'missing')[1]\n"
             "d = dbmisc()\nthird = paopen()[1]\ndone(second=second, db=d, third=third,"
             " misc=pamisc())",
        results=dict(second=1, db=CLOSED, third=0, misc=COUNTS), not_found=3),
    "PAMISC twice": dict(code="paopen()\ndone(first=pamisc(), second=pamisc())",
                         results=dict(first=COUNTS, second=COUNTS)),
}


class BadArguments(unittest.TestCase):
    """Each export called with every kind of bad argument a host can pass: each case gives
    its status, or the abort report of the open sequence, and nothing else ends the child."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.template = os.path.join(cls.tmp.name, "template")
        os.mkdir(cls.template)
        build(cls.template)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def run_case(self, label, case):
        with tempfile.TemporaryDirectory() as top:
            directory = os.path.join(top, case.get("directory", "problem"))
            shutil.copytree(self.template, directory)
            env = dict(os.environ, VENDRAKOL_LIB=ARGS.library,
                       PROBLEM=os.path.join(directory, "plant"), DIR2=directory + "/")
            child = subprocess.run([sys.executable, "-c", TABLE_PRELUDE + case["code"]],
                                   capture_output=True, env=env, timeout=120)
        stdout = child.stdout.decode(errors="replace")
        stderr = child.stderr.decode(errors="replace")
        shown = f"{label}: exit {child.returncode}\nstdout:\n{stdout}\nstderr:\n{stderr}"
        self.assertEqual(child.returncode, case.get("exit", 0), shown)
        lines = stdout.splitlines()
        self.assertEqual(sum(l.startswith(" FILE NOT FOUND: ") for l in lines),
                         case.get("not_found", 0), shown)
        self.assertEqual(sum(l.startswith(" DIRECTORY ") for l in lines),
                         case.get("directory_lines", 0), shown)
        results = [json.loads(l[len(RESULT):]) for l in lines if l.startswith(RESULT)]
        if child.returncode == ABORT_STATUS:
            self.assertEqual(results, [], shown)
            self.assertIn("*** ABORT ***  " + case["abort"], stderr, shown)
            return
        self.assertEqual(len(results), 1, shown)
        self.assertEqual(results[0], case["results"], shown)

    def test_every_case_gives_its_status_and_the_process_survives(self):
        for label, case in CASES.items():
            with self.subTest(label):
                self.run_case(label, case)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--library", required=True)
    parser.add_argument("--builder", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
