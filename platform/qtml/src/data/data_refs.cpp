#include "data/data_refs.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "memory/memory.h"
#include "files/os.h"

namespace qtml {

namespace {

// A file opened once for the life of the store. Reads and writes go
// straight to the file, so that two stores over one file (a reader and a
// writer) see each other's bytes.
class FileStore : public DataStore {
 public:
  FileStore(const std::string& path, bool writable)
      : file_(path, writable ? os::ReadableFile::Mode::kUpdate : os::ReadableFile::Mode::kRead),
        writable_(writable) {}

  OSErr OpenError() const { return file_.OpenError(); }
  // The file system's error that made the last Read or Append fail; noErr
  // when it worked or failed for another reason.
  OSErr IOError() const { return ioError_; }

  SInt64 Size() const override {
    SInt64 size = 0;
    return file_.Size(&size) == noErr ? size : 0;
  }

  bool Read(SInt64 offset, void* bytes, SInt64 size) override {
    ioError_ = noErr;
    if (offset < 0 || size < 0) return false;
    if (size == 0) return offset <= Size();
    OSErr err = file_.ReadAt(offset, bytes, static_cast<size_t>(size));
    if (err != eofErr) ioError_ = err;  // bytes past the end are the caller's to explain
    return err == noErr;
  }

  SInt64 Append(const void* bytes, SInt64 size) override {
    ioError_ = noErr;
    if (!writable_ || size < 0) return -1;
    SInt64 start = 0;
    if ((ioError_ = file_.Size(&start)) != noErr) return -1;
    if ((ioError_ = file_.WriteAt(start, bytes, static_cast<size_t>(size))) != noErr) {
      (void)file_.Truncate(start);  // what part of the bytes went in goes again
      return -1;
    }
    return start;
  }

 private:
  os::ReadableFile file_;
  bool writable_;
  OSErr ioError_ = noErr;
};

class MemoryStore : public DataStore {
 public:
  explicit MemoryStore(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  SInt64 Size() const override { return static_cast<SInt64>(bytes_.size()); }

  bool Read(SInt64 offset, void* bytes, SInt64 size) override {
    if (offset < 0 || size < 0 || offset + size > Size()) return false;
    if (size > 0) std::memcpy(bytes, bytes_.data() + offset, size);
    return true;
  }

  SInt64 Append(const void* bytes, SInt64 size) override {
    if (size < 0) return -1;
    return Guarded<SInt64>(-1, [&] {
      SInt64 start = Size();
      const auto* from = static_cast<const uint8_t*>(bytes);
      bytes_.insert(bytes_.end(), from, from + size);
      return start;
    });
  }

 private:
  std::vector<uint8_t> bytes_;
};

// The bytes of a caller's live handle. The handle may move or be resized
// by its owner between calls, so every call finds its block afresh; once
// the handle is disposed of the store reads as empty and refuses writes.
class HandleStore : public DataStore {
 public:
  explicit HandleStore(Handle handle) : handle_(handle) {}

  SInt64 Size() const override { return IsHandle(handle_) ? HandleSize(handle_) : 0; }

  bool Read(SInt64 offset, void* bytes, SInt64 size) override {
    if (offset < 0 || size < 0 || offset + size > Size()) return false;
    if (size > 0) std::memcpy(bytes, *handle_ + offset, size);
    return true;
  }

  SInt64 Append(const void* bytes, SInt64 size) override {
    if (!IsHandle(handle_) || size < 0) return -1;
    SInt64 start = HandleSize(handle_);
    if (ResizeHandle(handle_, start + size) != noErr) return -1;
    if (size > 0) std::memcpy(*handle_ + start, bytes, size);
    return start;
  }

 private:
  Handle handle_;
};

// Memory the caller keeps alive for as long as the store is used; it
// cannot grow.
class PointerStore : public DataStore {
 public:
  PointerStore(const uint8_t* data, SInt64 size) : data_(data), size_(size) {}

  SInt64 Size() const override { return size_; }

  bool Read(SInt64 offset, void* bytes, SInt64 size) override {
    if (offset < 0 || size < 0 || offset + size > size_) return false;
    if (size > 0) std::memcpy(bytes, data_ + offset, size);
    return true;
  }

  SInt64 Append(const void*, SInt64) override { return -1; }

 private:
  const uint8_t* data_;
  SInt64 size_;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes %XX escapes; false for a malformed one.
bool PercentDecode(const std::string& text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int high = HexDigit(text[i + 1]);
    int low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    *out += static_cast<char>(high << 4 | low);
    i += 2;
  }
  return true;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The native path of a file: URL ("file:///path", "file://localhost/path"
// or "file:/path"), or false for any other URL.
bool FileURLPath(const std::string& url, std::string* path) {
  if (!EqualsIgnoringCase(url.substr(0, 5), "file:")) return false;
  std::string rest = url.substr(5);
  if (rest.rfind("//", 0) == 0) {
    rest = rest.substr(2);
    size_t slash = rest.find('/');
    if (slash == std::string::npos) return false;
    std::string host = rest.substr(0, slash);
    if (!host.empty() && !EqualsIgnoringCase(host, "localhost")) return false;
    rest = rest.substr(slash);
  }
  if (rest.empty() || rest[0] != '/') return false;
  return PercentDecode(rest, path);
}

// Shares a store made through the engine's allocator; nullptr when it
// could not be made.
// Shares a new store, or nullptr: a store that cannot be shared is
// deleted, with whatever it owns.
std::shared_ptr<DataStore> Share(DataStore* store) noexcept {
  if (store == nullptr) return nullptr;
  try {
    return std::shared_ptr<DataStore>(store);
  } catch (...) {  // the shared_ptr has deleted the store
    return nullptr;
  }
}

template <typename T, typename... Args>
std::shared_ptr<DataStore> MakeStore(Args&&... args) noexcept {
  return Share(NewObject<T>(std::forward<Args>(args)...));
}

std::shared_ptr<DataStore> OpenFileReference(const std::string& path, bool writable, OSErr* err) {
  std::shared_ptr<DataStore> store = OpenFileStore(path, writable, err);
  if (store == nullptr && (*err == fnfErr || *err == dirNFErr)) *err = couldNotResolveDataRef;
  return store;
}

std::shared_ptr<DataStore> OpenAliasReference(const uint8_t* ref, size_t size, bool writable,
                                              OSErr* err) {
  std::string path;
  if (!AliasRecordPath(ref, size, &path)) {
    *err = invalidDataRef;
    return nullptr;
  }
  return OpenFileReference(path, writable, err);
}

std::shared_ptr<DataStore> OpenURLReference(const uint8_t* ref, size_t size, bool writable,
                                            OSErr* err) {
  const auto* text = reinterpret_cast<const char*>(ref);
  size_t length = static_cast<size_t>(std::find(text, text + size, '\0') - text);
  if (length == 0 || length == size) {  // empty, or no terminating NUL
    *err = invalidDataRef;
    return nullptr;
  }
  std::string path;
  if (!FileURLPath(std::string(text, length), &path)) {
    *err = couldNotResolveDataRef;
    return nullptr;
  }
  return OpenFileReference(path, writable, err);
}

std::shared_ptr<DataStore> OpenHandleReference(const uint8_t* ref, size_t size, OSErr* err) {
  Handle handle = nullptr;
  if (size != sizeof handle) {
    *err = invalidDataRef;
    return nullptr;
  }
  std::memcpy(&handle, ref, sizeof handle);
  if (!IsHandle(handle)) {
    *err = couldNotResolveDataRef;
    return nullptr;
  }
  return MakeStore<HandleStore>(handle);
}

std::shared_ptr<DataStore> OpenPointerReference(const uint8_t* ref, size_t size, OSErr* err) {
  PointerDataRefRecord record;
  if (size != sizeof record) {
    *err = invalidDataRef;
    return nullptr;
  }
  std::memcpy(&record, ref, sizeof record);
  if (record.data == nullptr || record.dataLength < 0) {
    *err = couldNotResolveDataRef;
    return nullptr;
  }
  return MakeStore<PointerStore>(static_cast<const uint8_t*>(record.data), record.dataLength);
}

std::shared_ptr<DataStore> OpenByType(OSType type, const uint8_t* ref, size_t size, bool writable,
                                      OSErr* err) {
  switch (type) {
    case rAliasType:
      return OpenAliasReference(ref, size, writable, err);
    case URLDataHandlerSubType:
      return OpenURLReference(ref, size, writable, err);
    case HandleDataHandlerSubType:
      return OpenHandleReference(ref, size, err);
    case PointerDataHandlerSubType:
      return OpenPointerReference(ref, size, err);
    default:
      *err = noDataHandler;
      return nullptr;
  }
}

}  // namespace

std::shared_ptr<DataStore> OpenFileStore(const std::string& path, bool writable, OSErr* err) {
  os::EntryKind kind = os::EntryKind::kMissing;
  if (OSErr failed = os::KindAt(path, &kind)) {
    *err = failed;
    return nullptr;
  }
  switch (kind) {
    case os::EntryKind::kFile:
      break;
    case os::EntryKind::kMissing:
      *err = fnfErr;
      return nullptr;
    default:
      *err = notAFileErr;
      return nullptr;
  }
  auto* owner = Guarded<FileStore*>(nullptr, [&] { return NewObject<FileStore>(path, writable); });
  if (owner != nullptr && owner->OpenError() != noErr) {
    *err = owner->OpenError();
    delete owner;
    return nullptr;
  }
  std::shared_ptr<DataStore> store = Share(owner);  // closes the file when it cannot
  if (store == nullptr) {
    *err = memFullErr;
    return nullptr;
  }
  *err = noErr;
  return store;
}

OSErr StoreError(const DataStore& store, OSErr otherwise) {
  const auto* file = dynamic_cast<const FileStore*>(&store);
  OSErr err = file != nullptr ? file->IOError() : noErr;
  return err != noErr ? err : otherwise;
}

std::shared_ptr<DataStore> NewMemoryStore(std::vector<uint8_t> bytes) {
  return MakeStore<MemoryStore>(std::move(bytes));
}

std::shared_ptr<DataStore> OpenDataRefStore(OSType type, const uint8_t* ref, size_t size,
                                            bool writable, OSErr* err) {
  OSErr result = noErr;
  std::shared_ptr<DataStore> store = Guarded<std::shared_ptr<DataStore>>(nullptr, [&] {
    if (ref == nullptr && size != 0) {
      result = invalidDataRef;
      return std::shared_ptr<DataStore>();
    }
    return OpenByType(type, ref, size, writable, &result);
  });
  if (store == nullptr && result == noErr) result = memFullErr;
  if (store != nullptr) result = noErr;
  *err = result;
  return store;
}

}  // namespace qtml
