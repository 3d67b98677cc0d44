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
 * usual (the requests and the flash calls answer as on a writable copy; what a request
 * evaluates is kept in core, or evaluated again, never written) and PACLOS writes nothing
 * back. */
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
 * the files kept. Nothing happens when no problem is open. Each flash call names its
 * temporary streams from a counter the problem keeps; past its largest value the names start
 * again from 1. */
VENDRAKOL_EXPORT void PACLOS(void);

/* ---------------------------------------------------------------------------------------
 * Data requests
 *
 * A request names a class (CLS: "COMPS", "UNIT", "Flash", "Valve", ...), an attribute
 * (ATTR: "IDS", "TYPE", "TempCalc", ...) and an identifier (ID: a unit's or stream's
 * identifier; not used by "COMPS" and by "UNIT" "IDS"). The three texts are compared
 * blank-padded and case-sensitive: "COMPS   " is "COMPS", "comps" and " COMPS" are not.
 * Each call needs a problem opened by PAOPEN and the tables built by PAMISC (every class:
 * the components, streams and units are found through them): without an open problem it
 * returns IERR 1 and prints " NO PROBLEM IS OPEN"; after PAOPEN and before PAMISC it returns
 * IERR 1 and prints " IDENTIFIER TABLES NOT BUILT: CALL PAMISC FIRST". PAUOM1 and the flash
 * calls need only PAOPEN.
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
 * named set, 10 to 474 a unit code taken as a set (a null address: 0). ISTAT out: 1 for
 * ICODE 0, for an unknown code (one that is not 0, -1, -2 or a class 1-50 plus 1000 times a
 * modifier 0-999) or set, and with no problem open, each with a blank label; else 0. LABEL out: min(30, LABEL_LENGTH) characters of the label, blank-padded;
 * nothing beyond them is written. */
VENDRAKOL_EXPORT void PAUOM1(const int32_t* icode, const int32_t* iset, int32_t* istat,
                             char* label, int32_t label_length);

/* ---------------------------------------------------------------------------------------
 * Flash and property calls
 *
 * Each call needs a problem opened by PAOPEN. The caller names a stream of the problem (ID:
 * its identifier, compared blank-padded over 12 characters); the flash runs on a temporary
 * stream in that stream's method set, and the problem's streams are left as they were.
 *
 * Unit sets. The caller's values are in unit set 4 of the problem's unit table, pressure,
 * molar enthalpy and molar entropy at 1000 times their set-4 value (with the shipped set 4:
 * K, Pa, J/kmol, J/(kmol K)); the phase enthalpies, entropies and heat capacity come back at
 * 1000 times their value in set 1, the internal units (J/kmol, J/(kmol K)), the volume flows
 * in set 1 and the transport properties in set 4. Stream vectors (UFLSH) are in set 5.
 *
 * Arrays. NCOMP must be the problem's component count (PAMISC), at most 200; every
 * composition array holds NCOMP values. A null output address receives nothing; a null
 * input address reads as 0.
 * ------------------------------------------------------------------------------------- */

/* The stream vector of UFLSH: 10 header words, then one molar amount per component of the
 * problem (10 + NCOMP single-precision words), unit set 5. Word 1 total molar rate (class
 * 31); 2 temperature (class 1); 3 pressure (class 4); 4 total enthalpy, rate times molar
 * enthalpy, at 1000 times its set-5 value of class 26; 5 liquid fraction and 6 water
 * fraction of the phase (out: vapour 0 and 0, liquid 1 and 0, free water 1 and 1, second
 * liquid 0 and 1); 7 compressibility factor of the phase (out; 0 for free water); 8-10
 * reserved (0 out); 11 on the component amounts, in the unit of word 1. */

/* Flashes the stream vector FEED on a temporary stream of the open problem in the current
 * method set (the one the last VFLASH or VPROPS made current; the default set at first).
 * FEED in: words 1-4 and the amounts (words 5-10 are not read); its rate must be above 0.
 * VAP, LIQ, WAT out: the vapour, the liquid and the free water (after a liquid-liquid
 * split: liquid 1 in LIQ, liquid 2 in WAT), each a stream vector; every word 0.0 unless
 * IERR is 0. KVEC out: NCOMP K-values, vapour over liquid mole fraction. IFTYPE in: 1 T and
 * P given; 2 T and H; 3 P and H; 4 dew point at T; 5 dew point at P; 6 bubble point at T;
 * 7 bubble point at P; 8 T and S; 9 P and S (S per unit rate, set 5, class 29, taken from
 * the last VFLASH of type 8 or 9); 10 water dew point at T; 11 water dew point at P.
 * IERR out: 0 flashed; 1 the flash failed (also for a component amount that is negative or
 * not a finite number, a temperature or pressure word that is not finite, a temperature
 * (types 1, 2, 4, 6, 8, 10) outside 1-3000 K or pressure (types 1, 3, 5, 7, 9, 11) outside
 * 1e-4 to 1e10 kPa, an enthalpy word of types 2 and 3 that is not finite, types 10 and 11
 * for a feed without water or in a method set without a water component, or a result beyond
 * single precision: nothing is flashed); 2 IFTYPE outside 1-11; 3 no feed rate (or an
 * infinite one); 4 no problem is open; 5 a vector address is null; 6 type 8 or 9 with no
 * entropy stored by a VFLASH of type 8 or 9 in this process. */
VENDRAKOL_EXPORT void UFLSH(const float* feed, float* vap, float* liq, float* wat,
                            float* kvec, const int32_t* iftype, int32_t* ierr);

/* Flashes a composition in the method set of the stream STRMID.
 * IDEBUG in: 1 or more writes the listing "VFlash.txt" in the working directory.
 * STRMID in: a stream identifier (text and length).
 * TEMPIN in: temperature, set 4 (types 1, 2, 4, 6, 8, 10).
 * PRESIN in: pressure, 1000 times set 4 (types 1, 3, 5, 7, 9, 11, 12).
 * VFRAC in: type 12, the vapour fraction to find.
 * ENTHIN in: types 2 and 3, molar enthalpy, 1000 times set 4 class 28.
 * ENTRIN in: types 8 and 9, molar entropy, 1000 times set 4 class 29.
 * COMPIN in/out: NCOMP amounts or fractions, normalised to fractions in place.
 * IFTYPE in: the flash type, 1-11 as for UFLSH, 12 the vapour fraction VFRAC at PRESIN.
 * NCOMP in: the problem's component count.
 * IESTI in: type 12, 0 finds the enthalpy limits by bubble- and dew-point flashes, else
 * HMIN and HMAX in (molar enthalpies as ENTHIN) are used.
 * MAXIT in: type 12, the most flashes of the search (its absolute value; the most negative
 * integer counts as the largest). The scan for a sign change between the limits stops after
 * 10 levels (at most 1023 flashes) whatever MAXIT says: -1010.
 * TOL in: type 12, the tolerance on the vapour fraction.
 * TEMPOT out: temperature, set 4. PRESOT out: pressure, 1000 times set 4.
 * ENTHV, ENTHL, ENTHW out: molar enthalpies of vapour, liquid and free water, 1000 times
 * set 1 class 28 (0.0 for an absent phase); FRACV*ENTHV + FRACL*ENTHL + FRACW*ENTHW is the
 * feed's molar enthalpy as ENTHIN takes it.
 * ENTRV, ENTRL, ENTRW out: molar entropies, 1000 times set 1 class 29 (0.0 for an absent
 * phase).
 * FRACV, FRACL, FRACW out: the phases' molar fractions of the feed.
 * COMPV, COMPL, COMPW out: NCOMP mole fractions of each phase (0.0 for an absent phase).
 * After a liquid-liquid split the L words describe liquid 1 and the W words liquid 2.
 * IERR out: 0 success; above 0 the listing could not be opened (its error number); -1 the
 * sum of COMPIN is not above 0, or an amount is negative or not finite; -2 STRMID is blank
 * or names no stream, or no problem is open; -4 NCOMP is not the problem's component count
 * or above 200, or COMPIN is null; -(100 + e) the flash failed with the UFLSH status e
 * (-102 for a type outside 1-12); -101 also for an input the type reads that is not finite
 * or out of its range (TEMPIN 1-3000 K; PRESIN 1e-4 to 1e10 kPa; ENTHIN, ENTRIN and, with
 * IESTI not 0, HMIN and HMAX within single precision; VFRAC and TOL 0 to 1), and for a
 * type 2, 3, 8 or 9 state whose phase enthalpies (entropies), weighted by the fractions,
 * miss ENTHIN (ENTRIN) by more than 1e-4 of the larger of it, the phase values and 50 K
 * (1 K) of the gas constant's heat capacity; values a type does not read are not looked at;
 * type 12: -(150 + e) the bubble point, -(250 + e) the dew point, -(1000 + e) a flash of
 * the search failed, -1010 or -1020 the search reached MAXIT; -(200 + e) and -(300 + e)
 * the vapour or the liquid entropy failed. Every output is finite; those a failure did not
 * reach are 0.0. */
VENDRAKOL_EXPORT void VFLASH(const int32_t* idebug, const char* strmid, int32_t strmid_length,
                             const double* tempin, const double* presin, const double* vfrac,
                             const double* enthin, const double* entrin, double* compin,
                             const int32_t* iftype, const int32_t* ncomp, const int32_t* iesti,
                             const double* hmin, const double* hmax, const int32_t* maxit,
                             const double* tol, double* tempot, double* presot, double* enthv,
                             double* enthl, double* enthw, double* entrv, double* entrl,
                             double* entrw, double* fracv, double* fracl, double* fracw,
                             double* compv, double* compl_, double* compw, int32_t* ierr);

/* Nine properties of a composition taken whole as one phase, in the method set of the
 * stream STRMID.
 * IDEBUG in: 1 or more writes the listing "VProps.txt" in the working directory.
 * STRMID in: a stream identifier (text and length).
 * TEMPIN in: temperature, set 4. PRESIN in: pressure, 1000 times set 4.
 * COMPIN in/out: NCOMP amounts or fractions, normalised in place.
 * IPHASE in: 1 vapour, 2 liquid. NCOMP in: the problem's component count.
 * NPROP in: the number of PROPS words cleared at entry (at most nine).
 * PROPS out: at least nine words: 1 thermal conductivity (set 4 class 35); 2 viscosity
 * (set 4 class 40); 3 surface tension (set 4 class 42; 0.0 for a vapour); 4 molar enthalpy
 * (1000 times set 1 class 28); 5 molar entropy (1000 times set 1 class 29); 6 molar heat
 * capacity (set 1 class 30 times 1000); 7 compressibility factor; 8 dry and 9 wet volume
 * flow of one unit of molar rate (set 1, class 17 for a vapour, 16 for a liquid).
 * IERR out: 0; above 0 the listing could not be opened; -1 the sum of COMPIN is not above
 * 0; -3 STRMID is blank or names no stream, or no problem is open; -4 NCOMP is not the
 * component count or above 200, or COMPIN or PROPS is null; -(400 + e) the flash failed
 * with UFLSH status e; -13 transport properties, -23 enthalpy (also for IPHASE not 1 or 2),
 * -33 entropy, -43 compressibility, -53 volume flows failed. */
VENDRAKOL_EXPORT void VPROPS(const int32_t* idebug, const char* strmid, int32_t strmid_length,
                             const double* tempin, const double* presin, double* compin,
                             const int32_t* iphase, const int32_t* ncomp, const int32_t* nprop,
                             double* props, int32_t* ierr);

/* The host's error-control call. No arguments; it changes nothing. */
VENDRAKOL_EXPORT void ERSETU(void);

/* The iteration-history hook. A, B, C in: three addresses that are not read (null is
 * allowed); it changes nothing. */
VENDRAKOL_EXPORT void OTHIST(const void* a, const void* b, const void* c);

#ifdef __cplusplus
}
#endif

#endif /* VENDRAKOL_H */
