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

#ifdef __cplusplus
}
#endif

#endif /* VENDRAKOL_H */
