/*
 * Sound.h: the description of a sound media's samples, the component
 * types of sound compressors and decompressors, and the sound input
 * devices.
 *
 * A version 0 SoundDescription is 36 bytes; version 1 (SoundDescriptionV1,
 * 52 bytes) adds the packet layout of compressed sound. In a handle the
 * fields are in the machine's byte order, as for every sample description.
 */
#ifndef __SOUND__
#define __SOUND__

#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

/* compressionID values. */
enum {
  notCompressed = 0,
  fixedCompression = -1,
  variableCompression = -2,
  twoToOne = 1,
  eightToThree = 2,
  threeToOne = 3,
  sixToOne = 4
};

/* Sample formats (dataFormat). */
enum {
  kRawSoundFormat = FOUR_CHAR_CODE('raw '),    /* 8-bit offset binary */
  kTwosComplement = FOUR_CHAR_CODE('twos'),    /* big-endian signed */
  kLittleEndianFormat = FOUR_CHAR_CODE('sowt') /* little-endian signed */
};

/* Sound compressors and decompressors: their subtype is the format. */
enum { kSoundCompressor = 'scom', kSoundDecompressor = 'sdec' };
/* Volumes are 8.8 fixed point: full volume is 1.0. */
enum { kFullVolume = 0x0100, kNoVolume = 0 };
enum {
  k24BitFormat = FOUR_CHAR_CODE('in24'),
  kFloat32Format = FOUR_CHAR_CODE('fl32'),
  kULawCompression = FOUR_CHAR_CODE('ulaw'),
  kALawCompression = FOUR_CHAR_CODE('alaw'),
  kIMACompression = FOUR_CHAR_CODE('ima4'),
  kMACE3Compression = FOUR_CHAR_CODE('MAC3'),
  kMACE6Compression = FOUR_CHAR_CODE('MAC6')
};

#pragma pack(push, 2)
typedef struct SoundDescription {
  SInt32 descSize;
  OSType dataFormat;
  SInt32 resvd1;
  SInt16 resvd2;
  SInt16 dataRefIndex;
  SInt16 version; /* 0, or 1 for SoundDescriptionV1 */
  SInt16 revlevel;
  SInt32 vendor;
  SInt16 numChannels;
  SInt16 sampleSize; /* bits per sample */
  SInt16 compressionID;
  SInt16 packetSize;
  UnsignedFixed sampleRate; /* samples per second, unsigned 16.16 */
} SoundDescription;

typedef struct SoundDescriptionV1 {
  SoundDescription desc;
  UInt32 samplesPerPacket;
  UInt32 bytesPerPacket;
  UInt32 bytesPerFrame;
  UInt32 bytesPerSample;
} SoundDescriptionV1;
#pragma pack(pop)

typedef SoundDescription* SoundDescriptionPtr;
typedef SoundDescriptionPtr* SoundDescriptionHandle;
typedef SoundDescriptionV1* SoundDescriptionV1Ptr;
typedef SoundDescriptionV1Ptr* SoundDescriptionV1Handle;

/* The Sound Input Manager's devices: the engine offers one, a virtual
 * input device named "Virtual Input". */
/* The name of the index-th input device (from 1) into deviceName and,
 * when deviceIconHandle is given, a new handle (owned by the caller)
 * holding its icon and mask (ICN#, 256 bytes). siBadSoundInDevice for an
 * index past the last device, or below 1. */
QTML_API OSErr SPBGetIndexedDevice(short count, Str255 deviceName, Handle* deviceIconHandle);

QTML_EXTERN_C_END

#endif /* __SOUND__ */
