// Under the address sanitizer, leaks that belong to the system's own
// libraries rather than to the tool: libdbus keeps a buffer for the life of
// the process once the window system has asked it about the session, and
// only dbus_shutdown, which no library may call for its host, frees it.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
#endif
