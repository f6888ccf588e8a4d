// Outside tools that judge what the exporters write: ImageMagick's
// identify for images, ffprobe for movies and sound files.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline bool HaveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// What the command writes to standard output, without a last newline.
inline std::string RunTool(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[512];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// identify's answer for the format string (e.g. "%m %wx%h").
inline std::string Identify(const std::string& path, const std::string& format) {
  return RunTool("identify -format '" + format + "' '" + path + "'");
}

// ffprobe's value of one entry: "format=duration", "stream=codec_name"
// of the stream selected ("v:0", "a:0").
inline std::string Probe(const std::string& path, const std::string& entry,
                         const std::string& stream = "") {
  std::string select = stream.empty() ? "" : " -select_streams " + stream;
  return RunTool("ffprobe -v error" + select + " -show_entries " + entry +
                 " -of default=noprint_wrappers=1:nokey=1 '" + path + "'");
}
