#include "components/ffmpeg_formats.h"

#include <dlfcn.h>

namespace qtml {
namespace {

// The library the headers were written for: its major version names the
// interface.
#define QTML_STRING(x) #x
#define QTML_EXPANDED(x) QTML_STRING(x)
constexpr const char kLibraryName[] = "libavformat.so." QTML_EXPANDED(LIBAVFORMAT_VERSION_MAJOR);
#undef QTML_EXPANDED
#undef QTML_STRING

template <typename F>
bool Find(void* library, const char* name, F* function) {
  *function = reinterpret_cast<F>(dlsym(library, name));
  return *function != nullptr;
}

bool Open(FormatLibrary* f) {
  // Kept open for the life of the process: what it made may outlive any
  // one caller.
  void* l = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (l == nullptr) return false;
  return Find(l, "avformat_alloc_output_context2", &f->alloc_output_context2) &&
         Find(l, "avformat_free_context", &f->free_context) &&
         Find(l, "avformat_new_stream", &f->new_stream) &&
         Find(l, "avformat_write_header", &f->write_header) &&
         Find(l, "av_interleaved_write_frame", &f->interleaved_write_frame) &&
         Find(l, "av_write_trailer", &f->write_trailer) && Find(l, "avio_open", &f->io_open) &&
         Find(l, "avio_closep", &f->io_closep) && Find(l, "av_codec_get_id", &f->codec_get_id) &&
         Find(l, "avformat_get_mov_video_tags", &f->mov_video_tags) &&
         Find(l, "avformat_get_riff_video_tags", &f->riff_video_tags) &&
         Find(l, "avformat_get_mov_audio_tags", &f->mov_audio_tags);
}

}  // namespace

const FormatLibrary* Formats() noexcept {
  static FormatLibrary library;
  static const bool opened = Open(&library);
  return opened ? &library : nullptr;
}

}  // namespace qtml
