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

/* ------------------------------------------------------------------------
 * Sound conversion: a sound converter turns sound of one format into
 * another through the sound decompressor ('sdec') of the input's format
 * and the sound compressor ('scom') of the output's. Uncompressed formats
 * ('raw ' 8-bit offset binary, 'twos' and 'sowt' of 8, 16, 24 or 32 bits,
 * 'in24', 'in32', 'fl32', 'fl64') are read and written by the engine; the
 * compressed ones ('ulaw', 'alaw', 'ima4', and for reading every format
 * the engine decodes) by FFmpeg. Channels are mixed down or repeated to
 * the output's count, and the rate changed by linear interpolation.
 *
 * Frames count sample frames (one sample of each channel) on both sides;
 * for 'ima4' a packet of 64 frames takes 34 bytes a channel, and output
 * is written in whole packets: frames that do not fill one wait for the
 * next buffer, and SoundConverterEndConversion writes the last packet
 * padded with silence.
 * ------------------------------------------------------------------------ */
typedef struct SoundComponentData {
  long flags;
  OSType format;
  short numChannels;
  short sampleSize;         /* bits a sample of the uncompressed sound */
  UnsignedFixed sampleRate; /* frames a second */
  long sampleCount;
  Byte* buffer;
  long reserved;
} SoundComponentData;
typedef SoundComponentData* SoundComponentDataPtr;

/* How a format packs its samples (GetCompressionInfo). */
typedef struct CompressionInfo {
  long recordSize;
  OSType format;
  short compressionID;
  unsigned short samplesPerPacket; /* frames a packet */
  unsigned short bytesPerPacket;   /* bytes a packet of one channel */
  unsigned short bytesPerSample;   /* of the uncompressed sound it holds */
  unsigned short futureUse1;
} CompressionInfo;
typedef CompressionInfo* CompressionInfoPtr;

typedef struct OpaqueSoundConverter* SoundConverter;

/* A new converter (closed with SoundConverterClose) from inputFormat to
 * outputFormat (format, numChannels, sampleSize and sampleRate are used).
 * badFormat when either format has no sound component here, paramErr for
 * channels out of 1 to 8, a sample size an uncompressed format does not
 * have, or a zero rate. */
QTML_API OSErr SoundConverterOpen(const SoundComponentData* inputFormat,
                                  const SoundComponentData* outputFormat, SoundConverter* sc);
QTML_API OSErr SoundConverterClose(SoundConverter sc);
/* For about inputBytesTarget bytes of input: the whole frames (whole
 * packets of a compressed input) they hold and their bytes, and the most
 * bytes their conversion can write. */
QTML_API OSErr SoundConverterGetBufferSizes(SoundConverter sc, unsigned long inputBytesTarget,
                                            unsigned long* inputFrames, unsigned long* inputBytes,
                                            unsigned long* outputBytes);
/* Starts a conversion afresh, forgetting frames waiting from before. */
QTML_API OSErr SoundConverterBeginConversion(SoundConverter sc);
/* Converts inputFrames frames (for a compressed input, the frames of its
 * whole packets) into outputPtr, which must hold the outputBytes
 * SoundConverterGetBufferSizes promised; *outputFrames and *outputBytes
 * say what was written. notEnoughBufferSpace before
 * SoundConverterBeginConversion. */
QTML_API OSErr SoundConverterConvertBuffer(SoundConverter sc, const void* inputPtr,
                                           unsigned long inputFrames, void* outputPtr,
                                           unsigned long* outputFrames, unsigned long* outputBytes);
/* Writes what is still waiting (the last packet, padded) and ends the
 * conversion. */
QTML_API OSErr SoundConverterEndConversion(SoundConverter sc, void* outputPtr,
                                           unsigned long* outputFrames, unsigned long* outputBytes);

/* The packing of a format: 1 frame of sampleSize ÷ 8 bytes a channel for
 * uncompressed ones, 1 byte for 'ulaw' and 'alaw', 64 frames in 34 bytes
 * for 'ima4'. compressionID is not used. badFormat for a format the
 * engine does not convert. */
QTML_API OSErr GetCompressionInfo(short compressionID, OSType format, short numChannels,
                                  short sampleSize, CompressionInfoPtr cp);
/* ------------------------------------------------------------------------ */

QTML_EXTERN_C_END

#endif /* __SOUND__ */
