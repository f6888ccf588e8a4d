// Graphics exporters: every format written from a port and read back by
// ImageMagick (or by the engine), their settings and what each changes in
// the file, inputs and outputs of every kind, progress, the settings
// dialog and failures.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ImageCompression.h"
#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "QuickTimeComponents.h"
#include "export_tools.h"
#include "files/finder_info.h"
#include "pixel_worlds.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

class GraphicsExport : public ScratchDirTest {
 protected:
  GraphicsExport() : ScratchDirTest("qtml-graphics-export-") {}
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ScratchDirTest::SetUp();
    QTMLTest_ClearDialogAnswers();
  }
  void TearDown() override {
    QTMLTest_ClearDialogAnswers();
    for (ComponentInstance ci : open_) CloseComponent(ci);
    worlds_.Clear();
    ScratchDirTest::TearDown();
  }

  ComponentInstance Open(OSType format) {
    ComponentInstance ci = nullptr;
    EXPECT_EQ(OpenADefaultComponent(GraphicsExporterComponentType, format, &ci), noErr)
        << std::string(reinterpret_cast<const char*>(&format), 4);
    if (ci != nullptr) open_.push_back(ci);
    return ci;
  }
  FSSpec Spec(const std::string& name) {
    FSSpec spec;
    std::string path = Path(name);
    NativePathNameToFSSpec(path.data(), &spec, 0);
    return spec;
  }
  // A 40 × 30 world: red left half, blue right half, a green bottom row.
  GWorldPtr Picture() {
    GWorldPtr world = worlds_.Make(40, 30, 0xFFFF0000);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        uint32_t c = y == 29 ? 0xFF00FF00 : x < 20 ? 0xFFFF0000 : 0xFF0000FF;
        auto* p = reinterpret_cast<uint8_t*>(GetPixBaseAddr(GetGWorldPixMap(world))) +
                  y * GetPixRowBytes(GetGWorldPixMap(world)) + x * 4;
        for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(c >> (24 - 8 * i));
      }
    }
    return world;
  }
  // Exports the world to a file of the directory; the result of DoExport.
  OSErr ExportTo(ComponentInstance ci, GWorldPtr world, const std::string& name,
                 unsigned long* size = nullptr) {
    FSSpec spec = Spec(name);
    EXPECT_EQ(GraphicsExportSetInputGWorld(ci, world), noErr);
    EXPECT_EQ(GraphicsExportSetOutputFile(ci, &spec), noErr);
    return static_cast<OSErr>(GraphicsExportDoExport(ci, size));
  }

  TestWorlds worlds_;
  std::vector<ComponentInstance> open_;
};

TEST_F(GraphicsExport, ListsLeaveOutTheBaseExporterAndEachFormatSaysItsFileKind) {
  ComponentDescription all{GraphicsExporterComponentType, 0, 0, 0, 0};
  ComponentDescription shown{GraphicsExporterComponentType, 0, 0, 0,
                             graphicsExporterIsBaseExporter};
  EXPECT_EQ(CountComponents(&all), CountComponents(&shown) + 1);
  std::vector<OSType> listed;
  for (Component c = FindNextComponent(nullptr, &shown); c != nullptr;
       c = FindNextComponent(c, &shown)) {
    ComponentDescription d;
    GetComponentInfo(c, &d, nullptr, nullptr, nullptr);
    listed.push_back(d.componentSubType);
  }
  for (OSType f : {'BMPf', 'JPEG', 'PNGf', 'TIFF', 'PICT', '8BPS', '.SGI', 'TPIC', 'qtif'}) {
    EXPECT_NE(std::find(listed.begin(), listed.end(), f), listed.end());
  }

  struct Kind {
    OSType format, extension;
  };
  for (Kind k : {Kind{'JPEG', 'jpg '}, Kind{'PNGf', 'png '}, Kind{'TIFF', 'tif '},
                 Kind{'8BPS', 'psd '}, Kind{'TPIC', 'tga '}, Kind{'qtif', 'qtif'}}) {
    ComponentInstance ci = Open(k.format);
    OSType type = 0, creator = 0, extension = 0;
    EXPECT_EQ(GraphicsExportGetDefaultFileTypeAndCreator(ci, &type, &creator), noErr);
    EXPECT_EQ(type, k.format);
    EXPECT_EQ(creator, OSType{'ogle'});
    EXPECT_EQ(GraphicsExportGetDefaultFileNameExtension(ci, &extension), noErr);
    EXPECT_EQ(extension, k.extension);
  }
  ComponentInstance jpeg = Open('JPEG');
  QTAtomContainer mime = nullptr;
  ASSERT_EQ(GraphicsExportGetMIMETypeList(jpeg, &mime), noErr);
  QTAtom atom = QTFindChildByIndex(mime, kParentAtomIsContainer, 'mime', 1, nullptr);
  long size = 0;
  Ptr data = nullptr;
  ASSERT_EQ(QTGetAtomDataPtr(mime, atom, &size, &data), noErr);
  EXPECT_EQ(std::string(data, static_cast<size_t>(size)), "image/jpeg");
  QTDisposeAtomContainer(mime);

  // Only the formats that have them take metadata, Exif and thumbnails.
  ComponentInstance png = Open('PNGf'), bmp = Open('BMPf');
  EXPECT_EQ(CallComponentCanDo(jpeg, kGraphicsExportSetExifEnabledSelect), 1);
  EXPECT_EQ(CallComponentCanDo(png, kGraphicsExportSetExifEnabledSelect), 0);
  EXPECT_EQ(CallComponentCanDo(png, kGraphicsExportGetMetaDataSelect), 1);
  EXPECT_EQ(CallComponentCanDo(bmp, kGraphicsExportSetMetaDataSelect), 0);
  EXPECT_EQ(GraphicsExportSetExifEnabled(png, true), badComponentSelector);

  ComponentInstance base = Open('base');
  FSSpec spec = Spec("base.img");
  GraphicsExportSetInputGWorld(base, Picture());
  GraphicsExportSetOutputFile(base, &spec);
  EXPECT_EQ(GraphicsExportDoExport(base, nullptr), cantFindHandler);
}

TEST_F(GraphicsExport, EveryFormatWritesAFileImageMagickReadsAtItsSize) {
  if (!HaveTool("identify")) GTEST_SKIP() << "ImageMagick is not installed";
  GWorldPtr world = Picture();
  struct Case {
    OSType format;
    const char* name;
    const char* magick;
  };
  for (Case c :
       {Case{'BMPf', "p.bmp", "BMP3"}, Case{'JPEG', "p.jpg", "JPEG"}, Case{'PNGf', "p.png", "PNG"},
        Case{'TIFF', "p.tif", "TIFF"}, Case{'PICT', "p.pct", "PICT"}, Case{'8BPS', "p.psd", "PSD"},
        Case{'.SGI', "p.sgi", "SGI"}, Case{'TPIC', "p.tga", "TGA"}}) {
    SCOPED_TRACE(c.name);
    ComponentInstance ci = Open(c.format);
    unsigned long written = 0;
    ASSERT_EQ(ExportTo(ci, world, c.name, &written), noErr);
    EXPECT_EQ(written, fs::file_size(Path(c.name)));
    EXPECT_EQ(Identify(Path(c.name), "%m %wx%h"), std::string(c.magick) + " 40x30");
    FInfo info{};
    ASSERT_EQ(qtml::ReadFinderInfo(Path(c.name), &info), noErr);
    EXPECT_EQ(info.fdType, c.format);
    // The colours survive (JPEG within its loss).
    std::string left = Identify(Path(c.name), "%[fx:int(255*p{5,5}.r)] %[fx:int(255*p{5,5}.b)]");
    std::string right = Identify(Path(c.name), "%[fx:int(255*p{35,5}.b)]");
    EXPECT_GE(std::stoi(left.substr(0, left.find(' '))), 240);
    EXPECT_LE(std::stoi(left.substr(left.find(' ') + 1)), 15);
    EXPECT_GE(std::stoi(right), 240);
  }
}

TEST_F(GraphicsExport, AQuickTimeImageHoldsADescriptionAndDataTheEngineDecompresses) {
  ComponentInstance ci = Open('qtif');
  ASSERT_EQ(GraphicsExportSetCompressionMethod(ci, kPNGCodecType), noErr);
  EXPECT_EQ(GraphicsExportSetCompressionMethod(ci, 'zzzz'), paramErr);
  ASSERT_EQ(ExportTo(ci, Picture(), "p.qtif"), noErr);
  std::string file = ReadBytes(Path("p.qtif"));
  ASSERT_GT(file.size(), 8u + 86u + 8u);
  ASSERT_EQ(file.substr(4, 4), "idsc");
  uint32_t descSize =
      (uint8_t(file[0]) << 24 | uint8_t(file[1]) << 16 | uint8_t(file[2]) << 8 | uint8_t(file[3])) -
      8;
  ASSERT_EQ(file.substr(8 + descSize + 4, 4), "idat");
  EXPECT_EQ(file.substr(12, 4), "png ");
  // The description back in the machine's order, then the data drawn.
  auto desc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
  ImageDescription& d = **desc;
  auto be16 = [&](size_t at) {
    return static_cast<short>(uint8_t(file[at]) << 8 | uint8_t(file[at + 1]));
  };
  auto be32 = [&](size_t at) {
    return static_cast<int32_t>(uint8_t(file[at]) << 24 | uint8_t(file[at + 1]) << 16 |
                                uint8_t(file[at + 2]) << 8 | uint8_t(file[at + 3]));
  };
  d.idSize = sizeof(ImageDescription);
  d.cType = kPNGCodecType;
  d.width = be16(8 + 32);
  d.height = be16(8 + 34);
  d.dataSize = be32(8 + 44);
  d.depth = be16(8 + 82);
  d.clutID = -1;
  EXPECT_EQ(d.width, 40);
  EXPECT_EQ(d.height, 30);
  GWorldPtr out = worlds_.Make(40, 30);
  Rect bounds{0, 0, 30, 40};
  std::string data = file.substr(8 + descSize + 8);
  ASSERT_EQ(
      DecompressImage(data.data(), desc, GetGWorldPixMap(out), nullptr, &bounds, srcCopy, nullptr),
      noErr);
  EXPECT_EQ(PixelAt(out, 5, 5), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(out, 35, 29), 0xFF00FF00u);
  DisposeHandle(reinterpret_cast<Handle>(desc));
}

TEST_F(GraphicsExport, DepthChoosesAlphaGreyOrColourWhereTheFormatKeepsIt) {
  if (!HaveTool("identify")) GTEST_SKIP() << "ImageMagick is not installed";
  GWorldPtr world = Picture();
  ComponentInstance png = Open('PNGf');
  ASSERT_EQ(ExportTo(png, world, "rgb.png"), noErr);
  EXPECT_EQ(Identify(Path("rgb.png"), "%[channels]"), "srgb");
  ASSERT_EQ(GraphicsExportSetDepth(png, 32), noErr);
  ASSERT_EQ(ExportTo(png, world, "rgba.png"), noErr);
  EXPECT_EQ(Identify(Path("rgba.png"), "%[channels]"), "srgba");
  ASSERT_EQ(GraphicsExportSetDepth(png, 40), noErr);
  ASSERT_EQ(ExportTo(png, world, "grey.png"), noErr);
  EXPECT_EQ(Identify(Path("grey.png"), "%[colorspace]"), "Gray");
  long depth = 0;
  EXPECT_EQ(GraphicsExportGetDepth(png, &depth), noErr);
  EXPECT_EQ(depth, 40);

  // JPEG keeps no alpha, BMP takes 16 bits, which PNG does not.
  ComponentInstance jpeg = Open('JPEG'), bmp = Open('BMPf');
  EXPECT_EQ(GraphicsExportSetDepth(jpeg, 32), paramErr);
  EXPECT_EQ(GraphicsExportSetDepth(png, 16), paramErr);
  ASSERT_EQ(GraphicsExportSetDepth(bmp, 16), noErr);
  ASSERT_EQ(ExportTo(bmp, world, "16.bmp"), noErr);
  EXPECT_EQ(Identify(Path("16.bmp"), "%m %wx%h"), "BMP3 40x30");
  EXPECT_LT(fs::file_size(Path("16.bmp")), 40u * 30u * 3u);
}

TEST_F(GraphicsExport, QualityTargetSizeAndResolutionChangeTheFile) {
  GWorldPtr world = worlds_.Make(160, 120);
  // Noise, which costs a JPEG bytes at any quality.
  uint32_t seed = 1;
  PixMapHandle pm = GetGWorldPixMap(world);
  for (int y = 0; y < 120; ++y) {
    auto* row = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm);
    for (int x = 0; x < 160 * 4; ++x)
      row[x] = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  }
  ComponentInstance jpeg = Open('JPEG');
  ASSERT_EQ(GraphicsExportSetCompressionQuality(jpeg, codecMaxQuality), noErr);
  unsigned long best = 0, least = 0, fitted = 0;
  ASSERT_EQ(ExportTo(jpeg, world, "best.jpg", &best), noErr);
  ASSERT_EQ(GraphicsExportSetCompressionQuality(jpeg, codecMinQuality), noErr);
  ASSERT_EQ(ExportTo(jpeg, world, "least.jpg", &least), noErr);
  EXPECT_LT(least * 2, best);
  EXPECT_EQ(GraphicsExportSetCompressionQuality(jpeg, codecLosslessQuality + 1), paramErr);

  ASSERT_EQ(GraphicsExportSetCompressionQuality(jpeg, codecMaxQuality), noErr);
  unsigned long target = (best + least) / 2;
  ASSERT_EQ(GraphicsExportSetTargetDataSize(jpeg, target), noErr);
  ASSERT_EQ(ExportTo(jpeg, world, "fitted.jpg", &fitted), noErr);
  EXPECT_LE(fitted, target);
  EXPECT_GT(fitted, least);
  unsigned long got = 0;
  EXPECT_EQ(GraphicsExportGetTargetDataSize(jpeg, &got), noErr);
  EXPECT_EQ(got, target);

  if (!HaveTool("identify")) GTEST_SKIP() << "ImageMagick is not installed";
  for (OSType format : {'JPEG', 'PNGf', 'TIFF', 'BMPf', '8BPS'}) {
    ComponentInstance ci = Open(format);
    ASSERT_EQ(GraphicsExportSetResolution(ci, 300 << 16, 300 << 16), noErr);
    std::string name = "res" + std::to_string(format);
    ASSERT_EQ(ExportTo(ci, world, name), noErr);
    std::string x = Identify(Path(name), "%x");
    // BMP and PNG keep dots a metre, which ImageMagick shows a centimetre.
    bool metric = format == 'BMPf' || format == 'PNGf';
    EXPECT_NEAR(std::stod(x), metric ? 118.11 : 300, 0.5) << name << " " << x;
  }
}

TEST_F(GraphicsExport, SettingsRoundTripThroughAnAtomContainerAndBadOnesChangeNothing) {
  ComponentInstance jpeg = Open('JPEG');
  ASSERT_EQ(GraphicsExportSetCompressionQuality(jpeg, codecHighQuality), noErr);
  ASSERT_EQ(GraphicsExportSetResolution(jpeg, 150 << 16, 200 << 16), noErr);
  ASSERT_EQ(GraphicsExportSetDepth(jpeg, 40), noErr);
  ASSERT_EQ(GraphicsExportSetDontRecompress(jpeg, true), noErr);
  ASSERT_EQ(GraphicsExportSetThumbnailEnabled(jpeg, true, 64, 48), noErr);
  QTAtomContainer settings = nullptr;
  ASSERT_EQ(GraphicsExportGetSettingsAsAtomContainer(jpeg, &settings), noErr);

  ComponentInstance other = Open('JPEG');
  ASSERT_EQ(GraphicsExportSetSettingsFromAtomContainer(other, settings), noErr);
  CodecQ quality = 0;
  Fixed h = 0, v = 0;
  long depth = 0, w = 0, hgt = 0;
  Boolean dont = false, thumbnail = false;
  GraphicsExportGetCompressionQuality(other, &quality);
  GraphicsExportGetResolution(other, &h, &v);
  GraphicsExportGetDepth(other, &depth);
  GraphicsExportGetDontRecompress(other, &dont);
  GraphicsExportGetThumbnailEnabled(other, &thumbnail, &w, &hgt);
  EXPECT_EQ(quality, CodecQ{codecHighQuality});
  EXPECT_EQ(h, 150 << 16);
  EXPECT_EQ(v, 200 << 16);
  EXPECT_EQ(depth, 40);
  EXPECT_TRUE(dont);
  EXPECT_TRUE(thumbnail);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(hgt, 48);

  // A depth PNG cannot write: refused whole, nothing applied.
  ComponentInstance png = Open('PNGf');
  QTAtom atom = QTFindChildByIndex(settings, kParentAtomIsContainer, 'dpth', 1, nullptr);
  uint8_t sixteen[4] = {0, 0, 0, 16};
  ASSERT_EQ(QTSetAtomData(settings, atom, 4, sixteen), noErr);
  EXPECT_EQ(GraphicsExportSetSettingsFromAtomContainer(png, settings), paramErr);
  GraphicsExportGetCompressionQuality(png, &quality);
  EXPECT_EQ(quality, CodecQ{codecNormalQuality});
  // An empty container changes nothing; a malformed one is refused.
  QTAtomContainer empty = nullptr;
  QTNewAtomContainer(&empty);
  EXPECT_EQ(GraphicsExportSetSettingsFromAtomContainer(other, empty), noErr);
  GraphicsExportGetDepth(other, &depth);
  EXPECT_EQ(depth, 40);
  SetHandleSize(empty, 5);
  EXPECT_NE(GraphicsExportSetSettingsFromAtomContainer(other, empty), noErr);
  QTDisposeAtomContainer(empty);
  QTDisposeAtomContainer(settings);

  Handle text = nullptr;
  ASSERT_EQ(GraphicsExportGetSettingsAsText(other, &text), noErr);
  std::string shown(*text, static_cast<size_t>(GetHandleSize(text)));
  EXPECT_NE(shown.find("Format: JPEG"), std::string::npos);
  EXPECT_NE(shown.find("Depth: 40"), std::string::npos);
  DisposeHandle(text);
}

TEST_F(GraphicsExport, DontRecompressWritesAnInputOfTheFormatAsItIs) {
  ComponentInstance jpeg = Open('JPEG');
  ASSERT_EQ(ExportTo(jpeg, Picture(), "source.jpg"), noErr);
  std::string source = ReadBytes(Path("source.jpg"));
  FSSpec in = Spec("source.jpg"), out = Spec("copy.jpg");
  ComponentInstance again = Open('JPEG');
  ASSERT_EQ(GraphicsExportSetInputFile(again, &in, nullptr), noErr);
  ASSERT_EQ(GraphicsExportSetOutputFile(again, &out), noErr);
  ASSERT_EQ(GraphicsExportSetCompressionQuality(again, codecMinQuality), noErr);
  Boolean can = true;
  ASSERT_EQ(GraphicsExportCanTranscode(again, &can), noErr);
  EXPECT_TRUE(can);
  ASSERT_EQ(GraphicsExportDoExport(again, nullptr), noErr);
  EXPECT_NE(ReadBytes(Path("copy.jpg")), source);  // recompressed at the least quality
  ASSERT_EQ(GraphicsExportSetDontRecompress(again, true), noErr);
  ASSERT_EQ(GraphicsExportDoExport(again, nullptr), noErr);
  EXPECT_EQ(ReadBytes(Path("copy.jpg")), source);

  // A file of another format is converted whatever the switch says.
  ComponentInstance png = Open('PNGf');
  ASSERT_EQ(GraphicsExportSetDontRecompress(png, true), noErr);
  ASSERT_EQ(GraphicsExportSetInputFile(png, &in, nullptr), noErr);
  FSSpec pngOut = Spec("converted.png");
  ASSERT_EQ(GraphicsExportSetOutputFile(png, &pngOut), noErr);
  ASSERT_EQ(GraphicsExportCanTranscode(png, &can), noErr);
  EXPECT_FALSE(can);
  ASSERT_EQ(GraphicsExportDoExport(png, nullptr), noErr);
  EXPECT_EQ(ReadBytes(Path("converted.png")).substr(1, 3), "PNG");
  EXPECT_EQ(GraphicsExportDoTranscode(png), paramErr);

  // A graphics importer's file, the same way.
  ComponentInstance importer = nullptr;
  ASSERT_EQ(GetGraphicsImporterForFile(&in, &importer), noErr);
  ASSERT_EQ(GraphicsExportSetInputGraphicsImporter(again, importer), noErr);
  FSSpec viaImporter = Spec("importer.jpg");
  ASSERT_EQ(GraphicsExportSetOutputFile(again, &viaImporter), noErr);
  ASSERT_EQ(GraphicsExportDoExport(again, nullptr), noErr);
  EXPECT_EQ(ReadBytes(Path("importer.jpg")), source);
  Rect dimensions{};
  ASSERT_EQ(GraphicsExportGetInputImageDimensions(again, &dimensions), noErr);
  EXPECT_EQ(dimensions.right, 40);
  EXPECT_EQ(dimensions.bottom, 30);
  CloseComponent(importer);
}

TEST_F(GraphicsExport, MetadataExifAndThumbnailsGoIntoTheFile) {
  UserData items = nullptr;
  ASSERT_EQ(NewUserData(&items), noErr);
  Handle title = NewHandle(5);
  std::memcpy(*title, "Dusk!", 5);
  ASSERT_EQ(AddUserData(items, title, static_cast<OSType>(0xA96E616D)), noErr);  // '©nam'
  DisposeHandle(title);

  ComponentInstance png = Open('PNGf');
  ASSERT_EQ(GraphicsExportSetMetaData(png, items), noErr);
  ASSERT_EQ(ExportTo(png, Picture(), "titled.png"), noErr);
  EXPECT_NE(ReadBytes(Path("titled.png")).find(std::string("tEXtTitle\0Dusk!", 15)),
            std::string::npos);
  UserData back = nullptr;
  ASSERT_EQ(NewUserData(&back), noErr);
  ASSERT_EQ(GraphicsExportGetMetaData(png, back), noErr);
  EXPECT_EQ(CountUserDataType(back, static_cast<OSType>(0xA96E616D)), 1);
  DisposeUserData(back);

  ComponentInstance jpeg = Open('JPEG');
  ASSERT_EQ(GraphicsExportSetMetaData(jpeg, items), noErr);
  ASSERT_EQ(GraphicsExportSetExifEnabled(jpeg, true), noErr);
  ASSERT_EQ(GraphicsExportSetThumbnailEnabled(jpeg, true, 20, 20), noErr);
  ASSERT_EQ(GraphicsExportSetResolution(jpeg, 240 << 16, 240 << 16), noErr);
  ASSERT_EQ(ExportTo(jpeg, Picture(), "exif.jpg"), noErr);
  std::string file = ReadBytes(Path("exif.jpg"));
  size_t exif = file.find(std::string("Exif\0\0MM", 8));
  ASSERT_NE(exif, std::string::npos);
  // The thumbnail: a second JPEG inside the Exif segment.
  EXPECT_NE(file.find("\xFF\xD8\xFF", exif), std::string::npos);
  EXPECT_NE(file.find("Title: Dusk!"), std::string::npos);
  DisposeUserData(items);
  if (!HaveTool("identify")) GTEST_SKIP() << "ImageMagick is not installed";
  EXPECT_EQ(Identify(Path("exif.jpg"), "%[EXIF:XResolution]"), "240/1");
  EXPECT_EQ(Identify(Path("exif.jpg"), "%wx%h"), "40x30");
}

// Progress procedure calls, as "message:percent".
std::vector<std::string> gProgress;
OSErr gAnswer = noErr;
OSErr RecordProgress(short message, Fixed completeness, long refcon) {
  EXPECT_EQ(refcon, 77);
  gProgress.push_back(std::to_string(message) + ":" + std::to_string(completeness >> 8));
  return message == codecProgressUpdatePercent ? gAnswer : noErr;
}

TEST_F(GraphicsExport, HandlesPicturesAndProgressAndAnAbortLeavesNoFile) {
  ComponentInstance png = Open('PNGf');
  ICMProgressProcRecord progress{RecordProgress, 77};
  ASSERT_EQ(GraphicsExportSetProgressProc(png, &progress), noErr);
  gProgress.clear();
  gAnswer = noErr;
  Handle out = NewHandle(0);
  ASSERT_EQ(GraphicsExportSetInputGWorld(png, Picture()), noErr);
  ASSERT_EQ(GraphicsExportSetOutputHandle(png, out), noErr);
  unsigned long size = 0;
  ASSERT_EQ(GraphicsExportDoExport(png, &size), noErr);
  EXPECT_EQ(static_cast<Size>(size), GetHandleSize(out));
  EXPECT_EQ(std::string(*out + 1, 3), "PNG");
  EXPECT_EQ(gProgress, (std::vector<std::string>{"0:0", "1:128", "1:256", "2:256"}));

  // A picture input, to a file; a procedure answering an error stops it.
  Rect frame{0, 0, 10, 12};
  PicHandle picture = OpenPicture(&frame);
  ClosePicture();
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(GraphicsExportSetInputPicture(png, picture), noErr);
  FSSpec spec = Spec("picture.png");
  ASSERT_EQ(GraphicsExportSetOutputFile(png, &spec), noErr);
  gAnswer = -8967;
  EXPECT_EQ(GraphicsExportDoExport(png, nullptr), -8967);
  EXPECT_FALSE(fs::exists(Path("picture.png")));
  for (const auto& entry : fs::directory_iterator(dir_)) ADD_FAILURE() << entry.path();
  gAnswer = noErr;
  ASSERT_EQ(GraphicsExportSetProgressProc(png, nullptr), noErr);
  ASSERT_EQ(GraphicsExportDoExport(png, nullptr), noErr);
  Rect bounds{};
  ASSERT_EQ(GraphicsExportGetInputImageDimensions(png, &bounds), noErr);
  EXPECT_EQ(bounds.right, 12);
  EXPECT_EQ(bounds.bottom, 10);
  KillPicture(picture);
  DisposeHandle(out);
}

TEST_F(GraphicsExport, TheSettingsDialogTakesTheScriptedAnswer) {
  ComponentInstance jpeg = Open('JPEG');
  QTMLTest_QueueDialogAnswer("quality=1023, depth=40,hres=96");
  ASSERT_EQ(GraphicsExportRequestSettings(jpeg, nullptr, nullptr), noErr);
  CodecQ quality = 0;
  long depth = 0;
  Fixed h = 0, v = 0;
  GraphicsExportGetCompressionQuality(jpeg, &quality);
  GraphicsExportGetDepth(jpeg, &depth);
  GraphicsExportGetResolution(jpeg, &h, &v);
  EXPECT_EQ(quality, CodecQ{codecMaxQuality});
  EXPECT_EQ(depth, 40);
  EXPECT_EQ(h, 96 << 16);
  EXPECT_EQ(v, 72 << 16);
  // A cancel, a bad value or no answer at all change nothing.
  QTMLTest_QueueDialogAnswer(nullptr);
  EXPECT_EQ(GraphicsExportRequestSettings(jpeg, nullptr, nullptr), userCanceledErr);
  QTMLTest_QueueDialogAnswer("depth=32,quality=0");
  EXPECT_EQ(GraphicsExportRequestSettings(jpeg, nullptr, nullptr), paramErr);
  EXPECT_EQ(GraphicsExportRequestSettings(jpeg, nullptr, nullptr), userCanceledErr);
  GraphicsExportGetCompressionQuality(jpeg, &quality);
  EXPECT_EQ(quality, CodecQ{codecMaxQuality});
  QTMLTest_QueueDialogAnswer("");
  EXPECT_EQ(GraphicsExportRequestSettings(jpeg, nullptr, nullptr), noErr);
}

TEST_F(GraphicsExport, MisuseAndFailuresAnswerTheirCodes) {
  ComponentInstance png = Open('PNGf');
  EXPECT_EQ(GraphicsExportDoExport(png, nullptr), paramErr);  // no input, no output
  ASSERT_EQ(GraphicsExportSetInputGWorld(png, Picture()), noErr);
  EXPECT_EQ(GraphicsExportDoExport(png, nullptr), paramErr);  // no output
  EXPECT_EQ(GraphicsExportSetInputGWorld(png, reinterpret_cast<GWorldPtr>(8)), paramErr);
  EXPECT_EQ(GraphicsExportSetOutputHandle(png, reinterpret_cast<Handle>(8)), paramErr);
  EXPECT_EQ(GraphicsExportGetDepth(png, nullptr), paramErr);
  EXPECT_EQ(GraphicsExportSetResolution(png, 0, 72 << 16), paramErr);
  FSSpec missing = Spec("missing.jpg");
  ComponentInstance jpeg = Open('JPEG');
  ASSERT_EQ(GraphicsExportSetInputFile(jpeg, &missing, nullptr), noErr);
  FSSpec out = Spec("out.jpg");
  ASSERT_EQ(GraphicsExportSetOutputFile(jpeg, &out), noErr);
  EXPECT_EQ(GraphicsExportDoExport(jpeg, nullptr), fnfErr);

  // A write that fails leaves nothing; an injected fault answers itself.
  FSSpec spec = Spec("full.png");
  ASSERT_EQ(GraphicsExportSetOutputFile(png, &spec), noErr);
  QTMLTest_FailIO(Path("").c_str(), "write", 1, dskFulErr);
  EXPECT_EQ(GraphicsExportDoExport(png, nullptr), dskFulErr);
  QTMLTest_ClearFaults();
  for (const auto& entry : fs::directory_iterator(dir_)) ADD_FAILURE() << entry.path();
  QTMLTest_FailCall("GraphicsExportDoExport", 1, -108);
  EXPECT_EQ(GraphicsExportDoExport(png, nullptr), -108);
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(GraphicsExportDoExport(png, nullptr), memFullErr);
  QTMLTest_FailAllocations(-1);
  EXPECT_FALSE(fs::exists(Path("full.png")));

  // Another kind's instance, and one that is closed.
  ComponentInstance clock = OpenDefaultComponent('clok', 0);
  EXPECT_EQ(GraphicsExportDoExport(clock, nullptr), badComponentSelector);
  CloseComponent(clock);
  ComponentInstance closed = nullptr;
  ASSERT_EQ(OpenADefaultComponent(GraphicsExporterComponentType, 'PNGf', &closed), noErr);
  CloseComponent(closed);
  EXPECT_EQ(GraphicsExportDoExport(closed, nullptr), badComponentInstance);
}

TEST_F(GraphicsExport, EveryAllocationFailureAnswersAnErrorAndLeavesNothing) {
  GWorldPtr world = Picture();
  for (OSType format : {'PNGf', 'JPEG', 'PICT', 'qtif', '8BPS'}) {
    for (long n = 0;; ++n) {
      QTMLTest_FailAllocations(n);
      ComponentInstance ci = nullptr;
      OSErr err = OpenADefaultComponent(GraphicsExporterComponentType, format, &ci);
      Handle out = NewHandle(0);
      QTAtomContainer settings = nullptr;
      if (err == noErr && out != nullptr) {
        GraphicsExportSetInputGWorld(ci, world);
        GraphicsExportSetOutputHandle(ci, out);
        GraphicsExportSetExifEnabled(ci, true);
        err = static_cast<OSErr>(GraphicsExportDoExport(ci, nullptr));
        if (err == noErr) {
          EXPECT_GT(GetHandleSize(out), 0);
        }
        GraphicsExportGetSettingsAsAtomContainer(ci, &settings);
      }
      long refused = QTMLTest_AllocationsRefused();
      QTMLTest_FailAllocations(-1);
      if (settings != nullptr) QTDisposeAtomContainer(settings);
      if (out != nullptr) DisposeHandle(out);
      if (ci != nullptr) CloseComponent(ci);
      if (refused == 0) {
        EXPECT_EQ(err, noErr);
        break;
      }
      ASSERT_LT(n, 5000);
    }
  }
}

}  // namespace
