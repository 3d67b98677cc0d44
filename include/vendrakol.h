/*
 * vendrakol: problem access and flash calls of a steady-state process simulator.
 *
 * Every export is a plain C symbol. Arguments are passed by pointer in the documented
 * order; a text argument is its address followed by its length (a 32-bit integer passed
 * by value). Each export returns its status in its last argument.
 *
 * Bad arguments. A text is read up to its length, its first NUL character or 1024
 * characters, whichever comes first, so a length larger than the buffer is safe only when
 * the text is NUL-terminated; a null address or a length below 1 is a blank text. An output
 * pointer may be null: that value is not returned. Texts are bytes: characters outside
 * ASCII are passed to the file system as they are.
 *
 * Threads. The library is single-threaded inside. Calls made from several threads at once
 * are run one after another (each export holds one process-wide lock for its whole call),
 * so each gets the answer it would get alone; which call runs first is the host's affair.
 */
#ifndef VENDRAKOL_H
#define VENDRAKOL_H

#include <stdint.h>

#if defined(__GNUC__)
#define VENDRAKOL_EXPORT __attribute__((visibility("default")))
#else
#define VENDRAKOL_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------------------------------
 * Problem access
 * ------------------------------------------------------------------------------------- */

/* Opens the solved problem NAME (its path without extension; the files NAME.zn1, .zn2 and
 * .zn3 must exist) with the support database and the message file in directory DIR2.
 * IOUT receives the unit number of the report listing NAME.zqw. IERR: 0 opened; 1 a
 * database file is missing (one " FILE NOT FOUND: " line per file on standard output).
 * A problem already open is closed first, also when the new one is then refused.
 * A database the open cannot use ends the process with its abort report and exit
 * status 15.
 * NAME: its blanks are removed (a blank-padded name or "MY PROB" names MYPROB.zn1); a blank
 * name, or one longer than 196 characters without its blanks, is missing: IERR 1.
 * DIR2: a directory of at most 250 characters, its closing separator optional; a blank
 * DIR2 names the default directory \DOZEVA\. A longer DIR2 (" DIRECTORY NAME LONGER THAN
 * 250 CHARACTERS"), one that names no directory (" DIRECTORY NOT FOUND: ") or a directory
 * without the support database veltra.sp1 or the message file veltra.err as regular files
 * (" FILE NOT FOUND: " for each) gives IERR 1 and opens nothing. A damaged support
 * database ends the process with the abort report and exit status 15.
 * Problem files the process may only read are opened for reading: the problem is served as
 * usual and PACLOS writes nothing back. */
VENDRAKOL_EXPORT void PAOPEN(const char* name, int32_t name_length, const char* dir2,
                             int32_t dir2_length, int32_t* iout, int32_t* ierr);

/* Builds the identifier tables and returns the numbers of components, streams and units.
 * IERR: 0; 1 the problem is not solved (tables built) or no problem is open (before PAOPEN,
 * after PACLOS or a refused PAOPEN: the counts 0, " NO PROBLEM IS OPEN" on standard output);
 * 2 a count exceeds 300 components, 984 streams or 500 units (nothing built). May be
 * called again at any time: the tables are built anew. */
VENDRAKOL_EXPORT void PAMISC(int32_t* ncomp, int32_t* nstrm, int32_t* nunit, int32_t* ierr);

/* The solution flag of the loaded case (nonzero: solved) and the counts, in this order;
 * all zero when no problem is open. */
VENDRAKOL_EXPORT void DBMISC(int32_t* solved, int32_t* nstrm, int32_t* ncomp, int32_t* nunit);

/* Closes the problem: the databases are written back (not those opened for reading only),
 * the files kept. Nothing happens when no problem is open. */
VENDRAKOL_EXPORT void PACLOS(void);

/* ---------------------------------------------------------------------------------------
 * Data requests
 *
 * A request names a class (CLS: "COMPS", "UNIT", "Flash", "Valve", ...), an attribute
 * (ATTR: "IDS", "TYPE", "TempCalc", ...) and an identifier (ID: a unit's or stream's
 * identifier; not used by "COMPS" and by "UNIT" "IDS"). The three texts are compared
 * blank-padded and case-sensitive: "COMPS   " is "COMPS", "comps" and " COMPS" are not.
 * Each call needs a problem opened by PAOPEN and the tables built by PAMISC; without an
 * open problem it returns IERR 1 and prints " NO PROBLEM IS OPEN".
 *
 * IERR: 0 success; 1 the class, identifier or attribute is not supported, the object is of
 * another kind, or the value is of another type than the call returns (" WARNING: " line);
 * -1 success with a warning. Messages are lines on standard output, each beginning with a
 * blank. A stored value that is missing comes back as 0.0 or 0.
 *
 * The value array (CVAL, IVAL, RVAL) must hold COUNT values: the number an attribute
 * returns is known from the problem (its components, units, feeds ...), at most 20000. A
 * null array receives nothing; COUNT and the other outputs are still returned.
 * ------------------------------------------------------------------------------------- */

/* Texts. CLS, ATTR, ID in. CVAL out: an array of texts of CVAL_LENGTH characters each,
 * element k at characters (k-1)*CVAL_LENGTH; each value is cut or blank-padded to that
 * length. ELEN out: the attribute's own element length (12 identifiers, 16 names, 40
 * texts). COUNT in/out: the number of values (left as passed when the class is unknown).
 * IERR out: the status. */
VENDRAKOL_EXPORT void PADATC(const char* cls, int32_t cls_length, const char* attr,
                             int32_t attr_length, const char* id, int32_t id_length,
                             char* cval, int32_t cval_length, int32_t* elen, int32_t* count,
                             int32_t* ierr);

/* Integers. CLS, ATTR, ID in. IVAL out: COUNT integers. COUNT in/out: the number of
 * values. IERR out: the status. */
VENDRAKOL_EXPORT void PADATI(const char* cls, int32_t cls_length, const char* attr,
                             int32_t attr_length, const char* id, int32_t id_length,
                             int32_t* ival, int32_t* count, int32_t* ierr);

/* Reals, single precision. CLS, ATTR, ID in. RVAL out: COUNT reals (at most 20000; a
 * larger COUNT prints " AMOUNT OF DATA FOUND IS TOO LARGE FOR STORAGE. ..." and delivers
 * the first 20000). COUNT in/out: the number of values found. IUNSET in/out: the unit set
 * of the values, 1 to 7 (1 the internal units: K, kPa); any other value is made 5 and
 * returned. IUCLS out: the unit class of the values for PAUOM1: 0 none, 1 to 50 a class,
 * 100000 + c class c per mole, -1 class 24 per class 17, -2 the reciprocal of class 8.
 * IERR out: the status. */
VENDRAKOL_EXPORT void PADATR(const char* cls, int32_t cls_length, const char* attr,
                             int32_t attr_length, const char* id, int32_t id_length,
                             float* rval, int32_t* count, int32_t* iunset, int32_t* iucls,
                             int32_t* ierr);

/* The printable label of a unit class. ICODE in: a unit-class code as PADATR returns it in
 * IUCLS (a null address: 0). ISET in: the unit set, 0 the problem's current set, 1 to 7 a
 * named set (a null address: 0). ISTAT out: 1 for ICODE 0 (blank label) or with no problem
 * open, else 0. LABEL out: min(30, LABEL_LENGTH) characters of the label, blank-padded;
 * nothing beyond them is written. */
VENDRAKOL_EXPORT void PAUOM1(const int32_t* icode, const int32_t* iset, int32_t* istat,
                             char* label, int32_t label_length);

/* The host's error-control call. No arguments; it changes nothing. */
VENDRAKOL_EXPORT void ERSETU(void);

/* The iteration-history hook. A, B, C in: three addresses that are not read (null is
 * allowed); it changes nothing. */
VENDRAKOL_EXPORT void OTHIST(const void* a, const void* b, const void* c);

#ifdef __cplusplus
}
#endif

#endif /* VENDRAKOL_H */
