/*
 * vendrakol: problem access and flash calls of a steady-state process simulator.
 *
 * Every export is a plain C symbol. Arguments are passed by pointer in the documented
 * order; a text argument is its address followed by its length (a 32-bit integer passed
 * by value). Each export returns its status in its last argument.
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
 * A problem already open is closed first. A database the open cannot use ends the process
 * with its abort report and exit status 15. */
VENDRAKOL_EXPORT void PAOPEN(const char* name, int32_t name_length, const char* dir2,
                             int32_t dir2_length, int32_t* iout, int32_t* ierr);

/* Builds the identifier tables and returns the numbers of components, streams and units.
 * IERR: 0; 1 the problem is not solved (tables built) or no problem is open; 2 a count
 * exceeds 300 components, 984 streams or 500 units (nothing built). */
VENDRAKOL_EXPORT void PAMISC(int32_t* ncomp, int32_t* nstrm, int32_t* nunit, int32_t* ierr);

/* The solution flag of the loaded case (nonzero: solved) and the counts, in this order;
 * all zero when no problem is open. */
VENDRAKOL_EXPORT void DBMISC(int32_t* solved, int32_t* nstrm, int32_t* ncomp, int32_t* nunit);

/* Closes the problem: the databases are written back, the files kept. */
VENDRAKOL_EXPORT void PACLOS(void);

#ifdef __cplusplus
}
#endif

#endif /* VENDRAKOL_H */
