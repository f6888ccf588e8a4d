// Sample descriptions between the two byte orders. A description handle
// holds the fields of its record in the machine's order; a movie file's
// 'stsd' entry holds them big-endian. The fields converted are those of
// the media type's record (ImageDescription for 'vide', SoundDescription
// and its versions 1 and 2 for 'soun', TextDescription for 'text',
// TimeCodeDescription for 'tmcd', SampleDescription for any other type);
// the bytes after the fixed record (image extensions such as 'avcC' or
// 'colr', a text font name, a time code source) are kept as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Movies.h"
#include "movies/sample_table.h"

namespace qtml {

// The file bytes of the description in `desc`: its first descSize bytes
// (the whole handle when descSize is larger or less than 16), with the
// size field set to their count. Empty for a handle that is not live or
// holds less than a SampleDescription, or when memory is short.
std::vector<uint8_t> DescriptionToFileBytes(OSType mediaType, Handle desc);

// A new handle (owned by the caller) holding the description whose file
// bytes are given, fields in the machine's order; nullptr when the bytes
// are fewer than a SampleDescription's or memory is short.
Handle DescriptionFromFileBytes(OSType mediaType, const std::vector<uint8_t>& bytes);

// Converts the fields of a description in place between the orders (the
// conversion is its own inverse but for reading the sound version, which
// is read in the order the bytes are in: `fromFile` says which). Fields
// that do not fit in `size` are left alone.
void ConvertDescriptionFields(OSType mediaType, uint8_t* bytes, size_t size, bool fromFile);

// How the sound description whose file bytes are given packs its frames:
// known for uncompressed version 0 descriptions and for every version 1
// and 2 description with constant packets; false otherwise.
bool SoundPackingOf(const std::vector<uint8_t>& description, SamplePacking* packing);

}  // namespace qtml
