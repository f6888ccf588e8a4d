// Standard error put on a pseudo-terminal for the length of a call, for
// tests of what the engine shows only on a terminal.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

// Runs `body` with standard error on a new pseudo-terminal and answers what
// reached the terminal; empty when no terminal can be had.
template <typename F>
std::string OnTerminal(F&& body) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "";
  int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  int saved = dup(STDERR_FILENO);
  dup2(slave, STDERR_FILENO);
  body();
  dup2(saved, STDERR_FILENO);
  close(saved);
  close(slave);
  std::string text;
  fcntl(master, F_SETFL, O_NONBLOCK);
  char buffer[512];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(master);
  return text;
}
