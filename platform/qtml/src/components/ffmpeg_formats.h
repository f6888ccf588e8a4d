// libavformat, opened the first time the engine needs it. Most runs write
// no container and look up no codec by its tag, while the library, with
// the network protocols and disc readers it pulls in, would cost every
// run's start-up more than a picture's whole export. So the engine does
// not link it: it opens it when a movie is exported or a tag looked up.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

namespace qtml {

// The library's functions the engine calls, by their own names less the
// library's prefix.
struct FormatLibrary {
  decltype(&avformat_alloc_output_context2) alloc_output_context2;
  decltype(&avformat_free_context) free_context;
  decltype(&avformat_new_stream) new_stream;
  decltype(&avformat_write_header) write_header;
  decltype(&av_interleaved_write_frame) interleaved_write_frame;
  decltype(&av_write_trailer) write_trailer;
  decltype(&avio_open) io_open;
  decltype(&avio_closep) io_closep;
  decltype(&av_codec_get_id) codec_get_id;
  decltype(&avformat_get_mov_video_tags) mov_video_tags;
  decltype(&avformat_get_riff_video_tags) riff_video_tags;
  decltype(&avformat_get_mov_audio_tags) mov_audio_tags;
};

// The library, opened on the first call (by one thread, whichever calls
// first); nullptr when it cannot be opened or lacks one of the functions.
const FormatLibrary* Formats() noexcept;

}  // namespace qtml
