// Graphics exporters: one image (from a port, a picture, an image file or
// image data) written as a file or handle of a format. BMP, JPEG, PNG,
// TIFF, SGI and Targa are encoded by FFmpeg, fed through libswscale
// straight from the input's rows; PICT, Photoshop and QuickTime Image
// files are laid out here around pixels or data the engine makes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ImageCompression.h"
#include "QuickTimeComponents.h"
#include "base/api_call.h"
#include "base/byte_order.h"
#include "components/codecs.h"
#include "components/component_selectors.h"
#include "components/exporters.h"
#include "components/ffmpeg_ptr.h"
#include "components/importers.h"
#include "components/still_images.h"
#include "data/data_refs.h"
#include "files/files.h"
#include "files/os.h"
#include "memory/memory.h"
#include "movies/atom_container.h"
#include "movies/movie_model.h"
#include "movies/movie_progress.h"
#include "quickdraw/picture.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
#include <zlib.h>
}

namespace qtml {
namespace {

constexpr int kOwnWriter = -1;       // laid out by the engine itself
constexpr OSType kCreator = 'ogle';  // PictureViewer's, as QuickTime gives
constexpr Fixed k72dpi = 72 << 16;

// What each format keeps.
enum FormatTraits : unsigned {
  kAlpha = 1u << 0,       // depth 32 keeps transparency
  kGrey = 1u << 1,        // depth 40
  kDepth16 = 1u << 2,     // depth 16
  kQuality = 1u << 3,     // lossy: quality and a target size count
  kResolution = 1u << 4,  // a resolution field
  kMetaData = 1u << 5,    // text items from user data
  kExif = 1u << 6,        // Exif and thumbnails
  kInterlace = 1u << 7,
};

struct ExportFormat {
  OSType subType;
  const char* name;
  OSType extension;
  const char* mime;
  int codec;  // AVCodecID, or kOwnWriter
  unsigned traits;
  long defaultMethod;  // compression method until set
};

constexpr ExportFormat kFormats[] = {
    {'BMPf', "BMP", 'bmp ', "image/bmp", AV_CODEC_ID_BMP, kAlpha | kGrey | kDepth16 | kResolution,
     0},
    {'JPEG', "JPEG", 'jpg ', "image/jpeg", AV_CODEC_ID_MJPEG,
     kGrey | kQuality | kResolution | kMetaData | kExif, 0},
    {'PNGf', "PNG", 'png ', "image/png", AV_CODEC_ID_PNG,
     kAlpha | kGrey | kResolution | kMetaData | kInterlace, 0},
    {'TIFF', "TIFF", 'tif ', "image/tiff", AV_CODEC_ID_TIFF, kAlpha | kGrey | kResolution,
     kQTTIFFCompression_PackBits},
    {'PICT', "PICT", 'pct ', "image/x-pict", kOwnWriter, 0, 0},
    {'8BPS', "Photoshop", 'psd ', "image/vnd.adobe.photoshop", kOwnWriter,
     kAlpha | kGrey | kResolution, 0},
    {'.SGI', "SGI", 'sgi ', "image/sgi", AV_CODEC_ID_SGI, kAlpha | kGrey, 1},
    {'TPIC', "Targa", 'tga ', "image/x-targa", AV_CODEC_ID_TARGA, kAlpha | kGrey, 1},
    {'qtif', "QuickTime Image", 'qtif', "image/x-quicktime", kOwnWriter, kQuality | kResolution,
     kJPEGCodecType},
};

const ExportFormat* FormatOf(OSType subType) {
  for (const ExportFormat& f : kFormats) {
    if (f.subType == subType) return &f;
  }
  return nullptr;
}

bool Backed(const ExportFormat& f) {
  return f.codec == kOwnWriter || FFmpegEncodes(f.codec);
}

// The calls every exporter takes; those for a format's traits follow.
constexpr SInt16 kCommonSelectors[] = {
    kGraphicsExportDoExportSelect,
    kGraphicsExportCanTranscodeSelect,
    kGraphicsExportDoTranscodeSelect,
    kGraphicsExportGetDefaultFileTypeAndCreatorSelect,
    kGraphicsExportGetDefaultFileNameExtensionSelect,
    kGraphicsExportGetMIMETypeListSelect,
    kGraphicsExportRequestSettingsSelect,
    kGraphicsExportSetSettingsFromAtomContainerSelect,
    kGraphicsExportGetSettingsAsAtomContainerSelect,
    kGraphicsExportGetSettingsAsTextSelect,
    kGraphicsExportSetDontRecompressSelect,
    kGraphicsExportGetDontRecompressSelect,
    kGraphicsExportSetInterlaceStyleSelect,
    kGraphicsExportGetInterlaceStyleSelect,
    kGraphicsExportSetTargetDataSizeSelect,
    kGraphicsExportGetTargetDataSizeSelect,
    kGraphicsExportSetCompressionMethodSelect,
    kGraphicsExportGetCompressionMethodSelect,
    kGraphicsExportSetCompressionQualitySelect,
    kGraphicsExportGetCompressionQualitySelect,
    kGraphicsExportSetResolutionSelect,
    kGraphicsExportGetResolutionSelect,
    kGraphicsExportSetDepthSelect,
    kGraphicsExportGetDepthSelect,
    kGraphicsExportSetProgressProcSelect,
    kGraphicsExportGetProgressProcSelect,
    kGraphicsExportSetInputDataReferenceSelect,
    kGraphicsExportSetInputFileSelect,
    kGraphicsExportGetInputFileSelect,
    kGraphicsExportSetInputHandleSelect,
    kGraphicsExportGetInputHandleSelect,
    kGraphicsExportSetInputPtrSelect,
    kGraphicsExportSetInputGraphicsImporterSelect,
    kGraphicsExportGetInputGraphicsImporterSelect,
    kGraphicsExportSetInputPictureSelect,
    kGraphicsExportGetInputPictureSelect,
    kGraphicsExportSetInputGWorldSelect,
    kGraphicsExportGetInputGWorldSelect,
    kGraphicsExportSetInputPixmapSelect,
    kGraphicsExportGetInputPixmapSelect,
    kGraphicsExportGetInputImageDimensionsSelect,
    kGraphicsExportGetInputImageDepthSelect,
    kGraphicsExportSetOutputDataReferenceSelect,
    kGraphicsExportGetOutputDataReferenceSelect,
    kGraphicsExportSetOutputFileSelect,
    kGraphicsExportGetOutputFileSelect,
    kGraphicsExportSetOutputHandleSelect,
    kGraphicsExportGetOutputHandleSelect,
    kGraphicsExportSetOutputFileTypeAndCreatorSelect,
    kGraphicsExportGetOutputFileTypeAndCreatorSelect,
};
constexpr SInt16 kMetaDataSelectors[] = {kGraphicsExportSetMetaDataSelect,
                                         kGraphicsExportGetMetaDataSelect};
constexpr SInt16 kExifSelectors[] = {
    kGraphicsExportSetThumbnailEnabledSelect, kGraphicsExportGetThumbnailEnabledSelect,
    kGraphicsExportSetExifEnabledSelect, kGraphicsExportGetExifEnabledSelect};

struct ExportSettings {
  long depth = 0;  // 0: the exporter's choice
  CodecQ quality = codecNormalQuality;
  Fixed hRes = k72dpi;
  Fixed vRes = k72dpi;
  unsigned long targetSize = 0;
  long method = 0;
  unsigned long interlace = 0;
  bool dontRecompress = false;
  bool exif = false;
  bool thumbnail = false;
  long thumbWidth = 0;
  long thumbHeight = 0;
};

enum class InputKind { kNone, kGWorld, kPixMap, kPicture, kImporter, kFile, kData };
enum class OutputKind { kNone, kFile, kHandle };

class GraphicsExporterImplementation : public ComponentImplementation {
 public:
  OSErr Open(ComponentInstance self) override {
    ComponentInstanceRecord* record = FindInstanceRecord(self);
    format = record != nullptr ? FormatOf(record->component->entry.subType) : nullptr;
    if (format != nullptr) {
      settings.method = format->defaultMethod;
      fileType = format->subType;
    }
    return noErr;
  }
  bool Implements(SInt16 selector) const override {
    if (InSelectorTable(kCommonSelectors, selector)) return true;
    unsigned traits = format != nullptr ? format->traits : 0;
    if ((traits & kMetaData) && InSelectorTable(kMetaDataSelectors, selector)) return true;
    return (traits & kExif) && InSelectorTable(kExifSelectors, selector);
  }

  const ExportFormat* format = nullptr;  // nullptr: the base exporter
  ExportSettings settings;
  std::vector<UserDataItem> metaData;
  ICMProgressProcRecord progress{nullptr, 0};

  InputKind input = InputKind::kNone;
  GWorldPtr inputWorld = nullptr;
  PixMapHandle inputPixMap = nullptr;
  PicHandle inputPicture = nullptr;
  ComponentInstance inputImporter = nullptr;
  FSSpec inputFile{};
  Handle inputHandle = nullptr;         // data of kData given as a handle
  const uint8_t* inputBytes = nullptr;  // data of kData given as a pointer
  unsigned long inputSize = 0;
  ImageDescriptionHandle inputDescription = nullptr;

  OutputKind output = OutputKind::kNone;
  FSSpec outputFile{};
  Handle outputHandle = nullptr;
  OSType fileType = 0;
  OSType fileCreator = kCreator;
};

void ClearInput(GraphicsExporterImplementation& e) {
  e.input = InputKind::kNone;
  e.inputWorld = nullptr;
  e.inputPixMap = nullptr;
  e.inputPicture = nullptr;
  e.inputImporter = nullptr;
  e.inputFile = FSSpec{};
  e.inputHandle = nullptr;
  e.inputBytes = nullptr;
  e.inputSize = 0;
  e.inputDescription = nullptr;
}

// ---- The input image --------------------------------------------------

// Rows of 32-bit ARGB pixels: the input's own rows when it is a 32-bit
// port, else an image made from it.
struct SourceImage {
  const uint8_t* base = nullptr;
  long rowBytes = 0;
  int width = 0;
  int height = 0;
  bool alpha = false;  // whether its alpha bytes say anything
  StillImage own;

  void Adopt() {
    base = own.pixels.data();
    rowBytes = own.RowBytes();
    width = own.width;
    height = own.height;
    alpha = own.hasAlpha;
  }
};

OSErr ImageOfMap(const PixMap& map, SourceImage* image) {
  if (map.baseAddr == nullptr || IsEmpty(map.bounds)) return paramErr;
  if (map.pixelSize == 32) {
    image->base = reinterpret_cast<const uint8_t*>(map.baseAddr);
    image->rowBytes = map.rowBytes & 0x3FFF;
    image->width = map.bounds.right - map.bounds.left;
    image->height = map.bounds.bottom - map.bounds.top;
    return noErr;
  }
  if (OSErr err = ImageOfPixMap(map, map.bounds, &image->own)) return err;
  image->Adopt();
  image->alpha = false;
  return noErr;
}

OSErr ImageOfFile(const std::string& path, std::string* bytes, OSType* format, SourceImage* image) {
  if (OSErr err = os::ReadWholeFile(path, bytes)) return err;
  FileFacts facts;
  facts.head.assign(bytes->begin(), bytes->begin() + std::min(bytes->size(), kFileHeadBytes));
  size_t dot = path.rfind('.');
  if (dot != std::string::npos) facts.extension = path.substr(dot + 1);
  *format = IdentifyFormat(facts);
  if (*format == 0) return cantFindHandler;
  if (image == nullptr) return noErr;
  if (OSErr err = DecodeImageFile(*format, *bytes, &image->own)) return err;
  image->Adopt();
  return noErr;
}

// The native path of the file an importer reads.
OSErr ImporterPath(ComponentInstance importer, std::string* path, OSType* format) {
  auto* work = dynamic_cast<GraphicsImporterImplementation*>(ImplementationOf(importer));
  if (work == nullptr || work->path.empty()) return paramErr;
  *path = work->path;
  *format = work->format;
  return noErr;
}

const uint8_t* DataBytes(const GraphicsExporterImplementation& e, size_t* size) {
  if (e.inputHandle != nullptr) {
    *size = static_cast<size_t>(HandleSize(e.inputHandle));
    return reinterpret_cast<const uint8_t*>(*e.inputHandle);
  }
  *size = e.inputSize;
  return e.inputBytes;
}

OSErr ImageOfData(const GraphicsExporterImplementation& e, SourceImage* image) {
  if (CheckHandle(reinterpret_cast<Handle>(e.inputDescription)) != noErr) return paramErr;
  size_t size = 0;
  const uint8_t* bytes = DataBytes(e, &size);
  if (bytes == nullptr) return paramErr;
  const ImageDescription& desc = **e.inputDescription;
  if (desc.width <= 0 || desc.height <= 0) return paramErr;
  Rect bounds{0, 0, desc.height, desc.width};
  GWorldPtr world = nullptr;
  if (OSErr err = NewWorld(&world, 32, &bounds, nullptr)) return err;
  WorldOwner owner{world};
  Port* port = PortFromGrafPtr(reinterpret_cast<GrafPtr>(world));
  FillPixels(port->pixMap, bounds, kWhite);
  // The decompressor may read the description's dataSize bytes: copied so
  // that a pointer input is never read past its size.
  std::vector<uint8_t> data(bytes, bytes + size);
  data.resize(std::max<size_t>(size, static_cast<size_t>(std::max<SInt32>(desc.dataSize, 0))));
  OSErr err = DecompressImage(reinterpret_cast<Ptr>(data.data()), e.inputDescription,
                              GetGWorldPixMap(world), nullptr, &bounds, srcCopy, nullptr);
  if (err != noErr) return err;
  if (OSErr copied = ImageOfPixMap(port->pixMap, bounds, &image->own)) return copied;
  image->Adopt();
  image->alpha = false;
  return noErr;
}

OSErr ReadInput(const GraphicsExporterImplementation& e, SourceImage* image) {
  switch (e.input) {
    case InputKind::kNone:
      return paramErr;
    case InputKind::kGWorld: {
      Port* port = PortFromGrafPtr(reinterpret_cast<GrafPtr>(e.inputWorld));
      return port != nullptr ? ImageOfMap(port->pixMap, image) : OSErr{paramErr};
    }
    case InputKind::kPixMap: {
      Port* port = PortFromPixMap(e.inputPixMap);
      if (port != nullptr) return ImageOfMap(port->pixMap, image);
      if (CheckHandle(reinterpret_cast<Handle>(e.inputPixMap)) != noErr) return paramErr;
      return ImageOfMap(**e.inputPixMap, image);
    }
    case InputKind::kPicture: {
      Handle h = reinterpret_cast<Handle>(e.inputPicture);
      if (CheckHandle(h) != noErr) return paramErr;
      OSErr err = ImageOfPicture(reinterpret_cast<const uint8_t*>(*h),
                                 static_cast<size_t>(HandleSize(h)), &image->own);
      if (err == noErr) image->Adopt();
      return err;
    }
    case InputKind::kImporter: {
      std::string path, bytes;
      OSType format = 0;
      if (OSErr err = ImporterPath(e.inputImporter, &path, &format)) return err;
      if (OSErr err = os::ReadWholeFile(path, &bytes)) return err;
      if (OSErr err = DecodeImageFile(format, bytes, &image->own)) return err;
      image->Adopt();
      return noErr;
    }
    case InputKind::kFile: {
      std::string path, bytes;
      OSType format = 0;
      if (OSErr err = ExistingFilePath(&e.inputFile, &path)) return err;
      return ImageOfFile(path, &bytes, &format, image);
    }
    case InputKind::kData:
      return ImageOfData(e, image);
  }
  return paramErr;
}

// The input as it is, when it is already data of the exporter's format.
bool InputAsItIs(const GraphicsExporterImplementation& e, std::string* bytes) {
  if (e.format == nullptr) return false;
  std::string path;
  OSType format = 0;
  if (e.input == InputKind::kImporter) {
    if (ImporterPath(e.inputImporter, &path, &format) != noErr) return false;
  } else if (e.input == InputKind::kFile) {
    if (ExistingFilePath(&e.inputFile, &path) != noErr) return false;
    std::string head;
    if (ImageOfFile(path, &head, &format, nullptr) != noErr) return false;
  } else if (e.input == InputKind::kData) {
    if (CheckHandle(reinterpret_cast<Handle>(e.inputDescription)) != noErr) return false;
    CodecType type = (**e.inputDescription).cType;
    bool same = (type == kJPEGCodecType && e.format->subType == 'JPEG') ||
                (type == kPNGCodecType && e.format->subType == 'PNGf');
    size_t size = 0;
    const uint8_t* data = DataBytes(e, &size);
    if (!same || data == nullptr) return false;
    bytes->assign(reinterpret_cast<const char*>(data), size);
    return true;
  } else {
    return false;
  }
  if (format != e.format->subType) return false;
  return os::ReadWholeFile(path, bytes) == noErr;
}

// ---- Encoding ---------------------------------------------------------

// The depth written: the one set when the format keeps it, else 32 for
// an image with alpha where the format keeps that, else 24.
long DepthWritten(const ExportFormat& f, const ExportSettings& s, const SourceImage& image) {
  if (s.depth == 32 && (f.traits & kAlpha)) return 32;
  if (s.depth == 40 && (f.traits & kGrey)) return 40;
  if (s.depth == 16 && (f.traits & kDepth16)) return 16;
  if (s.depth == 0 && image.alpha && (f.traits & kAlpha)) return 32;
  return 24;
}

AVPixelFormat PixelFormatFor(int codec, long depth, CodecQ quality) {
  switch (codec) {
    case AV_CODEC_ID_MJPEG:
      if (depth == 40) return AV_PIX_FMT_GRAY8;
      return quality >= codecHighQuality ? AV_PIX_FMT_YUVJ444P : AV_PIX_FMT_YUVJ420P;
    case AV_CODEC_ID_BMP:
      return depth == 32   ? AV_PIX_FMT_BGRA
             : depth == 40 ? AV_PIX_FMT_GRAY8
             : depth == 16 ? AV_PIX_FMT_RGB555LE
                           : AV_PIX_FMT_BGR24;
    case AV_CODEC_ID_TARGA:
      return depth == 32 ? AV_PIX_FMT_BGRA : depth == 40 ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_BGR24;
    default:
      return depth == 32 ? AV_PIX_FMT_RGBA : depth == 40 ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_RGB24;
  }
}

OSErr FFmpegError(int result) {
  return result == AVERROR(ENOMEM) ? memFullErr : codecErr;
}

// The image's pixels converted into a new frame of `format`.
OSErr ConvertedFrame(const SourceImage& image, AVPixelFormat format, int width, int height,
                     FramePtr* frame) {
  frame->reset(av_frame_alloc());
  if (*frame == nullptr) return memFullErr;
  (*frame)->format = format;
  (*frame)->width = width;
  (*frame)->height = height;
  if (int result = av_frame_get_buffer(frame->get(), 0); result < 0) return FFmpegError(result);
  // Full-range chroma for JPEG's and nearest samples at the same size:
  // the colours are the input's, not filtered.
  int flags = width == image.width && height == image.height
                  ? SWS_POINT | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND
                  : SWS_AREA | SWS_FULL_CHR_H_INT;
  ScalePtr scale(sws_getContext(image.width, image.height, AV_PIX_FMT_ARGB, width, height, format,
                                flags, nullptr, nullptr, nullptr));
  if (scale == nullptr) return codecErr;
  const uint8_t* planes[4] = {image.base, nullptr, nullptr, nullptr};
  int lines[4] = {static_cast<int>(image.rowBytes), 0, 0, 0};
  if (sws_scale(scale.get(), planes, lines, 0, image.height, (*frame)->data, (*frame)->linesize) <=
      0) {
    return codecErr;
  }
  return noErr;
}

// JPEG's quantiser scale for a quality: halved at every step of 0x100,
// from 24 at codecMinQuality; 1 for lossless.
int JpegScale(CodecQ quality) {
  if (quality >= codecLosslessQuality) return 1;
  double scale = 24.0 * std::pow(2.0, -static_cast<double>(quality) / 256.0);
  return std::clamp(static_cast<int>(std::lround(scale)), 2, 31);
}

int DotsPerInch(Fixed resolution) {
  return std::clamp(static_cast<int>((resolution + 0x8000) >> 16), 1, 65535);
}

OSErr Encode(const ExportFormat& f, const ExportSettings& s, const AVFrame& frame, int jpegScale,
             std::string* out) {
  const AVCodec* codec = SoftwareEncoder(f.codec);
  if (codec == nullptr) return noCodecErr;
  CodecContextPtr context(avcodec_alloc_context3(codec));
  if (context == nullptr) return memFullErr;
  AVCodecContext& c = *context;
  c.width = frame.width;
  c.height = frame.height;
  c.pix_fmt = static_cast<AVPixelFormat>(frame.format);
  c.time_base = AVRational{1, 25};
  c.thread_count = 1;
  if (f.codec == AV_CODEC_ID_MJPEG) {
    c.flags |= AV_CODEC_FLAG_QSCALE;
    c.global_quality = jpegScale * FF_QP2LAMBDA;
    c.qmin = 1;
    c.color_range = AVCOL_RANGE_JPEG;
    c.sample_aspect_ratio = AVRational{1, 1};  // which makes the encoder write JFIF's header
  }
  c.flags |= AV_CODEC_FLAG_BITEXACT;  // no encoder version in the file
  if (f.codec == AV_CODEC_ID_PNG && s.interlace != 0) c.flags |= AV_CODEC_FLAG_INTERLACED_DCT;
  if (c.priv_data != nullptr) {
    if (f.codec == AV_CODEC_ID_PNG) av_opt_set_int(c.priv_data, "dpi", DotsPerInch(s.hRes), 0);
    if (f.codec == AV_CODEC_ID_TIFF) {
      av_opt_set_int(c.priv_data, "dpi", DotsPerInch(s.hRes), 0);
      av_opt_set_int(c.priv_data, "compression_algo", s.method, 0);
    }
    if (f.codec == AV_CODEC_ID_SGI || f.codec == AV_CODEC_ID_TARGA) {
      av_opt_set_int(c.priv_data, "rle", s.method != 0 ? 1 : 0, 0);
    }
  }
  if (int result = avcodec_open2(&c, codec, nullptr); result < 0) return FFmpegError(result);
  FramePtr input(av_frame_clone(&frame));
  if (input == nullptr) return memFullErr;
  input->pts = 0;
  if (f.codec == AV_CODEC_ID_MJPEG) input->quality = c.global_quality;
  PacketPtr packet(av_packet_alloc());
  if (packet == nullptr) return memFullErr;
  if (int result = avcodec_send_frame(&c, input.get()); result < 0) return FFmpegError(result);
  int result = avcodec_receive_packet(&c, packet.get());
  if (result == AVERROR(EAGAIN)) {
    avcodec_send_frame(&c, nullptr);
    result = avcodec_receive_packet(&c, packet.get());
  }
  if (result < 0) return FFmpegError(result);
  out->assign(reinterpret_cast<const char*>(packet->data), static_cast<size_t>(packet->size));
  return noErr;
}

void PutBE16(std::string* out, unsigned value) {
  out->push_back(static_cast<char>(value >> 8));
  out->push_back(static_cast<char>(value));
}
void PutBE32(std::string* out, uint32_t value) {
  PutBE16(out, value >> 16);
  PutBE16(out, value & 0xFFFF);
}

// The text of a user data item: international text items carry a length
// and a language before it.
std::string ItemText(const UserDataItem& item) {
  const auto& d = item.data;
  if (d.size() >= 4 && ReadBE16(d.data()) == d.size() - 4) {
    return std::string(d.begin() + 4, d.end());
  }
  return std::string(d.begin(), d.end());
}

const char* TextKeyword(OSType type) {
  switch (type) {
    case 0xA96E616D:  // '©nam'
      return "Title";
    case 0xA9637079:  // '©cpy'
      return "Copyright";
    case 0xA9696E66:  // '©inf'
    case 0xA9646573:  // '©des'
      return "Description";
    case 0xA9617574:  // '©aut'
      return "Author";
    case 0xA9636D74:  // '©cmt'
      return "Comment";
  }
  return nullptr;
}

// PNG: tEXt chunks before IEND.
void AddPngText(const std::vector<UserDataItem>& items, std::string* png) {
  if (png->size() < 12) return;
  std::string chunks;
  for (const UserDataItem& item : items) {
    const char* keyword = TextKeyword(item.type);
    if (keyword == nullptr) continue;
    std::string body = std::string("tEXt") + keyword + '\0' + ItemText(item);
    PutBE32(&chunks, static_cast<uint32_t>(body.size() - 4));
    chunks += body;
    PutBE32(&chunks, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                 static_cast<uInt>(body.size()))));
  }
  png->insert(png->size() - 12, chunks);
}

// JPEG segments go after the SOI (and after JFIF's APP0 when there is one).
size_t JpegInsertPoint(const std::string& jpeg) {
  if (jpeg.size() > 6 && static_cast<uint8_t>(jpeg[2]) == 0xFF &&
      static_cast<uint8_t>(jpeg[3]) == 0xE0) {
    return 4 + ReadBE16(jpeg.data() + 4);
  }
  return 2;
}

// JFIF's density in dots an inch.
void SetJfifDensity(const ExportSettings& s, std::string* jpeg) {
  if (jpeg->size() < 20 || jpeg->compare(6, 5, std::string("JFIF\0", 5)) != 0) return;
  (*jpeg)[13] = 1;  // units: dots an inch
  WriteBE16(jpeg->data() + 14, static_cast<uint16_t>(DotsPerInch(s.hRes)));
  WriteBE16(jpeg->data() + 16, static_cast<uint16_t>(DotsPerInch(s.vRes)));
}

void AddJpegComments(const std::vector<UserDataItem>& items, std::string* jpeg) {
  std::string segments;
  for (const UserDataItem& item : items) {
    const char* keyword = TextKeyword(item.type);
    if (keyword == nullptr) continue;
    std::string text = std::string(keyword) + ": " + ItemText(item);
    text.resize(std::min<size_t>(text.size(), 0xFFFD));
    segments += "\xFF\xFE";
    PutBE16(&segments, static_cast<unsigned>(text.size() + 2));
    segments += text;
  }
  jpeg->insert(JpegInsertPoint(*jpeg), segments);
}

// A TIFF IFD entry of the Exif segment (big-endian, "MM").
void PutEntry(std::string* ifd, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  PutBE16(ifd, tag);
  PutBE16(ifd, type);
  PutBE32(ifd, count);
  if (type == 3 && count == 1) {
    PutBE16(ifd, value);
    PutBE16(ifd, 0);
  } else {
    PutBE32(ifd, value);
  }
}

// An APP1 Exif segment: IFD0 with the resolution, and IFD1 with a JPEG
// thumbnail when one is given.
std::string ExifSegment(const ExportSettings& s, const std::string& thumbnail) {
  constexpr uint32_t kIfd0 = 8;
  constexpr uint16_t kIfd0Entries = 3;
  constexpr uint32_t kIfd0Size = 2 + kIfd0Entries * 12 + 4;
  uint32_t rationals = kIfd0 + kIfd0Size;  // two rationals of 8 bytes
  uint32_t ifd1 = rationals + 16;
  std::string tiff = "MM";
  PutBE16(&tiff, 42);
  PutBE32(&tiff, kIfd0);
  PutBE16(&tiff, kIfd0Entries);
  PutEntry(&tiff, 0x011A, 5, 1, rationals);      // XResolution
  PutEntry(&tiff, 0x011B, 5, 1, rationals + 8);  // YResolution
  PutEntry(&tiff, 0x0128, 3, 1, 2);              // ResolutionUnit: inches
  PutBE32(&tiff, thumbnail.empty() ? 0 : ifd1);
  PutBE32(&tiff, static_cast<uint32_t>(DotsPerInch(s.hRes)));
  PutBE32(&tiff, 1);
  PutBE32(&tiff, static_cast<uint32_t>(DotsPerInch(s.vRes)));
  PutBE32(&tiff, 1);
  if (!thumbnail.empty()) {
    uint32_t data = ifd1 + 2 + 3 * 12 + 4;
    PutBE16(&tiff, 3);
    PutEntry(&tiff, 0x0103, 3, 1, 6);  // Compression: JPEG
    PutEntry(&tiff, 0x0201, 4, 1, data);
    PutEntry(&tiff, 0x0202, 4, 1, static_cast<uint32_t>(thumbnail.size()));
    PutBE32(&tiff, 0);
    tiff += thumbnail;
  }
  std::string segment = "\xFF\xE1";
  PutBE16(&segment, static_cast<unsigned>(tiff.size() + 8));
  segment += std::string("Exif\0\0", 6);
  segment += tiff;
  return segment;
}

OSErr JpegThumbnail(const ExportFormat& f, const ExportSettings& s, const SourceImage& image,
                    std::string* out) {
  long maxW = s.thumbWidth > 0 ? s.thumbWidth : long{kQTGraphicsExportThumbnailWidth};
  long maxH = s.thumbHeight > 0 ? s.thumbHeight : long{kQTGraphicsExportThumbnailHeight};
  double scale = std::min(
      {1.0, static_cast<double>(maxW) / image.width, static_cast<double>(maxH) / image.height});
  int w = std::max(1, static_cast<int>(image.width * scale));
  int h = std::max(1, static_cast<int>(image.height * scale));
  FramePtr frame;
  if (OSErr err = ConvertedFrame(image, AV_PIX_FMT_YUVJ420P, w, h, &frame)) return err;
  std::string thumbnail;
  if (OSErr err = Encode(f, s, *frame, JpegScale(codecNormalQuality), &thumbnail)) return err;
  // Exif's segment holds at most 64 KB: a thumbnail too big is left out.
  if (thumbnail.size() < 60000) *out = std::move(thumbnail);
  return noErr;
}

// BMP's resolution, in pixels a metre.
void SetBmpResolution(const ExportSettings& s, std::string* bmp) {
  if (bmp->size() < 46) return;
  auto perMetre = [](Fixed r) { return static_cast<uint32_t>(std::lround(r / 65536.0 / 0.0254)); };
  uint32_t h = perMetre(s.hRes), v = perMetre(s.vRes);
  for (int i = 0; i < 4; ++i) {
    (*bmp)[38 + i] = static_cast<char>(h >> (8 * i));
    (*bmp)[42 + i] = static_cast<char>(v >> (8 * i));
  }
}

// One encoding of the image by FFmpeg, with what the format adds.
OSErr EncodeOnce(const ExportFormat& f, const ExportSettings& s, const SourceImage& image,
                 const AVFrame& frame, int jpegScale, const std::vector<UserDataItem>& metaData,
                 std::string* out) {
  if (OSErr err = Encode(f, s, frame, jpegScale, out)) return err;
  if (f.codec == AV_CODEC_ID_PNG) AddPngText(metaData, out);
  if (f.codec == AV_CODEC_ID_BMP) SetBmpResolution(s, out);
  if (f.codec == AV_CODEC_ID_MJPEG) {
    SetJfifDensity(s, out);
    AddJpegComments(metaData, out);
    if (s.exif || s.thumbnail) {
      std::string thumbnail;
      if (s.thumbnail) {
        if (OSErr err = JpegThumbnail(f, s, image, &thumbnail)) return err;
      }
      out->insert(JpegInsertPoint(*out), ExifSegment(s, thumbnail));
    }
  }
  return noErr;
}

OSErr EncodeWithFFmpeg(const ExportFormat& f, const ExportSettings& s, const SourceImage& image,
                       const std::vector<UserDataItem>& metaData, std::string* out) {
  long depth = DepthWritten(f, s, image);
  FramePtr frame;
  AVPixelFormat format = PixelFormatFor(f.codec, depth, s.quality);
  if (OSErr err = ConvertedFrame(image, format, image.width, image.height, &frame)) return err;
  int scale = JpegScale(s.quality);
  if (OSErr err = EncodeOnce(f, s, image, *frame, scale, metaData, out)) return err;
  if (f.codec != AV_CODEC_ID_MJPEG || s.targetSize == 0 || out->size() <= s.targetSize) {
    return noErr;
  }
  // The finest scale whose file fits the target, halving the range.
  int fits = 0;
  std::string best;
  for (int low = scale + 1, high = 31; low <= high;) {
    int mid = (low + high) / 2;
    std::string attempt;
    if (OSErr err = EncodeOnce(f, s, image, *frame, mid, metaData, &attempt)) return err;
    if (attempt.size() <= s.targetSize) {
      fits = mid;
      best = std::move(attempt);
      high = mid - 1;
    } else {
      low = mid + 1;
    }
  }
  if (fits != 0) {
    *out = std::move(best);
    return noErr;
  }
  return EncodeOnce(f, s, image, *frame, 31, metaData, out);
}

// A handle freed when it goes out of scope, also when an allocation
// throws on the way.
struct HandleOwner {
  Handle handle;
  ~HandleOwner() { FreeHandle(handle); }
};

// A PICT file: 512 bytes of header, then the picture of the pixels.
OSErr WritePict(const SourceImage& image, std::string* out) {
  Rect bounds{0, 0, static_cast<short>(image.height), static_cast<short>(image.width)};
  GWorldPtr world = nullptr;
  if (OSErr err = NewWorld(&world, 32, &bounds, nullptr)) return err;
  WorldOwner owner{world};
  Port* port = PortFromGrafPtr(reinterpret_cast<GrafPtr>(world));
  long rowBytes = port->pixMap.rowBytes & 0x3FFF;
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = reinterpret_cast<uint8_t*>(port->pixMap.baseAddr) + y * rowBytes;
    std::memcpy(row, image.base + y * image.rowBytes, static_cast<size_t>(image.width) * 4);
    for (int x = 0; x < image.width; ++x) row[x * 4] = 0xFF;
  }
  PicHandle picture = nullptr;
  if (OSErr err = PictureOfPort(*port, bounds, &picture)) return err;
  HandleOwner h{reinterpret_cast<Handle>(picture)};
  out->assign(512, '\0');
  out->append(reinterpret_cast<const char*>(*h.handle), static_cast<size_t>(HandleSize(h.handle)));
  return noErr;
}

// A Photoshop file: one layer of uncompressed planes (RGB, RGB and alpha,
// or grey), with the resolution as an image resource.
void WritePhotoshop(const ExportFormat& f, const ExportSettings& s, const SourceImage& image,
                    std::string* out) {
  long depth = DepthWritten(f, s, image);
  int channels = depth == 40 ? 1 : depth == 32 ? 4 : 3;
  out->assign("8BPS");
  PutBE16(out, 1);
  out->append(6, '\0');
  PutBE16(out, static_cast<unsigned>(channels));
  PutBE32(out, static_cast<uint32_t>(image.height));
  PutBE32(out, static_cast<uint32_t>(image.width));
  PutBE16(out, 8);
  PutBE16(out, depth == 40 ? 1 : 3);  // grey or RGB
  PutBE32(out, 0);                    // no colour table
  std::string resolution = "8BIM";
  PutBE16(&resolution, 0x03ED);  // ResolutionInfo
  PutBE16(&resolution, 0);       // empty name, padded
  PutBE32(&resolution, 16);
  PutBE32(&resolution, static_cast<uint32_t>(s.hRes));
  PutBE16(&resolution, 1);  // dots an inch
  PutBE16(&resolution, 1);
  PutBE32(&resolution, static_cast<uint32_t>(s.vRes));
  PutBE16(&resolution, 1);
  PutBE16(&resolution, 1);
  PutBE32(out, static_cast<uint32_t>(resolution.size()));
  *out += resolution;
  PutBE32(out, 0);  // no layers
  PutBE16(out, 0);  // raw planes
  size_t plane = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  size_t start = out->size();
  out->resize(start + plane * static_cast<size_t>(channels));
  auto* planes = reinterpret_cast<uint8_t*>(out->data() + start);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* p = image.base + y * image.rowBytes;
    size_t at = static_cast<size_t>(y) * static_cast<size_t>(image.width);
    for (int x = 0; x < image.width; ++x, p += 4, ++at) {
      if (channels == 1) {
        planes[at] = static_cast<uint8_t>((p[1] * 299 + p[2] * 587 + p[3] * 114 + 500) / 1000);
        continue;
      }
      planes[at] = p[1];
      planes[plane + at] = p[2];
      planes[2 * plane + at] = p[3];
      if (channels == 4) planes[3 * plane + at] = p[0];
    }
  }
}

// An image description as a file keeps it: big-endian, extensions after.
std::string DescriptionBytes(ImageDescriptionHandle desc) {
  const ImageDescription& d = **desc;
  std::string out;
  PutBE32(&out, static_cast<uint32_t>(d.idSize));
  PutBE32(&out, d.cType);
  PutBE32(&out, static_cast<uint32_t>(d.resvd1));
  PutBE16(&out, static_cast<uint16_t>(d.resvd2));
  PutBE16(&out, static_cast<uint16_t>(d.dataRefIndex));
  PutBE16(&out, static_cast<uint16_t>(d.version));
  PutBE16(&out, static_cast<uint16_t>(d.revisionLevel));
  PutBE32(&out, static_cast<uint32_t>(d.vendor));
  PutBE32(&out, d.temporalQuality);
  PutBE32(&out, d.spatialQuality);
  PutBE16(&out, static_cast<uint16_t>(d.width));
  PutBE16(&out, static_cast<uint16_t>(d.height));
  PutBE32(&out, static_cast<uint32_t>(d.hRes));
  PutBE32(&out, static_cast<uint32_t>(d.vRes));
  PutBE32(&out, static_cast<uint32_t>(d.dataSize));
  PutBE16(&out, static_cast<uint16_t>(d.frameCount));
  out.append(reinterpret_cast<const char*>(d.name), sizeof(d.name));
  PutBE16(&out, static_cast<uint16_t>(d.depth));
  PutBE16(&out, static_cast<uint16_t>(d.clutID));
  Size size = HandleSize(reinterpret_cast<Handle>(desc));
  if (size > static_cast<Size>(sizeof(ImageDescription))) {
    out.append(reinterpret_cast<const char*>(*desc) + sizeof(ImageDescription),
               static_cast<size_t>(size) - sizeof(ImageDescription));
  }
  return out;
}

void PutAtom(std::string* out, OSType type, const std::string& body) {
  PutBE32(out, static_cast<uint32_t>(body.size() + 8));
  PutBE32(out, type);
  *out += body;
}

// A QuickTime Image file: an 'idsc' atom with the image's description and
// an 'idat' atom with its data, compressed by the engine's compressor of
// the type the compression method names.
OSErr WriteQuickTimeImage(const ExportSettings& s, const SourceImage& image, std::string* out) {
  PixMap map{};
  map.baseAddr = reinterpret_cast<Ptr>(const_cast<uint8_t*>(image.base));
  map.rowBytes = static_cast<short>(image.rowBytes | 0x8000);
  map.bounds = Rect{0, 0, static_cast<short>(image.height), static_cast<short>(image.width)};
  map.pixelSize = 32;
  map.cmpCount = 3;
  map.cmpSize = 8;
  map.pixelType = RGBDirect;
  PixMap* master = &map;
  auto source = reinterpret_cast<PixMapHandle>(&master);
  CodecType type = s.method != 0 ? static_cast<CodecType>(s.method) : CodecType{kJPEGCodecType};
  long maxSize = 0;
  if (OSErr err =
          GetMaxCompressionSize(source, &map.bounds, 0, s.quality, type, anyCodec, &maxSize)) {
    return err;
  }
  std::vector<char> data(static_cast<size_t>(maxSize));
  OSErr err = noErr;
  HandleOwner desc{NewHandleBytes(0, false, &err)};
  if (desc.handle == nullptr) return err;
  auto descHandle = reinterpret_cast<ImageDescriptionHandle>(desc.handle);
  err = CompressImage(source, &map.bounds, s.quality, type, descHandle, data.data());
  if (err == noErr) {
    (**descHandle).hRes = s.hRes;
    (**descHandle).vRes = s.vRes;
    out->clear();
    PutAtom(out, 'idsc', DescriptionBytes(descHandle));
    PutAtom(out, 'idat', std::string(data.data(), static_cast<size_t>((**descHandle).dataSize)));
  }
  return err;
}

// ---- Progress and output ----------------------------------------------

OSErr Progress(const GraphicsExporterImplementation& e, short message, Fixed done) {
  ICMProgressUPP proc = e.progress.progressProc;
  if (proc == nullptr) return noErr;
  if (proc == reinterpret_cast<ICMProgressUPP>(-1)) {
    return ShowDefaultProgress(message, progressOpExportMovie, done);
  }
  return proc(message, done, e.progress.progressRefCon);
}

OSErr EncodeImage(const GraphicsExporterImplementation& e, std::string* out) {
  const ExportFormat& f = *e.format;
  if (e.settings.dontRecompress && InputAsItIs(e, out)) return noErr;
  SourceImage image;
  if (OSErr err = ReadInput(e, &image)) return err;
  if (OSErr err = Progress(e, codecProgressUpdatePercent, 0x8000)) return err;
  if (f.subType == 'PICT') return WritePict(image, out);
  if (f.subType == '8BPS') {
    WritePhotoshop(f, e.settings, image, out);
    return noErr;
  }
  if (f.subType == 'qtif') return WriteQuickTimeImage(e.settings, image, out);
  return EncodeWithFFmpeg(f, e.settings, image, e.metaData, out);
}

OSErr WriteOutput(const GraphicsExporterImplementation& e, const std::string& bytes) {
  if (e.output == OutputKind::kHandle) {
    if (CheckHandle(e.outputHandle) != noErr) return nilHandleErr;
    return SetHandleBytes(e.outputHandle, bytes.data(), static_cast<Size>(bytes.size()));
  }
  std::string path;
  if (OSErr err = SpecToPath(&e.outputFile, &path)) return err;
  return WriteFileWhole(path, bytes, e.fileType, e.fileCreator);
}

OSErr DoExport(GraphicsExporterImplementation& e, unsigned long* written) {
  if (written != nullptr) *written = 0;
  if (e.format == nullptr) return cantFindHandler;
  if (e.input == InputKind::kNone || e.output == OutputKind::kNone) return paramErr;
  if (OSErr err = Progress(e, codecProgressOpen, 0)) return err;
  std::string bytes;
  OSErr err = Guarded<OSErr>(memFullErr, [&] { return EncodeImage(e, &bytes); });
  if (err == noErr) err = Progress(e, codecProgressUpdatePercent, 0x10000);
  if (err == noErr) err = Guarded<OSErr>(memFullErr, [&] { return WriteOutput(e, bytes); });
  OSErr closing = Progress(e, codecProgressClose, 0x10000);
  if (err == noErr) err = closing;
  if (err == noErr && written != nullptr) *written = static_cast<unsigned long>(bytes.size());
  return err;
}

// ---- Settings ---------------------------------------------------------

OSErr PutSetting(QTAtomContainer c, QTAtomType type, uint32_t value) {
  uint8_t bytes[4];
  WriteBE32(bytes, value);
  return atoms::InsertChild(c, kParentAtomIsContainer, type, 1, 0, 4, bytes, nullptr);
}
OSErr PutFlag(QTAtomContainer c, QTAtomType type, bool value) {
  uint8_t byte = value ? 1 : 0;
  return atoms::InsertChild(c, kParentAtomIsContainer, type, 1, 0, 1, &byte, nullptr);
}

OSErr SettingsContainer(const GraphicsExporterImplementation& e, QTAtomContainer* result) {
  QTAtomContainer c = nullptr;
  if (OSErr err = atoms::NewContainer(&c)) return err;
  const ExportSettings& s = e.settings;
  uint8_t thumbnail[9] = {static_cast<uint8_t>(s.thumbnail ? 1 : 0)};
  WriteBE32(thumbnail + 1, static_cast<uint32_t>(s.thumbWidth));
  WriteBE32(thumbnail + 5, static_cast<uint32_t>(s.thumbHeight));
  // An insertion's own allocations may fail by throwing: the container
  // made here is released on that path too.
  OSErr err = Guarded<OSErr>(memFullErr, [&] {
    OSErr put = PutSetting(c, 'dpth', static_cast<uint32_t>(s.depth));
    if (put == noErr) put = PutSetting(c, 'qual', s.quality);
    if (put == noErr) put = PutSetting(c, 'hres', static_cast<uint32_t>(s.hRes));
    if (put == noErr) put = PutSetting(c, 'vres', static_cast<uint32_t>(s.vRes));
    if (put == noErr) put = PutSetting(c, 'tsiz', static_cast<uint32_t>(s.targetSize));
    if (put == noErr) put = PutSetting(c, 'cmth', static_cast<uint32_t>(s.method));
    if (put == noErr) put = PutSetting(c, 'ilac', static_cast<uint32_t>(s.interlace));
    if (put == noErr) put = PutFlag(c, 'dnrc', s.dontRecompress);
    if (put == noErr) put = PutFlag(c, 'exif', s.exif);
    if (put == noErr) {
      put = atoms::InsertChild(c, kParentAtomIsContainer, 'thmb', 1, 0, 9, thumbnail, nullptr);
    }
    return put;
  });
  if (err != noErr) {
    atoms::DisposeContainer(c);
    return err;
  }
  *result = c;
  return noErr;
}

// The data of a root atom of the type, when it has at least `size` bytes.
const uint8_t* SettingData(QTAtomContainer c, QTAtomType type, long size) {
  QTAtom atom = 0;
  if (atoms::FindChildByIndex(c, kParentAtomIsContainer, type, 1, &atom, nullptr) != noErr) {
    return nullptr;
  }
  const char* data = nullptr;
  long have = 0;
  if (atoms::GetData(c, atom, &data, &have) != noErr || have < size) return nullptr;
  return reinterpret_cast<const uint8_t*>(data);
}

bool DepthAllowed(const ExportFormat* f, long depth) {
  if (depth == 0 || depth == 24) return true;
  unsigned traits = f != nullptr ? f->traits : 0;
  return (depth == 32 && (traits & kAlpha)) || (depth == 40 && (traits & kGrey)) ||
         (depth == 16 && (traits & kDepth16));
}

bool MethodAllowed(const ExportFormat* f, long method) {
  if (f == nullptr) return method == 0;
  switch (f->subType) {
    case 'TIFF':
      return method == kQTTIFFCompression_None || method == kQTTIFFCompression_PackBits ||
             method == kQTTIFFCompression_LZW;
    case '.SGI':
    case 'TPIC':
      return method == 0 || method == 1;
    case 'qtif': {
      CodecInfo info;
      return GetCodecInfo(&info, static_cast<CodecType>(method), anyCodec) == noErr &&
             info.compressFlags != 0;
    }
  }
  return method == 0;
}

OSErr ApplySettings(GraphicsExporterImplementation& e, QTAtomContainer c) {
  atoms::Tree tree;
  if (OSErr err = tree.Parse(c)) return err;
  ExportSettings s = e.settings;
  if (const uint8_t* d = SettingData(c, 'dpth', 4)) s.depth = static_cast<SInt32>(ReadBE32(d));
  if (const uint8_t* d = SettingData(c, 'qual', 4)) s.quality = ReadBE32(d);
  if (const uint8_t* d = SettingData(c, 'hres', 4)) s.hRes = static_cast<Fixed>(ReadBE32(d));
  if (const uint8_t* d = SettingData(c, 'vres', 4)) s.vRes = static_cast<Fixed>(ReadBE32(d));
  if (const uint8_t* d = SettingData(c, 'tsiz', 4)) s.targetSize = ReadBE32(d);
  if (const uint8_t* d = SettingData(c, 'cmth', 4)) s.method = static_cast<SInt32>(ReadBE32(d));
  if (const uint8_t* d = SettingData(c, 'ilac', 4)) s.interlace = ReadBE32(d);
  if (const uint8_t* d = SettingData(c, 'dnrc', 1)) s.dontRecompress = d[0] != 0;
  if (const uint8_t* d = SettingData(c, 'exif', 1)) s.exif = d[0] != 0;
  if (const uint8_t* d = SettingData(c, 'thmb', 9)) {
    s.thumbnail = d[0] != 0;
    s.thumbWidth = static_cast<SInt32>(ReadBE32(d + 1));
    s.thumbHeight = static_cast<SInt32>(ReadBE32(d + 5));
  }
  if (!DepthAllowed(e.format, s.depth) || !MethodAllowed(e.format, s.method) || s.hRes <= 0 ||
      s.vRes <= 0 || s.quality > codecLosslessQuality) {
    return paramErr;
  }
  e.settings = s;
  return noErr;
}

std::string CodeText(OSType code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) text += static_cast<char>((code >> shift) & 0xFF);
  return text;
}

std::string SettingsText(const GraphicsExporterImplementation& e) {
  const ExportSettings& s = e.settings;
  std::string text = std::string("Format: ") + (e.format != nullptr ? e.format->name : "none") +
                     "\nDepth: " + std::to_string(s.depth) +
                     "\nQuality: " + std::to_string(s.quality) +
                     "\nResolution: " + std::to_string(DotsPerInch(s.hRes)) + " x " +
                     std::to_string(DotsPerInch(s.vRes)) + " dpi" +
                     "\nTarget size: " + std::to_string(s.targetSize) + "\nCompression method: ";
  text += e.format != nullptr && e.format->subType == 'qtif'
              ? CodeText(static_cast<OSType>(s.method))
              : std::to_string(s.method);
  text += std::string("\nDon't recompress: ") + (s.dontRecompress ? "yes" : "no");
  if (e.format != nullptr && (e.format->traits & kExif)) {
    text += std::string("\nExif: ") + (s.exif ? "yes" : "no");
    text += std::string("\nThumbnail: ") + (s.thumbnail ? "yes" : "no");
  }
  return text + "\n";
}

OSErr RequestSettings(GraphicsExporterImplementation& e) {
  std::vector<DialogSetting> answers;
  if (!TakeSettingsAnswer(&answers)) return userCanceledErr;
  ExportSettings before = e.settings;
  for (const DialogSetting& a : answers) {
    long n = DialogNumber(a.value);
    ExportSettings& s = e.settings;
    if (a.name == "depth")
      s.depth = n;
    else if (a.name == "quality")
      s.quality = static_cast<CodecQ>(n);
    else if (a.name == "hres")
      s.hRes = static_cast<Fixed>(n << 16);
    else if (a.name == "vres")
      s.vRes = static_cast<Fixed>(n << 16);
    else if (a.name == "size")
      s.targetSize = static_cast<unsigned long>(n);
    else if (a.name == "method")
      s.method = n;
    else if (a.name == "exif")
      s.exif = n != 0;
    else if (a.name == "thumbnail")
      s.thumbnail = n != 0;
    else if (a.name == "interlace")
      s.interlace = static_cast<unsigned long>(n);
  }
  const ExportSettings& s = e.settings;
  if (!DepthAllowed(e.format, s.depth) || !MethodAllowed(e.format, s.method) || s.hRes <= 0 ||
      s.vRes <= 0 || s.quality > codecLosslessQuality) {
    e.settings = before;
    return paramErr;
  }
  return noErr;
}

// ---- Entry points -----------------------------------------------------

// A whole call on an exporter: the trace, the fault, the instance and its
// selector, then `work`.
template <typename F>
ComponentResult ExporterCall(ApiCall& call, ComponentInstance ci, SInt16 selector, F work) {
  return ImplementationCall<GraphicsExporterImplementation>(call, ci, selector, work);
}

}  // namespace

void AppendGraphicsExporters(std::vector<ComponentEntry>* entries) {
  entries->push_back(ComponentEntry{
      GraphicsExporterComponentType, 'base', 'appl', graphicsExporterIsBaseExporter,
      "Base Graphics Exporter", "The work every graphics exporter shares", 0x00070000,
      []() -> ComponentImplementation* { return NewObject<GraphicsExporterImplementation>(); }});
  for (const ExportFormat& f : kFormats) {
    if (!Backed(f)) continue;
    entries->push_back(ComponentEntry{
        GraphicsExporterComponentType, f.subType, 'appl', 0, f.name, "Writes images", 0x00070000,
        []() -> ComponentImplementation* { return NewObject<GraphicsExporterImplementation>(); }});
  }
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::ExporterCall;
using qtml::FourCC;
using qtml::GraphicsExporterImplementation;
using qtml::InputKind;
using qtml::OutputKind;

#define EXPORTER_CALL(selector, ...) \
  ExporterCall(call, ci, selector, [&](GraphicsExporterImplementation & e) -> OSErr __VA_ARGS__)

extern "C" {

QTML_API ComponentResult GraphicsExportDoExport(GraphicsExportComponent ci,
                                                unsigned long* actualSizeWritten) try {
  ApiCall call("GraphicsExportDoExport", ci, actualSizeWritten);
  return EXPORTER_CALL(kGraphicsExportDoExportSelect,
                       { return qtml::DoExport(e, actualSizeWritten); });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportCanTranscode(GraphicsExportComponent ci,
                                                    Boolean* canTranscode) try {
  ApiCall call("GraphicsExportCanTranscode", ci, canTranscode);
  return EXPORTER_CALL(kGraphicsExportCanTranscodeSelect, {
    if (canTranscode == nullptr) return paramErr;
    std::string bytes;
    *canTranscode = qtml::InputAsItIs(e, &bytes);
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportDoTranscode(GraphicsExportComponent ci) try {
  ApiCall call("GraphicsExportDoTranscode", ci);
  return EXPORTER_CALL(kGraphicsExportDoTranscodeSelect, {
    if (e.output == OutputKind::kNone) return paramErr;
    std::string bytes;
    if (!qtml::InputAsItIs(e, &bytes)) return paramErr;
    return qtml::WriteOutput(e, bytes);
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetDefaultFileTypeAndCreator(GraphicsExportComponent ci,
                                                                    OSType* fileType,
                                                                    OSType* fileCreator) try {
  ApiCall call("GraphicsExportGetDefaultFileTypeAndCreator", ci, fileType, fileCreator);
  return EXPORTER_CALL(kGraphicsExportGetDefaultFileTypeAndCreatorSelect, {
    if (fileType == nullptr || fileCreator == nullptr) return paramErr;
    *fileType = e.format != nullptr ? e.format->subType : OSType{0};
    *fileCreator = qtml::kCreator;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetDefaultFileNameExtension(GraphicsExportComponent ci,
                                                                   OSType* fileNameExtension) try {
  ApiCall call("GraphicsExportGetDefaultFileNameExtension", ci, fileNameExtension);
  return EXPORTER_CALL(kGraphicsExportGetDefaultFileNameExtensionSelect, {
    if (fileNameExtension == nullptr) return paramErr;
    *fileNameExtension = e.format != nullptr ? e.format->extension : OSType{0};
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetMIMETypeList(GraphicsExportComponent ci,
                                                       void* qtAtomContainerPtr) try {
  ApiCall call("GraphicsExportGetMIMETypeList", ci, qtAtomContainerPtr);
  return EXPORTER_CALL(kGraphicsExportGetMIMETypeListSelect, {
    auto* out = static_cast<QTAtomContainer*>(qtAtomContainerPtr);
    if (out == nullptr) return paramErr;
    *out = nullptr;
    QTAtomContainer c = nullptr;
    if (OSErr err = qtml::atoms::NewContainer(&c)) return err;
    if (e.format != nullptr) {
      const char* mime = e.format->mime;
      OSErr err = qtml::atoms::InsertChild(c, kParentAtomIsContainer, 'mime', 1, 0,
                                           static_cast<long>(std::strlen(mime)), mime, nullptr);
      if (err != noErr) {
        qtml::atoms::DisposeContainer(c);
        return err;
      }
    }
    *out = c;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportRequestSettings(GraphicsExportComponent ci,
                                                       ModalFilterYDUPP filterProc,
                                                       void* yourDataProc) try {
  ApiCall call("GraphicsExportRequestSettings", ci, reinterpret_cast<void*>(filterProc),
               yourDataProc);
  return EXPORTER_CALL(kGraphicsExportRequestSettingsSelect, { return qtml::RequestSettings(e); });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetSettingsFromAtomContainer(GraphicsExportComponent ci,
                                                                    void* qtAtomContainer) try {
  ApiCall call("GraphicsExportSetSettingsFromAtomContainer", ci, qtAtomContainer);
  return EXPORTER_CALL(kGraphicsExportSetSettingsFromAtomContainerSelect, {
    if (qtAtomContainer == nullptr) return paramErr;
    return qtml::ApplySettings(e, static_cast<QTAtomContainer>(qtAtomContainer));
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetSettingsAsAtomContainer(GraphicsExportComponent ci,
                                                                  void* qtAtomContainerPtr) try {
  ApiCall call("GraphicsExportGetSettingsAsAtomContainer", ci, qtAtomContainerPtr);
  return EXPORTER_CALL(kGraphicsExportGetSettingsAsAtomContainerSelect, {
    auto* out = static_cast<QTAtomContainer*>(qtAtomContainerPtr);
    if (out == nullptr) return paramErr;
    *out = nullptr;
    return qtml::SettingsContainer(e, out);
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetSettingsAsText(GraphicsExportComponent ci,
                                                         Handle* theText) try {
  ApiCall call("GraphicsExportGetSettingsAsText", ci, theText);
  return EXPORTER_CALL(kGraphicsExportGetSettingsAsTextSelect, {
    if (theText == nullptr) return paramErr;
    *theText = nullptr;
    std::string text = qtml::SettingsText(e);
    OSErr err = noErr;
    Handle h = qtml::NewHandleBytes(static_cast<Size>(text.size()), false, &err);
    if (h == nullptr) return err;
    std::memcpy(*h, text.data(), text.size());
    *theText = h;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetDontRecompress(GraphicsExportComponent ci,
                                                         Boolean dontRecompress) try {
  ApiCall call("GraphicsExportSetDontRecompress", ci, dontRecompress);
  return EXPORTER_CALL(kGraphicsExportSetDontRecompressSelect, {
    e.settings.dontRecompress = dontRecompress != 0;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetDontRecompress(GraphicsExportComponent ci,
                                                         Boolean* dontRecompress) try {
  ApiCall call("GraphicsExportGetDontRecompress", ci, dontRecompress);
  return EXPORTER_CALL(kGraphicsExportGetDontRecompressSelect, {
    if (dontRecompress == nullptr) return paramErr;
    *dontRecompress = e.settings.dontRecompress;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetInterlaceStyle(GraphicsExportComponent ci,
                                                         unsigned long interlaceStyle) try {
  ApiCall call("GraphicsExportSetInterlaceStyle", ci, interlaceStyle);
  return EXPORTER_CALL(kGraphicsExportSetInterlaceStyleSelect, {
    if (interlaceStyle > 1) return paramErr;
    e.settings.interlace = interlaceStyle;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetInterlaceStyle(GraphicsExportComponent ci,
                                                         unsigned long* interlaceStyle) try {
  ApiCall call("GraphicsExportGetInterlaceStyle", ci, interlaceStyle);
  return EXPORTER_CALL(kGraphicsExportGetInterlaceStyleSelect, {
    if (interlaceStyle == nullptr) return paramErr;
    *interlaceStyle = e.settings.interlace;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetMetaData(GraphicsExportComponent ci, void* userData) try {
  ApiCall call("GraphicsExportSetMetaData", ci, userData);
  return EXPORTER_CALL(kGraphicsExportSetMetaDataSelect, {
    auto* list = decltype(qtml::UserDataRecord::reference)::Find(static_cast<UserData>(userData));
    if (list == nullptr) return paramErr;
    e.metaData = list->items;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetMetaData(GraphicsExportComponent ci, void* userData) try {
  ApiCall call("GraphicsExportGetMetaData", ci, userData);
  return EXPORTER_CALL(kGraphicsExportGetMetaDataSelect, {
    auto* list = decltype(qtml::UserDataRecord::reference)::Find(static_cast<UserData>(userData));
    if (list == nullptr) return paramErr;
    list->items.insert(list->items.end(), e.metaData.begin(), e.metaData.end());
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetTargetDataSize(GraphicsExportComponent ci,
                                                         unsigned long targetDataSize) try {
  ApiCall call("GraphicsExportSetTargetDataSize", ci, targetDataSize);
  return EXPORTER_CALL(kGraphicsExportSetTargetDataSizeSelect, {
    e.settings.targetSize = targetDataSize;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetTargetDataSize(GraphicsExportComponent ci,
                                                         unsigned long* targetDataSize) try {
  ApiCall call("GraphicsExportGetTargetDataSize", ci, targetDataSize);
  return EXPORTER_CALL(kGraphicsExportGetTargetDataSizeSelect, {
    if (targetDataSize == nullptr) return paramErr;
    *targetDataSize = e.settings.targetSize;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetCompressionMethod(GraphicsExportComponent ci,
                                                            long compressionMethod) try {
  ApiCall call("GraphicsExportSetCompressionMethod", ci, compressionMethod);
  return EXPORTER_CALL(kGraphicsExportSetCompressionMethodSelect, {
    if (!qtml::MethodAllowed(e.format, compressionMethod)) return paramErr;
    e.settings.method = compressionMethod;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetCompressionMethod(GraphicsExportComponent ci,
                                                            long* compressionMethod) try {
  ApiCall call("GraphicsExportGetCompressionMethod", ci, compressionMethod);
  return EXPORTER_CALL(kGraphicsExportGetCompressionMethodSelect, {
    if (compressionMethod == nullptr) return paramErr;
    *compressionMethod = e.settings.method;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetCompressionQuality(GraphicsExportComponent ci,
                                                             CodecQ spatialQuality) try {
  ApiCall call("GraphicsExportSetCompressionQuality", ci, spatialQuality);
  return EXPORTER_CALL(kGraphicsExportSetCompressionQualitySelect, {
    if (spatialQuality > codecLosslessQuality) return paramErr;
    e.settings.quality = spatialQuality;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetCompressionQuality(GraphicsExportComponent ci,
                                                             CodecQ* spatialQuality) try {
  ApiCall call("GraphicsExportGetCompressionQuality", ci, spatialQuality);
  return EXPORTER_CALL(kGraphicsExportGetCompressionQualitySelect, {
    if (spatialQuality == nullptr) return paramErr;
    *spatialQuality = e.settings.quality;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetResolution(GraphicsExportComponent ci,
                                                     Fixed horizontalResolution,
                                                     Fixed verticalResolution) try {
  ApiCall call("GraphicsExportSetResolution", ci, horizontalResolution, verticalResolution);
  return EXPORTER_CALL(kGraphicsExportSetResolutionSelect, {
    if (horizontalResolution <= 0 || verticalResolution <= 0) return paramErr;
    e.settings.hRes = horizontalResolution;
    e.settings.vRes = verticalResolution;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetResolution(GraphicsExportComponent ci,
                                                     Fixed* horizontalResolution,
                                                     Fixed* verticalResolution) try {
  ApiCall call("GraphicsExportGetResolution", ci, horizontalResolution, verticalResolution);
  return EXPORTER_CALL(kGraphicsExportGetResolutionSelect, {
    if (horizontalResolution == nullptr || verticalResolution == nullptr) return paramErr;
    *horizontalResolution = e.settings.hRes;
    *verticalResolution = e.settings.vRes;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetDepth(GraphicsExportComponent ci, long depth) try {
  ApiCall call("GraphicsExportSetDepth", ci, depth);
  return EXPORTER_CALL(kGraphicsExportSetDepthSelect, {
    if (!qtml::DepthAllowed(e.format, depth)) return paramErr;
    e.settings.depth = depth;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetDepth(GraphicsExportComponent ci, long* depth) try {
  ApiCall call("GraphicsExportGetDepth", ci, depth);
  return EXPORTER_CALL(kGraphicsExportGetDepthSelect, {
    if (depth == nullptr) return paramErr;
    *depth = e.settings.depth;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetProgressProc(GraphicsExportComponent ci,
                                                       ICMProgressProcRecordPtr progressProc) try {
  ApiCall call("GraphicsExportSetProgressProc", ci, progressProc);
  return EXPORTER_CALL(kGraphicsExportSetProgressProcSelect, {
    if (progressProc == reinterpret_cast<ICMProgressProcRecordPtr>(-1)) {
      e.progress = ICMProgressProcRecord{reinterpret_cast<ICMProgressUPP>(-1), 0};
    } else {
      e.progress = progressProc != nullptr ? *progressProc : ICMProgressProcRecord{nullptr, 0};
    }
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetProgressProc(GraphicsExportComponent ci,
                                                       ICMProgressProcRecordPtr progressProc) try {
  ApiCall call("GraphicsExportGetProgressProc", ci, progressProc);
  return EXPORTER_CALL(kGraphicsExportGetProgressProcSelect, {
    if (progressProc == nullptr) return paramErr;
    *progressProc = e.progress;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetInputDataReference(GraphicsExportComponent ci,
                                                             Handle dataRef, OSType dataRefType,
                                                             ImageDescriptionHandle desc) try {
  ApiCall call("GraphicsExportSetInputDataReference", ci, dataRef, FourCC{dataRefType}, desc);
  return EXPORTER_CALL(kGraphicsExportSetInputDataReferenceSelect, {
    if (qtml::CheckHandle(dataRef) != noErr) return paramErr;
    std::string path;
    const auto* bytes = reinterpret_cast<const uint8_t*>(*dataRef);
    if (dataRefType != 'alis' ||
        !qtml::AliasRecordPath(bytes, static_cast<size_t>(qtml::HandleSize(dataRef)), &path)) {
      return invalidDataRef;
    }
    FSSpec spec;
    if (OSErr err = qtml::PathToSpec(path, &spec); err != noErr && err != fnfErr) return err;
    qtml::ClearInput(e);
    e.input = InputKind::kFile;
    e.inputFile = spec;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetInputFile(GraphicsExportComponent ci,
                                                    const FSSpec* theFile,
                                                    ImageDescriptionHandle desc) try {
  ApiCall call("GraphicsExportSetInputFile", ci, theFile, desc);
  return EXPORTER_CALL(kGraphicsExportSetInputFileSelect, {
    if (theFile == nullptr) return paramErr;
    qtml::ClearInput(e);
    e.input = InputKind::kFile;
    e.inputFile = *theFile;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetInputFile(GraphicsExportComponent ci,
                                                    FSSpec* theFile) try {
  ApiCall call("GraphicsExportGetInputFile", ci, theFile);
  return EXPORTER_CALL(kGraphicsExportGetInputFileSelect, {
    if (theFile == nullptr) return paramErr;
    if (e.input != InputKind::kFile) return paramErr;
    *theFile = e.inputFile;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetInputHandle(GraphicsExportComponent ci, Handle h,
                                                      ImageDescriptionHandle desc) try {
  ApiCall call("GraphicsExportSetInputHandle", ci, h, desc);
  return EXPORTER_CALL(kGraphicsExportSetInputHandleSelect, {
    if (qtml::CheckHandle(h) != noErr ||
        qtml::CheckHandle(reinterpret_cast<Handle>(desc)) != noErr) {
      return paramErr;
    }
    qtml::ClearInput(e);
    e.input = InputKind::kData;
    e.inputHandle = h;
    e.inputDescription = desc;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetInputHandle(GraphicsExportComponent ci, Handle* h) try {
  ApiCall call("GraphicsExportGetInputHandle", ci, h);
  return EXPORTER_CALL(kGraphicsExportGetInputHandleSelect, {
    if (h == nullptr) return paramErr;
    *h = e.inputHandle;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetInputPtr(GraphicsExportComponent ci, Ptr p,
                                                   unsigned long size,
                                                   ImageDescriptionHandle desc) try {
  ApiCall call("GraphicsExportSetInputPtr", ci, p, size, desc);
  return EXPORTER_CALL(kGraphicsExportSetInputPtrSelect, {
    if (p == nullptr || qtml::CheckHandle(reinterpret_cast<Handle>(desc)) != noErr) {
      return paramErr;
    }
    qtml::ClearInput(e);
    e.input = InputKind::kData;
    e.inputBytes = reinterpret_cast<const uint8_t*>(p);
    e.inputSize = size;
    e.inputDescription = desc;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetInputGraphicsImporter(GraphicsExportComponent ci,
                                                                GraphicsImportComponent grip) try {
  ApiCall call("GraphicsExportSetInputGraphicsImporter", ci, grip);
  return EXPORTER_CALL(kGraphicsExportSetInputGraphicsImporterSelect, {
    if (dynamic_cast<qtml::GraphicsImporterImplementation*>(qtml::ImplementationOf(grip)) ==
        nullptr) {
      return paramErr;
    }
    qtml::ClearInput(e);
    e.input = InputKind::kImporter;
    e.inputImporter = grip;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetInputGraphicsImporter(GraphicsExportComponent ci,
                                                                GraphicsImportComponent* grip) try {
  ApiCall call("GraphicsExportGetInputGraphicsImporter", ci, grip);
  return EXPORTER_CALL(kGraphicsExportGetInputGraphicsImporterSelect, {
    if (grip == nullptr) return paramErr;
    *grip = e.inputImporter;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetInputPicture(GraphicsExportComponent ci,
                                                       PicHandle picture) try {
  ApiCall call("GraphicsExportSetInputPicture", ci, picture);
  return EXPORTER_CALL(kGraphicsExportSetInputPictureSelect, {
    if (qtml::CheckHandle(reinterpret_cast<Handle>(picture)) != noErr) return paramErr;
    qtml::ClearInput(e);
    e.input = InputKind::kPicture;
    e.inputPicture = picture;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetInputPicture(GraphicsExportComponent ci,
                                                       PicHandle* picture) try {
  ApiCall call("GraphicsExportGetInputPicture", ci, picture);
  return EXPORTER_CALL(kGraphicsExportGetInputPictureSelect, {
    if (picture == nullptr) return paramErr;
    *picture = e.inputPicture;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetInputGWorld(GraphicsExportComponent ci,
                                                      GWorldPtr gworld) try {
  ApiCall call("GraphicsExportSetInputGWorld", ci, gworld);
  return EXPORTER_CALL(kGraphicsExportSetInputGWorldSelect, {
    if (qtml::PortFromGrafPtr(reinterpret_cast<GrafPtr>(gworld)) == nullptr) return paramErr;
    qtml::ClearInput(e);
    e.input = InputKind::kGWorld;
    e.inputWorld = gworld;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetInputGWorld(GraphicsExportComponent ci,
                                                      GWorldPtr* gworld) try {
  ApiCall call("GraphicsExportGetInputGWorld", ci, gworld);
  return EXPORTER_CALL(kGraphicsExportGetInputGWorldSelect, {
    if (gworld == nullptr) return paramErr;
    *gworld = e.inputWorld;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetInputPixmap(GraphicsExportComponent ci,
                                                      PixMapHandle pixmap) try {
  ApiCall call("GraphicsExportSetInputPixmap", ci, pixmap);
  return EXPORTER_CALL(kGraphicsExportSetInputPixmapSelect, {
    if (qtml::PortFromPixMap(pixmap) == nullptr &&
        qtml::CheckHandle(reinterpret_cast<Handle>(pixmap)) != noErr) {
      return paramErr;
    }
    qtml::ClearInput(e);
    e.input = InputKind::kPixMap;
    e.inputPixMap = pixmap;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetInputPixmap(GraphicsExportComponent ci,
                                                      PixMapHandle* pixmap) try {
  ApiCall call("GraphicsExportGetInputPixmap", ci, pixmap);
  return EXPORTER_CALL(kGraphicsExportGetInputPixmapSelect, {
    if (pixmap == nullptr) return paramErr;
    *pixmap = e.inputPixMap;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetInputImageDimensions(GraphicsExportComponent ci,
                                                               Rect* dimensions) try {
  ApiCall call("GraphicsExportGetInputImageDimensions", ci, dimensions);
  return EXPORTER_CALL(kGraphicsExportGetInputImageDimensionsSelect, {
    if (dimensions == nullptr) return paramErr;
    qtml::SourceImage image;
    if (OSErr err = qtml::ReadInput(e, &image)) return err;
    *dimensions = Rect{0, 0, static_cast<short>(image.height), static_cast<short>(image.width)};
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetInputImageDepth(GraphicsExportComponent ci,
                                                          long* inputDepth) try {
  ApiCall call("GraphicsExportGetInputImageDepth", ci, inputDepth);
  return EXPORTER_CALL(kGraphicsExportGetInputImageDepthSelect, {
    if (inputDepth == nullptr) return paramErr;
    qtml::SourceImage image;
    if (OSErr err = qtml::ReadInput(e, &image)) return err;
    *inputDepth = image.alpha ? 32 : 24;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetOutputDataReference(GraphicsExportComponent ci,
                                                              Handle dataRef,
                                                              OSType dataRefType) try {
  ApiCall call("GraphicsExportSetOutputDataReference", ci, dataRef, FourCC{dataRefType});
  return EXPORTER_CALL(kGraphicsExportSetOutputDataReferenceSelect, {
    if (qtml::CheckHandle(dataRef) != noErr) return paramErr;
    Size size = qtml::HandleSize(dataRef);
    const auto* bytes = reinterpret_cast<const uint8_t*>(*dataRef);
    if (dataRefType == 'hndl' && size >= static_cast<Size>(sizeof(Handle))) {
      Handle target = nullptr;
      std::memcpy(&target, bytes, sizeof(Handle));
      if (qtml::CheckHandle(target) != noErr) return paramErr;
      e.output = OutputKind::kHandle;
      e.outputHandle = target;
      return noErr;
    }
    std::string path;
    if (dataRefType != 'alis' || !qtml::AliasRecordPath(bytes, static_cast<size_t>(size), &path)) {
      return invalidDataRef;
    }
    FSSpec spec;
    if (OSErr err = qtml::PathToSpec(path, &spec); err != noErr && err != fnfErr) return err;
    e.output = OutputKind::kFile;
    e.outputFile = spec;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetOutputDataReference(GraphicsExportComponent ci,
                                                              Handle* dataRef,
                                                              OSType* dataRefType) try {
  ApiCall call("GraphicsExportGetOutputDataReference", ci, dataRef, dataRefType);
  return EXPORTER_CALL(kGraphicsExportGetOutputDataReferenceSelect, {
    if (dataRef == nullptr || dataRefType == nullptr) return paramErr;
    *dataRef = nullptr;
    *dataRefType = 0;
    if (e.output == OutputKind::kNone) return paramErr;
    OSErr err = noErr;
    if (e.output == OutputKind::kHandle) {
      Handle h = qtml::NewHandleBytes(sizeof(Handle), false, &err);
      if (h == nullptr) return err;
      std::memcpy(*h, &e.outputHandle, sizeof(Handle));
      *dataRef = h;
      *dataRefType = 'hndl';
      return noErr;
    }
    AliasHandle alias = nullptr;
    if ((err = NewAliasMinimal(&e.outputFile, &alias)) != noErr) return err;
    *dataRef = reinterpret_cast<Handle>(alias);
    *dataRefType = 'alis';
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetOutputFile(GraphicsExportComponent ci,
                                                     const FSSpec* theFile) try {
  ApiCall call("GraphicsExportSetOutputFile", ci, theFile);
  return EXPORTER_CALL(kGraphicsExportSetOutputFileSelect, {
    if (theFile == nullptr) return paramErr;
    e.output = OutputKind::kFile;
    e.outputFile = *theFile;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetOutputFile(GraphicsExportComponent ci,
                                                     FSSpec* theFile) try {
  ApiCall call("GraphicsExportGetOutputFile", ci, theFile);
  return EXPORTER_CALL(kGraphicsExportGetOutputFileSelect, {
    if (theFile == nullptr || e.output != OutputKind::kFile) return paramErr;
    *theFile = e.outputFile;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetOutputHandle(GraphicsExportComponent ci, Handle h) try {
  ApiCall call("GraphicsExportSetOutputHandle", ci, h);
  return EXPORTER_CALL(kGraphicsExportSetOutputHandleSelect, {
    if (qtml::CheckHandle(h) != noErr) return paramErr;
    e.output = OutputKind::kHandle;
    e.outputHandle = h;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetOutputHandle(GraphicsExportComponent ci, Handle* h) try {
  ApiCall call("GraphicsExportGetOutputHandle", ci, h);
  return EXPORTER_CALL(kGraphicsExportGetOutputHandleSelect, {
    if (h == nullptr) return paramErr;
    *h = e.output == OutputKind::kHandle ? e.outputHandle : nullptr;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetOutputFileTypeAndCreator(GraphicsExportComponent ci,
                                                                   OSType fileType,
                                                                   OSType fileCreator) try {
  ApiCall call("GraphicsExportSetOutputFileTypeAndCreator", ci, FourCC{fileType},
               FourCC{fileCreator});
  return EXPORTER_CALL(kGraphicsExportSetOutputFileTypeAndCreatorSelect, {
    e.fileType = fileType;
    e.fileCreator = fileCreator;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetOutputFileTypeAndCreator(GraphicsExportComponent ci,
                                                                   OSType* fileType,
                                                                   OSType* fileCreator) try {
  ApiCall call("GraphicsExportGetOutputFileTypeAndCreator", ci, fileType, fileCreator);
  return EXPORTER_CALL(kGraphicsExportGetOutputFileTypeAndCreatorSelect, {
    if (fileType == nullptr || fileCreator == nullptr) return paramErr;
    *fileType = e.fileType;
    *fileCreator = e.fileCreator;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetThumbnailEnabled(GraphicsExportComponent ci,
                                                           Boolean enableThumbnail,
                                                           long maxThumbnailWidth,
                                                           long maxThumbnailHeight) try {
  ApiCall call("GraphicsExportSetThumbnailEnabled", ci, enableThumbnail, maxThumbnailWidth,
               maxThumbnailHeight);
  return EXPORTER_CALL(kGraphicsExportSetThumbnailEnabledSelect, {
    if (maxThumbnailWidth < 0 || maxThumbnailHeight < 0) return paramErr;
    e.settings.thumbnail = enableThumbnail != 0;
    e.settings.thumbWidth = maxThumbnailWidth;
    e.settings.thumbHeight = maxThumbnailHeight;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetThumbnailEnabled(GraphicsExportComponent ci,
                                                           Boolean* thumbnailEnabled,
                                                           long* maxThumbnailWidth,
                                                           long* maxThumbnailHeight) try {
  ApiCall call("GraphicsExportGetThumbnailEnabled", ci, thumbnailEnabled, maxThumbnailWidth,
               maxThumbnailHeight);
  return EXPORTER_CALL(kGraphicsExportGetThumbnailEnabledSelect, {
    if (thumbnailEnabled == nullptr) return paramErr;
    *thumbnailEnabled = e.settings.thumbnail;
    if (maxThumbnailWidth != nullptr) *maxThumbnailWidth = e.settings.thumbWidth;
    if (maxThumbnailHeight != nullptr) *maxThumbnailHeight = e.settings.thumbHeight;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportSetExifEnabled(GraphicsExportComponent ci,
                                                      Boolean enableExif) try {
  ApiCall call("GraphicsExportSetExifEnabled", ci, enableExif);
  return EXPORTER_CALL(kGraphicsExportSetExifEnabledSelect, {
    e.settings.exif = enableExif != 0;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult GraphicsExportGetExifEnabled(GraphicsExportComponent ci,
                                                      Boolean* exifEnabled) try {
  ApiCall call("GraphicsExportGetExifEnabled", ci, exifEnabled);
  return EXPORTER_CALL(kGraphicsExportGetExifEnabledSelect, {
    if (exifEnabled == nullptr) return paramErr;
    *exifEnabled = e.settings.exif;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
