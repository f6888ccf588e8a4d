// Parsers of bytes held in handles: a movie atom (NewMovieFromHandle), a
// user data list, an atom container walked to its leaves, a picture drawn,
// and an alias record resolved. The first byte picks the parser.
#include "Aliases.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "fuzz_support.h"

namespace {

void WalkAtoms(QTAtomContainer container, QTAtom parent, int depth) {
  if (depth > 8) return;
  QTAtomType type = 0;
  int types = 0;
  while ((type = QTGetNextChildType(container, parent, type)) != 0 && ++types < 16) {
    short count = QTCountChildrenOfType(container, parent, type);
    for (short i = 1; i <= count && i <= 16; ++i) {
      QTAtomID id = 0;
      QTAtom child = QTFindChildByIndex(container, parent, type, i, &id);
      if (child == 0) continue;
      long size = 0;
      Ptr bytes = nullptr;
      QTGetAtomDataPtr(container, child, &size, &bytes);
      WalkAtoms(container, child, depth + 1);
    }
  }
}

void DrawInto(PicHandle picture) {
  Rect bounds = {0, 0, 64, 64};
  GWorldPtr world = nullptr;
  if (NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0) != noErr) return;
  CGrafPtr port = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&port, &device);
  SetGWorld(world, nullptr);
  DrawPicture(picture, &bounds);
  SetGWorld(port, device);
  DisposeGWorld(world);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::StartEngine();
  if (size < 1) return 0;
  Handle h = fuzz::HandleOf(data + 1, size - 1);
  if (h == nullptr) return 0;
  switch (data[0] % 5) {
    case 0: {
      Movie movie = nullptr;
      if (NewMovieFromHandle(&movie, h, 0, nullptr) == noErr && movie != nullptr) {
        Handle again = NewHandle(0);
        PutMovieIntoHandle(movie, again);
        DisposeHandle(again);
        DisposeMovie(movie);
      }
      break;
    }
    case 1: {
      UserData list = nullptr;
      if (NewUserDataFromHandle(h, &list) == noErr) {
        OSType type = 0;
        while ((type = GetNextUserDataType(list, type)) != 0) CountUserDataType(list, type);
        DisposeUserData(list);
      }
      break;
    }
    case 2:
      WalkAtoms(reinterpret_cast<QTAtomContainer>(h), kParentAtomIsContainer, 0);
      break;
    case 3:
      DrawInto(reinterpret_cast<PicHandle>(h));
      break;
    case 4: {
      auto alias = reinterpret_cast<AliasHandle>(h);
      Str63 name;
      for (AliasInfoType i = asiZoneName; i <= asiParentName; ++i) GetAliasInfo(alias, i, name);
      FSSpec target;
      Boolean changed = false;
      ResolveAlias(nullptr, alias, &target, &changed);
      break;
    }
  }
  DisposeHandle(h);
  return 0;
}
