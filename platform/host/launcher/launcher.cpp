// The `fenra` command. It starts the tool installed beside it, fenra-tool,
// with glibc's malloc asked to back large blocks with transparent huge
// pages (the tunable glibc.malloc.hugetlb). The tool's big buffers are
// pictures and frames of megabytes, which the kernel otherwise hands over
// 4 KB at a time, a page fault each: with huge pages a picture's export
// takes about half the time. glibc reads its tunables only as a process
// starts, hence a process of its own for the tool; this one loads nothing
// but the C library, so starting twice costs a millisecond or so.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kHugePages[] = "glibc.malloc.hugetlb=1";

// The directory this program was started from, with its final slash.
bool OwnDirectory(std::string* directory) {
  std::string path(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<size_t>(n) >= path.size()) return false;
  path.resize(static_cast<size_t>(n));
  *directory = path.substr(0, path.rfind('/') + 1);
  return true;
}

}  // namespace

int main(int, char** argv) {
  std::string directory;
  if (!OwnDirectory(&directory)) {
    std::fprintf(stderr, "fenra: cannot tell where it is installed: %s\n", std::strerror(errno));
    return 127;
  }
  const std::string tool = directory + "fenra-tool";
  // Tunables the caller set stay; a choice of its own about huge pages
  // too.
  const char* given = std::getenv("GLIBC_TUNABLES");
  std::string tunables = given != nullptr ? given : "";
  if (tunables.find("glibc.malloc.hugetlb") == std::string::npos) {
    tunables += tunables.empty() ? kHugePages : std::string(":") + kHugePages;
    setenv("GLIBC_TUNABLES", tunables.c_str(), 1);
  }
  execv(tool.c_str(), argv);
  std::fprintf(stderr, "fenra: cannot start %s: %s\n", tool.c_str(), std::strerror(errno));
  return 127;
}
