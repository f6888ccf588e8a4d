/*
 * MacErrors.h: result codes of the Memory, File and Component Managers,
 * QuickDraw, Gestalt, the Sound Input Manager and the Movie Toolbox, with QuickTime's values.
 */
#ifndef __MACERRORS__
#define __MACERRORS__

#include "MacTypes.h"

/* General and Memory Manager. */
QTML_RESULT_CODE(OSErr, paramErr, -50)
QTML_RESULT_CODE(OSErr, userCanceledErr, -128)
QTML_RESULT_CODE(OSErr, memFullErr, -108)
QTML_RESULT_CODE(OSErr, nilHandleErr, -109)
QTML_RESULT_CODE(OSErr, memAdrErr, -110)
QTML_RESULT_CODE(OSErr, memWZErr, -111)
QTML_RESULT_CODE(OSErr, memPurErr, -112)
QTML_RESULT_CODE(OSErr, memAZErr, -113)
QTML_RESULT_CODE(OSErr, memPCErr, -114)
QTML_RESULT_CODE(OSErr, memBCErr, -115)
QTML_RESULT_CODE(OSErr, memSCErr, -116)
QTML_RESULT_CODE(OSErr, memLockedErr, -117)

/* Sound Input Manager. */
QTML_RESULT_CODE(OSErr, siBadSoundInDevice, -221)

/* File Manager. */
QTML_RESULT_CODE(OSErr, dirFulErr, -33)
QTML_RESULT_CODE(OSErr, dskFulErr, -34)
QTML_RESULT_CODE(OSErr, nsvErr, -35)
QTML_RESULT_CODE(OSErr, ioErr, -36)
QTML_RESULT_CODE(OSErr, bdNamErr, -37)
QTML_RESULT_CODE(OSErr, fnOpnErr, -38)
QTML_RESULT_CODE(OSErr, eofErr, -39)
QTML_RESULT_CODE(OSErr, posErr, -40)
QTML_RESULT_CODE(OSErr, tmfoErr, -42)
QTML_RESULT_CODE(OSErr, fnfErr, -43)
QTML_RESULT_CODE(OSErr, wPrErr, -44)
QTML_RESULT_CODE(OSErr, fLckdErr, -45)
QTML_RESULT_CODE(OSErr, vLckdErr, -46)
QTML_RESULT_CODE(OSErr, fBsyErr, -47)
QTML_RESULT_CODE(OSErr, dupFNErr, -48)
QTML_RESULT_CODE(OSErr, opWrErr, -49)
QTML_RESULT_CODE(OSErr, rfNumErr, -51)
QTML_RESULT_CODE(OSErr, permErr, -54)
QTML_RESULT_CODE(OSErr, wrPermErr, -61)
QTML_RESULT_CODE(OSErr, dirNFErr, -120)
QTML_RESULT_CODE(OSErr, notAFileErr, -1302)

/* QuickDraw and Color QuickDraw. */
QTML_RESULT_CODE(OSErr, noMemForPictPlaybackErr, -145)
QTML_RESULT_CODE(OSErr, rgnOverflowErr, -147)
QTML_RESULT_CODE(OSErr, pixMapTooDeepErr, -148)
QTML_RESULT_CODE(OSErr, insufficientStackErr, -149)
QTML_RESULT_CODE(OSErr, cMatchErr, -150)
QTML_RESULT_CODE(OSErr, cTempMemErr, -151)
QTML_RESULT_CODE(OSErr, cNoMemErr, -152)
QTML_RESULT_CODE(OSErr, cRangeErr, -153)
QTML_RESULT_CODE(OSErr, cProtectErr, -154)
QTML_RESULT_CODE(OSErr, cDevErr, -155)
QTML_RESULT_CODE(OSErr, cResErr, -156)
QTML_RESULT_CODE(OSErr, cDepthErr, -157)
QTML_RESULT_CODE(OSErr, regionTooBigErr, -500)

/* Gestalt. */
QTML_RESULT_CODE(OSErr, gestaltUnknownErr, -5550)
QTML_RESULT_CODE(OSErr, gestaltUndefSelectorErr, -5551)
QTML_RESULT_CODE(OSErr, gestaltDupSelectorErr, -5552)
QTML_RESULT_CODE(OSErr, gestaltLocationErr, -5553)

/* Component Manager. The first two are ComponentResult values (32-bit). */
QTML_RESULT_CODE(SInt32, badComponentInstance, (SInt32)0x80008001)
QTML_RESULT_CODE(SInt32, badComponentSelector, (SInt32)0x80008002)
QTML_RESULT_CODE(OSErr, invalidComponentID, -3000)
QTML_RESULT_CODE(OSErr, validInstancesExist, -3001)
QTML_RESULT_CODE(OSErr, componentNotCaptured, -3002)
QTML_RESULT_CODE(OSErr, componentDontRegister, -3003)
QTML_RESULT_CODE(OSErr, unresolvedComponentDLLErr, -3004)
QTML_RESULT_CODE(OSErr, retryComponentRegistrationErr, -3005)

/* Movie Toolbox. */
QTML_RESULT_CODE(OSErr, couldNotResolveDataRef, -2000)
QTML_RESULT_CODE(OSErr, badImageDescription, -2001)
QTML_RESULT_CODE(OSErr, badPublicMovieAtom, -2002)
QTML_RESULT_CODE(OSErr, cantFindHandler, -2003)
QTML_RESULT_CODE(OSErr, cantOpenHandler, -2004)
QTML_RESULT_CODE(OSErr, badComponentType, -2005)
QTML_RESULT_CODE(OSErr, noMediaHandler, -2006)
QTML_RESULT_CODE(OSErr, noDataHandler, -2007)
QTML_RESULT_CODE(OSErr, invalidMedia, -2008)
QTML_RESULT_CODE(OSErr, invalidTrack, -2009)
QTML_RESULT_CODE(OSErr, invalidMovie, -2010)
QTML_RESULT_CODE(OSErr, invalidSampleTable, -2011)
QTML_RESULT_CODE(OSErr, invalidDataRef, -2012)
QTML_RESULT_CODE(OSErr, invalidHandler, -2013)
QTML_RESULT_CODE(OSErr, invalidDuration, -2014)
QTML_RESULT_CODE(OSErr, invalidTime, -2015)
QTML_RESULT_CODE(OSErr, cantPutPublicMovieAtom, -2016)
QTML_RESULT_CODE(OSErr, badEditList, -2017)
QTML_RESULT_CODE(OSErr, mediaTypesDontMatch, -2018)
QTML_RESULT_CODE(OSErr, progressProcAborted, -2019)
QTML_RESULT_CODE(OSErr, movieToolboxUninitialized, -2020)
QTML_RESULT_CODE(OSErr, noRecordOfApp, movieToolboxUninitialized)
QTML_RESULT_CODE(OSErr, wfFileNotFound, -2021)
QTML_RESULT_CODE(OSErr, cantCreateSingleForkFile, -2022)
QTML_RESULT_CODE(OSErr, invalidEditState, -2023)
QTML_RESULT_CODE(OSErr, nonMatchingEditState, -2024)
QTML_RESULT_CODE(OSErr, staleEditState, -2025)
QTML_RESULT_CODE(OSErr, userDataItemNotFound, -2026)
QTML_RESULT_CODE(OSErr, maxSizeToGrowTooSmall, -2027)
QTML_RESULT_CODE(OSErr, badTrackIndex, -2028)
QTML_RESULT_CODE(OSErr, trackIDNotFound, -2029)
QTML_RESULT_CODE(OSErr, trackNotInMovie, -2030)
QTML_RESULT_CODE(OSErr, timeNotInTrack, -2031)
QTML_RESULT_CODE(OSErr, timeNotInMedia, -2032)
QTML_RESULT_CODE(OSErr, badEditIndex, -2033)
QTML_RESULT_CODE(OSErr, internalQuickTimeError, -2034)
QTML_RESULT_CODE(OSErr, cantEnableTrack, -2035)
QTML_RESULT_CODE(OSErr, invalidRect, -2036)
QTML_RESULT_CODE(OSErr, invalidSampleNum, -2037)
QTML_RESULT_CODE(OSErr, invalidChunkNum, -2038)
QTML_RESULT_CODE(OSErr, invalidSampleDescIndex, -2039)
QTML_RESULT_CODE(OSErr, invalidChunkCache, -2040)
QTML_RESULT_CODE(OSErr, invalidSampleDescription, -2041)
QTML_RESULT_CODE(OSErr, dataNotOpenForRead, -2042)
QTML_RESULT_CODE(OSErr, dataNotOpenForWrite, -2043)
QTML_RESULT_CODE(OSErr, dataAlreadyOpenForWrite, -2044)
QTML_RESULT_CODE(OSErr, dataAlreadyClosed, -2045)
QTML_RESULT_CODE(OSErr, endOfDataReached, -2046)
QTML_RESULT_CODE(OSErr, dataNoDataRef, -2047)
QTML_RESULT_CODE(OSErr, noMovieFound, -2048)
QTML_RESULT_CODE(OSErr, invalidDataRefContainer, -2049)
QTML_RESULT_CODE(OSErr, badDataRefIndex, -2050)
QTML_RESULT_CODE(OSErr, noDefaultDataRef, -2051)
QTML_RESULT_CODE(OSErr, couldNotUseAnExistingSample, -2052)
QTML_RESULT_CODE(OSErr, featureUnsupported, -2053)

/* Image Compression Manager. */
QTML_RESULT_CODE(OSErr, codecErr, -8960)
QTML_RESULT_CODE(OSErr, noCodecErr, -8961)
QTML_RESULT_CODE(OSErr, codecUnimpErr, -8962)
QTML_RESULT_CODE(OSErr, codecImageBufErr, -8963) /* an image too large to hold */

/* QuickTime for Windows start-up. */
QTML_RESULT_CODE(OSErr, componentDllLoadErr, -2091)
QTML_RESULT_CODE(OSErr, componentDllEntryNotFoundErr, -2092)
QTML_RESULT_CODE(OSErr, qtmlDllLoadErr, -2093)
QTML_RESULT_CODE(OSErr, qtmlDllEntryNotFoundErr, -2094)
QTML_RESULT_CODE(OSErr, qtmlUninitialized, -2095)
QTML_RESULT_CODE(OSErr, unsupportedOSErr, -2096)
QTML_RESULT_CODE(OSErr, unsupportedProcessorErr, -2097)

/* QT atoms and atom containers. */
QTML_RESULT_CODE(OSErr, cannotFindAtomErr, -2101)
QTML_RESULT_CODE(OSErr, notLeafAtomErr, -2102)
QTML_RESULT_CODE(OSErr, atomsNotOfSameTypeErr, -2103)
QTML_RESULT_CODE(OSErr, atomIndexInvalidErr, -2104)
QTML_RESULT_CODE(OSErr, duplicateAtomTypeAndIDErr, -2105)
QTML_RESULT_CODE(OSErr, invalidAtomErr, -2106)
QTML_RESULT_CODE(OSErr, invalidAtomContainerErr, -2107)
QTML_RESULT_CODE(OSErr, invalidAtomTypeErr, -2108)
QTML_RESULT_CODE(OSErr, cannotBeLeafAtomErr, -2109)
/* Movie export. */
QTML_RESULT_CODE(OSErr, noVideoTrackInMovieErr, -2054)
QTML_RESULT_CODE(OSErr, noSoundTrackInMovieErr, -2055)

/* Standard compression and sound compression. */
QTML_RESULT_CODE(OSErr, codecAbortErr, -8967)       /* a progress procedure stopped the work */
QTML_RESULT_CODE(OSErr, scTypeNotFoundErr, -8971)   /* an information type not kept */
QTML_RESULT_CODE(OSErr, badFormat, -206)            /* a sound format nothing converts */
QTML_RESULT_CODE(OSErr, notEnoughBufferSpace, -207) /* sound conversion out of order */

#endif /* __MACERRORS__ */
