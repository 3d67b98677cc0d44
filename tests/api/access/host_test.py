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
    text = [ctypes.c_char_p, ctypes.c_int32]
    lib.PADATC.argtypes = text * 3 + [ctypes.c_char_p, ctypes.c_int32, i32p, i32p, i32p]
    lib.PADATI.argtypes = text * 3 + [i32p, i32p, i32p]
    lib.PADATR.argtypes = text * 3 + [ctypes.POINTER(ctypes.c_float), i32p, i32p, i32p, i32p]
    lib.PAUOM1.argtypes = [i32p, i32p, i32p, ctypes.c_char_p, ctypes.c_int32]
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

    def test_the_empty_flash_calls_change_nothing(self):
        # With and without a problem, with null and real addresses: they return and leave
        # every argument as it was.
        lib = load()
        words = (ctypes.c_int32 * 3)(7, 8, 9)
        lib.ERSETU()
        lib.OTHIST(None, None, None)
        lib.OTHIST(ctypes.byref(words, 0), ctypes.byref(words, 4), ctypes.byref(words, 8))
        self.assertEqual(list(words), [7, 8, 9])
        name = build(self.dir)
        self.assertEqual(paopen(lib, name, self.dir)[1], 0)
        lib.ERSETU()
        lib.OTHIST(ctypes.byref(words, 0), None, ctypes.byref(words, 8))
        self.assertEqual(list(words), [7, 8, 9])
        self.assertEqual(pamisc(lib), [6, 0, 0, 0])
        lib.PACLOS()

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
        self.assertEqual(functions, {"PAOPEN", "PAMISC", "DBMISC", "PACLOS", "PADATC", "PADATI",
                                     "PADATR", "PAUOM1", "ERSETU", "OTHIST", "UFLSH", "VFLASH",
                                     "VPROPS"})

    def test_a_foreign_database_ends_the_process_with_its_abort_report(self):
        name = build(self.dir, "foreign")
        status, _ = run_child(CHILD_PRELUDE + f"paopen({name!r}, {self.dir!r})")
        self.assertEqual(status, 15)


def request(lib, kind, cls, attr, ident, iunset=1, width=16, n=64):
    """One data request through the export KIND ("C", "I" or "R"); returns (status, the
    values delivered, the other outputs) and what it printed."""
    c, a, i = cls.encode(), attr.encode(), ident.encode()
    count, ierr, elen, iucls = ints(4)
    count.value = 0
    if kind == "C":
        buffer = ctypes.create_string_buffer(b"#" * (width * n), width * n)
        lib.PADATC(c, len(c), a, len(a), i, len(i), buffer, width, ctypes.byref(elen),
                   ctypes.byref(count), ctypes.byref(ierr))
        raw = buffer.raw
        values = [raw[k * width:(k + 1) * width].decode().rstrip()
                  for k in range(min(max(count.value, 0), n))]
        return ierr.value, values, dict(count=count.value, elen=elen.value)
    if kind == "I":
        array = (ctypes.c_int32 * n)(*([-7] * n))
        lib.PADATI(c, len(c), a, len(a), i, len(i), array, ctypes.byref(count),
                   ctypes.byref(ierr))
        return ierr.value, list(array[:min(max(count.value, 0), n)]), dict(count=count.value)
    array = (ctypes.c_float * n)(*([-7.0] * n))
    unit_set = ctypes.c_int32(iunset)
    lib.PADATR(c, len(c), a, len(a), i, len(i), array, ctypes.byref(count),
               ctypes.byref(unit_set), ctypes.byref(iucls), ctypes.byref(ierr))
    return ierr.value, [round(v, 4) for v in array[:min(max(count.value, 0), n)]], dict(
        count=count.value, iunset=unit_set.value, iucls=iucls.value)


# The data requests of the units problem (build_fixture "units"): export, class, attribute,
# identifier, unit set -> status, the values, and the line printed (without trailing blanks).
# Temperatures 310 K = 98.33 F; a missing value is 0.0; K-values in stored component order.
REQUESTS = [
    ("C", "COMPS   ", "IDS", "", 1, 0, ["METHANE", "ETHANE", "PROPANE", "WATER"], ""),
    ("C", "comps", "IDS", "", 1, 1, [], " CLASS NOT SUPPORTED: comps"),
    ("C", " COMPS", "IDS", "", 1, 1, [], " CLASS NOT SUPPORTED:  COMPS"),
    ("I", "COMPS", "LibraryNumber", "", 1, 0, [1001, 0, 1003, 1004], ""),
    ("R", "COMPS", "CritVol", "", 1, 0, [0.0986, 0.0, 0.2, 0.05595], ""),
    ("C", "UNIT", "IDS", "", 1, 0, ["FLASH-1", "VALVE-1", "COLUMN-1", "STRIPPER-1", "HCURVE-1",
                                     "EXCH-1", "MIXER-1", "CTROPT-1", "FLASH-2"], ""),
    ("C", "UNIT", "TYPE", "VALVE-1", 1, 0, ["VALVE"], ""),
    ("C", "UNIT", "CLASS", "STRIPPER-1", 1, 0, ["Side"], ""),
    ("C", "UNIT", "TYPE", "OLD-FLASH", 1, 1, ["N/A"], ""),
    ("I", "UNIT", "UnitSolutionFlags", "", 1, 0, [1, 1, 0, 1, 1, 1, 1, 1, 1], ""),
    ("C", "UNIT", "ProdData", "FLASH-1", 1, 0, ["VAP", "LIQ"], ""),
    ("R", "Flash", "TempCalc", "FLASH-1", 1, 0, [310.0], ""),
    ("R", "Flash", "TempCalc", "FLASH-1", 5, 0, [98.33], ""),
    ("R", "Flash", "TempCalc", "FLASH-1", 0, 0, [98.33], ""),
    ("R", "Valve", "PresCalc", "VALVE-1", 5, 0, [0.0], ""),
    ("R", "Flash", "KValues", "FLASH-1", 1, 0, [3.0, 0.2667, 0.05, 1.0], ""),
    ("R", "Valve", "DutyCalc", "VALVE-1", 1, 1, [], " ATTRIBUTE NOT SUPPORTED: DutyCalc             FOR VALVE"),
    ("R", "Flash", "TempCalc", "VALVE-1", 1, 1, [], " UNIT ID: VALVE-1      IS NOT FLASH UNIT OP"),
    ("R", "Flash", "TempCalc", "OLD-FLASH", 1, 1, [], " INVALID UNIT ID: OLD-FLASH"),
    ("C", "Flash", "TempCalc", "FLASH-1", 1, 1, [],
     " WARNING: Flash        TempCalc             NOT CHARACTER TYPE"),
    ("I", "COMPS", "IDS", "", 1, 1, [], " WARNING: COMPS        IDS                  NOT INTEGER TYPE"),
    ("R", "UNIT", "TYPE", "FLASH-1", 1, 1, [],
     " WARNING: UNIT         TYPE                 NOT FLOATING POINT TYPE"),
]


class DataRequests(unittest.TestCase):
    def test_each_request_through_the_exports(self):
        with tempfile.TemporaryDirectory() as top:
            name = build(top + "/", "units")
            code = CHILD_PRELUDE + f"""
import json
sys.path.insert(0, {os.path.dirname(os.path.abspath(__file__))!r})
import host_test
host_test.ARGS = type("A", (), dict(library=os.environ["VENDRAKOL_LIB"]))
lib = host_test.load()
print(paopen({name!r}, {top + "/"!r}))
misc = [i32(0) for _ in range(4)]
lib.PAMISC(*[ctypes.byref(v) for v in misc])
for row in host_test.REQUESTS:
    sys.stdout.flush()
    print("BEGIN", flush=True)
    ierr, values, more = host_test.request(lib, row[0], row[1], row[2], row[3], row[4])
    sys.stdout.flush()
    print("END " + json.dumps([ierr, values, more]), flush=True)
lib.PACLOS()
"""
            status, out = run_child(code)
        self.assertEqual(status, 0, out)
        blocks = out.split("BEGIN\n")[1:]
        self.assertEqual(len(blocks), len(REQUESTS), out)
        for row, block in zip(REQUESTS, blocks):
            with self.subTest(row=row[:5]):
                printed, result = block.rsplit("END ", 1)
                ierr, values, more = json.loads(result)
                self.assertEqual(ierr, row[5])
                if row[0] == "R" and row[5] == 0:
                    self.assertEqual(len(values), len(row[6]))
                    for got, expected in zip(values, row[6]):
                        self.assertAlmostEqual(got, expected, delta=2e-3 * max(1, abs(expected)))
                    self.assertEqual(more["iunset"], row[4] if 1 <= row[4] <= 7 else 5)
                elif row[5] == 0 or row[6]:
                    self.assertEqual(values, row[6])
                else:  # refused: the array is left as it was
                    untouched = {"C": "#" * 16, "I": -7, "R": -7.0}[row[0]]
                    self.assertEqual(values, [untouched] * len(values))
                self.assertEqual(printed, row[7] + "\n" if row[7] else "")

    def test_unit_labels_with_short_and_long_buffers(self):
        with tempfile.TemporaryDirectory() as top:
            name = build(top + "/", "units")
            code = CHILD_PRELUDE + f"""
import json
i32p = ctypes.POINTER(i32)
lib.PAUOM1.argtypes = [i32p, i32p, i32p, ctypes.c_char_p, i32]
paopen({name!r}, {top + "/"!r})
results = []
for code, unit_set in [(0, 5), (1, 5), (1, 3), (100022, 5), (-1, 5), (-2, 5)]:
    for length in (10, 40):
        label = ctypes.create_string_buffer(b"#" * length, length)
        istat = i32(-9)
        lib.PAUOM1(ctypes.byref(i32(code)), ctypes.byref(i32(unit_set)), ctypes.byref(istat),
                   label, length)
        results.append([code, unit_set, length, istat.value, label.raw.decode()])
lib.PACLOS()
print("LABELS " + json.dumps(results))
"""
            status, out = run_child(code)
        self.assertEqual(status, 0, out)
        results = json.loads(out.split("LABELS ", 1)[1])
        full = {}
        for code, unit_set, length, istat, label in results:
            self.assertEqual(istat, 1 if code == 0 else 0)
            # min(30, length) characters, blank-padded, nothing beyond.
            self.assertEqual(label[min(30, length):], "#" * max(0, length - 30))
            if length == 40:
                full[code, unit_set] = label[:30].rstrip()
        # The shipped unit table (data/units.txt): class 1 is F in set 5 and C in set 3,
        # class 22 per mole FT3/LB-MOL in set 5.
        self.assertEqual(full[0, 5], "")
        self.assertEqual(full[1, 5], "F")
        self.assertEqual(full[1, 3], "C")
        self.assertEqual(full[100022, 5], "FT3/LB-MOL")
        self.assertTrue(full[-1, 5].find(" / ") > 0, full[-1, 5])
        self.assertTrue(full[-2, 5].startswith("1/"), full[-2, 5])
        for code, unit_set, length, istat, label in results:
            if length == 10:
                self.assertEqual(label, (full[code, unit_set] + " " * 30)[:10])



# One unit of each equipment class of the equipment problem (build_fixture "equipment"), as
# the rows above. COMP-1 takes FEED (300 K) in; 410 K = 278.33 F; 12000 kPa over 5000 kPa is
# a pressure ratio of 2.4; PIPE-1 stores 10 e at element e of its results and three
# segments of regimes 3, 10 and 2.9 renumbered to 9, 8 and 2.
EQUIPMENT_REQUESTS = [
    ("R", "Compressor", "TempInletCalc", "COMP-1", 1, 0, [300.0], ""),
    ("R", "Compressor", "TempCalc", "COMP-1", 5, 0, [278.33], ""),
    ("R", "Compressor", "PRatio", "COMP-1", 5, 0, [2.4], ""),
    ("R", "Compressor", "TempIsenCalc", "COMP-2", 1, -1, [0.0], ""),
    ("R", "Expander", "TempCalc", "EXP-1", 1, 0, [260.0], ""),
    ("R", "Pump", "EffCalc", "PUMP-1", 1, 0, [0.75], ""),
    ("R", "Pipe", "OutletTemp", "PIPE-1", 1, 0, [20.0], ""),
    ("I", "Pipe", "SegFlowRegime", "PIPE-1", 1, 0, [9, 8, 2], ""),
    ("R", "Hx", "DutyCalc", "HX-1", 1, 0, [-500000.0], ""),
    ("C", "Hx", "ExchUtilComp", "HX-1", 1, 0, ["PROPANE"], ""),
    ("C", "HxRig", "TEMAType", "HXR-1", 1, 0, ["BEU"], ""),
    ("I", "LngHx", "CellType", "LNG-1", 1, 0, [1, 2, 2], ""),
    ("I", "HxRig", "NumOfTubes", "HXR-1", 1, 0, [1024], ""),
    ("C", "Short", "LtKeyComponent", "SHORT-1", 1, 0, ["PROPANE"], ""),
    ("I", "Phase", "NumberOfPoints", "PHASE-1", 1, 0, [30, 40], ""),
    ("C", "Calc", "ResultNames", "CALC-1", 1, 0,
     ["RESULT-A", "RESULT-B", "RESULT-C", "RESULT-D"], ""),
    ("R", "User", "HeatVector", "USER-1", 1, 0,
     [1001.0, 1002.0, 1003.0, 1004.0, 1005.0, 1006.0, 1007.0, 1008.0, 1009.0, 1010.0], ""),
    ("C", "TITLE", "PROJECT", "", 1, 0, ["PROJECT-A"], ""),
    ("R", "Pump", "DutyCalc", "PUMP-1", 1, 1, [],
     " ATTRIBUTE NOT SUPPORTED: DutyCalc             FOR PUMP"),
]


class EquipmentRequests(unittest.TestCase):
    def test_one_unit_of_each_class_through_the_exports(self):
        with tempfile.TemporaryDirectory() as top:
            name = build(top + "/", "equipment")
            code = CHILD_PRELUDE + f"""
import json
sys.path.insert(0, {os.path.dirname(os.path.abspath(__file__))!r})
import host_test
host_test.ARGS = type("A", (), dict(library=os.environ["VENDRAKOL_LIB"]))
lib = host_test.load()
print(paopen({name!r}, {top + "/"!r}))
misc = [i32(0) for _ in range(4)]
lib.PAMISC(*[ctypes.byref(v) for v in misc])
for row in host_test.EQUIPMENT_REQUESTS:
    print("BEGIN", flush=True)
    ierr, values, more = host_test.request(lib, row[0], row[1], row[2], row[3], row[4])
    sys.stdout.flush()
    print("END " + json.dumps([ierr, values, more]), flush=True)
lib.PACLOS()
"""
            status, out = run_child(code)
        self.assertEqual(status, 0, out)
        blocks = out.split("BEGIN\n")[1:]
        self.assertEqual(len(blocks), len(EQUIPMENT_REQUESTS), out)
        for row, block in zip(EQUIPMENT_REQUESTS, blocks):
            with self.subTest(row=row[:5]):
                printed, result = block.rsplit("END ", 1)
                ierr, values, more = json.loads(result)
                self.assertEqual(ierr, row[5])
                if row[0] == "R" and row[5] != 1:
                    self.assertEqual(len(values), len(row[6]))
                    for got, expected in zip(values, row[6]):
                        self.assertAlmostEqual(got, expected, delta=2e-3 * max(1, abs(expected)))
                elif row[5] != 1:
                    self.assertEqual(values, row[6])
                self.assertEqual(printed, row[7] + "\n" if row[7] else "")

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

text = [ctypes.c_char_p, i32]
lib.PADATC.argtypes = text * 3 + [ctypes.c_char_p, i32, i32p, i32p, i32p]
lib.PADATI.argtypes = text * 3 + [i32p, i32p, i32p]
lib.PADATR.argtypes = text * 3 + [ctypes.POINTER(ctypes.c_float), i32p, i32p, i32p, i32p]
lib.PAUOM1.argtypes = [i32p, i32p, i32p, ctypes.c_char_p, i32]

def texts(cls, attr, ident, lengths):
    args = []
    for k, t in enumerate((cls, attr, ident)):
        args += [t, len(t) if t is not None and lengths[k] is None else (lengths[k] or 0)]
    return args

def padatc(cls=b"COMPS", attr=b"IDS", ident=b"", lengths=(None, None, None), width=16,
           array=True, nulls=()):
    values, pointers = outputs(3, nulls)
    buffer = ctypes.create_string_buffer(b"#" * (16 * 64), 16 * 64) if array else None
    lib.PADATC(*texts(cls, attr, ident, lengths), buffer, width, *pointers)
    shown = buffer.raw[:16 * 4].decode() if array else None
    return [v.value for v in values] + [shown]

def padati(cls=b"UNIT", attr=b"UnitSolutionFlags", ident=b"", lengths=(None, None, None),
           array=True, nulls=()):
    values, pointers = outputs(2, nulls)
    buffer = (i32 * 64)(*([-7] * 64)) if array else None
    lib.PADATI(*texts(cls, attr, ident, lengths), buffer, *pointers)
    return [v.value for v in values] + [list(buffer[:3]) if array else None]

def padatr(cls=b"Flash", attr=b"TempCalc", ident=b"FLASH-1", lengths=(None, None, None),
           unit_set=1, array=True, nulls=()):
    values, pointers = outputs(4, nulls)
    values[1].value = unit_set
    buffer = (ctypes.c_float * 64)(*([-7.0] * 64)) if array else None
    lib.PADATR(*texts(cls, attr, ident, lengths), buffer, *pointers)
    return [v.value for v in values] + [round(buffer[0], 3) if array else None]

def pauom1(code=1, unit_set=5, length=10, label=True, nulls=()):
    values, pointers = outputs(1, nulls)
    inputs = [None if k in nulls else ctypes.byref(i32(v))
              for k, v in ((10, code), (11, unit_set))]
    buffer = ctypes.create_string_buffer(b"#" * 12, 12) if label else None
    lib.PAUOM1(inputs[0], inputs[1], *pointers, buffer, length)
    return [values[0].value, buffer.raw.decode() if label else None]

def opened():
    paopen()
    pamisc()

import math
f32, f64 = ctypes.c_float, ctypes.c_double
f32p, f64p = ctypes.POINTER(f32), ctypes.POINTER(f64)
lib.UFLSH.argtypes = [f32p] * 5 + [i32p, i32p]
lib.VFLASH.argtypes = ([i32p, ctypes.c_char_p, i32] + [f64p] * 6 + [i32p] * 3 + [f64p] * 2 +
                       [i32p, f64p] + [f64p] * 14 + [i32p])
lib.VPROPS.argtypes = [i32p, ctypes.c_char_p, i32, f64p, f64p, f64p, i32p, i32p, i32p, f64p,
                       i32p]
GAS = [0.010, 0.020, 0.005, 0.800, 0.080, 0.040, 0.020, 0.010, 0.005, 0.010]

def ref(ctype, value, null):
    return None if null else ctypes.byref(ctype(value))

def vflash(stream=b"FEED", length=None, comp=GAS, iftype=1, ncomp=10, t=233.15, p=5e6,
           idebug=0, h=0.0, s=0.0, vfrac=0.5, iesti=0, hmin=0.0, hmax=0.0, maxit=50, tol=1e-6,
           nulls=(), state=False, sums=False):
    # VFLASH; NULLS names the arguments passed as null pointers. Returns the status, whether
    # every output is finite and whether every output is 0.0.
    n = len(comp) if comp is not None else 0
    compin = (f64 * max(n, 1))(*(comp or [0.0])) if comp is not None else None
    outs = [f64(-9.0) for _ in range(11)]
    phases = [(f64 * 210)(*([-9.0] * 210)) for _ in range(3)]
    ierr = i32(-99)
    lib.VFLASH(ref(i32, idebug, "idebug" in nulls), stream,
               len(stream) if stream is not None and length is None else (length or 0),
               ref(f64, t, "t" in nulls), ref(f64, p, "p" in nulls), ref(f64, vfrac, False),
               ref(f64, h, False), ref(f64, s, False), compin,
               ref(i32, iftype, "iftype" in nulls), ref(i32, ncomp, "ncomp" in nulls),
               ref(i32, iesti, False), ref(f64, hmin, False), ref(f64, hmax, False),
               ref(i32, maxit, False), ref(f64, tol, False),
               *[None if "outputs" in nulls else ctypes.byref(v) for v in outs],
               *[None if "phases" in nulls else a for a in phases],
               None if "ierr" in nulls else ctypes.byref(ierr))
    # The words a call may write: the scalars and the first NCOMP of each composition.
    # A count outside 1-200 (or none) leaves the host's arrays alone.
    counted = 0 < ncomp <= 200 and "ncomp" not in nulls and "phases" not in nulls
    written = min(ncomp, n) if counted else 0
    values = [v.value for v in outs] + [x for a in phases for x in a[:written]]
    # Words beyond NCOMP are never written.
    beyond = all(x == -9.0 for a in phases for x in a[max(ncomp, 0):210] if 0 <= ncomp <= 210)
    if state:
        # The feed's molar enthalpy and entropy, as ENTHIN and ENTRIN take them.
        v = [o.value for o in outs]
        return dict(h=v[8] * v[2] + v[9] * v[3] + v[10] * v[4],
                    s=v[8] * v[5] + v[9] * v[6] + v[10] * v[7])
    result = dict(ierr=ierr.value, finite=all(map(math.isfinite, values)),
                  zero=all(v == 0.0 for v in values) if "outputs" not in nulls else None,
                  beyond=beyond)
    if sums:
        # The phase enthalpies and entropies weighted by the fractions, and the largest
        # phase values, for the check that a success answers the request.
        v = [o.value for o in outs]
        result.update(h=v[8] * v[2] + v[9] * v[3] + v[10] * v[4],
                      s=v[8] * v[5] + v[9] * v[6] + v[10] * v[7],
                      hscale=max(abs(x) for x in v[2:5]), sscale=max(abs(x) for x in v[5:8]))
    return result

def vprops(stream=b"FEED", comp=GAS, ncomp=10, iphase=1, nprop=9, props=True, nulls=()):
    # VPROPS into a 12-word PROPS array; returns the status, the three words beyond the nine
    # (never written) and whether the nine are finite and all 0.0.
    n = len(comp) if comp is not None else 0
    compin = (f64 * max(n, 1))(*(comp or [0.0])) if comp is not None else None
    words = (f64 * 12)(*([5.0] * 12))
    ierr = i32(-99)
    lib.VPROPS(ref(i32, 0, False), stream, len(stream) if stream is not None else 12,
               ref(f64, 300.0, False), ref(f64, 5e6, False), compin, ref(i32, iphase, False),
               ref(i32, ncomp, "ncomp" in nulls), ref(i32, nprop, False),
               words if props else None, None if "ierr" in nulls else ctypes.byref(ierr))
    return dict(ierr=ierr.value, beyond=list(words[9:]),
                finite=all(map(math.isfinite, words[:9])), zero=all(v == 0.0 for v in words[:9]))

def uflsh(rate=1.0, iftype=1, vectors=True, nulls=(), t=-40.0, p=725.19, h=0.0, comp=GAS):
    # UFLSH of one unit of the gas at 233.15 K and 5000 kPa in set-5 units (F, PSIA).
    feed = (f32 * 20)(rate, t, p, h, *([0.0] * 6), *[rate * z for z in comp])
    outs = [(f32 * 20)(*([-9.0] * 20)) for _ in range(3)] + [(f32 * 10)(*([-9.0] * 10))]
    ierr = i32(-99)
    lib.UFLSH(feed if vectors else None, *(o if vectors else None for o in outs),
              ref(i32, iftype, "iftype" in nulls), None if "ierr" in nulls else ctypes.byref(ierr))
    values = [x for o in outs for x in o]
    return dict(ierr=ierr.value, finite=all(map(math.isfinite, values)),
                zero=all(v == 0.0 for v in values) if vectors else None)

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


# The data requests on the units problem: PADATC's outputs are ELEN, COUNT, IERR and the
# first four elements of its array; PADATI's COUNT, IERR and its first three integers;
# PADATR's COUNT, IUNSET, IUCLS, IERR and its first real; PAUOM1's ISTAT and its 12-byte
# label buffer, of which LENGTH bytes may be written.
IDS16 = "METHANE         ETHANE          PROPANE         WATER           "
UNTOUCHED16 = "#" * 64
FLAGS = [1, 1, 0]
REQUEST_CASES = {
    # Arrays.
    "PADATC array null": dict(code="opened()\ndone(r=padatc(array=False))",
                              results=dict(r=[16, 4, 0, None])),
    "PADATC element length 0": dict(code="opened()\ndone(r=padatc(width=0))",
                                    results=dict(r=[16, 4, 0, UNTOUCHED16])),
    "PADATC element length -5": dict(code="opened()\ndone(r=padatc(width=-5))",
                                     results=dict(r=[16, 4, 0, UNTOUCHED16])),
    "PADATI array null": dict(code="opened()\ndone(r=padati(array=False))",
                              results=dict(r=[9, 0, None])),
    "PADATR array null": dict(code="opened()\ndone(r=padatr(array=False))",
                              results=dict(r=[1, 1, 1, 0, None])),
    # Null outputs: the others are still returned.
    **{f"PADATC output {k + 1} null": dict(
        code=f"opened()\ndone(r=padatc(nulls=({k},)))",
        results=dict(r=[-99 if j == k else v for j, v in enumerate([16, 4, 0])] + [IDS16]))
       for k in range(3)},
    **{f"PADATR output {k + 1} null": dict(
        code=f"opened()\ndone(r=padatr(nulls=({k},)))",
        # Without IUNSET the unit set is 0, which becomes 5.
        results=dict(r=[-99 if j == k and k != 1 else v for j, v in enumerate([1, 1, 1, 0])] +
                     [310.0 if k != 1 else 98.33]))
       for k in range(4)},
    "PADATI all outputs null": dict(code="opened()\ndone(r=padati(nulls=(0, 1)))",
                                    results=dict(r=[-99, -99, FLAGS])),
    # Texts.
    "class null with a length": dict(code="opened()\ndone(r=padatc(cls=None, lengths=(5, None, None)))",
                                     results=dict(r=[4, -99, 1, UNTOUCHED16])),
    "class length -1": dict(code="opened()\ndone(r=padatc(lengths=(-1, None, None)))",
                            results=dict(r=[4, -99, 1, UNTOUCHED16])),
    "class length most negative": dict(
        code="opened()\ndone(r=padatc(lengths=(INT32_MIN, None, None)))",
        results=dict(r=[4, -99, 1, UNTOUCHED16])),
    "class length huge over a NUL-terminated text": dict(
        code="opened()\ndone(r=padatc(lengths=(INT32_MAX, None, None)))",
        results=dict(r=[16, 4, 0, IDS16])),
    "class blank-padded to 5000": dict(code="opened()\ndone(r=padatc(cls=b'COMPS'.ljust(5000)))",
                                       results=dict(r=[16, 4, 0, IDS16])),
    "attribute null": dict(code="opened()\ndone(r=padatr(attr=None, lengths=(None, 9, None)))",
                           results=dict(r=[0, 1, 0, 1, -7.0])),
    "identifier null": dict(code="opened()\ndone(r=padatr(ident=None, lengths=(None, None, 7)))",
                            results=dict(r=[-99, 1, 0, 1, -7.0])),
    "identifier of 5000 characters": dict(code="opened()\ndone(r=padatr(ident=b'F' * 5000))",
                                          results=dict(r=[-99, 1, 0, 1, -7.0])),
    "identifier bytes that are not UTF-8": dict(
        code="opened()\ndone(r=padatr(ident=b'\\xff\\xfe'))", results=dict(r=[-99, 1, 0, 1, -7.0])),
    # Unit sets.
    "unit set most negative": dict(code="opened()\ndone(r=padatr(unit_set=INT32_MIN))",
                                   results=dict(r=[1, 5, 1, 0, 98.33])),
    "unit set most positive": dict(code="opened()\ndone(r=padatr(unit_set=INT32_MAX))",
                                   results=dict(r=[1, 5, 1, 0, 98.33])),
    # The order of the calls.
    "requests before the open": dict(
        code="done(c=padatc(), i=padati(), r=padatr())",
        results=dict(c=[0, -99, 1, UNTOUCHED16], i=[-99, 1, [-7, -7, -7]],
                     r=[-99, 1, 0, 1, -7.0])),
    "requests after the close": dict(
        code="opened()\nlib.PACLOS()\ndone(c=padatc(), r=padatr())",
        results=dict(c=[0, -99, 1, UNTOUCHED16], r=[-99, 1, 0, 1, -7.0])),
    # Before PAMISC the tables are not built: each request is refused with one line.
    "requests without PAMISC": dict(
        code="paopen()\ndone(c=padatc(), r=padatr(), i=padati())",
        results=dict(c=[0, -99, 1, UNTOUCHED16], r=[-99, 1, 0, 1, -7.0],
                     i=[-99, 1, [-7, -7, -7]]), tables_lines=3),
    # Unit labels.
    "PAUOM1 label null": dict(code="opened()\ndone(r=pauom1(label=False))", results=dict(r=[0, None])),
    "PAUOM1 label length 0": dict(code="opened()\ndone(r=pauom1(length=0))",
                                  results=dict(r=[0, "#" * 12])),
    "PAUOM1 label length -1": dict(code="opened()\ndone(r=pauom1(length=-1))",
                                   results=dict(r=[0, "#" * 12])),
    "PAUOM1 label length 4": dict(code="opened()\ndone(r=pauom1(length=4))",
                                  results=dict(r=[0, "F   " + "#" * 8])),
    "PAUOM1 code null": dict(code="opened()\ndone(r=pauom1(nulls=(10,)))",
                             results=dict(r=[1, " " * 10 + "##"])),
    "PAUOM1 set null": dict(code="opened()\ndone(r=pauom1(nulls=(11,)))",
                            results=dict(r=[0, "F" + " " * 9 + "##"])),
    "PAUOM1 status null": dict(code="opened()\ndone(r=pauom1(nulls=(0,)))",
                               results=dict(r=[-99, "F" + " " * 9 + "##"])),
    **{f"PAUOM1 code {code} set {unit_set}": dict(
        code=f"opened()\ndone(r=pauom1(code={code}, unit_set={unit_set})[0])",
        results=dict(r=status))
       # An unknown code or set has no label: status 1.
       for code, unit_set, status in [("INT32_MIN", 5, 1), ("INT32_MAX", 5, 1), (-3, 5, 1),
                                      (99999, 5, 1), (51, 5, 1), (100000, 5, 1), (100051, 5, 1),
                                      (1, "INT32_MIN", 1), (1, "INT32_MAX", 1), (1, 999, 1),
                                      (1, -1, 1), (1, 8, 1), (100022, 5, 0), (-1, 5, 0),
                                      (-2, 5, 0)]},
    "PAUOM1 before the open": dict(code="done(r=pauom1())", results=dict(r=[1, " " * 10 + "##"])),
}


# The flash calls on the natural-gas problem (build_fixture "naturalgas", whose streams are in
# a method set). Each case names the statuses and that the outputs are finite; a refused
# call leaves every output 0.0 and never writes past NCOMP.
NO_FLASH = dict(finite=True, zero=True, beyond=True)
FLASH_CASES = {
    # VFLASH: the problem and the stream.
    "VFLASH before the open": dict(code="done(r=vflash())", results=dict(r=dict(ierr=-2, **NO_FLASH))),
    "VFLASH after the close": dict(code="opened()\nlib.PACLOS()\ndone(r=vflash())",
                                   results=dict(r=dict(ierr=-2, **NO_FLASH))),
    "VFLASH blank stream": dict(code="opened()\ndone(r=vflash(stream=b' ' * 12))",
                                results=dict(r=dict(ierr=-2, **NO_FLASH))),
    "VFLASH unknown stream": dict(code="opened()\ndone(r=vflash(stream=b'NOSUCH'))",
                                  results=dict(r=dict(ierr=-2, **NO_FLASH))),
    "VFLASH stream null with a length": dict(
        code="opened()\ndone(r=vflash(stream=None, length=12))",
        results=dict(r=dict(ierr=-2, **NO_FLASH))),
    "VFLASH stream length most negative": dict(
        code="opened()\ndone(r=vflash(length=INT32_MIN))", results=dict(r=dict(ierr=-2, **NO_FLASH))),
    "VFLASH stream of 5000 characters": dict(
        code="opened()\ndone(r=vflash(stream=b'F' * 5000))", results=dict(r=dict(ierr=-2, **NO_FLASH))),
    # A stream that is found, with a type that is refused after the lookup.
    "VFLASH stream blank-padded to 5000, type 0": dict(
        code="opened()\ndone(r=vflash(stream=b'FEED'.ljust(5000), iftype=0))",
        results=dict(r=dict(ierr=-102, **NO_FLASH))),
    # The component count.
    **{f"VFLASH NCOMP {n}": dict(code=f"opened()\ndone(r=vflash(ncomp={n}))",
                                 results=dict(r=dict(ierr=-4, **NO_FLASH)))
       for n in ("0", "-1", "9", "11", "201", "INT32_MAX", "INT32_MIN")},
    "VFLASH NCOMP null": dict(code="opened()\ndone(r=vflash(nulls=('ncomp',)))",
                              results=dict(r=dict(ierr=-4, **NO_FLASH))),
    "VFLASH composition null": dict(code="opened()\ndone(r=vflash(comp=None))",
                                    results=dict(r=dict(ierr=-4, **NO_FLASH))),
    # The composition.
    "VFLASH composition all zero": dict(code="opened()\ndone(r=vflash(comp=[0.0] * 10))",
                                        results=dict(r=dict(ierr=-1, **NO_FLASH))),
    "VFLASH composition summing below zero": dict(
        code="opened()\ndone(r=vflash(comp=[-1.0] + [0.0] * 9))",
        results=dict(r=dict(ierr=-1, **NO_FLASH))),
    "VFLASH composition with a NaN": dict(
        code="opened()\ndone(r=vflash(comp=[float('nan')] + GAS[1:]))",
        results=dict(r=dict(ierr=-1, **NO_FLASH))),
    "VFLASH composition with an infinity": dict(
        code="opened()\ndone(r=vflash(comp=[float('inf')] + GAS[1:]))",
        results=dict(r=dict(ierr=-1, **NO_FLASH))),
    # The flash type: a type outside 1-12 runs no flash.
    **{f"VFLASH type {t}": dict(code=f"opened()\ndone(r=vflash(iftype={t}))",
                                results=dict(r=dict(ierr=-102, **NO_FLASH)))
       for t in ("0", "13", "-1", "INT32_MAX", "INT32_MIN")},
    "VFLASH type null": dict(code="opened()\ndone(r=vflash(nulls=('iftype',)))",
                             results=dict(r=dict(ierr=-102, **NO_FLASH))),
    # Every flash type on the gas at 233.15 K and 5000 kPa, the enthalpy and entropy those of
    # a type-1 flash there.
    **{f"VFLASH type {t} on the gas": dict(
        code=f"opened()\nb = vflash(state=True)\ndone(r=vflash(iftype={t}, h=b['h'], s=b['s']))",
        results=dict(r=dict(ierr=0, finite=True, zero=False, beyond=True)))
       for t in range(1, 13)},
    "VFLASH composition with a negative amount": dict(
        code="opened()\ndone(r=vflash(comp=GAS[:4] + [-0.01] + GAS[5:]))",
        results=dict(r=dict(ierr=-1, **NO_FLASH))),
    # Null outputs: the status is still returned.
    "VFLASH scalar outputs null": dict(
        code="opened()\ndone(r=vflash(iftype=0, nulls=('outputs',)))",
        results=dict(r=dict(ierr=-102, finite=True, zero=None, beyond=True))),
    "VFLASH phase compositions null": dict(
        code="opened()\ndone(r=vflash(iftype=0, nulls=('phases',)))",
        results=dict(r=dict(ierr=-102, **NO_FLASH))),
    "VFLASH status null": dict(code="opened()\nvflash(nulls=('ierr',))\ndone(survived=True)",
                               results=dict(survived=True)),
    "VFLASH debug null writes no listing": dict(
        code="opened()\nos.chdir(os.path.dirname(NAME))\nr = vflash(iftype=0, nulls=('idebug',))\n"
             "done(r=r, listing=os.path.exists(b'VFlash.txt'))",
        results=dict(r=dict(ierr=-102, **NO_FLASH), listing=False)),
    # VPROPS.
    "VPROPS before the open": dict(code="done(r=vprops())",
                                   results=dict(r=dict(ierr=-3, beyond=[5.0] * 3, finite=True, zero=True))),
    "VPROPS unknown stream": dict(code="opened()\ndone(r=vprops(stream=b'NOSUCH'))",
                                  results=dict(r=dict(ierr=-3, beyond=[5.0] * 3, finite=True, zero=True))),
    "VPROPS stream null": dict(code="opened()\ndone(r=vprops(stream=None))",
                               results=dict(r=dict(ierr=-3, beyond=[5.0] * 3, finite=True, zero=True))),
    **{f"VPROPS NCOMP {n}": dict(code=f"opened()\ndone(r=vprops(ncomp={n}))",
                                 results=dict(r=dict(ierr=-4, beyond=[5.0] * 3, finite=True, zero=True)))
       for n in ("0", "9", "INT32_MAX", "INT32_MIN")},
    "VPROPS composition null": dict(code="opened()\ndone(r=vprops(comp=None))",
                                    results=dict(r=dict(ierr=-4, beyond=[5.0] * 3, finite=True, zero=True))),
    "VPROPS composition all zero": dict(
        code="opened()\ndone(r=vprops(comp=[0.0] * 10))",
        results=dict(r=dict(ierr=-1, beyond=[5.0] * 3, finite=True, zero=True))),
    "VPROPS PROPS null": dict(code="opened()\nr = vprops(props=False)\ndone(ierr=r['ierr'])",
                              results=dict(ierr=-4)),
    "VPROPS NPROP huge clears nine words only": dict(
        code="opened()\ndone(r=vprops(nprop=INT32_MAX, comp=[0.0] * 10))",
        results=dict(r=dict(ierr=-1, beyond=[5.0] * 3, finite=True, zero=True))),
    "VPROPS status null": dict(code="opened()\nvprops(nulls=('ierr',))\ndone(survived=True)",
                               results=dict(survived=True)),
    # UFLSH.
    "UFLSH before the open": dict(code="done(r=uflsh())",
                                  results=dict(r=dict(ierr=4, finite=True, zero=False))),
    "UFLSH vectors null": dict(code="opened()\ndone(r=uflsh(vectors=False))",
                               results=dict(r=dict(ierr=5, finite=True, zero=None))),
    **{f"UFLSH type {t}": dict(code=f"opened()\ndone(r=uflsh(iftype={t}))",
                               results=dict(r=dict(ierr=2, finite=True, zero=True)))
       for t in ("0", "12", "INT32_MIN", "INT32_MAX")},
    "UFLSH no rate": dict(code="opened()\ndone(r=uflsh(rate=0.0))",
                          results=dict(r=dict(ierr=3, finite=True, zero=True))),
    "UFLSH type 1 on the gas": dict(code="opened()\ndone(r=uflsh())",
                                    results=dict(r=dict(ierr=0, finite=True, zero=False))),
    # A feed UFLSH cannot honour is refused, never flashed as another one.
    "UFLSH negative amount": dict(
        code="opened()\ndone(r=uflsh(comp=GAS[:4] + [-0.01] + GAS[5:]))",
        results=dict(r=dict(ierr=1, finite=True, zero=True))),
    **{f"UFLSH type {t} temperature {label}": dict(
        code=f"opened()\ndone(r=uflsh(iftype={t}, t={value}))",
        results=dict(r=dict(ierr=1, finite=True, zero=True)))
       for t in (1, 4, 10) for label, value in (("-459.67 F", -459.67), ("-1000 F", -1000.0),
                                                ("NaN", "float('nan')"), ("inf", "1e39"))},
    **{f"UFLSH type {t} pressure {label}": dict(
        code=f"opened()\ndone(r=uflsh(iftype={t}, p={value}))",
        results=dict(r=dict(ierr=1, finite=True, zero=True)))
       for t in (1, 5, 11) for label, value in (("0", 0.0), ("-1", -1.0), ("NaN", "float('nan')"))},
    # Types 8 and 9 take the entropy an earlier VFLASH of type 8 or 9 stored: in a fresh
    # process there is none (the attack saw type 9 flash to 66 K, all liquid, with status 0).
    **{f"UFLSH type {t} with no stored entropy": dict(
        code=f"opened()\ndone(r=uflsh(iftype={t}))",
        results=dict(r=dict(ierr=6, finite=True, zero=True))) for t in (8, 9)},
    "UFLSH type 9 after a VFLASH of type 9": dict(
        code="opened()\nb = vflash(state=True)\nvflash(iftype=9, s=b['s'])\n"
             "done(r=uflsh(iftype=9))",
        results=dict(r=dict(ierr=0, finite=True, zero=False))),
    "UFLSH water dew point of a dry feed": dict(
        code="opened()\ndone(r=uflsh(iftype=11, comp=GAS[:9] + [0.0]))",
        results=dict(r=dict(ierr=1, finite=True, zero=True))),
    "UFLSH status null": dict(code="opened()\nuflsh(nulls=('ierr',))\ndone(survived=True)",
                              results=dict(survived=True)),
}


class ChildCases(unittest.TestCase):
    """Each case runs in a child process over a copy of the problem KIND."""
    KIND = "gas"

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.template = os.path.join(cls.tmp.name, "template")
        os.mkdir(cls.template)
        build(cls.template, cls.KIND)

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
        self.assertEqual(sum(l == " IDENTIFIER TABLES NOT BUILT: CALL PAMISC FIRST"
                             for l in lines), case.get("tables_lines", 0), shown)
        results = [json.loads(l[len(RESULT):]) for l in lines if l.startswith(RESULT)]
        if child.returncode == ABORT_STATUS:
            self.assertEqual(results, [], shown)
            self.assertIn("*** ABORT ***  " + case["abort"], stderr, shown)
            return
        self.assertEqual(len(results), 1, shown)
        self.assertEqual(results[0], case["results"], shown)



class BadArguments(ChildCases):
    """Each export called with every kind of bad argument a host can pass: each case gives
    its status, or the abort report of the open sequence, and nothing else ends the child."""

    def test_every_case_gives_its_status_and_the_process_survives(self):
        for label, case in CASES.items():
            with self.subTest(label):
                self.run_case(label, case)


class DataRequestArguments(ChildCases):
    """The data requests and the unit labels with every kind of bad argument."""
    KIND = "units"

    def test_every_case_gives_its_status_and_the_process_survives(self):
        for label, case in REQUEST_CASES.items():
            with self.subTest(label):
                self.run_case(label, case)


class FlashArguments(ChildCases):
    """The flash and property calls with every kind of bad argument."""
    KIND = "naturalgas"

    def test_every_case_gives_its_status_and_the_process_survives(self):
        for label, case in FLASH_CASES.items():
            with self.subTest(label):
                self.run_case(label, case)


# Every input each VFLASH type reads, and the values a host may pass by mistake. A value
# that is not finite or not in its range is refused with -101 and every output 0.0; a value
# that is a request the type can honour (an enthalpy or entropy of 0 or -1, a vapour fraction
# or tolerance of 0, enthalpy limits of 0 or -1) is answered as asked, or refused, never
# answered for another request.
FLASH_READS = {1: ("t", "p"), 2: ("t", "h"), 3: ("p", "h"), 4: ("t",), 5: ("p",), 6: ("t",),
               7: ("p",), 8: ("t", "s"), 9: ("p", "s"), 10: ("t",), 11: ("p",),
               12: ("p", "vfrac", "tol", "hmin", "hmax", "maxit")}
HOSTILE = [("+inf", "float('inf')"), ("-inf", "float('-inf')"), ("NaN", "float('nan')"),
           ("+1e308", "1e308"), ("-1e308", "-1e308"), ("0", "0.0"), ("-1", "-1.0")]
HOSTILE_MAXIT = [("INT32_MIN", "INT32_MIN"), ("INT32_MAX", "INT32_MAX"), ("0", "0"),
                 ("-1", "-1")]


def honourable(name, label):
    if name in ("h", "s", "hmin", "hmax"):
        return label in ("0", "-1")
    if name in ("vfrac", "tol"):
        return label == "0"
    return name == "maxit"


class FlashInputTable(ChildCases):
    """VFLASH with every hostile value of every input of every flash type, one child per
    type; UFLSH with the same through its feed vector where it reads them."""
    KIND = "naturalgas"

    def test_every_input_of_every_type_is_refused_or_answered_as_asked(self):
        for t, names in FLASH_READS.items():
            lines = ["opened()", "b = vflash(state=True)", "rows = []"]
            for name in names:
                values = HOSTILE_MAXIT if name == "maxit" else HOSTILE
                for label, value in values:
                    lines.append(f"kw = dict(iftype={t}, h=b['h'], s=b['s'])")
                    if name in ("hmin", "hmax", "maxit"):
                        lines.append("kw.update(iesti=1, hmin=b['h'] - 5e6, hmax=b['h'] + 5e6)")
                    lines.append(f"kw[{name!r}] = {value}")
                    lines.append(f"rows.append([{name!r}, {label!r}, vflash(sums=True, **kw)])")
            lines.append("done(rows=rows)")
            with self.subTest(f"type {t}"):
                rows = self.child_rows(f"type {t}", "\n".join(lines))
                for name, label, r in rows:
                    what = f"type {t} {name} {label}: {r}"
                    self.assertTrue(r["finite"], what)
                    if not honourable(name, label):
                        self.assertEqual(r["ierr"], -101, what)
                    if r["ierr"] != 0:
                        self.assertTrue(r["zero"], what)
                        continue
                    # Success answers the request: ENTHIN or ENTRIN back from the phases.
                    if name == "h":
                        request = float(label)
                        scale = max(abs(request), r["hscale"], 50 * 8314.0)
                        self.assertLessEqual(abs(r["h"] - request), 1e-4 * scale, what)
                    if name == "s":
                        request = float(label)
                        scale = max(abs(request), r["sscale"], 8314.0)
                        self.assertLessEqual(abs(r["s"] - request), 1e-4 * scale, what)

    def child_rows(self, label, code):
        case = dict(code=code)
        with tempfile.TemporaryDirectory() as top:
            directory = os.path.join(top, "problem")
            shutil.copytree(self.template, directory)
            env = dict(os.environ, VENDRAKOL_LIB=ARGS.library,
                       PROBLEM=os.path.join(directory, "plant"), DIR2=directory + "/")
            child = subprocess.run([sys.executable, "-c", TABLE_PRELUDE + case["code"]],
                                   capture_output=True, env=env, timeout=600)
        stdout = child.stdout.decode(errors="replace")
        shown = f"{label}: exit {child.returncode}\nstdout:\n{stdout[-3000:]}\nstderr:\n" + \
            child.stderr.decode(errors="replace")[-3000:]
        self.assertEqual(child.returncode, 0, shown)
        results = [json.loads(l[len(RESULT):]) for l in stdout.splitlines()
                   if l.startswith(RESULT)]
        self.assertEqual(len(results), 1, shown)
        return results[0]["rows"]


# One unit of each reactor class (build_fixture "reactors") and of the column classes
# (build_fixture "columns"): export, class, attribute, identifier, unit set -> status and the
# values. The reactors' feed carries 50, 10 and 40 kmol/h of METHANE, ETHANE and PROPANE
# (host order) and no WATER; the product 40, 20, 0 and 20.
READER_REQUESTS = {
    "reactors": [
        ("R", "Reactor", "FeedMoles", "REACTOR-1", 1, 0, [50.0, 10.0, 40.0, 0.0]),
        ("R", "ConReactor", "OutletTemperature", "CONREAC-1", 1, 0, [510.0]),
        ("R", "EquReactor", "FractionConv", "EQUREAC-1", 1, 0, [0.2, 0.0, 1.0, 0.0]),
        ("R", "Cstr", "ReactorSpaceVelocity", "CSTR-1", 1, 0, [0.4]),
        ("R", "Plug", "ReacTempProfile", "PLUG-1", 1, 0, [600.0, 620.0, 640.0]),
        ("R", "Gibbs", "ChangeMoles", "GIBBS-1", 1, 0, [-10.0, 10.0, -40.0, 20.0]),
        ("C", "Reactor", "BaseComponentID", "REACTOR-1", 1, 0, ["PROPANE", "METHANE"]),
        ("I", "Plug", "NumberProfPoints", "PLUG-1", 1, 0, [3]),
        ("R", "Gibbs", "FeedMoles", "GIBBS-LOST", 1, 1, []),
    ],
    "columns": [
        ("I", "Colu", "HeaterTrays", "COLUMN-R", 1, 0, [1, 3, 1]),
        ("R", "Colu", "CondenserDuty", "COLUMN-R", 1, 0, [-150.0]),
        ("I", "Llex", "AlgorithmType", "EXTRACT-R", 1, 0, [4]),
        ("I", "Side", "AlgorithmType", "SIDE-R", 1, 0, [1]),
        ("R", "Colu", "TrayTemperatures", "COLUMN-R", 1, 0, [350.0, 360.0, 370.0]),
        ("R", "Llex", "TrayNetLiq1Rates", "EXTRACT-R", 1, 0, [0.0, 0.0, 0.0]),
        ("R", "Colu", "TrayVleKValues", "COLUMN-R", 1, 0, [1.0, 2.0, 0.5, 0, 0, 0, 0, 0, 0]),
        ("R", "Colu", "TrayLiqMolecWeight", "COLUMN-R", 1, 0, None),
        ("R", "Colu", "TrayNothing", "COLUMN-R", 1, 1, []),
    ],
}


class ReactorAndColumnRequests(unittest.TestCase):
    def run_rows(self, kind, rows):
        with tempfile.TemporaryDirectory() as top:
            name = build(top + "/", kind)
            code = CHILD_PRELUDE + f"""
import json
sys.path.insert(0, {os.path.dirname(os.path.abspath(__file__))!r})
import host_test
host_test.ARGS = type("A", (), dict(library=os.environ["VENDRAKOL_LIB"]))
lib = host_test.load()
paopen({name!r}, {top + "/"!r})
misc = [i32(0) for _ in range(4)]
lib.PAMISC(*[ctypes.byref(v) for v in misc])
for row in host_test.READER_REQUESTS[{kind!r}]:
    ierr, values, more = host_test.request(lib, row[0], row[1], row[2], row[3], row[4])
    sys.stdout.flush()
    print("RESULT " + json.dumps([ierr, values]), flush=True)
lib.PACLOS()
"""
            status, out = run_child(code)
        self.assertEqual(status, 0, out)
        results = [json.loads(line[len("RESULT "):]) for line in out.splitlines()
                   if line.startswith("RESULT ")]
        self.assertEqual(len(results), len(rows), out)
        for row, (ierr, values) in zip(rows, results):
            with self.subTest(row=row[:4]):
                self.assertEqual(ierr, row[5])
                if row[6] is None:  # evaluated: three trays, the second without liquid
                    self.assertEqual(len(values), 3)
                    self.assertGreater(values[0], 0.0)
                    self.assertEqual(values[1], 0.0)
                elif row[0] == "R" and row[5] == 0:
                    self.assertEqual(len(values), len(row[6]))
                    for got, expected in zip(values, row[6]):
                        self.assertAlmostEqual(got, expected, delta=1e-3 * max(1, abs(expected)))
                elif row[5] == 0:
                    self.assertEqual(values, row[6])

    def test_one_unit_of_each_reactor_class(self):
        self.run_rows("reactors", READER_REQUESTS["reactors"])

    def test_the_column_classes(self):
        self.run_rows("columns", READER_REQUESTS["columns"])


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--library", required=True)
    parser.add_argument("--builder", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
