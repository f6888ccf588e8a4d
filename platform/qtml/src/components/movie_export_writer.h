// Movies written through libavformat: a movie's frames drawn at a frame
// rate and its sound mixed, encoded by FFmpeg and put in a container of a
// format (QuickTime, AVI, MPEG-4, AIFF, WAVE, Sun audio), or written as
// one image file a frame through a graphics exporter.
#pragma once

#include <string>

#include "ImageCompression.h"
#include "Movies.h"
#include "movies/movie_model.h"

namespace qtml {

struct VideoExportSettings {
  CodecType codec = 0;  // 0: samples as they are (QuickTime movies only)
  short depth = 24;
  CodecQ spatialQuality = codecNormalQuality;
  CodecQ temporalQuality = codecNormalQuality;
  Fixed frameRate = 0;    // 0: the source's
  long keyFrameRate = 0;  // 0: the codec's choice
  long dataRate = 0;      // bytes a second; 0: by quality
  Fixed width = 0;        // 0: the movie's box
  Fixed height = 0;
};

struct SoundExportSettings {
  OSType format = 0;       // 'twos', 'sowt', 'raw ', 'ulaw', 'alaw', 'fl32', 'mp4a'
  UnsignedFixed rate = 0;  // 0: the source's
  short bits = 16;
  short channels = 0;  // 0: the source's
};

// What one export writes and where.
struct ExportJob {
  MovieRecord* movie = nullptr;
  TimeValue start = 0;
  TimeValue duration = 0;
  const char* muxer = nullptr;  // libavformat's name; nullptr: an image sequence
  bool video = false;
  bool sound = false;
  bool fastStart = false;
  bool namesSoundFormat = false;  // AIFF-C: the file says what its sound is
  VideoExportSettings videoSettings;
  SoundExportSettings soundSettings;
  OSType imageFormat = 'PNGf';  // an image sequence's graphics exporter
  std::string path;             // the file; an image sequence's first name
  // Called with movieProgressOpen, ...UpdatePercent and ...Close; an error
  // stops the export.
  MovieProgressUPP progress = nullptr;
  long progressRefcon = 0;
};

// Writes the job's file aside and puts it in place whole; on failure
// nothing is left. noVideoTrackInMovieErr / noSoundTrackInMovieErr when
// the movie has nothing of a kind the format needs alone; noCodecErr for
// an encoder FFmpeg does not have; codecErr; the file's errors.
OSErr WriteExport(const ExportJob& job);

// The sound a movie's first enabled sound track describes: rate and
// channels (0 when it has none).
void SourceSoundFormat(const MovieRecord& movie, int* rate, int* channels);

}  // namespace qtml
