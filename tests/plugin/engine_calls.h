// What a piece of plugin work asks of the engine, read from the engine's
// call trace: for fault sweeps that fail each of those calls in turn.
#pragma once

#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "QTMLTestControls.h"

// The names of the engine calls `work` makes.
inline std::set<std::string> EngineCallsOf(const std::function<void()>& work) {
  QTMLTest_ClearTrace();
  QTMLTest_SetTrace(true);
  work();
  QTMLTest_SetTrace(false);
  std::set<std::string> names;
  std::istringstream lines(QTMLTest_TraceText());
  for (std::string line; std::getline(lines, line);) names.insert(line.substr(0, line.find('(')));
  QTMLTest_ClearTrace();
  return names;
}
