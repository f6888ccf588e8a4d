// MemoryBlock, Movie, the controls and Window.
#include <cstring>

#include "QTML.h"
#include "core/host_classes.h"
#include "core/pixel_world.h"

namespace fenra::host {
namespace {

// --- MemoryBlock ---

bool MakeMemoryBlock(Args& args, Value& out, HostError& error) {
  if (args[0].integer < 0) return Misuse(error, "MemoryBlock", "a size cannot be negative");
  out = Value::Obj(Runtime::Get().NewMemoryBlock(args[0].integer));
  return true;
}

// The bytes at offset .. offset + width, or null with `error` set.
uint8_t* Field(HostObject& self, const Value& offset, size_t width, HostError& error) {
  auto& bytes = As<MemoryBlock>(self).Bytes();
  int64_t at = offset.integer;
  if (at < 0 || static_cast<uint64_t>(at) + width > bytes.size()) {
    Misuse(error, "MemoryBlock",
           "offset " + std::to_string(at) + " is out of bounds (size " +
               std::to_string(bytes.size()) + ")");
    return nullptr;
  }
  return bytes.data() + at;
}

// An integer of Width bytes in the block's byte order.
template <size_t Width, bool Signed>
int64_t ReadInteger(const uint8_t* at, bool littleEndian) {
  uint64_t value = 0;
  for (size_t i = 0; i < Width; ++i) {
    value |= uint64_t{at[littleEndian ? i : Width - 1 - i]} << (8 * i);
  }
  if (Signed && Width < 8 && (value >> (8 * Width - 1)) & 1) value |= ~uint64_t{0} << (8 * Width);
  return static_cast<int64_t>(value);
}

template <size_t Width>
void WriteInteger(uint8_t* at, bool littleEndian, int64_t value) {
  for (size_t i = 0; i < Width; ++i) {
    at[littleEndian ? i : Width - 1 - i] =
        static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
  }
}

template <size_t Width, bool Signed>
bool GetInteger(HostObject& self, Args& args, Value& out, HostError& error) {
  const uint8_t* at = Field(self, args[0], Width, error);
  if (at == nullptr) return false;
  out = Value::Int(ReadInteger<Width, Signed>(at, As<MemoryBlock>(self).littleEndian));
  return true;
}

template <size_t Width>
bool SetInteger(HostObject& self, Args& args, const Value& value, HostError& error) {
  uint8_t* at = Field(self, args[0], Width, error);
  if (at == nullptr) return false;
  WriteInteger<Width>(at, As<MemoryBlock>(self).littleEndian, value.integer);
  return true;
}

bool GetDouble(HostObject& self, Args& args, Value& out, HostError& error) {
  const uint8_t* at = Field(self, args[0], 8, error);
  if (at == nullptr) return false;
  auto bits = static_cast<uint64_t>(ReadInteger<8, false>(at, As<MemoryBlock>(self).littleEndian));
  double value;
  std::memcpy(&value, &bits, sizeof value);
  out = Value::Dbl(value);
  return true;
}

bool SetDouble(HostObject& self, Args& args, const Value& value, HostError& error) {
  uint8_t* at = Field(self, args[0], 8, error);
  if (at == nullptr) return false;
  int64_t bits;
  std::memcpy(&bits, &value.number, sizeof bits);
  WriteInteger<8>(at, As<MemoryBlock>(self).littleEndian, bits);
  return true;
}

bool GetStringValue(HostObject& self, Args& args, Value& out, HostError& error) {
  if (args[1].integer < 0) return Misuse(error, "MemoryBlock.StringValue", "negative length");
  const uint8_t* at = Field(self, args[0], static_cast<size_t>(args[1].integer), error);
  if (at == nullptr) return false;
  out = Value::Str(
      std::string(reinterpret_cast<const char*>(at), static_cast<size_t>(args[1].integer)));
  return true;
}

// Writes `length` bytes: the text's, zero-padded or cut to fit.
bool SetStringValue(HostObject& self, Args& args, const Value& value, HostError& error) {
  if (args[1].integer < 0) return Misuse(error, "MemoryBlock.StringValue", "negative length");
  auto length = static_cast<size_t>(args[1].integer);
  uint8_t* at = Field(self, args[0], length, error);
  if (at == nullptr) return false;
  std::memset(at, 0, length);
  std::memcpy(at, value.text.data(), std::min(length, value.text.size()));
  return true;
}

bool GetSize(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Int(static_cast<int64_t>(As<MemoryBlock>(self).Bytes().size()));
  return true;
}

// Keeps the bytes that still fit; new ones are zero. The data may move.
bool SetSize(HostObject& self, Args&, const Value& value, HostError& error) {
  if (value.integer < 0) return Misuse(error, "MemoryBlock.Size", "a size cannot be negative");
  As<MemoryBlock>(self).Bytes().resize(static_cast<size_t>(value.integer), 0);
  return true;
}

bool GetLittleEndian(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Bool(As<MemoryBlock>(self).littleEndian);
  return true;
}

bool SetLittleEndian(HostObject& self, Args&, const Value& value, HostError&) {
  As<MemoryBlock>(self).littleEndian = value.boolean;
  return true;
}

constexpr HostMember kMemoryBlockMembers[] = {
    {HostMember::kProperty, "Size as integer", GetSize, SetSize},
    {HostMember::kProperty, "LittleEndian as boolean", GetLittleEndian, SetLittleEndian},
    {HostMember::kMethod, "Byte(offset as integer) as integer", GetInteger<1, false>,
     SetInteger<1>},
    {HostMember::kMethod, "Short(offset as integer) as integer", GetInteger<2, true>,
     SetInteger<2>},
    {HostMember::kMethod, "UShort(offset as integer) as integer", GetInteger<2, false>,
     SetInteger<2>},
    {HostMember::kMethod, "Long(offset as integer) as integer", GetInteger<4, true>, SetInteger<4>},
    {HostMember::kMethod, "UInt32Value(offset as integer) as integer", GetInteger<4, false>,
     SetInteger<4>},
    {HostMember::kMethod, "Int64Value(offset as integer) as integer", GetInteger<8, true>,
     SetInteger<8>},
    {HostMember::kMethod, "DoubleValue(offset as integer) as double", GetDouble, SetDouble},
    {HostMember::kMethod, "StringValue(offset as integer,length as integer) as string",
     GetStringValue, SetStringValue},
};

// --- Movie ---

// An empty movie of the engine's.
bool MakeMovie(Args&, Value& out, HostError& error) {
  if (!MoviesStarted()) return Misuse(error, "Movie", "QuickTime cannot be started");
  ::Movie movie = NewMovie(newMovieActive);
  if (movie == nullptr) {
    return Misuse(error, "Movie",
                  "the engine made no movie (error " + std::to_string(GetMoviesError()) + ")");
  }
  out = Value::Obj(Adopt(new HostMovie(movie)));
  return true;
}

// In seconds.
bool Duration(HostObject& self, Args&, Value& out, HostError&) {
  ::Movie movie = As<HostMovie>(self).QuickTimeMovie();
  TimeScale scale = movie != nullptr ? GetMovieTimeScale(movie) : 0;
  out = Value::Dbl(scale > 0 ? static_cast<double>(GetMovieDuration(movie)) / scale : 0.0);
  return true;
}

constexpr HostMember kMovieMembers[] = {
    {HostMember::kProperty, "Duration as double", Duration, nullptr},
};

// --- controls ---

bool MakeRectControl(Args&, Value& out, HostError&) {
  out = Value::Obj(Adopt(new Control));
  return true;
}

bool MakeMoviePlayer(Args&, Value& out, HostError&) {
  out = Value::Obj(Adopt(new MoviePlayer));
  return true;
}

// A side of the bounds (left, top) or a size (width, height); setting a
// side moves the control, setting a size keeps its top left corner.
template <short Rect::*Low, short Rect::*High, bool Size>
bool GetBound(HostObject& self, Args&, Value& out, HostError&) {
  const Rect& r = As<Control>(self).bounds;
  out = Value::Int(Size ? r.*High - r.*Low : r.*Low);
  return true;
}

template <short Rect::*Low, short Rect::*High, bool Size>
bool SetBound(HostObject& self, Args&, const Value& value, HostError&) {
  Rect& r = As<Control>(self).bounds;
  auto v = static_cast<short>(value.integer);
  if (Size) {
    r.*High = static_cast<short>(r.*Low + v);
  } else {
    r.*High = static_cast<short>(r.*High - r.*Low + v);
    r.*Low = v;
  }
  return true;
}

constexpr HostMember kRectControlMembers[] = {
    {HostMember::kProperty, "Left as integer", GetBound<&Rect::left, &Rect::right, false>,
     SetBound<&Rect::left, &Rect::right, false>},
    {HostMember::kProperty, "Top as integer", GetBound<&Rect::top, &Rect::bottom, false>,
     SetBound<&Rect::top, &Rect::bottom, false>},
    {HostMember::kProperty, "Width as integer", GetBound<&Rect::left, &Rect::right, true>,
     SetBound<&Rect::left, &Rect::right, true>},
    {HostMember::kProperty, "Height as integer", GetBound<&Rect::top, &Rect::bottom, true>,
     SetBound<&Rect::top, &Rect::bottom, true>},
};

bool GetPlayerMovie(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Obj(As<MoviePlayer>(self).Movie());
  return true;
}

bool SetPlayerMovie(HostObject& self, Args&, const Value& value, HostError&) {
  As<MoviePlayer>(self).SetMovie(value.object);
  return true;
}

bool GetPlayerParent(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Obj(As<MoviePlayer>(self).Parent());
  return true;
}

bool SetPlayerParent(HostObject& self, Args&, const Value& value, HostError&) {
  As<MoviePlayer>(self).SetParent(value.object);
  return true;
}

// Play and Stop work the player's controller, as a click on its button.
bool PlayerPlay(HostObject& self, Args&, Value&, HostError&) {
  MovieController controller = As<MoviePlayer>(self).Controller();
  if (controller == nullptr) return true;
  HostDrawing quiet;
  ::Movie movie = MCGetIndMovie(controller, 0);
  Fixed rate = movie != nullptr ? GetMoviePreferredRate(movie) : 0;
  MCDoAction(controller, mcActionPlay,
             reinterpret_cast<void*>(static_cast<intptr_t>(rate != 0 ? rate : 0x10000)));
  return true;
}

bool PlayerStop(HostObject& self, Args&, Value&, HostError&) {
  MovieController controller = As<MoviePlayer>(self).Controller();
  if (controller == nullptr) return true;
  HostDrawing quiet;
  MCDoAction(controller, mcActionPlay, nullptr);
  return true;
}

constexpr HostMember kMoviePlayerMembers[] = {
    {HostMember::kProperty, "Movie as Movie", GetPlayerMovie, SetPlayerMovie},
    {HostMember::kProperty, "Parent as Window", GetPlayerParent, SetPlayerParent},
    {HostMember::kMethod, "Play()", PlayerPlay, nullptr},
    {HostMember::kMethod, "Stop()", PlayerStop, nullptr},
};

// --- Window ---

bool MakeWindow(Args& args, Value& out, HostError& error) {
  if (args[0].integer < 1 || args[1].integer < 1 || args[0].integer > 32767 ||
      args[1].integer > 32767) {
    return Misuse(error, "Window", "a window's sides run from 1 to 32767");
  }
  out = Value::Obj(Runtime::Get().NewWindow(static_cast<int>(args[0].integer),
                                            static_cast<int>(args[1].integer)));
  return true;
}

bool WindowWidth(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Int(As<Window>(self).Width());
  return true;
}

bool WindowHeight(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Int(As<Window>(self).Height());
  return true;
}

bool WindowGraphics(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Obj(Adopt(new Graphics(ObjectRef(&self))));
  return true;
}

// A copy of what the window shows.
bool Contents(HostObject& self, Args&, Value& out, HostError&) {
  Picture* picture = PictureFromPort(As<Window>(self).Port());
  out = picture != nullptr ? Value::Obj(Adopt(picture)) : Value::Nil();
  return true;
}

bool GetTitle(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Str(As<Window>(self).Title());
  return true;
}

bool SetTitle(HostObject& self, Args&, const Value& value, HostError&) {
  As<Window>(self).SetTitle(value.text);
  return true;
}

// Where the window stands on the desktop; moving it keeps its size.
template <bool Left>
bool GetPosition(HostObject& self, Args&, Value& out, HostError&) {
  Point origin = As<Window>(self).Origin();
  out = Value::Int(Left ? origin.h : origin.v);
  return true;
}

template <bool Left>
bool SetPosition(HostObject& self, Args&, const Value& value, HostError& error) {
  if (value.integer < -32768 || value.integer > 32767) {
    return Misuse(error, "Window", "a window's position is 16-bit");
  }
  Window& window = As<Window>(self);
  Point origin = window.Origin();
  auto v = static_cast<int>(value.integer);
  window.MoveTo(Left ? v : origin.h, Left ? origin.v : v);
  return true;
}

bool Refresh(HostObject& self, Args&, Value&, HostError&) {
  As<Window>(self).Refresh();
  return true;
}

constexpr HostMember kWindowMembers[] = {
    {HostMember::kProperty, "Title as String", GetTitle, SetTitle},
    {HostMember::kMethod, "Refresh()", Refresh, nullptr},
    {HostMember::kProperty, "Left as integer", GetPosition<true>, SetPosition<true>},
    {HostMember::kProperty, "Top as integer", GetPosition<false>, SetPosition<false>},
    {HostMember::kProperty, "Width as integer", WindowWidth, nullptr},
    {HostMember::kProperty, "Height as integer", WindowHeight, nullptr},
    {HostMember::kProperty, "Graphics as Graphics", WindowGraphics, nullptr},
    {HostMember::kProperty, "Contents as Picture", Contents, nullptr},
};

}  // namespace

const HostClassTable kMemoryBlockClass{
    "MemoryBlock",       nullptr, "MemoryBlock(size as integer)", MakeMemoryBlock,
    kMemoryBlockMembers, {}};
const HostClassTable kMovieClass{"Movie", nullptr, "Movie()", MakeMovie, kMovieMembers, {}};
const HostClassTable kControlClass{"Control", nullptr, nullptr, nullptr, {}, {}};
const HostClassTable kRectControlClass{"RectControl",   "Control",           "RectControl()",
                                       MakeRectControl, kRectControlMembers, {}};
const HostClassTable kMoviePlayerClass{"MoviePlayer",   "RectControl",       "MoviePlayer()",
                                       MakeMoviePlayer, kMoviePlayerMembers, {}};
const HostClassTable kWindowClass{
    "Window",   nullptr,        "Window(width as integer=640,height as integer=480)",
    MakeWindow, kWindowMembers, {}};

// QuickTime as the host itself uses it, started once for the process and
// never stopped (a plugin may have started it too: the calls nest).
bool MoviesStarted() {
  static const bool started = InitializeQTML(0) == noErr && EnterMovies() == noErr;
  return started;
}

}  // namespace fenra::host
