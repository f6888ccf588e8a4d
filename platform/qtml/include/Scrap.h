/*
 * Scrap.h: the scrap, as far as movies use it.
 */
#ifndef __SCRAP__
#define __SCRAP__

#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

/* Empties the scrap (a movie put there by PutMovieOnScrap goes); answers
 * noErr. */
QTML_API long ZeroScrap(void);

QTML_EXTERN_C_END

#endif /* __SCRAP__ */
