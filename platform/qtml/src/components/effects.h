// Effects: decompressors whose frames are made from source images and a
// description of the effect's parameters (an atom container) rather than
// from compressed data. The engine's effect is brightness and contrast.
#pragma once

#include <vector>

#include "ImageCompression.h"
#include "components/component_registry.h"

namespace qtml {

// Whether images of this type are made by an effect.
bool IsEffectType(CodecType type) noexcept;

// Appends the effect decompressors ('imdc' components).
void AppendEffectComponents(std::vector<ComponentEntry>* entries);

// Makes the effect's frame from its sources (null where a source is
// missing) as its description (the bytes of an atom container) says,
// into `out` (32-bit, `width` × `height`, rows of `rowBytes`). paramErr
// when a source the effect needs is missing, memFullErr.
OSErr RenderEffect(CodecType type, const void* description, long size,
                   const PixMap* const sources[2], const PixMap& out);

}  // namespace qtml
