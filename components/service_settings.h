// Compression settings inside a component's settings container, read as
// and written from sample descriptions. Video settings are the children
// 'sptl', 'tprl', 'drat' and 'isiz' of a parent atom (the container's
// root for a standard compressor, the 'vide' atom for a movie exporter);
// sound settings are the children 'ssct', 'ssrt', 'ssss' and 'sscc' of
// the root 'soun' atom. Values are big-endian.
#pragma once

#include "Movies.h"
#include "movie/sample_desc.h"

namespace fenra {

// The first root atom of `type`, or 0.
QTAtom FindRootAtom(QTAtomContainer settings, QTAtomType type);

// Fills `desc` with a new default record carrying the compressor type,
// depth, qualities and size the settings under `parent` hold; a
// description with compression parameters also gets the frame rate, key
// frame rate, data rate and minimum qualities. False (desc untouched)
// when there is no 'sptl' atom.
bool ReadImageSettings(QTAtomContainer settings, QTAtom parent, ImageDescBase* desc);

// Writes the description's compressor type, depth, qualities and size
// under `parent` (with its compression parameters, when it has them);
// paramErr for a description without a record, else the first failed
// atom call's result.
OSErr WriteImageSettings(QTAtomContainer settings, QTAtom parent, const ImageDescBase& desc);

// Fills `desc` with a new default record holding the format, rate,
// sample size and channels of the root 'soun' atom; false without one.
bool ReadSoundSettings(QTAtomContainer settings, SoundDescNative* desc);

// Writes the description's format, rate, sample size and channels into
// the root 'soun' atom (made when missing).
OSErr WriteSoundSettings(QTAtomContainer settings, const SoundDescNative& desc);

}  // namespace fenra
