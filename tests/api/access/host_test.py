"""The problem-access calls as a host program makes them: libvendrakol.so loaded with
ctypes, a fixture problem opened, counted and closed, and the failures a host can meet."""
import argparse
import ctypes
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


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--library", required=True)
    parser.add_argument("--builder", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
