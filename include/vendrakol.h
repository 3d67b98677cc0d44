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

#ifdef __cplusplus
}
#endif

#endif /* VENDRAKOL_H */
