// The host's objects. Each lives in a block whose hidden header names its
// owner; the REALobject the plugin sees is the address just past that
// header, where the bytes the plugin may read directly begin (a string's
// record, a class instance's data).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "Movies.h"
#include "QDOffscreen.h"
#include "core/display_window.h"
#include "core/pixel_world.h"
#include "fenra_host/runtime.h"

namespace fenra::host {

class HostObject : public Object {
 public:
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  REALobject Handle() override { return reinterpret_cast<REALobject>(visible_); }
  void Retain() override { ++references_; }
  // Destroys the object when the last reference goes.
  void Release() override;
  int64_t References() const { return references_; }

  // The object behind a handle; null for null or a handle not the host's.
  static HostObject* Of(REALobject handle);

 protected:
  // A new object with one reference, for whoever asked for it.
  explicit HostObject(size_t visibleSize);
  ~HostObject() override;
  // Runs before the memory goes: instances run their destructors here.
  virtual void Finalize() {}
  char* Visible() const { return visible_; }

 private:
  char* block_ = nullptr;
  char* visible_ = nullptr;
  int64_t references_ = 1;
};

// The object behind a handle when it is a T; null otherwise. An exact type
// check where T has no subclasses, which costs less than a cast.
template <class T>
T* ObjectOf(REALobject handle) {
  HostObject* object = HostObject::Of(handle);
  if constexpr (std::is_final_v<T>) {
    return object != nullptr && typeid(*object) == typeid(T) ? static_cast<T*>(object) : nullptr;
  } else {
    return dynamic_cast<T*>(object);
  }
}

// Adopts the one reference a new object carries.
template <class T>
ObjectRef Adopt(T* object) {
  return ObjectRef(object, true);
}

// A string's characters follow its record in the object's own block: a
// length byte (at most 255), the text and a NUL, so that making one
// allocates no more than any host object.
class HostString final : public HostObject {
 public:
  explicit HostString(std::string_view text);
  const ClassInfo& Class() const override;
  std::string_view Text() const { return {CString(), static_cast<size_t>(Record().length)}; }
  const char* CString() const { return Record().buffer + 1; }
  const unsigned char* PString() const {
    return reinterpret_cast<const unsigned char*>(Record().buffer);
  }
  static HostString* Of(REALstring handle);
  // The record's reference count word follows the object's.
  void Retain() override;
  void Release() override;

 private:
  REALstringData& Record() const { return *reinterpret_cast<REALstringData*>(Visible()); }
};

class FolderItem final : public HostObject {
 public:
  explicit FolderItem(std::string path) : HostObject(0), path_(std::move(path)) {}
  const ClassInfo& Class() const override;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A picture: 32-bit pixels 0xAARRGGBB, row by row from the top; white
// when new.
class Picture final : public HostObject {
 public:
  Picture(int width, int height, int depth);
  // A picture whose every pixel its maker sets at once (left unset here).
  struct Unset {};
  Picture(int width, int height, int depth, Unset);
  const ClassInfo& Class() const override;
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Depth() const { return depth_; }
  // x and y must lie inside the picture.
  uint32_t& Pixel(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  uint32_t Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  // Every pixel, rows of Width() from the top, none between them.
  uint32_t* Data() { return pixels_.get(); }
  const uint32_t* Data() const { return pixels_.get(); }
  REALpictureDescription& Description() { return description_; }
  uint32_t foreColor = 0;  // what its Graphics draws with, 0x00RRGGBB

 private:
  int width_, height_, depth_;
  std::unique_ptr<uint32_t[]> pixels_;
  REALpictureDescription description_{};
};

class Window;

// Something drawn on: a picture's pixels or a window's, addressed from
// (0, 0) at the top left; pixels outside are ignored (read as 0).
class Surface {
 public:
  // `target` is a Picture or a Window.
  explicit Surface(ObjectRef target);
  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t Get(int x, int y) const;
  void Set(int x, int y, uint32_t argb);
  // Sets every pixel of [left, right) x [top, bottom) on the surface.
  void Fill(int left, int top, int right, int bottom, uint32_t argb);
  // The colour drawn with, kept by the target so that every Graphics of
  // it shares it.
  uint32_t& ForeColor();

 private:
  ObjectRef target_;
  Picture* picture_ = nullptr;
  Window* window_ = nullptr;
  int width_ = 0, height_ = 0;
};

// What scripts draw on a picture or a window with.
class Graphics final : public HostObject {
 public:
  explicit Graphics(ObjectRef target) : HostObject(0), surface(std::move(target)) {}
  const ClassInfo& Class() const override;
  Surface surface;
};

class MemoryBlock final : public HostObject {
 public:
  explicit MemoryBlock(size_t size) : HostObject(0), bytes_(size, 0) {}
  const ClassInfo& Class() const override;
  std::vector<uint8_t>& Bytes() { return bytes_; }
  bool littleEndian = true;

 private:
  std::vector<uint8_t> bytes_;
};

class IntegerArray final : public HostObject {
 public:
  explicit IntegerArray(std::vector<int64_t> values) : HostObject(0), values_(std::move(values)) {}
  const ClassInfo& Class() const override;
  const std::vector<int64_t>& Values() const { return values_; }

 private:
  std::vector<int64_t> values_;
};

// A host movie: presents one QuickTime movie, which it owns.
class HostMovie final : public HostObject {
 public:
  explicit HostMovie(::Movie movie) : HostObject(0), movie_(movie) {}
  ~HostMovie() override;
  const ClassInfo& Class() const override;
  ::Movie QuickTimeMovie() const { return movie_; }
  void SetQuickTimeMovie(::Movie movie);

 private:
  ::Movie movie_;
};

// Controls have bounds; a movie player is a control holding a movie and a
// movie controller over it.
class Control : public HostObject {
 public:
  Control() : HostObject(0) {}
  const ClassInfo& Class() const override;
  Rect bounds{0, 0, 0, 0};
};

// A movie player: a controller over its movie, and, once it has a parent
// window, the movie and the controller's bar drawn in the window at its
// bounds (the movie's natural box and the bar below it at the top left
// when its bounds are empty), playing as the host's event loop runs.
class MoviePlayer final : public Control {
 public:
  MoviePlayer();
  ~MoviePlayer() override;
  const ClassInfo& Class() const override;
  // Presents `movie` (or nothing for null) with a new controller.
  void SetMovie(ObjectRef movie);
  const ObjectRef& Movie() const { return movie_; }
  MovieController Controller() const { return controller_; }
  // Puts the player in `window` (a Window, or null to take it out).
  void SetParent(ObjectRef window);
  const ObjectRef& Parent() const { return parent_; }
  Window* ParentWindow() const;
  // One turn of the event loop: the movie plays on and is drawn, with the
  // bar, in the parent window.
  void Idle();

  // The players that have a parent window, oldest first.
  static const std::vector<MoviePlayer*>& InWindows();

 private:
  void Place();
  void Detach();
  ObjectRef movie_;
  ObjectRef parent_;
  MovieController controller_ = nullptr;
};

// A window: its native handle is its port, a 32-bit GWorld over pixels the
// window keeps (white when new), known to QuickTime as a window's port
// (GetNativeWindowPort); null when the engine refuses one (wider than
// PixelWorld::kMaxWidth). When there is a display it is also a window on
// the desktop (display_window.h), showing its pixels when the host's event
// loop runs or the script refreshes it.
class Window final : public HostObject {
 public:
  Window(int width, int height);
  ~Window() override;
  const ClassInfo& Class() const override;
  GWorldPtr Port() const { return pixels_.World(); }
  PixelWorld& Pixels() { return pixels_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t foreColor = 0;  // what its Graphics draws with, 0x00RRGGBB
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);
  // Shows its pixels on the desktop; nothing without a display.
  void Refresh();
  // Its desktop window; null without a display.
  DisplayWindow* Display() const { return display_.get(); }
  // The top left corner of its pixels on the desktop (where it was put
  // without a display, (0, 0) at first), and the window moved there.
  Point Origin() const;
  void MoveTo(int left, int top);

  // The live windows, oldest first.
  static const std::vector<Window*>& All();

 private:
  int width_, height_;
  PixelWorld pixels_;
  std::string title_;
  short left_ = 0, top_ = 0;
  std::unique_ptr<DisplayWindow> display_;
};

// The host classes a script can name, in a fixed order (host_classes.cpp).
const std::vector<const ClassInfo*>& HostClasses();

}  // namespace fenra::host
