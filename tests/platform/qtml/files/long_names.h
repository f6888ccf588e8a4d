// File names longer than the Mac's 63 bytes, for the tests of the calls
// that take an FSSpec.
#pragma once

#include <iterator>
#include <string>

// A UTF-8 file name of exactly `bytes` bytes ending in `ending`: words in
// Cyrillic, Greek, Japanese and accented Latin for as long as they fit,
// then ASCII to fill.
inline std::string MixedName(size_t bytes, const std::string& ending) {
  const std::string words[] = {"Фильм ", "Ταινία ", "映画 ", "Café "};
  std::string name;
  for (size_t i = 0;; ++i) {
    const std::string& word = words[i % std::size(words)];
    if (name.size() + word.size() + ending.size() > bytes) break;
    name += word;
  }
  name.append(bytes - ending.size() - name.size(), 'x');
  return name + ending;
}
