#include "core/objects.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "QTML.h"

namespace fenra::host {
namespace {

constexpr uint64_t kMagic = 0x466e7261486f7374;  // "FnraHost"

struct Header {
  HostObject* owner;
  uint64_t magic;
};

}  // namespace

HostObject::HostObject(size_t visibleSize) {
  block_ = static_cast<char*>(::operator new(sizeof(Header) + visibleSize + 8));
  std::memset(block_, 0, sizeof(Header) + visibleSize + 8);
  auto* header = reinterpret_cast<Header*>(block_);
  header->owner = this;
  header->magic = kMagic;
  visible_ = block_ + sizeof(Header);
}

HostObject::~HostObject() {
  reinterpret_cast<Header*>(block_)->magic = 0;
  ::operator delete(block_);
}

void HostObject::Release() {
  if (--references_ > 0) return;
  Finalize();
  delete this;
}

HostObject* HostObject::Of(REALobject handle) {
  if (handle == nullptr) return nullptr;
  auto* header = reinterpret_cast<Header*>(reinterpret_cast<char*>(handle) - sizeof(Header));
  return header->magic == kMagic ? header->owner : nullptr;
}

Object* Object::FromHandle(REALobject handle) {
  return HostObject::Of(handle);
}

// --- references ---

ObjectRef::ObjectRef(Object* object, bool adopt) : object_(object) {
  if (object_ != nullptr && !adopt) object_->Retain();
}
ObjectRef::ObjectRef(const ObjectRef& other) : ObjectRef(other.object_, false) {}
ObjectRef::ObjectRef(ObjectRef&& other) noexcept : object_(other.object_) {
  other.object_ = nullptr;
}
ObjectRef& ObjectRef::operator=(ObjectRef other) noexcept {
  std::swap(object_, other.object_);
  return *this;
}
ObjectRef::~ObjectRef() {
  if (object_ != nullptr) object_->Release();
}

// --- values ---

Value Value::Int(int64_t v) {
  Value x;
  x.kind = Kind::Integer;
  x.integer = v;
  return x;
}
Value Value::Dbl(double v) {
  Value x;
  x.kind = Kind::Double;
  x.number = v;
  return x;
}
Value Value::Bool(bool v) {
  Value x;
  x.kind = Kind::Boolean;
  x.boolean = v;
  return x;
}
Value Value::Str(std::string v) {
  Value x;
  x.kind = Kind::String;
  x.text = std::move(v);
  return x;
}
Value Value::Colour(uint32_t rgb) {
  Value x;
  x.kind = Kind::Color;
  x.integer = rgb & 0xFFFFFF;
  return x;
}
Value Value::Obj(ObjectRef object) {
  Value x;
  if (object) {
    x.kind = Kind::Object;
    x.object = std::move(object);
  }
  return x;
}

std::string Value::KindName() const {
  switch (kind) {
    case Kind::Nil:
      return "Nil";
    case Kind::Integer:
      return "Integer";
    case Kind::Double:
      return "Double";
    case Kind::Boolean:
      return "Boolean";
    case Kind::String:
      return "String";
    case Kind::Color:
      return "Color";
    case Kind::Object:
      return object ? object->Class().name : "Nil";
  }
  return "?";
}

bool ClassInfo::IsA(const ClassInfo& other) const {
  for (const ClassInfo* c = this; c != nullptr; c = c->super) {
    if (c == &other) return true;
  }
  return false;
}

// --- strings ---

HostString::HostString(std::string_view text)
    : HostObject(sizeof(REALstringData) + text.size() + 2) {
  char* bytes = Visible() + sizeof(REALstringData);
  bytes[0] = static_cast<char>(text.size() > 255 ? 255 : text.size());
  if (!text.empty()) std::memcpy(bytes + 1, text.data(), text.size());
  bytes[text.size() + 1] = '\0';
  Record().referenceCount = 1;
  Record().buffer = bytes;
  Record().encoding = 0;
  Record().length = static_cast<intptr_t>(text.size());
}

void HostString::Retain() {
  HostObject::Retain();
  Record().referenceCount = static_cast<intptr_t>(References());
}

void HostString::Release() {
  Record().referenceCount = static_cast<intptr_t>(References() - 1);
  HostObject::Release();
}

HostString* HostString::Of(REALstring handle) {
  return ObjectOf<HostString>(reinterpret_cast<REALobject>(handle));
}

// --- pictures ---

Picture::Picture(int width, int height, int depth) : Picture(width, height, depth, Unset{}) {
  std::fill_n(pixels_.get(), static_cast<size_t>(width_) * height_, 0xFFFFFFFFu);
}

Picture::Picture(int width, int height, int depth, Unset)
    : HostObject(0),
      width_(width < 0 ? 0 : width),
      height_(height < 0 ? 0 : height),
      depth_(depth),
      pixels_(new uint32_t[static_cast<size_t>(width_) * height_]) {
  description_.pictureType = 'ARGB';
  description_.pictureData = pixels_.get();
  description_.width = width_;
  description_.height = height_;
  description_.depth = 32;
}

// --- movies and controls ---

HostMovie::~HostMovie() {
  if (movie_ != nullptr) DisposeMovie(movie_);
}

void HostMovie::SetQuickTimeMovie(::Movie movie) {
  if (movie == movie_) return;
  if (movie_ != nullptr) DisposeMovie(movie_);
  movie_ = movie;
}

namespace {

std::vector<MoviePlayer*>& PlayersInWindows() {
  static std::vector<MoviePlayer*> players;
  return players;
}

std::vector<Window*>& LiveWindows() {
  static std::vector<Window*> windows;
  return windows;
}

template <typename T>
void Forget(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// The height of the controller's bar under a player's movie.
constexpr short kBarHeight = 16;

}  // namespace

MoviePlayer::MoviePlayer() = default;

MoviePlayer::~MoviePlayer() {
  Detach();
  if (controller_ != nullptr) DisposeMovieController(controller_);
}

const std::vector<MoviePlayer*>& MoviePlayer::InWindows() {
  return PlayersInWindows();
}

void MoviePlayer::SetMovie(ObjectRef movie) {
  if (controller_ != nullptr) DisposeMovieController(controller_);
  controller_ = nullptr;
  movie_ = std::move(movie);
  auto* hostMovie = dynamic_cast<HostMovie*>(movie_.get());
  if (hostMovie != nullptr && hostMovie->QuickTimeMovie() != nullptr) {
    controller_ = NewMovieController(hostMovie->QuickTimeMovie(), &bounds, 0);
  }
  Place();
}

Window* MoviePlayer::ParentWindow() const {
  return dynamic_cast<Window*>(parent_.get());
}

void MoviePlayer::SetParent(ObjectRef window) {
  if (window.get() == parent_.get()) return;
  Detach();
  if (dynamic_cast<Window*>(window.get()) == nullptr) return;
  parent_ = std::move(window);
  PlayersInWindows().push_back(this);
  Place();
}

// The movie leaves the window's port before the window may go.
void MoviePlayer::Detach() {
  if (parent_.get() == nullptr) return;
  Forget(PlayersInWindows(), this);
  auto* hostMovie = dynamic_cast<HostMovie*>(movie_.get());
  if (hostMovie != nullptr && hostMovie->QuickTimeMovie() != nullptr) {
    HostDrawing quiet;
    SetMovieGWorld(hostMovie->QuickTimeMovie(), nullptr, nullptr);
  }
  parent_ = ObjectRef();
}

// The movie and the bar go where the player's bounds say in its window.
void MoviePlayer::Place() {
  Window* window = ParentWindow();
  auto* hostMovie = dynamic_cast<HostMovie*>(movie_.get());
  if (window == nullptr || window->Port() == nullptr || controller_ == nullptr ||
      hostMovie == nullptr) {
    return;
  }
  HostDrawing quiet;
  ::Movie movie = hostMovie->QuickTimeMovie();
  if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) {
    Rect box{0, 0, 0, 0};
    GetMovieNaturalBoundsRect(movie, &box);
    bounds = Rect{0, 0, static_cast<short>(box.bottom - box.top + kBarHeight),
                  static_cast<short>(box.right - box.left)};
  }
  SetMovieGWorld(movie, window->Port(), nullptr);
  Rect movieRect = bounds;
  movieRect.bottom = static_cast<short>(std::max<int>(movieRect.top, bounds.bottom - kBarHeight));
  MCPositionController(controller_, &movieRect, nullptr, mcScaleMovieToFit);
  MCDraw(controller_, window->Port());
}

void MoviePlayer::Idle() {
  Window* window = ParentWindow();
  if (controller_ == nullptr || window == nullptr || window->Port() == nullptr) return;
  HostDrawing quiet;
  EventRecord idle{nullEvent, 0, 0, {0, 0}, 0};
  MCIsPlayerEvent(controller_, &idle);
  MCDraw(controller_, window->Port());
}

Window::Window(int width, int height)
    : HostObject(0),
      width_(width),
      height_(height),
      pixels_(Rect{0, 0, static_cast<short>(height), static_cast<short>(width)}),
      title_("Fenra") {
  LiveWindows().push_back(this);
  if (!pixels_.Usable()) return;
  // A new window shows white, as a new picture does.
  for (int y = 0; y < height; ++y) pixels_.FillRow(y, 0, width, 0xFFFFFFFF);
  // Made known to QuickTime as a window's port, as a window system's
  // windows are.
  HostDrawing quiet;
  CreatePortAssociation(pixels_.World(), nullptr, 0);
  display_ = DisplayWindow::Open(title_, width, height);
  Refresh();
}

Window::~Window() {
  Forget(LiveWindows(), this);
  if (!pixels_.Usable()) return;
  HostDrawing quiet;
  DestroyPortAssociation(pixels_.World());
}

const std::vector<Window*>& Window::All() {
  return LiveWindows();
}

void Window::SetTitle(const std::string& title) {
  title_ = title;
  if (display_ != nullptr) display_->SetTitle(title);
}

void Window::Refresh() {
  if (display_ != nullptr) display_->Show(pixels_);
}

Point Window::Origin() const {
  int left = left_, top = top_;
  if (display_ != nullptr) display_->Origin(left, top);
  return Point{static_cast<short>(top), static_cast<short>(left)};
}

void Window::MoveTo(int left, int top) {
  left_ = static_cast<short>(left);
  top_ = static_cast<short>(top);
  if (display_ != nullptr) display_->MoveTo(left, top);
}

// --- surfaces ---

Surface::Surface(ObjectRef target) : target_(std::move(target)) {
  picture_ = dynamic_cast<Picture*>(target_.get());
  window_ = dynamic_cast<Window*>(target_.get());
  if (picture_ != nullptr) {
    width_ = picture_->Width();
    height_ = picture_->Height();
  } else if (window_ != nullptr && window_->Port() != nullptr) {
    width_ = window_->Width();
    height_ = window_->Height();
  }
}

uint32_t& Surface::ForeColor() {
  static uint32_t none = 0;
  return picture_ != nullptr ? picture_->foreColor : window_ != nullptr ? window_->foreColor : none;
}

// A window's pixels are read opaque: QuickDraw leaves the alpha byte of
// 32-bit pixels undefined, and what the plugin draws there may leave it 0.
uint32_t Surface::Get(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  if (picture_ != nullptr) return picture_->Pixel(x, y);
  return 0xFF000000u | window_->Pixels().Get(x, y);
}

void Surface::Set(int x, int y, uint32_t argb) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (picture_ != nullptr) {
    picture_->Pixel(x, y) = argb;
  } else {
    window_->Pixels().Set(x, y, argb);
  }
}

void Surface::Fill(int left, int top, int right, int bottom, uint32_t argb) {
  left = std::max(left, 0);
  right = std::min(right, width_);
  for (int y = std::max(top, 0); y < std::min(bottom, height_) && left < right; ++y) {
    if (picture_ != nullptr) {
      std::fill_n(&picture_->Pixel(left, y), right - left, argb);
    } else {
      window_->Pixels().FillRow(y, left, right, argb);
    }
  }
}

}  // namespace fenra::host
